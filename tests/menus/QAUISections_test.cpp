#include "MenusTestSupport.h"

#include "core/ApplicationModel.h"
#include "core/LocalizedStrings.h"
#include "core/ServiceLayer.h"
#include "menus/QAUIErrorView.h"
#include "menus/QAUILoggedInViewController.h"
#include "menus/QAUINetworksWindowController.h"
#include "toolkit/Colors.h"
#include "toolkit/ViewAnimation.h"

#include <QCoreApplication>
#include <QPointer>

#include <gtest/gtest.h>

using namespace menus_test;

namespace {

// Remembers every height a section reports.
class HeightRecorder : public QAUIStackDelegate {
public:
    QList<double> heights;
    void heightWasChanged(QAUIStackMemberView* view, double newHeight, bool animated) override {
        heights << newHeight;
        view->setHeightConstant(newHeight, animated);
    }
};

class SectionsTest : public MenusTest {
protected:
    HeightRecorder recorder;
    PDNetworkItemPtr x = network(QStringLiteral("x"));
    PDNetworkItemPtr y = network(QStringLiteral("y"));
    PDNetworkItemPtr z = network(QStringLiteral("z"));

    void connectTo(const PDNetworkItemPtr& item, SDVPNConnectionState state) {
        driver.setCurrentNetwork(item);
        driver.setConnectionState(state);
    }
};

} // namespace

TEST_F(SectionsTest, StatusListCollapsesToTwoRowsAndExpandsToFive) {
    ServiceLayer::appModel().setIsQAUIStatusViewHidden(true);
    QAUIStatusView status;
    status.setSizeChangeDelegate(&recorder);
    status.reload();
    EXPECT_EQ(recorder.heights.last(), 91.0);
    EXPECT_EQ(status.arrowImageName(), QStringLiteral("qauiStatusArrowDown"));
    status.hideStatusViewButtonTap();
    EXPECT_EQ(recorder.heights.last(), 163.0);
    EXPECT_EQ(status.arrowImageName(), QStringLiteral("qauiStatusArrowUp"));
    settle();
    EXPECT_EQ(status.optionsTableView()->numberOfRows(), 5);
    status.hideStatusViewButtonTap();
    EXPECT_EQ(recorder.heights.last(), 91.0);
    EXPECT_EQ(status.arrowImageName(), QStringLiteral("qauiStatusArrowDown"));
    status.setIsVisible(false);
    EXPECT_EQ(status.height(), 0.0);
}

TEST_F(SectionsTest, StatusRowsReadTheSdk) {
    ServiceLayer::appModel().setIsQAUIStatusViewHidden(false);
    driver.setLoggedIn(true);
    driver.setCurrentNetwork(nullptr);
    driver.editState([](sdk::SimulationState& s) { s.devicePosture = PD_DevicePostureCheckState::atRisk; });
    QAUIStatusOptionViewCell cell;
    cell.configure(QAUIStatusViewItem::dpc);
    EXPECT_EQ(cell.dpcIndicator()->titleField()->text(), QStringLiteral("At Risk"));
    EXPECT_EQ(cell.dpcIndicator()->bgView()->bgColor(), toolkit::atRiskBadge)
        << "a shade its white title reads on";
    EXPECT_TRUE(cell.optionIndicator()->isHidden());
    cell.configure(QAUIStatusViewItem::splitTunneling); // no current network: off
    EXPECT_EQ(cell.optionIndicator()->optionStatusField()->text(), QStringLiteral("Off"));
    EXPECT_EQ(cell.optionIndicator()->dotIndicatorView()->bgColor().name(), QStringLiteral("#fd596f"));

    PDSettings settings = VeltrixXPC::settings();
    settings.alwaysOn.value = true;
    driver.setSettings(settings);
    driver.setTrustedWiredNetwork(true);
    cell.configure(QAUIStatusViewItem::alwaysOn);
    EXPECT_EQ(cell.optionTitleField()->text(), QStringLiteral("Trusted Network"));
    EXPECT_EQ(cell.optionIndicator()->optionStatusField()->text(), QStringLiteral("On"));
    driver.setTrustedWiredNetwork(false);
    driver.setAlwaysOn(false);
    cell.configure(QAUIStatusViewItem::alwaysOn);
    EXPECT_EQ(cell.optionTitleField()->text(), QStringLiteral("Always On VPN"));
    EXPECT_EQ(cell.optionIndicator()->optionStatusField()->text(), QStringLiteral("Off"));
}

TEST_F(SectionsTest, NetworkSectionFollowsTheConnectionState) {
    driver.setNetworks(model({{x, y}, {}, {}}));
    QAUINetworkView section;
    section.resize(276, 200);
    section.setSizeChangeDelegate(&recorder);
    connectTo(x, SDVPNConnectionState::disconnected);
    section.connectionStateChanged();
    EXPECT_EQ(recorder.heights.last(), 0.0);
    connectTo(x, SDVPNConnectionState::connecting);
    section.updateTimeConnected(QStringLiteral("00:00:05")); // kept, not shown while connecting
    section.connectionStateChanged();
    EXPECT_EQ(recorder.heights.last(), 85.0);
    connectTo(x, SDVPNConnectionState::connected);
    section.connectionStateChanged();
    EXPECT_EQ(recorder.heights.last(), 137.0);
    section.show();
    settle();
    ASSERT_EQ(section.tableView()->numberOfRows(), 3);
    auto* time = qobject_cast<QAUINetworkStatusViewCell*>(section.tableView()->viewAtRow(2));
    ASSERT_NE(time, nullptr);
    EXPECT_EQ(time->valueField()->text(), QStringLiteral("00:00:05"));
    auto* address = qobject_cast<QAUINetworkStatusViewCell*>(section.tableView()->viewAtRow(1));
    EXPECT_EQ(address->valueField()->text(), L10n::connection_IP_address_refreshing_label());
    section.updateIPAddress(std::make_shared<PDPublicIPInfo>(QStringLiteral("198.51.100.42")));
    EXPECT_EQ(address->valueField()->text(), QStringLiteral("198.51.100.42"));
    section.updateTimeConnected(QStringLiteral("00:00:06"));
    settle(0.01);
    EXPECT_EQ(time->valueField()->text(), QStringLiteral("00:00:06"));

    // A disconnect brings the refreshing text back for the next connection.
    connectTo(x, SDVPNConnectionState::disconnected);
    section.connectionStateChanged();
    EXPECT_EQ(section.ipAddressValue()->ipAddress(), L10n::connection_IP_address_refreshing_label());
}

TEST_F(SectionsTest, CurrentRowHoverOffersWhatAClickWouldDo) {
    driver.setNetworks(model({{x, y}, {}, {}}));
    QAUINetworkItemViewCell row;
    auto look = [&] {
        const QAUIStatusMenuVPNStateView* state = row.vpnStatusView();
        return state->connectButton()->isHidden()
                   ? QStringLiteral("text ") + state->vpnStatusField()->text()
                   : QStringLiteral("button ") + state->connectButton()->text();
    };
    connectTo(x, SDVPNConnectionState::connected);
    row.configure(x);
    EXPECT_EQ(look(), QStringLiteral("text Connected"));
    EXPECT_FALSE(row.vpnStatusView()->vpnConnectedIconView()->isHidden());
    row.hover();
    EXPECT_EQ(look(), QStringLiteral("button Disconnect"));
    row.unhover();
    EXPECT_EQ(look(), QStringLiteral("text Connected"));

    driver.setAlwaysOn(true); // no button for the network in use under Always-On
    row.hover();
    EXPECT_EQ(look(), QStringLiteral("text Connected"));
    row.unhover();
    driver.setAlwaysOn(false);

    row.configure(y); // another network than the one in use
    row.hover();
    EXPECT_EQ(look(), QStringLiteral("button Connect"));
    row.unhover();
    connectTo(x, SDVPNConnectionState::disconnected);
    row.configure(x);
    driver.setForcedUpdateAvailable(true);
    row.hover();
    EXPECT_EQ(look(), QStringLiteral("button Upgrade"));
}

TEST_F(SectionsTest, CurrentRowButtonDisconnectsOrChoosesTheNetwork) {
    driver.setNetworks(model({{x, y}, {}, {}}));
    QAUILoggedInViewController page;
    page.view();
    page.setDelegate(&actions);
    connectTo(x, SDVPNConnectionState::connected);
    QAUINetworkItemViewCell row;
    row.setDelegate(page.networkView());
    row.configure(x);
    row.hover();
    row.vpnStatusView()->connectButton()->click();
    EXPECT_EQ(router.count(QStringLiteral("toggleConnection")), 1);
    EXPECT_TRUE(actions.calls.isEmpty());
    connectTo(x, SDVPNConnectionState::disconnected);
    row.hover();
    row.vpnStatusView()->connectButton()->click();
    EXPECT_EQ(actions.calls, QStringList{QStringLiteral("didSelectLocation x")});
    row.configure(nullptr);
    EXPECT_EQ(row.networkTitleField()->text(), QStringLiteral("N/A"));
    EXPECT_TRUE(row.networkIconView()->image().isNull());
}

TEST_F(SectionsTest, AClickOnACurrentRowsBodySendsTheNetworkInUseAndSelectsNothing) {
    driver.setNetworks(model({{x, y}, {}, {}}));
    QAUILoggedInViewController page;
    page.view()->resize(300, 600);
    page.setDelegate(&actions);
    QAUINetworkView* section = page.networkView();
    HoverableTableView* table = section->tableView();
    const struct {
        SDVPNConnectionState state;
        int row;
    } clicks[] = {{SDVPNConnectionState::connecting, 0},
                  {SDVPNConnectionState::connected, 0},
                  {SDVPNConnectionState::connected, 2}};
    for (const auto& click : clicks) {
        actions.calls.clear();
        connectTo(x, click.state);
        section->connectionStateChanged();
        page.view()->show();
        section->show();
        settle();
        table->selectRow(click.row);
        EXPECT_EQ(actions.calls, QStringList{QStringLiteral("didSelectLocation x")}) << click.row;
        EXPECT_EQ(table->selectedRow(), -1);
        EXPECT_EQ(router.count(QStringLiteral("toggleConnection")), 0) << "the body is not the button";
    }
    actions.calls.clear();
    connectTo(nullptr, SDVPNConnectionState::connected);
    section->connectionStateChanged();
    settle();
    table->selectRow(0);
    EXPECT_TRUE(actions.calls.isEmpty()) << "no network in use: nothing to send";
}

TEST_F(SectionsTest, QuickAccessListsRecentNetworksNewestFirstWithoutTheOneInUse) {
    QAUIQuickAccessView list;
    list.setSizeChangeDelegate(&recorder);
    list.reload();
    EXPECT_EQ(recorder.heights.last(), 0.0); // no networks model
    driver.setNetworks(model({{x, y, z}, {}, {x, y, z}}));
    connectTo(x, SDVPNConnectionState::disconnected);
    list.reload();
    EXPECT_EQ(list.lastUsedLocations(), (QList<PDNetworkItemPtr>{z, y, x}));
    EXPECT_EQ(recorder.heights.last(), 149.0);
    connectTo(x, SDVPNConnectionState::connected);
    list.reload();
    EXPECT_EQ(list.lastUsedLocations(), (QList<PDNetworkItemPtr>{z, y}));
    driver.setNetworks(model({{x}, {}, {x}}));
    list.reload();
    EXPECT_EQ(recorder.heights.last(), 0.0);
    connectTo(x, SDVPNConnectionState::disconnected);
    list.reload();
    EXPECT_EQ(recorder.heights.last(), 83.0);
}

TEST_F(SectionsTest, QuickAccessClickHidesTheChosenRowOnceConnectingAndKeepsTheSelectionOnIt) {
    driver.setNetworks(model({{x, y, z}, {}, {x, y, z}}));
    connectTo(x, SDVPNConnectionState::disconnected);
    QAUILoggedInViewController page;
    page.view()->resize(300, 600);
    page.setDelegate(&actions);
    QAUIQuickAccessView* list = page.quickAccessView();
    list->reload();
    list->show();
    page.view()->show();
    settle();
    list->tableView()->selectRow(1); // y
    EXPECT_EQ(actions.calls, QStringList{QStringLiteral("didSelectLocation y")});
    EXPECT_EQ(list->processingNetwork(), y);
    settle(0.1); // still disconnected: y stays, selected
    EXPECT_EQ(list->lastUsedLocations(), (QList<PDNetworkItemPtr>{z, y, x}));
    EXPECT_EQ(list->tableView()->selectedRow(), 1);
    connectTo(x, SDVPNConnectionState::connecting); // the SDK still names x
    list->reload();
    settle();
    EXPECT_EQ(list->lastUsedLocations(), (QList<PDNetworkItemPtr>{z, x}));
    EXPECT_EQ(list->tableView()->selectedRow(), -1); // not x, which took y's place
}

TEST_F(SectionsTest, QuickAccessConnectButtonShowsOnlyOnTheHoveredRow) {
    driver.setNetworks(model({{x}, {}, {x}}));
    QAUIQuickAccessNetworkItemViewCell cell;
    cell.configure(x);
    EXPECT_TRUE(cell.connectButton()->isHidden());
    cell.hover();
    EXPECT_FALSE(cell.connectButton()->isHidden());
    cell.connectButtonTap();
    EXPECT_TRUE(cell.connectButton()->isHidden());
}

TEST_F(SectionsTest, NetworkGroupsFollowTheModel) {
    QAUINetworkGroupsView groups;
    groups.setSizeChangeDelegate(&recorder);
    groups.reload();
    EXPECT_EQ(recorder.heights.last(), 0.0);
    driver.setNetworks(model({{x}, {}, {}}));
    groups.reload();
    EXPECT_EQ(recorder.heights.last(), 34.0);
    EXPECT_EQ(qauiGroups::items(),
              QList<QAUINetworkGroupsViewItem>{QAUINetworkGroupsViewItem::privateNetworks});
    driver.setNetworks(model({{x}, {y}, {}}));
    groups.reload();
    EXPECT_EQ(recorder.heights.last(), 68.0);
    EXPECT_EQ(qauiGroups::title(qauiGroups::items().first()), QStringLiteral("Private Networks"));
    EXPECT_EQ(qauiGroups::title(qauiGroups::items().last()), QStringLiteral("Shared Networks"));
}

TEST_F(SectionsTest, ServiceRowsReachTheMenuActionsAndStayUnselected) {
    QAUILoggedInViewController page;
    page.view()->resize(300, 600);
    page.view()->show();
    page.setDelegate(&actions);
    HoverableTableView* table = page.serviceView()->tableView();
    settle();
    ASSERT_EQ(table->numberOfRows(), 3);
    table->selectRow(0);
    table->selectRow(1);
    table->selectRow(2);
    table->selectRow(2);
    table->selectRow(3);
    EXPECT_EQ(actions.calls, (QStringList{QStringLiteral("openSupport"), QStringLiteral("openSettings"),
                                          QStringLiteral("signOut"), QStringLiteral("signOut")}));
    EXPECT_EQ(table->selectedRow(), -1);
}

TEST_F(SectionsTest, ChildListHeightAndChoice) {
    EXPECT_EQ(QAUINetworksSubViewController::heightFor(0), 76.0);
    EXPECT_EQ(QAUINetworksSubViewController::heightFor(1), 112.0);
    EXPECT_EQ(QAUINetworksSubViewController::heightFor(6), 292.0);
    EXPECT_EQ(QAUINetworksSubViewController::heightFor(7), 314.0);

    const PDNetworkItemPtr shared = network(QStringLiteral("s"), PDNetworkKind::sharedNetwork);
    driver.setNetworks(model({{x, y}, {shared}, {}}));
    QAUINetworksWindowController child;
    child.setDataSource(&source);
    child.setDelegate(&actions);
    child.setNetworkItemType(QAUINetworkGroupsViewItem::sharedNetworks);
    EXPECT_EQ(child.content()->networks(), QList<PDNetworkItemPtr>{shared});
    child.setNetworkItemType(QAUINetworkGroupsViewItem::privateNetworks);
    child.showWindow();
    EXPECT_EQ(child.window()->height(), 148);
    child.content()->tableView()->selectRow(1);
    EXPECT_EQ(actions.calls, QStringList{QStringLiteral("didSelectLocation y")});
    EXPECT_EQ(child.content()->tableView()->selectedRow(), -1);
    EXPECT_FALSE(child.isWindowVisible());
}

TEST_F(SectionsTest, ToastsStackNewestAtTheBottomAtMostFourOncePerTitle) {
    HeightRecorder pageHeights;
    QAUIErrorView stack;
    stack.setSizeChangeDelegate(&pageHeights);
    EXPECT_EQ(stack.height(), 0.0);
    stack.setTopExtraPadding(10.0);
    EXPECT_EQ(stack.height(), 0.0);
    stack.setTopExtraPadding(0.0);
    for (int i = 1; i <= 5; ++i) {
        stack.addNotification(QStringLiteral("Error %1").arg(i), QStringLiteral("Details"), false);
    }
    stack.addNotification(QStringLiteral("Error 5"), QStringLiteral("Other details"), false);
    const QList<QAUINotificationView*> toasts = stack.notifications();
    ASSERT_EQ(toasts.size(), 4);
    EXPECT_EQ(toasts.first()->titleLabel()->text(), QStringLiteral("Error 5"));
    EXPECT_EQ(toasts.last()->titleLabel()->text(), QStringLiteral("Error 2"));
    EXPECT_EQ(stack.bottomOffset(toasts.first()), 0.0);
    EXPECT_EQ(stack.bottomOffset(toasts.at(1)), toasts.first()->height() + 8.0);
    const double h = toasts.first()->height();
    EXPECT_EQ(stack.height(), 4 * h + 3 * 8.0);
    EXPECT_EQ(pageHeights.heights.last(), stack.height());
    // Labels 41 px narrower than the toast, one toast of 14 + d + 3 + t + 14.
    EXPECT_EQ(toasts.first()->titleLabel()->width(), stack.width() - 41);
    EXPECT_EQ(h, 14 + toasts.first()->titleLabel()->height() + 3 +
                     toasts.first()->descriptionLabel()->height() + 14);

    stack.removeAllNotifications(false);
    EXPECT_FALSE(stack.hasNotifications());
    stack.addNotification(QStringLiteral("Error 1"), QString(500, QLatin1Char('a')) + QStringLiteral("<b>"),
                          true);
    const QString shown = stack.notifications().first()->descriptionLabel()->text();
    EXPECT_EQ(shown.size(), 501);
    EXPECT_TRUE(shown.endsWith(QStringLiteral("…")));
    EXPECT_EQ(stack.notifications().first()->descriptionLabel()->textFormat(), Qt::PlainText);
}

TEST_F(SectionsTest, AnAnimatedFifthToastFadesTheOldestOut) {
    QAUIErrorView stack;
    for (int i = 1; i <= 4; ++i) {
        stack.addNotification(QStringLiteral("Error %1").arg(i), QStringLiteral("Details"), true);
    }
    settle(1.0);
    QPointer<QAUINotificationView> oldest = stack.notifications().last();
    stack.addNotification(QStringLiteral("Error 5"), QStringLiteral("Details"), true);
    EXPECT_EQ(stack.notifications().size(), 4);
    EXPECT_FALSE(stack.notifications().contains(oldest.data()));
    ASSERT_TRUE(oldest);
    EXPECT_EQ(alphaValue(stack.notifications().first()), 0.0);
    settle(1.0);
    EXPECT_EQ(alphaValue(stack.notifications().first()), 1.0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(oldest);
}

TEST_F(SectionsTest, WorkspaceTextsShowAsPlainTextCutToTheRowAndAMissingImageShowsNoIcon) {
    const PDNetworkItemPtr odd =
        network(QStringLiteral("odd"), PDNetworkKind::privateNetwork,
                QStringLiteral("<b>Branch</b> office with a name far longer than any row of the list"));
    QAUIQuickAccessNetworkItemViewCell cell;
    cell.resize(276, 32);
    cell.configure(odd);
    cell.show();
    ElidedLabel* title = cell.networkTitleField();
    EXPECT_EQ(title->textFormat(), Qt::PlainText);
    EXPECT_EQ(title->text(), odd->displayTitle());
    EXPECT_TRUE(title->shownText().startsWith(QStringLiteral("<b>Branch</b>")));
    EXPECT_TRUE(title->shownText().endsWith(QStringLiteral("…")));
    EXPECT_LE(title->fontMetrics().horizontalAdvance(title->shownText()), title->width());
    EXPECT_TRUE(cell.networkIconView()->image().isNull()); // the network has no image
}
