#include "toolkit/FlagImageCache.h"

#include "platform/ManualScheduler.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kFrance = QStringLiteral("file:///usr/share/iso-flags-svg/country-4x3/fr.svg");

class FlagImageCacheTest : public ::testing::Test {
protected:
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope{scheduler};
    FlagImageCache cache;
};

TEST_F(FlagImageCacheTest, RequestsForOneFlagShareOneDecodeAndArriveOnTheMainQueue) {
    QObject context;
    QList<QImage> delivered;
    const QSize size(24, 24);
    // Two rows of the same country hold different image objects with the same URL.
    auto first = std::make_shared<PDCacheableImage>(QUrl(kFrance));
    auto second = std::make_shared<PDCacheableImage>(QUrl(kFrance));
    cache.load(first, size, &context, [&](const QImage& image) { delivered << image; });
    cache.load(second, size, &context, [&](const QImage& image) { delivered << image; });
    cache.load(kFrance, size, &context, [&](const QImage& image) { delivered << image; });
    EXPECT_TRUE(delivered.isEmpty());
    EXPECT_FALSE(cache.cached(kFrance, size));

    scheduler.runUntilIdle();
    ASSERT_EQ(delivered.size(), 3);
    EXPECT_EQ(cache.decodeCount(), 1);
    EXPECT_EQ(delivered[0].size(), size);
    ASSERT_TRUE(cache.cached(kFrance, size));
    EXPECT_EQ(*cache.cached(kFrance, size), delivered[0]);

    // The 4:3 flag covers the square: opaque at the corners, blue on the left, red on the right.
    const QImage& flag = delivered[0];
    EXPECT_EQ(qAlpha(flag.pixel(0, 0)), 255);
    EXPECT_EQ(qAlpha(flag.pixel(23, 23)), 255);
    EXPECT_GT(qBlue(flag.pixel(1, 12)), qRed(flag.pixel(1, 12)));
    EXPECT_GT(qRed(flag.pixel(22, 12)), qBlue(flag.pixel(22, 12)));

    // Known flags are answered without a decode, still on the main queue; another size decodes anew.
    cache.load(kFrance, size, &context, [&](const QImage& image) { delivered << image; });
    EXPECT_EQ(delivered.size(), 3);
    scheduler.runUntilIdle();
    EXPECT_EQ(delivered.size(), 4);
    cache.load(kFrance, QSize(48, 48), &context, [&](const QImage& image) { delivered << image; });
    scheduler.runUntilIdle();
    EXPECT_EQ(cache.decodeCount(), 2);
    EXPECT_EQ(delivered.last().size(), QSize(48, 48));
}

TEST_F(FlagImageCacheTest, ADeliveryForAGoneContextIsDropped) {
    int calls = 0;
    auto context = std::make_unique<QObject>();
    cache.load(kFrance, QSize(20, 20), context.get(), [&](const QImage&) { ++calls; });
    context.reset();
    scheduler.runUntilIdle();
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(cache.cached(kFrance, QSize(20, 20)));
}

TEST_F(FlagImageCacheTest, BrokenOrMissingFlagsGiveNoImageAndAreNeverDecodedAgain) {
    QTemporaryDir dir;
    const QString brokenPath = dir.filePath(QStringLiteral("xx.svg"));
    QFile broken(brokenPath);
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("<svg><rect width='10'");
    broken.close();
    const QString missing = QStringLiteral("file:///nowhere/zz.svg");

    QList<QImage> delivered;
    for (int round = 0; round < 3; ++round) {
        cache.load(brokenPath, QSize(20, 20), nullptr, [&](const QImage& image) { delivered << image; });
        cache.load(missing, QSize(20, 20), nullptr, [&](const QImage& image) { delivered << image; });
        scheduler.runUntilIdle();
    }
    ASSERT_EQ(delivered.size(), 6);
    for (const QImage& image : delivered) {
        EXPECT_TRUE(image.isNull());
    }
    EXPECT_EQ(cache.decodeCount(), 2);
    ASSERT_TRUE(cache.cached(missing, QSize(20, 20)));
    EXPECT_TRUE(cache.cached(missing, QSize(20, 20))->isNull());

    // No URL at all: a null image, without a decode.
    bool answered = false;
    cache.load(std::make_shared<PDCacheableImage>(std::nullopt), QSize(20, 20), nullptr,
               [&](const QImage& image) { answered = image.isNull(); });
    scheduler.runUntilIdle();
    EXPECT_TRUE(answered);
    EXPECT_EQ(cache.decodeCount(), 2);
}

} // namespace
