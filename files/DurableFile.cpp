#include "DurableFile.h"

#include "ProjectFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {

bool Failed(QString& error)
{
    error = IoErrorText(errno);
    return false;
}

} // namespace

bool SyncFile(QFileDevice& file, QString& error)
{
    if (!file.flush()) {
        error = file.errorString();
        return false;
    }
    return ::fsync(file.handle()) == 0 || Failed(error);
}

bool SyncFolderOf(const QString& file, QString& error)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(file).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return Failed(error);
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL; // some file systems cannot sync folders
    const int syncError = errno;
    ::close(fd);
    errno = syncError;
    return synced || Failed(error);
}

bool KeepPreviousVersion(const QString& name, QString& error)
{
    const QByteArray present = QFile::encodeName(name);
    if (::access(present.constData(), F_OK) != 0)
        return true;
    const QByteArray backup = QFile::encodeName(name + QLatin1Char('~'));
    const QByteArray fresh = backup + ".neu";
    ::unlink(fresh.constData());
    // The file system frees the blocks of the "<name>~" replaced here when its last
    // name goes, a tenth of a second for a large project; held open, it is freed
    // only when a thread of its own closes it.
    const int replaced = ::open(backup.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    const bool kept = ::link(present.constData(), fresh.constData()) == 0
                          ? ::rename(fresh.constData(), backup.constData()) == 0
                          : ::rename(present.constData(), backup.constData()) == 0;
    const int keptError = errno;
    if (replaced >= 0) {
        try {
            std::thread([replaced] { ::close(replaced); }).detach();
        } catch (const std::system_error&) {
            ::close(replaced);
        }
    }
    errno = keptError;
    return kept || Failed(error);
}

bool WriteFileDurably(const QString& name, const QByteArray& bytes, QString& error)
{
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        error = file.errorString();
        return false;
    }
    if (!SyncFile(file, error))
        return false;
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return SyncFolderOf(name, error);
}
