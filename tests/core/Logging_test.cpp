#include "support/CoreTestSupport.h"

#include "core/ExceptionHandlingObject.h"
#include "core/GlobalConstants.h"
#include "core/Log.h"
#include "platform/ExceptionHandling.h"

#include <QWidget>

using namespace coretest;

// Print -----------------------------------------------------------------------------------------------------

class PrintTest : public ::testing::Test {
protected:
    void TearDown() override { GlobalConstants::isLoggingEnabled = true; }
    sdk::testing::Driver driver;
};

TEST_F(PrintTest, JoinsItemsAndCarriesEachCallersPlace) {
    const int firstLine = __LINE__ + 1;
    vlog::print({"connected to", 3, "networks", true});
    vlog::print({QStringLiteral("a"), QStringLiteral("b")}, QStringLiteral("-"));
    vlog::print("single");

    const auto lines = driver.loggedLines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0].message, "connected to 3 networks true") << "one blank between items, no line break";
    EXPECT_EQ(lines[1].message, "a-b");
    EXPECT_EQ(lines[2].message, "single");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(lines[i].level, VeltrixLogger::Level::info);
        EXPECT_EQ(lines[i].file, "Logging_test.cpp") << "no build folder in the log";
        EXPECT_EQ(lines[i].function, "PrintTest_JoinsItemsAndCarriesEachCallersPlace_Test::TestBody")
            << "the plain name, not the signature";
        EXPECT_EQ(lines[i].line, firstLine + i) << "each call has its own line";
    }
}

namespace {
struct Place {
    template <class T>
    static void fromTemplate(const T&) {
        vlog::info("from a template");
    }
};
} // namespace

TEST_F(PrintTest, LinesFromLambdasAndTemplatesNameThePlainFunction) {
    [] { vlog::warning("from a lambda"); }();
    Place::fromTemplate(std::vector<int>{});
    const auto lines = driver.loggedLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0].function, "PrintTest_LinesFromLambdasAndTemplatesNameThePlainFunction_Test::TestBody");
    EXPECT_TRUE(lines[1].function.startsWith("{anonymous}::Place::fromTemplate"))
        << lines[1].function.toStdString();
    EXPECT_FALSE(lines[1].function.contains(' ')) << lines[1].function.toStdString();
}

TEST_F(PrintTest, WithLoggingOffWritesToStandardOutputWithTheTerminator) {
    GlobalConstants::isLoggingEnabled = false;
    testing::internal::CaptureStdout();
    vlog::print({"one", "two"}, QStringLiteral(", "), QStringLiteral("!\n"));
    vlog::print("three");
    const std::string out = testing::internal::GetCapturedStdout();

    EXPECT_EQ(out, "one, two!\nthree\n");
    EXPECT_TRUE(driver.loggedLines().isEmpty()) << "nothing reaches the logger";
}

// Uncaught exceptions
// -----------------------------------------------------------------------------------------

class ExceptionHandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ExceptionHandlingObject::resetUncaughtExceptionCount();
        ExceptionHandlingObject::setExceptionReportHook([this](const QString& stack, const QString& type) {
            reports.append({stack, type});
        });
    }
    void TearDown() override {
        ExceptionHandlingObject::setExceptionReportHook({});
        ExceptionHandlingObject::resetUncaughtExceptionCount();
        platform::ExceptionHandling::setUncaughtExceptionHandler({});
    }
    QList<std::pair<QString, QString>> reports;
};

TEST_F(ExceptionHandlerTest, ReportsTheJoinedStackAndTypeOfAtMostTenExceptions) {
    platform::ExceptionInfo info;
    info.typeName = QStringLiteral("std::runtime_error");
    info.reason = QStringLiteral("boom");
    info.callStackSymbols = {QStringLiteral("frame0"), QStringLiteral("frame1"), QStringLiteral("frame2")};

    for (int i = 0; i < 12; ++i) {
        ExceptionHandlingObject::handleUncaughtException(info);
    }

    ASSERT_EQ(reports.size(), 10) << "the eleventh and later are not reported";
    EXPECT_EQ(reports.front().first, "frame0  |   frame1  |   frame2");
    EXPECT_EQ(reports.front().second, "std::runtime_error");
    EXPECT_EQ(ExceptionHandlingObject::uncaughtExceptionCount(), 12);
}

TEST_F(ExceptionHandlerTest, WrapperCatchesAndReportsAnExceptionThenReturns) {
    ExceptionHandlingObject object;
    bool after = false;
    object.wrapMainProcessingWithExceptionHandling([] { throw std::runtime_error("inside"); });
    after = true;

    EXPECT_TRUE(after);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports.front().second.contains("runtime_error")) << reports.front().second.toStdString();
}

TEST_F(ExceptionHandlerTest, InstalledHandlerReceivesWhatThePlatformCatches) {
    ExceptionHandlingObject object;
    object.initUncaughtExceptionsHandling();
    EXPECT_FALSE(platform::ExceptionHandling::wrap([] { throw std::logic_error("caught by the platform"); }));
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports.front().second.contains("logic_error"));
}

TEST(BacktraceTest, ReturnsAtMostFiveFramesAndOnlyCapturedOnes) {
    const QStringList frames = ExceptionHandlingObject::backtrace();
    EXPECT_LE(frames.size(), 5);
    for (const QString& frame : frames) {
        EXPECT_FALSE(frame.isEmpty());
    }
}

// Process type and blur
// ---------------------------------------------------------------------------------------

TEST(ProcessTypeTest, ForegroundAndBackgroundSwitchTheActivationPolicy) {
    auto* app = platform::Application::instance();
    ASSERT_NE(app, nullptr);
    ExceptionHandlingObject object;

    EXPECT_TRUE(object.MakeAppBackground());
    EXPECT_EQ(app->activationPolicy(), platform::ActivationPolicy::agent);
    EXPECT_TRUE(object.MakeAppForeground());
    EXPECT_EQ(app->activationPolicy(), platform::ActivationPolicy::regular);
}

TEST(WindowBlurTest, IsUnavailableAndLeavesTheWindowNonOpaque) {
    EXPECT_FALSE(ExceptionHandlingObject::isAvailableCGSSetWindowBackgroundBlurRadius());
    EXPECT_EQ(ExceptionHandlingObject::effectiveBlurRadius(-1), 16);
    EXPECT_EQ(ExceptionHandlingObject::effectiveBlurRadius(8), 8);

    QWidget window;
    ExceptionHandlingObject::showBlurFor(&window, -1);
    EXPECT_TRUE(window.testAttribute(Qt::WA_TranslucentBackground));
    ExceptionHandlingObject::showBlurFor(nullptr, 10); // nothing to do, no crash
}
