#include "mainwindow/LocationMenuItem.h"

#include "platform/ManualScheduler.h"

#include <gtest/gtest.h>

namespace {

PDNetworkItemPtr location(const QString& title, std::optional<QUrl> flag) {
    PDNetworkItem::Data data;
    data.id = title;
    data.title = title;
    data.flagImage = std::make_shared<PDCacheableImage>(std::move(flag));
    return std::make_shared<PDNetworkItem>(std::move(data));
}

// A flag this test's items alone use, so the shared cache has not decoded it before.
const QUrl kNorway(QStringLiteral("file:///usr/share/iso-flags-svg/country-4x3/no.svg"));

class LocationMenuItemTest : public ::testing::Test {
protected:
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope{scheduler};
    QObject receiver;
    int triggered = 0;
};

} // namespace

TEST_F(LocationMenuItemTest, TheTitleComesAtOnceAndTheFlagLaterAt19By19) {
    std::unique_ptr<QAction> item(
        menuItem(location(QStringLiteral("Norway - Oslo"), kNorway), &receiver, [this] { ++triggered; }));
    EXPECT_EQ(item->text(), QStringLiteral("Norway - Oslo"));
    EXPECT_TRUE(item->icon().isNull()) << "returned before the flag loaded";
    item->trigger();
    EXPECT_EQ(triggered, 1);

    scheduler.runUntilIdle();
    ASSERT_FALSE(item->icon().isNull());
    EXPECT_EQ(item->icon().availableSizes(), QList<QSize>{QSize(19, 19)});
}

TEST_F(LocationMenuItemTest, NoFlagLeavesNoImageAndALateFlagForAGoneItemIsDropped) {
    std::unique_ptr<QAction> bare(menuItem(location(QStringLiteral("Nowhere"), std::nullopt), &receiver, {}));
    QAction* rebuilt = menuItem(location(QStringLiteral("Norway - Bergen"), kNorway), &receiver, {});
    delete rebuilt; // the menu was rebuilt before the flag came
    scheduler.runUntilIdle();
    EXPECT_TRUE(bare->icon().isNull());
    EXPECT_EQ(bare->text(), QStringLiteral("Nowhere"));

    // Once its receiver is gone, an item does nothing.
    auto gone = std::make_unique<QObject>();
    std::unique_ptr<QAction> orphan(
        menuItem(location(QStringLiteral("Norway - Tromsø"), kNorway), gone.get(), [this] { ++triggered; }));
    gone.reset();
    orphan->trigger();
    EXPECT_EQ(triggered, 0);
}
