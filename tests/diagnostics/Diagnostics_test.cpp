#include "diagnostics/AppExceptionReportingHelper.h"

#include <gtest/gtest.h>

TEST(AppExceptionReportingHelper, ReportHoldsItsFiveFields) {
    const QVariantMap report =
        AppExceptionReportingHelper::makeReport(QStringLiteral("a  |   b"), QStringLiteral("E"));
    EXPECT_EQ(report.keys(), (QStringList{QStringLiteral("AppVersion"), QStringLiteral("ExceptionType"),
                                          QStringLiteral("Platform"), QStringLiteral("PlatformVersion"),
                                          QStringLiteral("StackTrace")}));
    EXPECT_EQ(report.value(QStringLiteral("StackTrace")).toString(), QStringLiteral("a  |   b"));
    EXPECT_FALSE(report.value(QStringLiteral("Platform")).toString().isEmpty());
}
