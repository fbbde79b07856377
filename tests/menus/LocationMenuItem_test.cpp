#include "menus/LocationMenuItem.h"

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
const QUrl kDenmark(QStringLiteral("file:///usr/share/iso-flags-svg/country-4x3/dk.svg"));

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

TEST_F(LocationMenuItemTest, OnADenseScreenTheFlagIsDecodedAtItsPixelsNotScaledUp) {
    for (const qreal ratio : {1.0, 2.0, 3.0}) {
        QAction item;
        showLocation(&item, location(QStringLiteral("Norway"), kNorway), ratio);
        scheduler.runUntilIdle();
        const int pixels = qRound(menuItemFlagSize * ratio);
        const QPixmap flag = item.icon().pixmap(QSize(menuItemFlagSize, menuItemFlagSize), ratio);
        EXPECT_EQ(flag.size(), QSize(pixels, pixels)) << ratio;
        EXPECT_EQ(flag.deviceIndependentSize(), QSizeF(menuItemFlagSize, menuItemFlagSize)) << ratio;
        EXPECT_EQ(item.icon().availableSizes(), QList<QSize>{QSize(pixels, pixels)})
            << ratio << " decoded once";
    }
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

TEST_F(LocationMenuItemTest, AnItemGivenAnotherNetworkDropsTheFlagStillOnItsWayForTheFirst) {
    std::unique_ptr<QAction> item(menuItem(location(QStringLiteral("Denmark"), kDenmark), &receiver, {}));
    showLocation(item.get(), location(QStringLiteral("Nowhere"), std::nullopt));
    scheduler.runUntilIdle();
    EXPECT_EQ(item->text(), QStringLiteral("Nowhere"));
    EXPECT_TRUE(item->icon().isNull());

    showLocation(item.get(), location(QStringLiteral("Denmark"), kDenmark)); // decoded by now: at once
    EXPECT_FALSE(item->icon().isNull());
}

TEST(MenuTitle, WorkspaceTextsCannotMarkMnemonicsOpenTheShortcutColumnOrRunOn) {
    EXPECT_EQ(menuTitle(QStringLiteral("R&D")), QStringLiteral("R&&D"));
    EXPECT_EQ(menuTitle(QStringLiteral("Berlin\tOffice\nWest\r\u2028")),
              QStringLiteral("Berlin Office West  "));

    const QString fits(menuTitleLimit, QLatin1Char('a'));
    EXPECT_EQ(menuTitle(fits), fits);
    const QString elided = menuTitle(fits + QLatin1Char('b'));
    EXPECT_EQ(elided.size(), menuTitleLimit);
    EXPECT_TRUE(elided.endsWith(QChar(0x2026)));
    // The cut falls inside an emoji: the whole character goes.
    const QString emoji = QString(menuTitleLimit - 2, QLatin1Char('a')) +
                          QString::fromUtf8("\xF0\x9F\x8C\x8D") + QStringLiteral("tail");
    EXPECT_EQ(menuTitle(emoji), QString(menuTitleLimit - 2, QLatin1Char('a')) + QChar(0x2026));
    // The mnemonic escape comes after the cut, so an ampersand at the end is never half escaped.
    EXPECT_EQ(menuTitle(QString(menuTitleLimit - 2, QLatin1Char('a')) + QStringLiteral("&&&")),
              QString(menuTitleLimit - 2, QLatin1Char('a')) + QStringLiteral("&&") + QChar(0x2026));

    PDNetworkItem::Data data;
    data.id = QStringLiteral("rd");
    data.title = QStringLiteral("R&D");
    std::unique_ptr<QAction> item(menuItem(std::make_shared<PDNetworkItem>(data), nullptr, {}));
    EXPECT_EQ(item->text(), QStringLiteral("R&&D"));
}
