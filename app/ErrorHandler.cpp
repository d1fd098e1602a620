#include "ErrorHandler.h"

#include <QMessageBox>

namespace {

void ShowErrorBoxModally(const QString& text)
{
    MakeErrorBox(QApplication::activeWindow(), text)->exec();
}

} // namespace

std::unique_ptr<QMessageBox> MakeErrorBox(QWidget* parent, const QString& text)
{
    return std::make_unique<QMessageBox>(QMessageBox::Critical, QStringLiteral("Zeitkant"), text + u'.',
                                         QMessageBox::Ok, parent);
}

TZeitkantApplication::TZeitkantApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    SetFallbackErrorReporter(ShowErrorBoxModally);
}

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
