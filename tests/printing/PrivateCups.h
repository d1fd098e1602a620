#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <optional>

// A CUPS scheduler of the test run's own: configuration, spool, cache and log
// folders, and cups-pdf's output, in a folder of its own under the system's
// temporary folder, a local socket as its only listener, and a cups-pdf queue as
// the default printer whose PDF files land in Output(). The filters run as lp, so
// that folder has mode 0755 and must lie below folders anybody may enter; the
// test program's own folder need not. CUPS_SERVER points this process (Qt's
// printing, lpadmin) at it. It is stopped, its folder and the cups-pdf instance
// file removed, when the object goes; if the test program dies, the scheduler is
// told to end with it.
class TPrivateCups
{
public:
    static constexpr const char* QueueName = "ZeitkantPDF";

    TPrivateCups();
    ~TPrivateCups();
    TPrivateCups(const TPrivateCups&) = delete;
    TPrivateCups& operator=(const TPrivateCups&) = delete;

    // Empty when the queue is ready, otherwise why not.
    const QString& Problem() const { return Why; }
    // The scheduler's folder; empty when none could be made.
    const QString& Root() const { return RootPath; }
    QString Output() const;
    // The end of the scheduler's error log.
    QString Log() const;
    // Why a job may have printed nothing: the errors and failed jobs' messages
    // from the scheduler's log, cups-pdf's own log, and a folder lp cannot enter.
    QString JobErrors() const;

    // Waits up to timeoutMs for a PDF file that is not in known; empty when none came.
    QString WaitForNewPdf(const QStringList& known, int timeoutMs) const;
    QStringList Pdfs() const;

private:
    bool Start();
    bool Run(const QString& program, const QStringList& arguments);
    QString ReadLog(const QString& name) const;

    std::optional<QTemporaryDir> Folder;
    QString RootPath;
    QString Instance;
    QString InstanceConfig;
    std::unique_ptr<QProcess> Daemon;
    QString Why;
};
