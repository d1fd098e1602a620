#include "TestEnvironment.h"

#include <QLocale>
#include <QTemporaryDir>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

void PrepareTestEnvironment()
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QTemporaryDir runtimeDir;
    qputenv("XDG_RUNTIME_DIR", runtimeDir.path().toUtf8());
    QFile::setPermissions(runtimeDir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    static QTemporaryDir configDir;
    qputenv("XDG_CONFIG_HOME", configDir.path().toUtf8());
    static QTemporaryDir dataDir; // the desktop's recently used files
    qputenv("XDG_DATA_HOME", dataDir.path().toUtf8());
    static QTemporaryDir stateDir; // recovery copies
    qputenv("XDG_STATE_HOME", stateDir.path().toUtf8());
    qputenv("TZ", "Europe/Berlin");
    tzset();
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
}

int RunAllTests(int& argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
