#include "DynaArray.h"
#include "ErrorHandler.h"
#include "HugePages.h"
#include "MainUnit.h"
#include "Translations.h"

int main(int argc, char** argv)
{
    RestartWithHugePageHeap(RunningProgramFile(), argv);
    TZeitkantApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zeitkant"));
    QGuiApplication::setDesktopFileName(QStringLiteral("de.zeitkant.Zeitkant"));
    QLocale::setDefault(UserInterfaceLocale(QLocale::system()));
    LoadGermanQtTranslation(app);
    TStoreMemory::Report = ShowStoreMemoryError;
    int result = 1;
    Guarded([&] {
        TMainForm mainForm;
        mainForm.SetCommandLine(QApplication::arguments());
        mainForm.show();
        result = QApplication::exec();
    });
    return result;
}
