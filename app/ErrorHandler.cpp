#include "ErrorHandler.h"

#include "DynaArray.h"

#include <QMessageBox>
#include <new>

namespace {

void ShowErrorBoxModally(const QString& text)
{
    MakeErrorBox(QApplication::activeWindow(), text)->exec();
}

TErrorReporter& Reporter()
{
    static TErrorReporter reporter = ShowErrorBoxModally;
    return reporter;
}

} // namespace

QString ErrorText(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
        return {};
    } catch (const std::bad_alloc&) {
        return QStringLiteral("Zu wenig Arbeitsspeicher");
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Unbekannter Fehler");
    }
}

std::unique_ptr<QMessageBox> MakeErrorBox(QWidget* parent, const QString& text)
{
    return std::make_unique<QMessageBox>(QMessageBox::Critical, QStringLiteral("Zeitkant"), text + u'.',
                                         QMessageBox::Ok, parent);
}

void SetErrorReporter(TErrorReporter reporter)
{
    Reporter() = reporter ? std::move(reporter) : ShowErrorBoxModally;
}

void HandleException(std::exception_ptr error)
{
    const QString text = ErrorText(error);
    if (!text.isEmpty())
        Reporter()(text);
}

TZeitkantApplication::TZeitkantApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TZeitkantApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleException(std::current_exception());
        return false;
    }
}

void ShowStoreMemoryError(const std::string& message)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Fehler"), QString::fromStdString(message),
                    QMessageBox::Ok);
    box.exec();
}
