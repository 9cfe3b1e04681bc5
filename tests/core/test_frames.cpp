#include "core/Bcd.h"
#include "core/Frames.h"
#include "core/SerialPort.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kwf;

TEST(Frames, LinkTestAndClosingFramesAreExact)
{
    EXPECT_EQ(hexBytes(linkTestFrame()), QByteArray("02 02 02 02 02 02 02 02 31 C0 C0 C0 C0 C0 C0 03"));
    EXPECT_EQ(hexBytes(closingFrame()), QByteArray("02 02 02 02 31 D0 D0 D0 D0 D0 D0 03"));
}

TEST(Frames, RegisterFramesCarryRegisterAndValueNibbles)
{
    // Register 20, read and write with the single-register layout.
    EXPECT_EQ(hexBytes(registerReadFrame(20, 1, 1)), QByteArray("02 31 20 20 21 24 20 20 03"));
    EXPECT_EQ(hexBytes(registerWriteFrame(20, 0x41, 1, 1)), QByteArray("02 31 40 40 41 44 44 41 03"));
    // Minutes register written with 45 (BCD 0x45), usual device layout.
    EXPECT_EQ(hexBytes(registerWriteFrame(1, toBcd(45), 2, 3)), QByteArray("02 02 31 40 40 40 41 44 45 03 03 03"));
    // Last register of the image and a full byte.
    EXPECT_EQ(hexBytes(registerWriteFrame(63, 0xFF, 2, 3)), QByteArray("02 02 31 40 40 43 4F 4F 4F 03 03 03"));
    EXPECT_EQ(hexBytes(registerReadFrame(48, 4, 1)), QByteArray("02 02 02 02 31 20 20 23 20 20 20 03"));
    // The probe of the port scan: register 0.
    EXPECT_EQ(hexBytes(registerReadFrame(0, 2, 3)), QByteArray("02 02 31 20 20 20 20 20 20 03 03 03"));
}

TEST(LineSettingsText, ParsesTheTextForm)
{
    auto s = LineSettings::parse(QStringLiteral("9600,N,8,2"));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->baud, 9600);
    EXPECT_EQ(s->parity, 'N');
    EXPECT_EQ(s->dataBits, 8);
    EXPECT_EQ(s->stopBits, 2);
    EXPECT_EQ(s->toString(), QStringLiteral("9600,N,8,2"));
    auto one = LineSettings::parse(QStringLiteral(" 9600 , n , 8 , 1 "));
    ASSERT_TRUE(one);
    EXPECT_EQ(one->stopBits, 1);
    EXPECT_EQ(one->parity, 'N');
    for (const char* bad : {"", "9600", "9600,N,8", "9600,X,8,2", "abc,N,8,2", "9600,N,9,2", "9600,N,8,3", "-5,N,8,1"})
        EXPECT_FALSE(LineSettings::parse(QString::fromLatin1(bad))) << bad;
}

#ifndef Q_OS_WIN
TEST(PortNames, LinuxUsesTheDosdevicesLinkWhenPresent)
{
    QTemporaryDir dir;
    EXPECT_EQ(portDeviceName(1, dir.path()), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(portDeviceName(12, dir.path()), QStringLiteral("/dev/ttyS11"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("dosdevices")));
    const QString link = dir.filePath(QStringLiteral("dosdevices/com3"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), link));
    EXPECT_EQ(portDeviceName(3, dir.path()), link);
    EXPECT_EQ(portDeviceName(4, dir.path()), QStringLiteral("/dev/ttyS3"));
    // A dangling link still names the port: opening it then fails as an absent port.
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("nowhere")), dir.filePath(QStringLiteral("dosdevices/com5"))));
    EXPECT_EQ(portDeviceName(5, dir.path()), dir.filePath(QStringLiteral("dosdevices/com5")));
}
#endif
