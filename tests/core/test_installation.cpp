// Where a program finds its guide and the site-wide settings: installed, unpacked under another
// root, or run from a portable copy or the build tree.
#include "core/Installation.h"

#include <QRegularExpression>
#include <ostream>
#include <gtest/gtest.h>

using namespace kwf;

namespace {
const InstallPaths kDebian{QStringLiteral("/usr/bin"), QStringLiteral("/etc/kwf-tqv"),
                           QStringLiteral("/usr/share/doc/kwf-tqv")};

struct Case {
    const char* exeDir;
    bool installed;
    const char* siteDir;
    const char* guide;
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.exeDir;
}

class Folders : public ::testing::TestWithParam<Case> {};
} // namespace

TEST_P(Folders, FoundFromTheProgramsFolder)
{
    const Case c = GetParam();
    const ProgramFolders f = programFolders(QString::fromUtf8(c.exeDir), kDebian);
    EXPECT_EQ(f.installed, c.installed);
    EXPECT_EQ(f.programDir, QString::fromUtf8(c.exeDir));
    EXPECT_EQ(f.siteDir, QString::fromUtf8(c.siteDir));
    EXPECT_EQ(f.guidePath, QString::fromUtf8(c.guide));
}

INSTANTIATE_TEST_SUITE_P(Installation, Folders, ::testing::Values(
    Case{"/usr/bin", true, "/etc/kwf-tqv", "/usr/share/doc/kwf-tqv/KWF_TQV.doc"},
    Case{"/usr/bin/", true, "/etc/kwf-tqv", "/usr/share/doc/kwf-tqv/KWF_TQV.doc"},
    // The package unpacked under a scratch root (dpkg -x, a chroot seen from outside).
    Case{"/tmp/root/usr/bin", true, "/tmp/root/etc/kwf-tqv", "/tmp/root/usr/share/doc/kwf-tqv/KWF_TQV.doc"},
    // Portable copies and the build tree keep everything beside the program.
    Case{"/home/tech/kwf", false, "/home/tech/kwf", "/home/tech/kwf/KWF_TQV.doc"},
    Case{"/opt/xusr/bin", false, "/opt/xusr/bin", "/opt/xusr/bin/KWF_TQV.doc"},
    Case{"/usr/bin/kwf", false, "/usr/bin/kwf", "/usr/bin/kwf/KWF_TQV.doc"},
    Case{"/usr/local/bin", false, "/usr/local/bin", "/usr/local/bin/KWF_TQV.doc"}));

TEST(Installation, ThisBuildsPathsAndVersion)
{
    const InstallPaths built = builtInstallPaths();
    EXPECT_TRUE(built.binDir.endsWith(QLatin1String("/bin"))) << built.binDir.toStdString();
    EXPECT_TRUE(built.siteDir.endsWith(QLatin1String("/kwf-tqv"))) << built.siteDir.toStdString();
    // Run from the build tree, the program is a portable copy.
    EXPECT_FALSE(programFolders(QStringLiteral("/home/tech/kwf-tqv/build"), built).installed);
    EXPECT_TRUE(versionLine(QStringLiteral("kwf-tqvctl")).contains(QRegularExpression(
        QStringLiteral("^kwf-tqvctl \\d+\\.\\d+\\.\\d+$"))));
}
