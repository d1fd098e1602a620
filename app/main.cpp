#include "DynaArray.h"
#include "ErrorHandler.h"
#include "MainUnit.h"
#include "Translations.h"

int main(int argc, char** argv)
{
    TZeitkantApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zeitkant"));
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
