#include "platform/ExceptionHandling.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace platform;

namespace {

struct NotAStdException {};

class ThrowingObject : public QObject {
public:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) {
            throw std::logic_error("bad state");
        }
        return QObject::event(event);
    }
};

class ExceptionHandlingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ExceptionHandling::setUncaughtExceptionHandler(
            [this](const ExceptionInfo& info) { reported.push_back(info); });
    }
    void TearDown() override { ExceptionHandling::setUncaughtExceptionHandler({}); }

    std::vector<ExceptionInfo> reported;
};

} // namespace

TEST_F(ExceptionHandlingTest, ExceptionInAnEventHandlerIsReportedAndTheApplicationGoesOn) {
    QObject receiver;
    bool ranAfter = false;
    QMetaObject::invokeMethod(
        &receiver, [] { throw std::runtime_error("queued boom"); }, Qt::QueuedConnection);
    QMetaObject::invokeMethod(
        &receiver, [&] { ranAfter = true; }, Qt::QueuedConnection);
    QCoreApplication::processEvents();

    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].typeName, "std::runtime_error");
    EXPECT_EQ(reported[0].reason, "queued boom");
    EXPECT_FALSE(reported[0].callStackSymbols.isEmpty());
    EXPECT_FALSE(reported[0].stackText("  |   ").isEmpty());
    EXPECT_TRUE(ranAfter);

    // A synchronous send fails the same way and reports it.
    ThrowingObject thrower;
    QEvent event(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&thrower, &event));
    ASSERT_EQ(reported.size(), 2u);
    EXPECT_EQ(reported[1].typeName, "std::logic_error");
    EXPECT_EQ(reported[1].reason, "bad state");
}

TEST_F(ExceptionHandlingTest, WrapCatchesAnyExceptionAndCarriesOn) {
    EXPECT_TRUE(ExceptionHandling::wrap([] {}));
    EXPECT_TRUE(reported.empty());

    EXPECT_FALSE(ExceptionHandling::wrap([] { throw NotAStdException{}; }));
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_TRUE(reported[0].typeName.contains("NotAStdException")) << reported[0].typeName.toStdString();
    EXPECT_TRUE(reported[0].reason.isEmpty());

    // A handler that throws itself is contained.
    ExceptionHandling::setUncaughtExceptionHandler(
        [](const ExceptionInfo&) { throw std::runtime_error("again"); });
    EXPECT_FALSE(ExceptionHandling::wrap([] { throw std::runtime_error("first"); }));
}

TEST_F(ExceptionHandlingTest, CallStackSymbolsSkipsTheCallersFrames) {
    const QStringList all = ExceptionHandling::callStackSymbols();
    const QStringList skipped = ExceptionHandling::callStackSymbols(2);
    ASSERT_GT(all.size(), 3);
    EXPECT_EQ(skipped.size(), all.size() - 2);
    EXPECT_TRUE(ExceptionHandling::callStackSymbols(100000).isEmpty());
}

TEST(ExceptionHandlingDeathTest, ExceptionReachingTerminateIsReportedThenAborts) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            ExceptionHandling::setUncaughtExceptionHandler([](const ExceptionInfo& info) {
                std::fprintf(stderr, "reported %s: %s, %d frames\n", qPrintable(info.typeName),
                             qPrintable(info.reason), static_cast<int>(info.callStackSymbols.size()));
            });
            std::thread([] { throw std::out_of_range("no such index"); }).join();
        },
        "reported std::out_of_range: no such index, [1-9][0-9]* frames");
}
