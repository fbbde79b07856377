#include "platform/ManualScheduler.h"
#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <optional>
#include <thread>
#include <vector>

using namespace platform;
using namespace std::chrono_literals;

TEST(NotificationCenter, DeliversByNameAndSenderOnThePostingThread) {
    NotificationCenter center;
    const int senderA = 0, senderB = 0;
    std::vector<std::string> calls;
    std::optional<Notification> last;
    auto anySender = center.addObserver("tickTimeUpdated", nullptr, [&](const Notification& n) {
        calls.push_back("any");
        last = n;
    });
    auto fromA =
        center.addObserver("tickTimeUpdated", &senderA, [&](const Notification&) { calls.push_back("A"); });
    auto other = center.addObserver("settingsUpdated", nullptr,
                                    [&](const Notification&) { calls.push_back("other"); });

    center.post("tickTimeUpdated", &senderB, {{"timeConnected", "00:00:01"}});
    EXPECT_EQ(calls, std::vector<std::string>{"any"});
    ASSERT_TRUE(last);
    EXPECT_EQ(last->object, &senderB);
    EXPECT_EQ(last->userInfo.value("timeConnected"), QVariant("00:00:01"));

    calls.clear();
    center.post("tickTimeUpdated", &senderA);
    EXPECT_EQ(calls, (std::vector<std::string>{"any", "A"})) << "in the order the observers were added";

    std::thread::id ranOn;
    auto threadCheck = center.addObserver("fromThread", nullptr,
                                          [&](const Notification&) { ranOn = std::this_thread::get_id(); });
    std::thread::id poster;
    std::thread([&] {
        poster = std::this_thread::get_id();
        center.post("fromThread");
    }).join();
    EXPECT_EQ(ranOn, poster);
}

TEST(NotificationCenter, AnObserverWithAQueueIsCalledThereAndNotAfterItsTokenIsGone) {
    ManualScheduler scheduler;
    ScopedScheduler use(scheduler);
    NotificationCenter center;
    int calls = 0;
    auto token = center.addObserver(
        "settingsUpdated", nullptr, [&](const Notification&) { ++calls; }, &DispatchQueue::main());
    center.post("settingsUpdated");
    EXPECT_EQ(calls, 0);
    scheduler.runUntilIdle();
    EXPECT_EQ(calls, 1);

    center.post("settingsUpdated");
    token.reset();
    scheduler.runUntilIdle();
    EXPECT_EQ(calls, 1) << "a queued delivery of a removed observer is dropped";
}

TEST(NotificationCenter, TokensOwnTheirObservation) {
    NotificationCenter center;
    int calls = 0;
    auto count = [&](const Notification&) { ++calls; };
    {
        ObserverToken scoped = center.addObserver("n", nullptr, count);
        EXPECT_EQ(center.observerCount(), 1u);
    }
    EXPECT_EQ(center.observerCount(), 0u);

    ObserverToken moved = center.addObserver("n", nullptr, count);
    ObserverToken holder = std::move(moved);
    EXPECT_FALSE(moved.isActive());
    center.post("n");
    EXPECT_EQ(calls, 1) << "moving a token keeps the observation";

    holder = center.addObserver("other", nullptr, count);
    EXPECT_EQ(center.observerCount(), 1u) << "assigning over a token removes its old observer";
    center.post("n");
    EXPECT_EQ(calls, 1);
    holder.reset();
    holder.reset();
    EXPECT_EQ(center.observerCount(), 0u);

    ObserverToken outlives;
    {
        NotificationCenter shortLived;
        outlives = shortLived.addObserver("n", nullptr, count);
    }
    outlives.reset(); // its centre is gone: nothing to remove, nothing to crash
}

TEST(NotificationCenter, ObserversMayChangeTheObserversDuringAPost) {
    NotificationCenter center;
    std::vector<std::string> calls;
    ObserverToken second, self, added;
    auto first = center.addObserver("n", nullptr, [&](const Notification&) {
        calls.push_back("first");
        second.reset(); // removes an observer still to be called by this post
        if (!added.isActive()) {
            added = center.addObserver("n", nullptr, [&](const Notification&) { calls.push_back("added"); });
        }
    });
    second = center.addObserver("n", nullptr, [&](const Notification&) { calls.push_back("second"); });
    self = center.addObserver("n", nullptr, [&](const Notification&) {
        calls.push_back("self");
        self.reset();
        center.post("nested");
    });
    auto nested =
        center.addObserver("nested", nullptr, [&](const Notification&) { calls.push_back("nested"); });

    center.post("n");
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "self", "nested"}));
    calls.clear();
    center.post("n");
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "added"}));
}

TEST(NotificationCenter, RemovalWaitsForACallInProgressOnAnotherThread) {
    NotificationCenter center;
    std::atomic<bool> entered{false}, release{false};
    std::atomic<int> calls{0};
    auto token = center.addObserver("n", nullptr, [&](const Notification&) {
        ++calls;
        entered = true;
        while (!release) {
            std::this_thread::sleep_for(1ms);
        }
    });
    std::thread poster([&] { center.post("n"); });
    while (!entered) {
        std::this_thread::sleep_for(1ms);
    }
    auto removal = std::async(std::launch::async, [&] { token.reset(); });
    EXPECT_EQ(removal.wait_for(30ms), std::future_status::timeout) << "removal returned while the block ran";
    release = true;
    removal.get();
    poster.join();
    center.post("n");
    EXPECT_EQ(calls, 1);
}

TEST(NotificationCenter, NoCallAfterRemovalUnderConcurrentPosts) {
    NotificationCenter center;
    std::atomic<bool> stop{false};
    std::atomic<int> lateCalls{0}, calls{0};
    std::vector<std::thread> posters;
    for (int i = 0; i < 3; ++i) {
        posters.emplace_back([&] {
            while (!stop) {
                center.post("n");
            }
        });
    }
    for (int round = 0; round < 300; ++round) {
        auto removed = std::make_shared<std::atomic<bool>>(false);
        ObserverToken token =
            center.addObserver("n", nullptr, [&calls, &lateCalls, removed](const Notification&) {
                ++calls;
                if (*removed) {
                    ++lateCalls;
                }
            });
        std::this_thread::sleep_for(50us);
        token.reset();
        *removed = true;
    }
    stop = true;
    for (auto& poster : posters) {
        poster.join();
    }
    EXPECT_GT(calls, 0);
    EXPECT_EQ(lateCalls, 0);
}
