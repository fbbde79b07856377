// The library on its own thread, as in the client: callers on several threads at once, the flags changed
// meanwhile, and the manager released while its thread works.
#include "remotelog/RLLoggerManager.h"
#include "support/RemoteLogService.h"

#include "platform/UserDefaults.h"

#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

using namespace remotelog;

TEST(RLLoggerThreads, LinesFromManyThreadsArriveOnceEachWhileTheFlagsChange) {
    QTemporaryDir home;
    platform::UserDefaults defaults(home.filePath(QStringLiteral("defaults.ini")));
    remotelogtest::Service service;
    auto manager = RLLoggerManager::initWithAppToken(
        QStringLiteral("key"), QStringLiteral("device"),
        {home.filePath(QStringLiteral("store")), service.base(), &defaults, std::chrono::seconds(5)});
    ASSERT_TRUE(remotelogtest::waitFor(nullptr, [&] { return service.count("session") == 1; }));

    constexpr int threads = 4;
    constexpr int linesEach = 500;
    std::vector<std::thread> callers;
    for (int t = 0; t < threads; ++t) {
        callers.emplace_back([&, t] {
            for (int i = 0; i < linesEach; ++i) {
                RLLogEntry entry;
                entry.text = QStringLiteral("%1/%2").arg(t).arg(i);
                manager->processLog(std::move(entry));
                if (i % 100 == 50) {
                    manager->setForceEnabled(i % 200 == 50);
                }
            }
        });
    }
    for (auto& caller : callers) {
        caller.join();
    }
    manager->forceSendOnce();

    QSet<QString> received;
    ASSERT_TRUE(remotelogtest::waitFor(
        nullptr,
        [&] {
            const QStringList texts = service.loggedTexts();
            received = QSet<QString>(texts.begin(), texts.end());
            return received.size() >= threads * linesEach;
        },
        20000))
        << received.size();
    EXPECT_EQ(service.loggedTexts().size(), threads * linesEach) << "each line once";
    EXPECT_EQ(manager->droppedEntries(), 0u);

    // Released while its thread may still be busy: no crash, no wait without end.
    manager->forceSendOnce();
    manager.reset();
}
