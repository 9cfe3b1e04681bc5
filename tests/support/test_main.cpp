#include <QApplication>
#include <gtest/gtest.h>
#include <ctime>

#include "app/RealUiServices.h"

// Every test program runs with a QApplication on the offscreen platform unless told otherwise.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The dates and times the tests expect do not depend on the machine's zone.
    qputenv("TZ", "UTC");
    tzset();
    QApplication app(argc, argv);
    kwf::installFrench();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
