#include "diagnostics/AppExceptionReportingHelper.h"
#include "diagnostics/RemoteLog.h"

#include "platform/UserDefaults.h"
#include "sdk/testing/Driver.h"

#include <gtest/gtest.h>

namespace {

int preparedReports(const sdk::testing::Driver& driver) {
    int count = 0;
    for (const auto& line : driver.loggedLines()) {
        count += QString(line.message).contains(QStringLiteral("Exception report prepared")) ? 1 : 0;
    }
    return count;
}

} // namespace

TEST(AppExceptionReportingHelper, ReportsOnlyWhenCrashReportsAreAllowed) {
    sdk::testing::Driver driver;
    auto& defaults = platform::UserDefaults::standard();
    defaults.set(QStringLiteral("sendCrashReportsData"), false);
    AppExceptionReportingHelper::sendExceptionReport(QStringLiteral("a  |   b"),
                                                     QStringLiteral("std::bad_alloc"));
    EXPECT_EQ(preparedReports(driver), 0);
    defaults.set(QStringLiteral("sendCrashReportsData"), true);
    AppExceptionReportingHelper::sendExceptionReport(QStringLiteral("a  |   b"),
                                                     QStringLiteral("std::bad_alloc"));
    EXPECT_EQ(preparedReports(driver), 1);
    defaults.removeObject(QStringLiteral("sendCrashReportsData"));

    const QVariantMap report =
        AppExceptionReportingHelper::makeReport(QStringLiteral("a  |   b"), QStringLiteral("E"));
    EXPECT_EQ(report.keys(), (QStringList{QStringLiteral("AppVersion"), QStringLiteral("ExceptionType"),
                                          QStringLiteral("Platform"), QStringLiteral("PlatformVersion"),
                                          QStringLiteral("StackTrace")}));
    EXPECT_EQ(report.value(QStringLiteral("StackTrace")).toString(), QStringLiteral("a  |   b"));
    EXPECT_FALSE(report.value(QStringLiteral("Platform")).toString().isEmpty());
}

TEST(RemoteLog, KeepsAValidKeyAndTheForceSwitch) {
    EXPECT_FALSE(RemoteLog::activateLogger(QStringLiteral("short")));
    EXPECT_FALSE(RemoteLog::activateLogger(QStringLiteral("Q7wVn3RkT9pLx2ZbH5cMy8DfJ4sGa6U!")));
    EXPECT_FALSE(RemoteLog::isActivated());
    EXPECT_TRUE(RemoteLog::activateLogger(QStringLiteral("Q7wVn3RkT9pLx2ZbH5cMy8DfJ4sGa6Ue")));
    EXPECT_TRUE(RemoteLog::isActivated());
    EXPECT_EQ(RemoteLog::applicationKey(), QStringLiteral("Q7wVn3RkT9pLx2ZbH5cMy8DfJ4sGa6Ue"));
    RemoteLog::setForceEnabled(true);
    EXPECT_TRUE(RemoteLog::isForceEnabled());
}
