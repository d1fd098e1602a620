#include "PrivateCups.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString CupsConfigFolder = QStringLiteral("/etc/cups");
const QString Backend = QStringLiteral("/usr/lib/cups/backend/cups-pdf");
const QString Ppd = QStringLiteral("lsb/usr/cups-pdf/CUPS-PDF_opt.ppd");

bool WriteFile(const QString& path, const QString& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.toUtf8()) >= 0;
}

// Empty when the user lp can reach path: it and every folder above it must be
// searchable by others, as lp is neither their owner nor, as a rule, in their
// group. Otherwise names the first folder on the way that is closed.
QString Unreachable(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (canonical.isEmpty())
        return path + QStringLiteral(" does not exist");
    for (QString folder = canonical;; folder = QFileInfo(folder).path()) {
        struct stat status;
        if (stat(QFile::encodeName(folder).constData(), &status) != 0 || !S_ISDIR(status.st_mode))
            return folder + QStringLiteral(" is not a folder");
        if ((status.st_mode & S_IXOTH) == 0)
            return QStringLiteral("the user lp cannot enter %1 (mode %2, not searchable by others)")
                .arg(folder)
                .arg(status.st_mode & 07777, 4, 8, QLatin1Char('0'));
        if (folder == QLatin1String("/"))
            return {};
    }
}

QString Executable(const char* name)
{
    for (const char* folder : {"/usr/sbin/", "/usr/bin/", "/sbin/", "/bin/"}) {
        const QString path = QLatin1String(folder) + QLatin1String(name);
        if (QFileInfo(path).isExecutable())
            return path;
    }
    return {};
}

} // namespace

TPrivateCups::TPrivateCups()
{
    if (!Start() && Daemon) {
        Daemon->kill();
        Daemon->waitForFinished(5000);
    }
}

TPrivateCups::~TPrivateCups()
{
    if (Daemon && Daemon->state() != QProcess::NotRunning) {
        Daemon->terminate();
        if (!Daemon->waitForFinished(5000)) {
            Daemon->kill();
            Daemon->waitForFinished(5000);
        }
    }
    if (!InstanceConfig.isEmpty())
        QFile::remove(InstanceConfig);
    if (Folder && Folder->isValid() && !Folder->remove())
        qWarning("cannot remove the private CUPS folder %s", qPrintable(RootPath));
}

QString TPrivateCups::Output() const
{
    return RootPath.isEmpty() ? QString() : RootPath + QStringLiteral("/out");
}

QString TPrivateCups::ReadLog(const QString& name) const
{
    QFile file(RootPath + QStringLiteral("/log/") + name);
    return !RootPath.isEmpty() && file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll())
                                                                 : QString();
}

QString TPrivateCups::Log() const
{
    return ReadLog(QStringLiteral("error_log")).right(4000);
}

QString TPrivateCups::JobErrors() const
{
    if (RootPath.isEmpty())
        return QStringLiteral("there is no scheduler folder");
    // At LogLevel info the scheduler logs a job's own messages only when the job
    // fails, between "The following messages were recorded" and "End of messages".
    QStringList errors;
    bool failedJob = false;
    for (const QString& line : ReadLog(QStringLiteral("error_log")).split(QLatin1Char('\n'))) {
        if (line.contains(QLatin1String("The following messages were recorded")))
            failedJob = true;
        const bool environment =
            line.contains(QLatin1String("] argv[")) || line.contains(QLatin1String("] envp["));
        if (line.startsWith(QLatin1String("E ")) || line.startsWith(QLatin1String("W ")) ||
            (failedJob && !environment))
            errors << line;
        if (line.contains(QLatin1String("End of messages")))
            failedJob = false;
    }
    const QString errorLog = RootPath + QStringLiteral("/log/error_log");
    QString text = errorLog + QStringLiteral(" records no error");
    if (!errors.isEmpty())
        text = QStringLiteral("from ") + errorLog + QStringLiteral(":\n") +
               errors.mid(std::max<qsizetype>(0, errors.size() - 60)).join(QLatin1Char('\n'));
    // cups-pdf's own log, in the Logdir of its instance file.
    for (const QString& name :
         QDir(RootPath + QStringLiteral("/log")).entryList({QStringLiteral("cups-pdf*")}, QDir::Files)) {
        text += QStringLiteral("\nfrom ") + RootPath + QStringLiteral("/log/") + name +
                QStringLiteral(":\n") + ReadLog(name).right(2000);
    }
    if (const QString closed = Unreachable(Output()); !closed.isEmpty())
        text += QStringLiteral("\n") + closed;
    return text;
}

bool TPrivateCups::Run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        process.kill();
        Why = program + QStringLiteral(" failed: ") + QString::fromUtf8(process.readAllStandardError());
        return false;
    }
    return true;
}

bool TPrivateCups::Start()
{
    const QString cupsd = Executable("cupsd");
    const QString lpadmin = Executable("lpadmin");
    if (cupsd.isEmpty() || lpadmin.isEmpty() || !QFileInfo::exists(Backend)) {
        Why = QStringLiteral("cupsd, lpadmin or the cups-pdf backend is not installed");
        return false;
    }
    if (geteuid() != 0) {
        Why = QStringLiteral("the cups-pdf backend runs only under a scheduler started as root");
        return false;
    }
    // The filters run as lp and must reach the spool files, so the folder goes where
    // lp can follow, not beside the test program: a checkout may lie below a
    // private folder. A temporary folder of the user's own may be private too; /tmp
    // is not.
    QString base;
    QString closed;
    for (const QString& candidate : {QDir::tempPath(), QStringLiteral("/tmp")}) {
        const QString why = Unreachable(candidate);
        if (why.isEmpty()) {
            base = candidate;
            break;
        }
        if (closed.isEmpty())
            closed = why;
    }
    if (base.isEmpty()) {
        Why = QStringLiteral("no temporary folder that the user lp can reach: ") + closed;
        return false;
    }
    Folder.emplace(base + QStringLiteral("/zeitkant-cups-XXXXXX"));
    if (!Folder->isValid()) {
        Why =
            QStringLiteral("cannot make a folder in ") + base + QStringLiteral(": ") + Folder->errorString();
        return false;
    }
    const QString root = RootPath = Folder->path();
    // QTemporaryDir makes it 0700; the subfolders' modes must not depend on the umask either. The
    // filters' temporary files are made as lp.
    bool made = chmod(QFile::encodeName(root).constData(), 0755) == 0;
    for (const char* sub : {"conf", "spool", "cache", "state", "log", "tmp", "out", "pdf-spool"}) {
        const QString path = root + QLatin1Char('/') + QLatin1String(sub);
        made = made && QDir().mkdir(path) &&
               chmod(QFile::encodeName(path).constData(), qstrcmp(sub, "tmp") == 0 ? 01777 : 0755) == 0;
    }
    if (!made) {
        Why = QStringLiteral("cannot make the scheduler's folders in ") + root;
        return false;
    }
    if (const QString why = Unreachable(root + QStringLiteral("/spool")); !why.isEmpty()) {
        Why = why;
        return false;
    }
    const QString socket = root + QStringLiteral("/cups.sock");
    if (socket.toLocal8Bit().size() > 100) {
        Why = QStringLiteral("the socket path is too long: ") + socket;
        return false;
    }
    const bool written =
        WriteFile(root + QStringLiteral("/conf/cupsd.conf"),
                  QStringLiteral("Listen %1\nLogLevel info\nWebInterface No\nBrowsing No\n"
                                 "DefaultAuthType None\n<Location />\n  Order allow,deny\n  Allow all\n"
                                 "</Location>\n")
                      .arg(socket)) &&
        WriteFile(
            root + QStringLiteral("/conf/cups-files.conf"),
            QStringLiteral("ServerRoot %1/conf\nRequestRoot %1/spool\nTempDir %1/tmp\nCacheDir %1/cache\n"
                           "StateDir %1/state\nErrorLog %1/log/error_log\nAccessLog %1/log/access_log\n"
                           "PageLog %1/log/page_log\nServerBin /usr/lib/cups\nDataDir /usr/share/cups\n"
                           "User lp\nGroup lp\nSandboxing Relaxed\n")
                .arg(root));
    // cups-pdf reads /etc/cups/cups-pdf-<instance>.conf for a queue cups-pdf:/<instance>.
    Instance = QStringLiteral("zeitkant-test-%1").arg(QCoreApplication::applicationPid());
    InstanceConfig = CupsConfigFolder + QStringLiteral("/cups-pdf-") + Instance + QStringLiteral(".conf");
    if (!written ||
        !WriteFile(InstanceConfig, QStringLiteral("Out %1/out\nAnonDirName %1/out\nSpool %1/pdf-spool\n"
                                                  "Label 0\nLogdir %1/log\n")
                                       .arg(root))) {
        Why = QStringLiteral("cannot write the configuration files");
        InstanceConfig.clear();
        return false;
    }

    Daemon = std::make_unique<QProcess>();
    Daemon->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    Daemon->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    Daemon->start(cupsd,
                  {QStringLiteral("-f"), QStringLiteral("-c"), root + QStringLiteral("/conf/cupsd.conf"),
                   QStringLiteral("-s"), root + QStringLiteral("/conf/cups-files.conf")});
    if (!Daemon->waitForStarted(10000)) {
        Why = QStringLiteral("cupsd did not start");
        return false;
    }
    const QDeadlineTimer deadline(15000);
    while (!QFileInfo::exists(socket) && Daemon->state() == QProcess::Running && !deadline.hasExpired())
        QThread::msleep(50);
    if (!QFileInfo::exists(socket)) {
        Why = QStringLiteral("cupsd did not open its socket: ") + Log();
        return false;
    }
    qputenv("CUPS_SERVER", socket.toLocal8Bit());
    return Run(lpadmin,
               {QStringLiteral("-p"), QLatin1String(QueueName), QStringLiteral("-E"), QStringLiteral("-v"),
                QStringLiteral("cups-pdf:/") + Instance, QStringLiteral("-m"), Ppd}) &&
           Run(lpadmin, {QStringLiteral("-d"), QLatin1String(QueueName)});
}

QStringList TPrivateCups::Pdfs() const
{
    if (RootPath.isEmpty())
        return {};
    return QDir(Output()).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Time);
}

QString TPrivateCups::WaitForNewPdf(const QStringList& known, int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        for (const QString& name : Pdfs()) {
            const QString path = QDir(Output()).filePath(name);
            // cups-pdf writes the file in place; wait until it has its end marker.
            QFile file(path);
            if (!known.contains(name) && file.open(QIODevice::ReadOnly) && file.readAll().contains("%%EOF")) {
                QThread::msleep(300);
                return path;
            }
        }
        QThread::msleep(100);
    }
    return {};
}
