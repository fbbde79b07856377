// The facade: activation once per key, the storage cap's range, and nothing before activation.
#include "remotelog/RemoteLog.h"

#include "remotelog/RLLoggerManager.h"
#include "support/RemoteLogService.h"

#include "platform/UserDefaults.h"

#include <QDir>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

const QString appKey = QStringLiteral("Q7wVn3RkT9pLx2ZbH5cMy8DfJ4sGa6Ue");

struct FacadeTest : ::testing::Test {
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scoped{scheduler};
    void TearDown() override {
        RemoteLog::shutdown();
        RemoteLog::setMaximumLocalStorageSize(remotelog::RLLoggerManager::defaultMaximumLocalStorageSize);
    }
};

} // namespace

TEST_F(FacadeTest, TheStorageCapTakesOneByteTo50MiBAndIsKeptForTheManagerMadeLater) {
    const struct {
        qint64 bytes;
        bool accepted;
    } sizes[] = {{0, false}, {-1, false}, {1, true}, {52428800, true}, {52428801, false}};
    for (const auto& size : sizes) {
        if (size.accepted) {
            EXPECT_NO_THROW(RemoteLog::setMaximumLocalStorageSize(size.bytes)) << size.bytes;
            EXPECT_EQ(RemoteLog::maximumLocalStorageSize(), size.bytes);
        } else {
            EXPECT_THROW(RemoteLog::setMaximumLocalStorageSize(size.bytes), std::invalid_argument)
                << size.bytes;
        }
    }
    RemoteLog::setMaximumLocalStorageSize(1000000);
    RemoteLog::activateLogger(appKey);
    ASSERT_TRUE(RemoteLog::manager());
    EXPECT_EQ(RemoteLog::manager()->maximumLocalStorageSize(), 1000000);
}

TEST_F(FacadeTest, BeforeActivationNothingIsLoggedAfterItAnotherKeyIsRefused) {
    RemoteLog::logWithLineNumber(1, "f", "a.cpp", 0, std::nullopt, "before %d", 1);
    RemoteLog::sendIssueWithTitle("t", "x");
    EXPECT_FALSE(RemoteLog::appKey());
    EXPECT_FALSE(RemoteLog::forceEnabled());

    RemoteLog::activateLogger(appKey);
    EXPECT_NO_THROW(RemoteLog::activateLogger(appKey));
    EXPECT_THROW(RemoteLog::activateLogger(QStringLiteral("another key")), std::invalid_argument);
    EXPECT_EQ(RemoteLog::appKey(), appKey);
    EXPECT_EQ(RemoteLog::deviceIdentifier(), RemoteLog::manager()->deviceIdentifier());
    RemoteLog::setPrintToConsole(false);
    RemoteLog::logWithLineNumber(7, "f", "a.cpp", 1, QStringLiteral("tag"), "after %d", 2);
    remotelogtest::waitFor(
        &scheduler, [] { return false; }, 100);

    QFile file(RemoteLog::manager()->currentSessionPath() + "/logs.tmp");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    EXPECT_TRUE(written.contains("\"t\":\"after 2\"")) << written.constData();
    EXPECT_FALSE(written.contains("before")) << "nothing before activation";
    EXPECT_EQ(written.count('\n'), 0) << "one line";
    RemoteLog::setPrintToConsole(true);
}
