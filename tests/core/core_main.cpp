#include <gtest/gtest.h>

#include <QByteArray>
#include <QtGlobal>
#include <ctime>

// The core's tests need no application object: the rules run on Qt Core alone.
int main(int argc, char** argv)
{
    qputenv("TZ", "UTC");
    tzset();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
