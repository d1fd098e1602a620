#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool LoadGermanQtTranslation(QCoreApplication& app)
{
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

QLocale UserInterfaceLocale(const QLocale& system)
{
    if (system.language() == QLocale::C)
        return QLocale(QLocale::German, QLocale::Germany);
    return system;
}
