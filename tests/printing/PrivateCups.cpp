#include "PrivateCups.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
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

TPrivateCups::TPrivateCups() : Folder(QCoreApplication::applicationDirPath() + QStringLiteral("/cups-XXXXXX"))
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
}

QString TPrivateCups::Log() const
{
    QFile file(Folder.filePath(QStringLiteral("log/error_log")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll().right(4000)) : QString();
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
    if (!Folder.isValid()) {
        Why = QStringLiteral("no temporary folder beside the test program");
        return false;
    }
    // The filters run as lp and must reach the spool files.
    QFile::setPermissions(Folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                             QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                             QFile::ExeOther);
    const QString root = Folder.path();
    for (const char* sub : {"conf", "spool", "cache", "state", "log", "tmp", "out", "pdf-spool"})
        QDir(root).mkpath(QLatin1String(sub));
    // The filters' temporary files, made as lp.
    chmod(QFile::encodeName(root + QStringLiteral("/tmp")).constData(), 01777);
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
