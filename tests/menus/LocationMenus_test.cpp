// The Dock menu (the tray's context menu) and its menu-style twin for the status item, read through their
// QAction lists: no menu is ever popped up.
#include "core/LocalizedStrings.h"
#include "menus/DockMenuBarController.h"
#include "menus/MenusTestSupport.h"
#include "menus/StatusItemController.h"
#include "menus/StatusItemMenuController.h"

#include "platform/StatusBar.h"
#include "toolkit/FlagImageCache.h"

#include <QDBusConnection>
#include <QSignalSpy>
#include <QTime>

#include <functional>

using namespace menus_test;

namespace {

// Lists and flags a test sets directly.
class ListsDataSource : public MenuControllerDataSource {
public:
    bool agent = false;
    bool alwaysOn = false;
    bool forcedUpgrade = false;
    PDNetworkItemPtr current;
    QList<PDNetworkItemPtr> publicList, privateList, favorites, grouped;

    bool isAppInUserAgentMode() const override { return agent; }
    bool isDisconnectAllowed() const override { return !alwaysOn; }
    bool isInForcedUpgradeState() const override { return forcedUpgrade; }
    PDNetworkItemPtr currentNetwork() const override { return current; }
    QList<PDNetworkItemPtr> publicLocations() const override { return publicList; }
    QList<PDNetworkItemPtr> privateLocations() const override { return privateList; }
    QList<PDNetworkItemPtr> favoriteLocations() const override { return favorites; }
    QList<PDNetworkItemPtr> groupedLocations() const override { return grouped; }
};

PDNetworkItemPtr flagged(const QString& id, const QString& country) {
    PDNetworkItem::Data data;
    data.id = id;
    data.title = id;
    data.flagImage = std::make_shared<PDCacheableImage>(
        QUrl(QStringLiteral("file:///usr/share/iso-flags-svg/country-4x3/%1.svg").arg(country)));
    return std::make_shared<PDNetworkItem>(data);
}

QStringList texts(const QList<QAction*>& items) {
    QStringList result;
    for (const QAction* item : items) {
        result << (item->isSeparator() ? QStringLiteral("---") : item->text());
    }
    return result;
}

QStringList visibleTexts(const QMenu* menu) {
    QList<QAction*> shown;
    for (QAction* item : menu->actions()) {
        if (item->isVisible()) {
            shown << item;
        }
    }
    return texts(shown);
}

// The items of `menu` between `after` and `before` (both excluded).
QList<QAction*> between(const QMenu* menu, const QAction* after, const QAction* before) {
    const QList<QAction*> all = menu->actions();
    const qsizetype from = all.indexOf(after);
    const qsizetype to = all.indexOf(before);
    return from < 0 || to < from ? QList<QAction*>() : all.mid(from + 1, to - from - 1);
}

bool allEnabled(const QList<QAction*>& items, bool enabled) {
    return std::ranges::all_of(items,
                               [enabled](const QAction* item) { return item->isEnabled() == enabled; });
}

class DockMenuTest : public MenusTest {
protected:
    ListsDataSource lists;
    DockMenuBarController dock{&lists, &actions};
    QList<QMenu*> announced;

    void SetUp() override {
        dock.setDockMenuChanged([this](QMenu* menu) { announced << menu; });
    }
    QMenu* signedIn() const { return dock.dockMenuForLoggedInState(); }
    QList<QAction*> locationItems() const {
        QList<QAction*> items = dock.groupedLocationItems();
        for (QMenu* list : {dock.publicListItem(), dock.privateListItem(), dock.favoritesListItem()}) {
            items += list->actions();
        }
        return items;
    }
};

} // namespace

TEST_F(DockMenuTest, StartsSignedOutAndSwitchesMenusWithTheSignInState) {
    ASSERT_EQ(dock.dockMenu(), dock.dockMenuForLoggedOutState());
    EXPECT_EQ(visibleTexts(dock.dockMenu()), QStringList{"Sign In"});
    EXPECT_EQ(visibleTexts(signedIn()), (QStringList{"Connect", "---", "Connected to -----",
                                                     "IP address: -----", "Time Connected: -----", "---",
                                                     "---", "Support", "Settings", "Minimize", "Sign Out"}));
    for (QAction* line : {dock.connectedItem(), dock.ipItem(), dock.timeConnectedItem()}) {
        EXPECT_FALSE(line->isEnabled()) << line->text().toStdString();
    }

    dock.setLoggedInState();
    dock.setLoggedInState(); // no switch, no news
    EXPECT_EQ(dock.dockMenu(), signedIn());
    dock.setLoggedOutState();
    EXPECT_EQ(dock.dockMenu(), dock.dockMenuForLoggedOutState());
    EXPECT_EQ(announced, (QList<QMenu*>{signedIn(), dock.dockMenuForLoggedOutState()}));

    dock.signInItem()->trigger();
    EXPECT_EQ(actions.calls, QStringList{"signIn"});
}

TEST_F(DockMenuTest, TheConnectionLooksFollowAlwaysOn) {
    struct Row {
        void (DockMenuBarController::*look)();
        bool alwaysOn;
        const char* title;
        bool enabled;
    };
    const Row rows[] = {
        {&DockMenuBarController::setDisconnectedState, false, "Connect", true},
        {&DockMenuBarController::setDisconnectedState, true, "Connect", false},
        {&DockMenuBarController::setUpgradeState, false, "Upgrade", true},
        {&DockMenuBarController::setUpgradeState, true, "Upgrade", true},
        {&DockMenuBarController::setConnectingState, false, "Disconnect", true},
        {&DockMenuBarController::setConnectingState, true, "Disconnect", false},
        {&DockMenuBarController::setConnectedState, false, "Disconnect", true},
        {&DockMenuBarController::setConnectedState, true, "Disconnect", false},
    };
    for (const Row& row : rows) {
        lists.alwaysOn = row.alwaysOn;
        (dock.*row.look)();
        EXPECT_EQ(dock.connectItem()->text(), QString::fromLatin1(row.title));
        EXPECT_EQ(dock.connectItem()->isEnabled(), row.enabled) << row.title << " always-on " << row.alwaysOn;
    }
    // Once Always-On is off again the disconnected look offers a working "Connect".
    lists.alwaysOn = false;
    dock.setDisconnectedState();
    EXPECT_TRUE(dock.connectItem()->isEnabled());
}

TEST_F(DockMenuTest, TheInformationLinesShowTheConnectionAndItsPlaceholders) {
    dock.setConnectedState();
    EXPECT_EQ(dock.connectedItem()->text(), QStringLiteral("Connected to N/A"));
    lists.current = network(QStringLiteral("R&D\tLab"));
    dock.setConnectedState();
    EXPECT_EQ(dock.connectedItem()->text(), QStringLiteral("Connected to R&&D Lab"));
    dock.updateIPAddress(std::make_shared<PDPublicIPInfo>(QStringLiteral("203.0.113.9")));
    dock.updateTimeConnected(QStringLiteral("00:01:02"));
    EXPECT_EQ(dock.ipItem()->text(), QStringLiteral("IP address: 203.0.113.9"));
    EXPECT_EQ(dock.ipItem()->text(), L10n::menu_bar_menu_IP_address_label() + QStringLiteral("203.0.113.9"))
        << "the address follows the label directly";
    EXPECT_EQ(dock.timeConnectedItem()->text(), QStringLiteral("Time Connected: 00:01:02"));
    dock.setConnectingState(); // a reconnect keeps what it showed
    EXPECT_EQ(dock.connectedItem()->text(), QStringLiteral("Connected to R&&D Lab"));

    dock.setDisconnectedState();
    EXPECT_EQ(texts({dock.connectedItem(), dock.ipItem(), dock.timeConnectedItem()}),
              (QStringList{"Connected to -----", "IP address: -----", "Time Connected: -----"}));
    EXPECT_FALSE(dock.connectedItem()->isEnabled());
}

TEST_F(DockMenuTest, TheClosedMenuTakesTheTimeConnectedOnceAMinuteAndTheLatestWhenShown) {
    dock.setConnectedState();
    int second = 0;
    auto clock = [&](int seconds) {
        for (int i = 0; i < seconds; ++i) {
            scheduler.advance(1.0);
            ++second;
            dock.updateTimeConnected(QTime(0, 0).addSecs(second).toString(QStringLiteral("HH:mm:ss")));
        }
    };
    QSignalSpy changes(dock.timeConnectedItem(), &QAction::changed);
    auto line = [this] { return dock.timeConnectedItem()->text(); };

    clock(1);
    EXPECT_EQ(line(), QStringLiteral("Time Connected: 00:00:01")) << "the first time shows at once";
    clock(119);
    EXPECT_EQ(changes.count(), 2) << "closed, the line changes once a minute";
    EXPECT_EQ(line(), QStringLiteral("Time Connected: 00:01:01"));

    struct Way {
        const char* name;
        std::function<void()> act;
    };
    const Way ways[] = {
        {"the host asks to show the menu", [this] { emit signedIn()->aboutToShow(); }},
        {"the connection look changes", [this] { dock.setConnectingState(); }},
        {"connected again", [this] { dock.setConnectedState(); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        clock(5);
        EXPECT_NE(line(),
                  QStringLiteral("Time Connected: ") + QTime(0, 0).addSecs(second).toString("HH:mm:ss"));
        way.act();
        EXPECT_EQ(line(),
                  QStringLiteral("Time Connected: ") + QTime(0, 0).addSecs(second).toString("HH:mm:ss"));
    }

    // Disconnected, the placeholder stays: a time held back is not shown later.
    dock.setDisconnectedState();
    emit signedIn()->aboutToShow();
    EXPECT_EQ(line(), QStringLiteral("Time Connected: -----"));
}

TEST_F(DockMenuTest, GroupedLocationsStandDirectlyBelowTheConnectionDetailsOncePerLocation) {
    lists.grouped = {network("Berlin"), network("Oslo"), network("Partners", PDNetworkKind::sharedNetwork)};
    dock.updateGroupedLocations();
    dock.updateGroupedLocations();
    EXPECT_EQ(texts(between(signedIn(), dock.connectedSeparator(), dock.topSeparator())),
              (QStringList{"Berlin", "Oslo", "Partners"}));
    EXPECT_TRUE(dock.topSeparator()->isVisible());

    dock.groupedLocationItems().at(1)->trigger();
    EXPECT_EQ(actions.calls, QStringList{"didSelectLocation Oslo"});

    const QPointer<QAction> last = dock.groupedLocationItems().last();
    lists.grouped = {network("Oslo")};
    dock.updateGroupedLocations();
    EXPECT_EQ(texts(between(signedIn(), dock.connectedSeparator(), dock.topSeparator())),
              QStringList{"Oslo"});
    EXPECT_TRUE(last.isNull()) << "items no longer needed are deleted";
    dock.groupedLocationItems().first()->trigger();
    EXPECT_EQ(actions.calls, (QStringList{"didSelectLocation Oslo", "didSelectLocation Oslo"}));

    lists.grouped.clear();
    dock.updateGroupedLocations();
    EXPECT_TRUE(between(signedIn(), dock.connectedSeparator(), dock.topSeparator()).isEmpty());
    EXPECT_FALSE(dock.topSeparator()->isVisible());
    lists.grouped = {network("Berlin")};
    dock.updateGroupedLocations();
    EXPECT_TRUE(dock.topSeparator()->isVisible()) << "the separator returns with the locations";
}

TEST_F(DockMenuTest, SubmenusHideWhenEmptyAndAForcedUpgradeDisablesEveryLocation) {
    lists.publicList = {network("Paris", PDNetworkKind::publicLocation)};
    lists.privateList = {network("Berlin")};
    lists.grouped = {network("Berlin")};
    dock.updateLocationLists();
    dock.updateGroupedLocations();
    EXPECT_TRUE(dock.publicHeaderItem()->isVisible());
    EXPECT_TRUE(dock.privateHeaderItem()->isVisible());
    EXPECT_FALSE(dock.favoritesHeaderItem()->isVisible());
    EXPECT_TRUE(dock.favoritesListItem()->actions().isEmpty());

    lists.favorites = {network("Paris", PDNetworkKind::publicLocation)};
    dock.updateLocationLists();
    EXPECT_TRUE(dock.favoritesHeaderItem()->isVisible());
    EXPECT_EQ(texts(dock.favoritesListItem()->actions()), QStringList{"Paris"});

    lists.forcedUpgrade = true;
    dock.updateLocationLists();
    dock.updateGroupedLocations();
    ASSERT_EQ(locationItems().size(), 4);
    EXPECT_TRUE(allEnabled(locationItems(), false));
    lists.forcedUpgrade = false;
    dock.updateLocationLists();
    dock.updateGroupedLocations();
    EXPECT_TRUE(allEnabled(locationItems(), true));
}

TEST_F(DockMenuTest, CommandsReachTheDelegateAndStrangeSendersAreIgnored) {
    dock.setUpgradeState();
    dock.connectItem()->trigger(); // "Upgrade"
    dock.setDisconnectedState();
    dock.connectItem()->trigger();
    dock.setConnectedState();
    dock.connectItem()->trigger(); // "Disconnect"
    for (QAction* item : {dock.supportItem(), dock.settingsItem(), dock.minimizeItem(), dock.signOutItem()}) {
        item->trigger();
    }
    QAction plain(QStringLiteral("Berlin"));
    QObject notAnItem;
    dock.onLocationItemSelected(&plain);
    dock.onLocationItemSelected(&notAnItem);
    dock.onLocationItemSelected(nullptr);
    EXPECT_EQ(actions.calls, (QStringList{"connect", "connect", "connect", "openSupport", "openSettings",
                                          "minimize", "signOut"}));
}

TEST_F(DockMenuTest, ARebuildWhileFlagsLoadGivesTheNewItemsTheirFlagsDecodedOnce) {
    lists.grouped = {flagged("Stockholm", "se"), flagged("Helsinki", "fi"), network("No flag")};
    const int decodesBefore = FlagImageCache::shared().decodeCount();
    dock.updateGroupedLocations();
    dock.updateGroupedLocations(); // before any flag arrived
    scheduler.runUntilIdle();
    dock.updateGroupedLocations(); // flags at hand now
    scheduler.runUntilIdle();
    const QList<QAction*> items = dock.groupedLocationItems();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0]->icon().availableSizes(), QList<QSize>{QSize(19, 19)});
    EXPECT_FALSE(items[1]->icon().isNull());
    EXPECT_TRUE(items[2]->icon().isNull());
    EXPECT_EQ(FlagImageCache::shared().decodeCount() - decodesBefore, 2);
}

namespace {

class StatusItemMenuTest : public MenusTest {
protected:
    ListsDataSource lists;
    StatusItemMenuController menu{&lists, &actions};

    QMenu* signedIn() const { return menu.statusItemMenuForLoggedInState(); }
    // The separators of the signed-in menu that the controller added itself.
    QList<QAction*> ownSeparators() const {
        const QList<QAction*> outlets{menu.connectSeparator(),          menu.connectedSeparator(),
                                      menu.disconnectSeparator(),       menu.topSeparator(),
                                      menu.groupedLocationsSeparator(), menu.showSeparator(),
                                      menu.settingsSeparator()};
        QList<QAction*> own;
        for (QAction* item : signedIn()->actions()) {
            if (item->isSeparator() && !outlets.contains(item)) {
                own << item;
            }
        }
        return own;
    }
    qsizetype indexOf(const QAction* item) const { return signedIn()->actions().indexOf(item); }
};

} // namespace

TEST_F(StatusItemMenuTest, GroupedLocationsKeepOneSeparatorOfTheirOwnOverUpdates) {
    lists.grouped = {network("Berlin"), network("Oslo")};
    for (int update = 0; update < 3; ++update) {
        menu.updateGroupedLocations();
    }
    const QList<QAction*> items = menu.groupedLocationItems();
    EXPECT_EQ(texts(items), (QStringList{"Berlin", "Oslo"}));
    ASSERT_EQ(ownSeparators().size(), 1);
    EXPECT_EQ(indexOf(ownSeparators().first()), indexOf(items.first()) - 1);
    EXPECT_EQ(indexOf(menu.disconnectSeparator()), indexOf(items.last()) + 1);
    EXPECT_TRUE(menu.disconnectSeparator()->isVisible());

    lists.grouped.clear();
    menu.updateGroupedLocations();
    menu.updateGroupedLocations();
    EXPECT_TRUE(menu.groupedLocationItems().isEmpty());
    ASSERT_EQ(ownSeparators().size(), 1);
    EXPECT_EQ(indexOf(ownSeparators().first()), indexOf(menu.disconnectSeparator()) - 1);
    EXPECT_TRUE(ownSeparators().first()->isVisible());
    EXPECT_FALSE(menu.disconnectSeparator()->isVisible()) << "one visible separator stands there";
}

TEST_F(StatusItemMenuTest, LooksShowOneCommandAndApplyEnabledStatesAfterThePass) {
    EXPECT_TRUE(menu.connectItem()->isVisible());
    EXPECT_EQ(menu.connectItem()->text(), QStringLiteral("Connect"));
    EXPECT_FALSE(menu.disconnectItem()->isVisible());
    EXPECT_FALSE(menu.connectedItem()->isVisible());
    EXPECT_FALSE(menu.ipItem()->isVisible());

    lists.alwaysOn = true;
    lists.current = network("Berlin");
    menu.setConnectedState();
    EXPECT_FALSE(menu.connectItem()->isVisible());
    EXPECT_TRUE(menu.disconnectItem()->isVisible());
    EXPECT_TRUE(menu.disconnectItem()->isEnabled()) << "until the queued block runs";
    scheduler.runUntilIdle();
    EXPECT_FALSE(menu.disconnectItem()->isEnabled());
    for (QAction* line : {menu.connectedItem(), menu.ipItem(), menu.timeConnectedItem()}) {
        EXPECT_TRUE(line->isVisible());
        EXPECT_FALSE(line->isEnabled());
    }
    EXPECT_EQ(menu.connectedItem()->text(), QStringLiteral("Connected to Berlin"));

    lists.alwaysOn = false;
    menu.setConnectingState();
    scheduler.runUntilIdle();
    EXPECT_TRUE(menu.disconnectItem()->isEnabled());
    EXPECT_FALSE(menu.connectedItem()->isVisible());

    menu.setUpgradeState();
    EXPECT_EQ(menu.connectItem()->text(), QStringLiteral("Update required"));
    menu.connectItem()->trigger();
    menu.disconnectItem()->trigger();
    EXPECT_EQ(actions.calls, (QStringList{"connect", "connect"}));
}

TEST_F(StatusItemMenuTest, AgentModeShowsTheApplicationItemAndForcedUpgradesDisableLocations) {
    EXPECT_FALSE(menu.showItem()->isVisible());
    EXPECT_FALSE(menu.showSeparator()->isVisible());
    lists.agent = true;
    menu.updateShowApplicationItem();
    EXPECT_TRUE(menu.showItem()->isVisible());
    EXPECT_TRUE(menu.showSeparator()->isVisible());
    menu.showItem()->trigger();
    menu.statusItemMenuForLoggedOutState()->actions().value(0)->trigger();
    EXPECT_EQ(actions.calls, (QStringList{"showApplication", "signIn"}));

    lists.forcedUpgrade = true;
    lists.privateList = {network("Berlin")};
    lists.grouped = lists.privateList;
    menu.updateLocationLists();
    menu.updateGroupedLocations();
    EXPECT_TRUE(allEnabled(menu.privateListItem()->actions() + menu.groupedLocationItems(), false));
}

TEST_F(StatusItemMenuTest, AStatusItemHoldingItOffersTheMenuOfTheSignInState) {
    platform::StatusBar bar{QDBusConnection(QStringLiteral("veltrix-no-bus"))};
    StatusItemController item(&lists, &actions, &menu, bar);
    EXPECT_EQ(item.statusItemMenu(), menu.statusItemMenuForLoggedOutState());
    item.setLoggedInState();
    EXPECT_EQ(item.statusItemMenu(), signedIn());
    lists.grouped = {network("Berlin")};
    item.updateGroupedLocations(); // passed on
    EXPECT_EQ(texts(menu.groupedLocationItems()), QStringList{"Berlin"});
    item.setLoggedOutState();
    EXPECT_EQ(item.statusItemMenu(), menu.statusItemMenuForLoggedOutState());
}
