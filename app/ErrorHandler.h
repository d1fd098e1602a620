#pragma once

#include "Errors.h"

#include <QApplication>
#include <QString>
#include <memory>
#include <string>

class QMessageBox;

// The application's general error handler: an exception that ends a command is
// shown in a message box, and the program goes on.

// The message box: caption "Zeitkant", error icon, OK, the text followed by ".".
std::unique_ptr<QMessageBox> MakeErrorBox(QWidget* parent, const QString& text);

// Catches what escapes an event handler, as the last line of defence, and makes the
// message box the place where handled errors go.
class TZeitkantApplication : public QApplication
{
public:
    TZeitkantApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows the record store's out-of-memory text: error icon and the generic caption "Fehler".
void ShowStoreMemoryError(const std::string& message);
