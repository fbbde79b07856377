#include "locations/LocationsSubController.h"
#include "locations/NetworkSearchBarView.h"

#include "mainwindow/GeneralViewController.h"
#include "platform/ManualScheduler.h"
#include "sdk/VeltrixXPC.h"
#include "sdk/testing/Driver.h"
#include "support/FakeRouter.h"
#include "support/RoutedTest.h"
#include "toolkit/NSViewLayerBacked.h"

#include <QTest>

#include <QApplication>

#include <gtest/gtest.h>

namespace {

PDNetworkItemPtr network(const std::optional<QString>& id, const QString& title, bool configured = true) {
    PDNetworkItem::Data data;
    data.id = id;
    data.kind = PDNetworkKind::privateNetwork;
    data.title = title;
    data.locationTitle = title;
    if (configured) {
        data.vpnConfiguration = SDVPNConfig{id.value_or(QString()), QStringLiteral("gw.example.invalid"),
                                            QStringLiteral("Region"), QStringLiteral("192.0.2.1")};
    }
    data.flagImage = std::make_shared<PDCacheableImage>(std::nullopt);
    return std::make_shared<PDNetworkItem>(std::move(data));
}

class NetworksTabTest : public RoutedTest {
protected:
    void SetUp() override {
        driver.setLoggedIn(true);
        driver.setForcedUpdateAvailable(false);
        driver.setAlwaysOn(false);
        general.setTabController(MainMenuBarTab::topTab(MainTopTab::home), &home);
        general.setTabController(MainMenuBarTab::topTab(MainTopTab::networks), &tab);
        general.view()->show();
        general.selectTab(MainMenuBarTab::topTab(MainTopTab::networks));
        scheduler.advance(1.0);
        driver.clearCalls();
        router.calls.clear();
    }

    PDNetworksModelPtr model() const { return VeltrixXPC::networks(); }
    int rowOf(const QString& title) const {
        for (int row = 0; row < model()->numberOfNetworkRows(); ++row) {
            if (model()->networkItem(row)->title() == title) {
                return row;
            }
        }
        return -1;
    }
    NetworkCellView* cellOf(const QString& title) const {
        return qobject_cast<NetworkCellView*>(tab.networksTableView()->viewAtRow(rowOf(title)));
    }
    void click(const QString& title) {
        TableRowView* row = tab.networksTableView()->rowViewAtRow(rowOf(title));
        ASSERT_NE(row, nullptr) << title.toStdString();
        QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(4, row->height() / 2));
        scheduler.runUntilIdle();
    }
    void typeSearch(const QString& text) {
        QTest::keyClicks(tab.searchBarView()->searchField(), text);
        scheduler.runUntilIdle();
    }
    // What stands where the list is: "list", "no access", "not found" or "update".
    QString screen() const {
        if (!tab.emptyNetworksView()->isVisible()) {
            return tab.networksTableView()->isVisible() ? QStringLiteral("list") : QStringLiteral("nothing");
        }
        const QString title = tab.emptyNetworksView()->titleField()->text();
        const bool barShown = tab.searchBarView()->isVisible();
        if (title == titleOf(EmptyNetworksViewState::notFound)) {
            return barShown ? QStringLiteral("not found") : QStringLiteral("not found without the bar");
        }
        if (barShown) {
            return QStringLiteral("bar over ") + title;
        }
        return title == titleOf(EmptyNetworksViewState::noAccess) ? QStringLiteral("no access")
                                                                  : QStringLiteral("update");
    }
    QString statusOf(const QString& title) const {
        NetworkCellStatusView* status = cellOf(title)->networkCellStatusView();
        if (status->isHidden()) {
            return QStringLiteral("-");
        }
        if (status->connectAvailableButton()->isVisible()) {
            return QStringLiteral("[") + status->connectAvailableButton()->text() + QLatin1Char(']');
        }
        const QString icon =
            status->connectedIconImageView()->isVisible() ? QStringLiteral("icon ") : QString();
        return icon + status->connectedTextField()->text();
    }

    GeneralSubController home;
    LocationsSubController tab;
    GeneralViewController general;
};

} // namespace

TEST_F(NetworksTabTest, ListsTheNetworksOrShowsWhyItCannot) {
    EXPECT_EQ(screen(), QStringLiteral("list"));
    EXPECT_GE(rowOf(QStringLiteral("Headquarters")), 0);
    EXPECT_GE(rowOf(QStringLiteral("Shared Networks")), 0);

    const QRect containerPlace = tab.controllerContainerView()->geometry();
    driver.setForcedUpdateAvailable(true); // despite the networks
    tab.reloadNetworks();
    EXPECT_EQ(screen(), QStringLiteral("update"));
    QApplication::processEvents();
    EXPECT_EQ(tab.emptyNetworksView()->geometry(), containerPlace) << "in the place of the whole list";
    EXPECT_FALSE(tab.emptyNetworksView()->subtitleField()->isHidden());
    driver.setForcedUpdateAvailable(false);
    tab.reloadNetworks();
    EXPECT_EQ(screen(), QStringLiteral("list"));

    driver.setNetworks(std::make_shared<PDNetworksModel>(PDNetworksModel::Content{}));
    tab.updateNetworks(VeltrixXPC::networks());
    EXPECT_EQ(screen(), QStringLiteral("no access"));
}

TEST_F(NetworksTabTest, SearchNarrowsTrimsSaysNotFoundAndClearsOnLeaving) {
    NetworkSearchBarView& bar = *tab.searchBarView();
    typeSearch(QStringLiteral("   "));
    EXPECT_TRUE(bar.crossButton()->isVisible()) << "blanks count as text in the field";
    EXPECT_EQ(model()->searchText(), QString());
    EXPECT_EQ(screen(), QStringLiteral("list"));

    bar.searchField()->clear();
    typeSearch(QStringLiteral(" lab "));
    EXPECT_EQ(model()->searchText(), QStringLiteral("lab"));
    EXPECT_EQ(rowOf(QStringLiteral("Headquarters")), -1);
    NetworkCellView* lab = cellOf(QStringLiteral("Engineering Lab"));
    ASSERT_NE(lab, nullptr);
    const AttributedString name = lab->networkTitleField()->attributedText();
    EXPECT_EQ(name.colorAt(name.string().indexOf(QStringLiteral("Lab"))), QColor(Qt::white));
    EXPECT_EQ(name.fontAt(name.string().indexOf(QStringLiteral("Lab")))->weight(), QFont::Medium);
    EXPECT_NE(name.colorAt(0), QColor(Qt::white)) << "only the match stands out";

    const auto inTab = [&](const QWidget* widget) {
        QApplication::processEvents(); // the layouts settle
        return QRect(widget->mapTo(tab.view(), QPoint(0, 0)), widget->size());
    };
    const QRect listPlace = inTab(tab.networksTableView());
    typeSearch(QStringLiteral("zzz"));
    EXPECT_EQ(screen(), QStringLiteral("not found"));
    EXPECT_EQ(inTab(tab.emptyNetworksView()), listPlace) << "the message stands where the list stood";
    tab.updateNetworks(VeltrixXPC::networks()); // a status report reloads during the search
    EXPECT_EQ(screen(), QStringLiteral("not found")) << "no claim of no access";

    QTest::mouseClick(bar.crossButton(), Qt::LeftButton);
    scheduler.runUntilIdle();
    EXPECT_EQ(screen(), QStringLiteral("list"));
    EXPECT_GE(rowOf(QStringLiteral("Headquarters")), 0);
    EXPECT_FALSE(bar.searchField()->hasFocus());

    typeSearch(QStringLiteral("hq"));
    general.selectTab(MainMenuBarTab::topTab(MainTopTab::home)); // leaving the tab
    scheduler.advance(1.0);
    EXPECT_EQ(bar.searchField()->text(), QString());
    EXPECT_EQ(model()->searchText(), QString());
    EXPECT_TRUE(bar.lupeImageView()->isVisibleTo(&bar));
    EXPECT_FALSE(bar.crossButton()->isVisibleTo(&bar));
}

TEST_F(NetworksTabTest, HeadersFoldTheirSectionAndNeverSelect) {
    const int before = model()->numberOfNetworkRows();
    click(QStringLiteral("Shared Networks"));
    EXPECT_TRUE(model()->isCollapsed());
    EXPECT_LT(model()->numberOfNetworkRows(), before);
    auto* header = qobject_cast<NetworkHeaderCellView*>(
        tab.networksTableView()->viewAtRow(rowOf(QStringLiteral("Shared Networks"))));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->indicatorIcon().cacheKey(), header->collapsedIcon().cacheKey());
    EXPECT_EQ(header->hoveredCursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(tab.networksTableView()->selectedRow(), -1);

    typeSearch(QStringLiteral("o")); // while searching every header shows unfolded
    header = qobject_cast<NetworkHeaderCellView*>(
        tab.networksTableView()->viewAtRow(rowOf(QStringLiteral("Shared Networks"))));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->indicatorIcon().cacheKey(), header->expandedIcon().cacheKey());
    EXPECT_TRUE(driver.calls().empty());
}

TEST_F(NetworksTabTest, ClickingANetworkSwitchesToItAndGoesHomeButTheConnectedOneOnlyGoesHome) {
    driver.setCurrentNetwork(model()->networkWithId(QStringLiteral("prv-hq")));
    driver.setConnectionState(SDVPNConnectionState::connected);
    tab.reloadNetworks();
    click(QStringLiteral("Headquarters"));
    EXPECT_EQ(router.calls, QStringList{QStringLiteral("showHomeTab")});
    EXPECT_TRUE(driver.calls("connectToAnotherLocation").empty());

    router.calls.clear();
    click(QStringLiteral("Engineering Lab"));
    ASSERT_EQ(driver.calls("connectToAnotherLocation").size(), 1u);
    EXPECT_EQ(driver.calls("connectToAnotherLocation").front().arguments.value("networkId").toString(),
              QStringLiteral("prv-dev"));
    EXPECT_EQ(router.calls, QStringList{QStringLiteral("selectCurrentNetwork")});
    scheduler.advance(1.0);
    EXPECT_EQ(general.embeddedController(), &home);

    // A network without a configuration: nothing asked of the SDK, still chosen.
    driver.clearCalls();
    router.calls.clear();
    auto content = PDNetworksModel::Content{};
    content.privateNetworks = {network(QStringLiteral("n1"), QStringLiteral("Bare"), false)};
    driver.setNetworks(std::make_shared<PDNetworksModel>(content));
    general.selectTab(MainMenuBarTab::topTab(MainTopTab::networks));
    scheduler.advance(1.0);
    click(QStringLiteral("Bare"));
    EXPECT_TRUE(driver.calls("connectToAnotherLocation").empty());
    EXPECT_EQ(router.calls, QStringList{QStringLiteral("selectCurrentNetwork")});
}

TEST_F(NetworksTabTest, TheStatusButtonDisconnectsTheCurrentNetworkAndConnectsAnyOther) {
    const PDNetworkItemPtr hq = model()->networkWithId(QStringLiteral("prv-hq"));
    const PDNetworkItemPtr lab = model()->networkWithId(QStringLiteral("prv-dev"));
    for (auto state : {SDVPNConnectionState::disconnected, SDVPNConnectionState::connecting,
                       SDVPNConnectionState::connected, SDVPNConnectionState::reconnecting}) {
        driver.setCurrentNetwork(hq);
        driver.setConnectionState(state);
        driver.clearCalls();
        router.calls.clear();
        tab.networkSelected(hq);
        if (state == SDVPNConnectionState::disconnected) {
            EXPECT_EQ(driver.calls("connectToAnotherLocation").size(), 1u);
            EXPECT_FALSE(router.calls.contains(QStringLiteral("toggleConnection")));
        } else {
            EXPECT_EQ(router.calls, QStringList{QStringLiteral("toggleConnection")}) << int(state);
            EXPECT_TRUE(driver.calls("connectToAnotherLocation").empty());
        }
        driver.clearCalls();
        tab.networkSelected(lab);
        EXPECT_EQ(driver.calls("connectToAnotherLocation").size(), 1u) << "another network: a switch";
        scheduler.runUntilIdle();
    }

    // A current network without an identifier is another network than one with.
    driver.setCurrentNetwork(network(std::nullopt, QStringLiteral("Nameless")));
    driver.setConnectionState(SDVPNConnectionState::connected);
    driver.clearCalls();
    router.calls.clear();
    tab.networkSelected(lab);
    EXPECT_EQ(driver.calls("connectToAnotherLocation").size(), 1u);
    EXPECT_FALSE(router.calls.contains(QStringLiteral("toggleConnection")));

    // The row's own button reports the row's network.
    driver.setCurrentNetwork(hq);
    tab.reloadNetworks();
    router.calls.clear();
    cellOf(QStringLiteral("Headquarters"))->setHighlight(true);
    QTest::mouseClick(
        cellOf(QStringLiteral("Headquarters"))->networkCellStatusView()->connectAvailableButton(),
        Qt::LeftButton);
    EXPECT_EQ(router.calls, QStringList{QStringLiteral("toggleConnection")});
}

TEST_F(NetworksTabTest, RowsShowTheCurrentNetworksStateAndOfferConnectOrDisconnectUnderThePointer) {
    driver.setCurrentNetwork(model()->networkWithId(QStringLiteral("prv-hq")));
    const QString hq = QStringLiteral("Headquarters");
    const QString lab = QStringLiteral("Engineering Lab");
    const auto statusWith = [&](SDVPNConnectionState state, bool alwaysOn, bool hovered,
                                const QString& title) {
        driver.setConnectionState(state);
        driver.setAlwaysOn(alwaysOn);
        tab.reloadNetworks();
        cellOf(title)->setHighlight(hovered);
        return statusOf(title);
    };
    using S = SDVPNConnectionState;
    EXPECT_EQ(statusWith(S::connected, false, false, hq), QStringLiteral("icon Connected"));
    EXPECT_EQ(statusWith(S::connecting, false, false, hq), QStringLiteral("Connecting..."));
    EXPECT_EQ(statusWith(S::reconnecting, false, false, hq), QStringLiteral("Connecting..."));
    EXPECT_EQ(statusWith(S::disconnected, false, false, hq), QStringLiteral("-"));
    EXPECT_EQ(statusWith(S::connected, false, false, lab), QStringLiteral("-"));

    EXPECT_EQ(statusWith(S::disconnected, false, true, hq), QStringLiteral("[Connect]"));
    EXPECT_EQ(statusWith(S::connected, false, true, hq), QStringLiteral("[Disconnect]"));
    EXPECT_EQ(statusWith(S::connected, false, true, lab), QStringLiteral("[Connect]"));
    EXPECT_EQ(statusWith(S::connected, true, true, hq), QStringLiteral("icon Connected")) << "nothing new";
    EXPECT_EQ(statusWith(S::connected, true, true, lab), QStringLiteral("[Connect]"));
    cellOf(hq)->setHighlight(false);
    EXPECT_EQ(statusOf(hq), QStringLiteral("icon Connected"));

    EXPECT_EQ(colorOf(NetworkCellStatusViewState::connected), QColor(0x3A, 0xCC, 0x73));
    NetworkCellView* row = cellOf(lab);
    EXPECT_FALSE(row->splitTunnelingButton()->isVisibleTo(row));
    EXPECT_TRUE(row->dnsFilteringButton()->isVisibleTo(row));
    EXPECT_FALSE(row->privateDNSButton()->isVisibleTo(row));
}

TEST_F(NetworksTabTest, AStatusReportRebuildsTheCurrentRowOnly) {
    driver.setCurrentNetwork(model()->networkWithId(QStringLiteral("prv-hq")));
    driver.setConnectionState(SDVPNConnectionState::connecting);
    tab.reloadNetworks();
    QWidget* other = cellOf(QStringLiteral("Engineering Lab"));
    EXPECT_EQ(statusOf(QStringLiteral("Headquarters")), QStringLiteral("Connecting..."));
    driver.setConnectionState(SDVPNConnectionState::connected);
    tab.reloadSelectedRow();
    EXPECT_EQ(statusOf(QStringLiteral("Headquarters")), QStringLiteral("icon Connected"));
    EXPECT_EQ(cellOf(QStringLiteral("Engineering Lab")), other);
    EXPECT_TRUE(tab.networksTableView()->rowViewAtRow(rowOf(QStringLiteral("Headquarters")))->isSelected());
}

TEST_F(NetworksTabTest, ASearchReusesTheRowsViewsAndShowsTheRowsItFound) {
    driver.setCurrentNetwork(model()->networkWithId(QStringLiteral("shr-audit")));
    tab.reloadNetworks();
    HoverableTableView& table = *tab.networksTableView();
    const auto shown = [&] {
        QStringList rows;
        QSet<TableRowView*> rowViews;
        for (int row = 0; row < table.numberOfRows(); ++row) {
            TableRowView* rowView = table.rowViewAtRow(row);
            if (auto* cell = qobject_cast<NetworkCellView*>(table.viewAtRow(row))) {
                rows.append(cell->networkTitleField()->text() + (rowView->isSelected() ? "*" : ""));
                rowViews.insert(rowView);
            } else if (auto* header = qobject_cast<NetworkHeaderCellView*>(table.viewAtRow(row))) {
                rows.append("[" + header->headerTitleField()->text() + "]");
            }
        }
        return std::make_pair(rows, rowViews);
    };
    const auto [all, rowViews] = shown();
    EXPECT_EQ(all, (QStringList{"[Private Networks]", "Headquarters", "Engineering Lab", "[Shared Networks]",
                                "Contoso Logistics", "Fabrikam Audit*"}));

    typeSearch(QStringLiteral("i"));
    auto [found, reused] = shown();
    EXPECT_EQ(found, (QStringList{"[Private Networks]", "Engineering Lab", "[Shared Networks]",
                                  "Contoso Logistics", "Fabrikam Audit*"}));
    EXPECT_TRUE(rowViews.contains(reused)) << "no row view made for the search";
    QTest::mouseClick(tab.searchBarView()->crossButton(), Qt::LeftButton);
    typeSearch(QStringLiteral("on"));
    std::tie(found, reused) = shown();
    EXPECT_EQ(found, (QStringList{"[Shared Networks]", "Contoso Logistics", "Fabrikam Audit*"}));
    EXPECT_TRUE(rowViews.contains(reused));
    QTest::mouseClick(tab.searchBarView()->crossButton(), Qt::LeftButton);
    scheduler.runUntilIdle();
    std::tie(found, reused) = shown();
    EXPECT_EQ(found, all);
    EXPECT_EQ(reused, rowViews);
}
