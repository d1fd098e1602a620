#include "ErrorHandler.h"
#include "TestEnvironment.h"

// The application tests run under the program's own application class, so the
// general error handler is the one users get.
int main(int argc, char** argv)
{
    PrepareTestEnvironment();
    TZeitkantApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zeitkant"));
    return RunAllTests(argc, argv);
}
