#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>

// A CUPS scheduler of the test run's own: configuration, spool and log folders in a
// temporary folder beside the test program, a local socket as its only listener,
// and a cups-pdf queue as the default printer whose PDF files land in Output().
// CUPS_SERVER points this process (Qt's printing, lpadmin) at it. It is stopped,
// and the cups-pdf instance file removed, when the object goes; if the test
// program dies, the scheduler is told to end with it.
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
    QString Output() const { return Folder.filePath(QStringLiteral("out")); }
    QString Log() const;

    // Waits up to timeoutMs for a PDF file that is not in known; empty when none came.
    QString WaitForNewPdf(const QStringList& known, int timeoutMs) const;
    QStringList Pdfs() const;

private:
    bool Start();
    bool Run(const QString& program, const QStringList& arguments);

    QTemporaryDir Folder;
    QString Instance;
    QString InstanceConfig;
    std::unique_ptr<QProcess> Daemon;
    QString Why;
};
