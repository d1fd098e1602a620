#pragma once

#include <QApplication>
#include <QString>
#include <exception>
#include <functional>
#include <memory>

class QMessageBox;

// The application's general error handler. An exception that ends a command is
// shown to the user, and the program goes on. EAbort (a failure already shown)
// ends the command silently.

// The user-facing text of an exception; empty for EAbort.
QString ErrorText(std::exception_ptr error);

// The message box: caption "Zeitkant", error icon, OK, the text followed by ".".
std::unique_ptr<QMessageBox> MakeErrorBox(QWidget* parent, const QString& text);

// Where handled errors go; the default shows MakeErrorBox modally. Tests replace it.
using TErrorReporter = std::function<void(const QString& text)>;
void SetErrorReporter(TErrorReporter reporter);
void HandleException(std::exception_ptr error);

// Runs a command, handing any exception it throws to the general error handler.
template <typename F> void Guarded(F&& command)
{
    try {
        command();
    } catch (...) {
        HandleException(std::current_exception());
    }
}

// Catches what escapes an event handler, as the last line of defence.
class TZeitkantApplication : public QApplication
{
public:
    TZeitkantApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows the record store's out-of-memory text: error icon and the generic caption "Fehler".
void ShowStoreMemoryError(const std::string& message);
