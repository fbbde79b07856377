#include "core/SystemInformation.h"

#include "platform/Application.h"
#include "platform/SystemInfo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

TEST(SystemInformation, ProcessListNamesEachProcessByItsExecutable) {
    QTemporaryDir proc;
    auto link = [&](const QString& pid, const QString& target) {
        QDir().mkpath(proc.filePath(pid));
        ASSERT_TRUE(QFile::link(target, proc.filePath(pid + "/exe")));
    };
    link("0", "/kernel"); // never listed
    link("1", "/sbin/init");
    write(proc.filePath("7/cmdline"), QByteArray("/opt/veltrix/bin/veltrix\0", 25)); // no executable to tell
    const auto records = runningProcessList(proc.path());
    ASSERT_TRUE(records);
    ASSERT_EQ(records->size(), 1u);
    EXPECT_EQ(records->front().pid, 1);
    EXPECT_EQ(records->front().executable, "/sbin/init");
    EXPECT_FALSE(runningProcessList(proc.filePath("missing")));
}

TEST(SystemInformation, OnlyTheSystemsQuitRequestsAreSystemQuits) {
    EXPECT_FALSE(isSystemQuitReason()) << "a person's Quit, or none";
    {
        platform::Application::QuitReasonScope scope(platform::QuitReason::logOut);
        EXPECT_TRUE(isSystemQuitReason());
    }
    {
        platform::Application::QuitReasonScope scope(platform::QuitReason::shutDown);
        EXPECT_TRUE(isSystemQuitReason());
    }
    EXPECT_FALSE(isSystemQuitReason());

    const platform::SystemInfo system;
    EXPECT_TRUE(OSVersion::systemVersionText().startsWith(system.hasOsRelease() ? system.operatingSystemName()
                                                                                : QStringLiteral("Linux")));
}

TEST(SystemInformation, DirectoriesAreFoundAndCreated) {
    using namespace DirectoryLocations;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    std::optional<Error> error = Error{};

    const auto made = findOrCreateDirectory(QStandardPaths::GenericDataLocation, userDomain, "a/b", &error);
    EXPECT_EQ(made, data + "/a/b");
    EXPECT_TRUE(QFileInfo(data + "/a/b").isDir());
    EXPECT_FALSE(error) << "cleared on success";

    error = Error{};
    EXPECT_EQ(findOrCreateDirectory(QStandardPaths::GenericDataLocation, userDomain, std::nullopt, &error),
              data);
    EXPECT_FALSE(error) << "an existing folder counts";

    // The system has no download folder of its own.
    EXPECT_FALSE(findOrCreateDirectory(QStandardPaths::DownloadLocation, systemDomain, std::nullopt, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain, errorDomain);
    EXPECT_EQ(error->code, 0);
    EXPECT_EQ(error->description, "No path found for directory in domain.");
    EXPECT_EQ(error->userInfo.value("NSSearchPathDomainMask").toUInt(), unsigned(systemDomain));
    EXPECT_FALSE(findOrCreateDirectory(QStandardPaths::DownloadLocation, systemDomain))
        << "no place, no error";

    // A file where the folder should be.
    write(data + "/taken", "x");
    EXPECT_FALSE(findOrCreateDirectory(QStandardPaths::GenericDataLocation, userDomain, "taken", &error));
    ASSERT_TRUE(error);
    EXPECT_NE(error->domain, errorDomain);

    const auto support = applicationSupportDirectory();
    ASSERT_TRUE(support);
    EXPECT_TRUE(support->startsWith(data + "/"));
    EXPECT_TRUE(QFileInfo(*support).isDir());
}
