#include "TestEnvironment.h"

#include <QApplication>

int main(int argc, char** argv)
{
    PrepareTestEnvironment();
    QApplication app(argc, argv);
    return RunAllTests(argc, argv);
}
