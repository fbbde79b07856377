#include "platform/SystemInfo.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace platform;

namespace {

class SampleFiles {
public:
    QString write(const QString& name, const QByteArray& text) {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return path;
    }
    QString missing() const { return m_dir.filePath("missing"); }

private:
    QTemporaryDir m_dir;
};

} // namespace

TEST(SystemInfo, ReadsADistributionsOsRelease) {
    SampleFiles files;
    const SystemInfo info(files.write("os-release", "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"
                                                    "NAME=\"Debian GNU/Linux\"\n"
                                                    "VERSION_ID=\"12\"\n"
                                                    "ID=debian\n"),
                          files.write("product_name", "ThinkPad X1 Carbon\n"));
    EXPECT_TRUE(info.hasOsRelease());
    EXPECT_EQ(info.operatingSystemName(), "Debian GNU/Linux");
    EXPECT_EQ(info.prettyName(), "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(info.operatingSystemVersionString(), "Debian GNU/Linux 12");
    EXPECT_EQ(info.operatingSystemVersion(), (OperatingSystemVersion{12, 0, 0}));
    EXPECT_EQ(info.machineModel(), "ThinkPad X1 Carbon");
}

TEST(SystemInfo, SplitsVersionsIntoNumbers) {
    SampleFiles files;
    const auto versionOf = [&](const QByteArray& id) {
        return SystemInfo(files.write("v", "NAME=X\nVERSION_ID=" + id + "\n")).operatingSystemVersion();
    };
    EXPECT_EQ(versionOf("\"22.04\""), (OperatingSystemVersion{22, 4, 0}));
    EXPECT_EQ(versionOf("1.2.3.4"), (OperatingSystemVersion{1, 2, 3}));
    EXPECT_EQ(versionOf("8.10-beta"), (OperatingSystemVersion{8, 10, 0}));
    EXPECT_EQ(versionOf("rolling"), (OperatingSystemVersion{}));
    EXPECT_EQ(versionOf("99999999999999999999.1"), (OperatingSystemVersion{}));
}

TEST(SystemInfo, ParsesQuotingLikeTheShell) {
    const auto values = SystemInfo::parseOsRelease("# comment\r\n"
                                                   "\n"
                                                   "  NAME='Single Quoted'  \r\n"
                                                   "PRETTY_NAME=\"Say \\\"hi\\\" \\\\ \\$HOME\"\n"
                                                   "EMPTY=\n"
                                                   "JOINED=\"a b\"'c d'\n"
                                                   "LITERAL='back\\slash'\n"
                                                   "NAME_DUP=first\nNAME_DUP=second\n");
    EXPECT_EQ(values.value("NAME"), "Single Quoted");
    EXPECT_EQ(values.value("PRETTY_NAME"), "Say \"hi\" \\ $HOME");
    EXPECT_TRUE(values.contains("EMPTY"));
    EXPECT_EQ(values.value("JOINED"), "a bc d");
    EXPECT_EQ(values.value("LITERAL"), "back\\slash");
    EXPECT_EQ(values.value("NAME_DUP"), "second");
}

TEST(SystemInfo, SkipsMalformedLinesAndKeepsTheRest) {
    const auto values = SystemInfo::parseOsRelease("no equals sign\n"
                                                   "=value without key\n"
                                                   "1BAD=digit first\n"
                                                   "BAD KEY=x\n"
                                                   "OPEN=\"never closed\n"
                                                   "SPACED=two words\n"
                                                   "VERSION_ID=\"11\"\n");
    EXPECT_EQ(values.size(), 1);
    EXPECT_EQ(values.value("VERSION_ID"), "11");

    EXPECT_TRUE(SystemInfo::parseOsRelease(QByteArray("\x00\xff\xfe=\"\n\\", 7)).isEmpty());
}

TEST(SystemInfo, FallsBackWhenKeysOrTheFileAreMissing) {
    SampleFiles files;
    const SystemInfo rolling(
        files.write("arch", "NAME=\"Arch Linux\"\nPRETTY_NAME=\"Arch Linux\"\nBUILD_ID=rolling\n"));
    EXPECT_EQ(rolling.operatingSystemVersionString(), "Arch Linux");
    EXPECT_TRUE(rolling.versionId().isEmpty());

    const SystemInfo bare(files.write("bare", "VERSION_ID=3.19\n"));
    EXPECT_EQ(bare.operatingSystemName(), "Linux");
    EXPECT_EQ(bare.prettyName(), "Linux 3.19");

    const SystemInfo none(files.missing(), files.missing());
    EXPECT_FALSE(none.hasOsRelease());
    EXPECT_EQ(none.operatingSystemVersionString(), "Linux " + none.kernelRelease());
    EXPECT_EQ(none.operatingSystemVersion(), (OperatingSystemVersion{}));
    EXPECT_TRUE(none.machineModel().isEmpty());
}

TEST(SystemInfo, ReportsKernelAndHost) {
    const SystemInfo info;
    EXPECT_EQ(info.kernelName(), "linux");
    EXPECT_FALSE(info.kernelRelease().isEmpty());
    EXPECT_FALSE(info.architecture().isEmpty());
    EXPECT_FALSE(info.hostName().isEmpty());
}
