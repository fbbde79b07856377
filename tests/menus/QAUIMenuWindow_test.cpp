#include "MenusTestSupport.h"

#include "core/ApplicationModel.h"
#include "core/ServiceLayer.h"
#include "core/ShownWindows.h"
#include "menus/QAUIMenuWindowController.h"
#include "menus/QAUISignOutController.h"
#include "platform/Application.h"
#include "platform/Compositing.h"
#include "platform/StatusBar.h"
#include "toolkit/BaseWindowViewController.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDBusConnection>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>

using namespace menus_test;

TEST(MenuWindowPlacement, CentresOnTheAnchorBelowATopPanelAndAboveABottomOne) {
    const QRect screen(0, 28, 1920, 1052); // a 28 px top panel
    const QSize size(300, 400);
    const MenuWindowPlacement top = placeMenuWindow(QRect(900, 2, 24, 24), size, screen);
    EXPECT_EQ(top.frame, QRect(762, 28 + 15, 300, 400)) << "15 px under the panel, not under the icon";
    EXPECT_FALSE(top.keepsBottomEdge);

    const MenuWindowPlacement right = placeMenuWindow(QRect(1900, 2, 20, 24), size, screen);
    EXPECT_EQ(right.frame.right(), screen.right()); // clamped sideways
    const MenuWindowPlacement left = placeMenuWindow(QRect(0, 2, 20, 24), size, screen);
    EXPECT_EQ(left.frame.left(), 0);

    const QRect aboveBottomPanel(0, 0, 1920, 1040);
    const MenuWindowPlacement bottom = placeMenuWindow(QRect(1800, 1050, 24, 24), size, aboveBottomPanel);
    EXPECT_TRUE(bottom.keepsBottomEdge);
    EXPECT_EQ(bottom.frame.bottom(), 1040 - 15 - 1);
    // A panel that reserves no room: 15 px beyond the icon.
    EXPECT_EQ(placeMenuWindow(QRect(900, 0, 28, 28), size, QRect(0, 0, 1920, 1080)).frame.top(), 28 + 15);
    EXPECT_EQ(bottom.frame.height(), 400);

    const MenuWindowPlacement noScreen = placeMenuWindow(QRect(-500, 10, 20, 20), size, QRect());
    EXPECT_EQ(noScreen.frame.topLeft(), QPoint(-500 + 10 - 150, 10 + 20 + 15));

    // Never off the available area nor over the icon, also for a window taller than the room below it:
    // it is made shorter (and scrolls) instead.
    const MenuWindowPlacement tall = placeMenuWindow(QRect(900, 400, 20, 20), QSize(300, 900), screen);
    EXPECT_TRUE(screen.contains(tall.frame));
    EXPECT_EQ(tall.frame.top(), 420 + 15);
    const MenuWindowPlacement overNoPanel =
        placeMenuWindow(QRect(772, 0, 28, 28), QSize(300, 560), QRect(0, 0, 800, 500));
    EXPECT_EQ(overNoPanel.frame, QRect(500, 28 + 15, 300, 500 - 28 - 15));
    const MenuWindowPlacement tallAbove =
        placeMenuWindow(QRect(1800, 1050, 24, 24), QSize(300, 1200), aboveBottomPanel);
    EXPECT_EQ(tallAbove.frame, QRect(1620, 0, 300, 1040 - 15));
}

TEST(MenuWindowPlacement, OpenedByTheClientItSitsWhereAClickOnTheIconPutsIt) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const QRect available = screen->availableGeometry();
    const QSize size(300, 400);
    // No click yet and no word from the tray: just below the panel, at its right end.
    const MenuWindowPlacement opened = placeMenuWindow(statusItemAnchor(nullptr), size, available);
    EXPECT_EQ(opened.frame.top(), available.top() + platform::StatusItem::usualPanelHeight + 15)
        << "this screen reserves no panel: under a usual one over its top";
    EXPECT_EQ(opened.frame.right(), available.right());
    // A click in the middle of a usual panel's icon puts it at the same height.
    platform::StatusBar bar(QDBusConnection(QStringLiteral("no bus")));
    platform::StatusItem* item = bar.statusItem();
    item->performClick(
        QPoint(available.right() - 12, available.top() + platform::StatusItem::usualPanelHeight / 2));
    EXPECT_EQ(placeMenuWindow(statusItemAnchor(item), size, available).frame.top(), opened.frame.top());
}

TEST(MenuWindowPlacement, ResizesKeepTheAnchoredEdge) {
    const QRect frame(100, 50, 300, 236);
    EXPECT_EQ(resizedMenuFrame(frame, 400, false, std::nullopt), QRect(100, 50, 300, 400));
    EXPECT_EQ(resizedMenuFrame(frame, 400, true, std::nullopt).bottom(), frame.bottom());
    EXPECT_EQ(resizedMenuFrame(frame, 400, true, QRect(0, 0, 800, 600)).top(), 0);
    // Growing past the screen's edge it stops there rather than move over the panel beside its kept edge.
    EXPECT_EQ(resizedMenuFrame(frame, 700, false, QRect(0, 0, 800, 600)), QRect(100, 50, 300, 550));
}

TEST(MenuWindowPlacement, AGroupsChildWindowOpensBesideItsRow) {
    const QRect row(500, 300, 276, 32);
    const struct {
        const char* what;
        QRect available;
        QSize size;
        int left;
    } cases[] = {
        {"room on the right", QRect(0, 0, 1920, 1080), QSize(260, 112), row.right() + 1 + 45},
        {"no room on the right", QRect(0, 0, 900, 1080), QSize(260, 112), row.left() - 45 - 260},
        {"a tall list", QRect(0, 0, 1920, 1080), QSize(260, 314), row.right() + 1 + 45},
    };
    for (const auto& c : cases) {
        const QRect child = childWindowFrame(row, c.size, c.available);
        EXPECT_EQ(child.left(), c.left) << c.what;
        EXPECT_EQ(child.center().y(), row.center().y()) << c.what;
    }
}

namespace {

// The sign-out code card belongs to the sign-in screens; a card of wrapped lines stands in for it.
class WrappedLinesCard : public QWidget, public ModalPopover {
public:
    WrappedLinesCard() {
        auto* text =
            new QLabel(QString(QStringLiteral("A line long enough to wrap in the card. ")).repeated(8), this);
        text->setWordWrap(true);
        text->setFixedWidth(292);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(text);
        layout->addWidget(new QPushButton(QStringLiteral("Cancel"), this));
    }
    QWidget* popoverWidget() override { return this; }
    void setPopoverDelegate(PopoverViewDelegate*) override {}
};

} // namespace

namespace {

class MenuWindowTest : public MenusTest {
protected:
    platform::StatusBar bar{QDBusConnection(QStringLiteral("veltrix-no-bus"))};
    platform::StatusItem* item = bar.statusItem();
    QAUIMenuWindowController quickAccess;

    MenuWindowTest() {
        quickAccess.setDataSource(&source);
        quickAccess.setDelegate(&actions);
    }

    int widgetCount() const { return static_cast<int>(QApplication::allWidgets().size()); }
};

} // namespace

TEST_F(MenuWindowTest, OpensAtTheClickAndClosesOnASecondToggleEscOrLosingTheFocus) {
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    item->performClick(available.topLeft() + QPoint(200, 5)); // records where the click was
    quickAccess.toggleMenu(item);
    ASSERT_TRUE(quickAccess.isWindowVisible());
    EXPECT_TRUE(isMenuWindowShown());
    EXPECT_EQ(quickAccess.window()->geometry().left(), available.left() + 200 - 150);
    EXPECT_EQ(quickAccess.window()->geometry().top(),
              available.top() + 5 + platform::StatusItem::usualPanelHeight / 2 + 15)
        << "15 px under a usual panel's icon around the click";
    quickAccess.toggleMenu(item);
    EXPECT_FALSE(quickAccess.isWindowVisible());
    EXPECT_FALSE(isMenuWindowShown());

    quickAccess.toggleMenu(item);
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(quickAccess.window(), &esc);
    EXPECT_FALSE(quickAccess.isWindowVisible());

    quickAccess.toggleMenu(item);
    emit platform::Application::instance()->didResignActive();
    EXPECT_FALSE(quickAccess.isWindowVisible());
    // The tray click that took the focus toggles 0.1 s later: it must not reopen the window.
    scheduler.advance(0.3);
    quickAccess.toggleMenu(item);
    EXPECT_FALSE(quickAccess.isWindowVisible());
    scheduler.advance(0.5);
    quickAccess.toggleMenu(item);
    EXPECT_TRUE(quickAccess.isWindowVisible());
    quickAccess.close();
}

TEST_F(MenuWindowTest, EachPageGivesTheWindowItsHeight) {
    const struct {
        const char* page;
        void (QAUIMenuWindowController::*show)();
        int height;
    } pages[] = {
        {"signed out", &QAUIMenuWindowController::showLoggedOutPage, 236},
        {"onboarding", &QAUIMenuWindowController::showOnboardingPage, qaui::onboardingPageHeight},
        {"signed out again", &QAUIMenuWindowController::showLoggedOutPage, 236},
    };
    quickAccess.toggleMenu(item);
    for (const auto& page : pages) {
        (quickAccess.*page.show)();
        settle();
        EXPECT_EQ(quickAccess.window()->height(), page.height) << page.page;
    }
    quickAccess.close();
}

TEST_F(MenuWindowTest, LoggedOutPageSizesTheWindowToItsToasts) {
    quickAccess.showLoggedOutPage();
    quickAccess.toggleMenu(item);
    settle();
    EXPECT_EQ(quickAccess.window()->height(), 236);
    quickAccess.showErrorNotification(QStringLiteral("Sign-in failed"), QStringLiteral("Try again."), true);
    scheduler.advance(0.49);
    EXPECT_FALSE(quickAccess.loggedOutController()->errorView()->hasNotifications());
    settle(1.0);
    QAUIErrorView* toasts = quickAccess.loggedOutController()->errorView();
    ASSERT_TRUE(toasts->hasNotifications());
    EXPECT_FALSE(quickAccess.loggedOutController()->loggedOutView()->showingLogo());
    EXPECT_EQ(quickAccess.window()->height(), static_cast<int>(80 + toasts->height() + 56));

    // A sign-in in progress clears the toasts and brings the logo area back, with the loader in it.
    quickAccess.showProgressIndicator();
    settle();
    EXPECT_EQ(quickAccess.window()->height(), 236);
    QAUIStatusLoggedOutView* logoSection = quickAccess.loggedOutController()->loggedOutView();
    EXPECT_TRUE(logoSection->isWaving());
    EXPECT_FALSE(logoSection->loaderAnimationView()->isHidden());
    EXPECT_TRUE(logoSection->signinBtn()->isHidden());
    quickAccess.hideProgressIndicator();
    EXPECT_TRUE(logoSection->loaderAnimationView()->isHidden());
    EXPECT_FALSE(logoSection->logo()->isHidden());
    quickAccess.close();
}

// The signed-out page (its loader animation included) exists only while signed out: a toast or the
// sign-in progress makes it, the signed-in page gives it back, a sign-out makes it again.
TEST_F(MenuWindowTest, TheSignedOutPageIsHeldOnlyWhileSignedOut) {
    EXPECT_EQ(quickAccess.loggedOutController(), nullptr) << "not made with the window";
    const std::function<void()> makers[] = {
        [&] { quickAccess.showLoggedOutPage(); },
        [&] { quickAccess.showProgressIndicator(); },
        [&] {
            quickAccess.showErrorNotification(QStringLiteral("Sign-in failed"), QStringLiteral("Again."),
                                              false);
        },
    };
    for (const auto& make : makers) {
        make();
        settle(1.0);
        ASSERT_NE(quickAccess.loggedOutController(), nullptr);
        QPointer<platform::ViewController> page = quickAccess.loggedOutController();
        quickAccess.showLoggedInPage();
        settle();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(quickAccess.loggedOutController(), nullptr);
        EXPECT_TRUE(page.isNull()) << "given back, with its view";
        EXPECT_EQ(quickAccess.contentViewController(), quickAccess.loggedInController());
    }
    quickAccess.hideProgressIndicator();
    quickAccess.hideNotifications(false);
    settle(1.0);
    EXPECT_EQ(quickAccess.loggedOutController(), nullptr) << "nothing to take away makes no page";
}

TEST_F(MenuWindowTest, SignInClearsTheToastsAndAsksTheSdk) {
    quickAccess.showLoggedOutPage();
    quickAccess.showErrorNotification(QStringLiteral("Session expired"), QStringLiteral("Sign in again."),
                                      false);
    settle();
    driver.clearCalls();
    quickAccess.loggedOutController()->loggedOutView()->signInButton()->click();
    EXPECT_FALSE(quickAccess.loggedOutController()->errorView()->hasNotifications());
    EXPECT_TRUE(driver.lastCall(QStringLiteral("login")).has_value());
}

TEST_F(MenuWindowTest, LoggedInPageGrowsWithItsSectionsAndKeepsItsBottomEdgeAboveABottomPanel) {
    const PDNetworkItemPtr x = network(QStringLiteral("x"));
    const PDNetworkItemPtr y = network(QStringLiteral("y"));
    driver.setLoggedIn(true);
    driver.setNetworks(model({{x, y}, {y}, {x}}));
    driver.setCurrentNetwork(x);
    ServiceLayer::appModel().setIsQAUIStatusViewHidden(true);
    quickAccess.showLoggedInPage();
    quickAccess.updateGroupedLocations();
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    item->performClick(QPoint(available.center().x(), available.bottom() - 3));
    quickAccess.toggleMenu(item);
    settle();
    QAUILoggedInViewController* page = quickAccess.loggedInController();
    EXPECT_EQ(quickAccess.window()->height(), 91 + 0 + 83 + 68 + 229);
    EXPECT_EQ(page->networkViewButtonConstraint(), 1);
    const int bottom = quickAccess.window()->geometry().bottom();

    driver.setConnectionState(SDVPNConnectionState::connecting);
    quickAccess.setConnectingState();
    quickAccess.updateGroupedLocations();
    settle();
    EXPECT_EQ(page->networkViewButtonConstraint(), 12);
    EXPECT_EQ(quickAccess.window()->height(), 91 + 85 + 0 + 68 + 229);
    EXPECT_EQ(quickAccess.window()->geometry().bottom(), bottom);

    const QRect before = quickAccess.window()->geometry();
    page->heightWasChanged(page->networkView(), 85.0, true); // the height it has: nothing moves
    settle();
    EXPECT_EQ(quickAccess.window()->geometry(), before);
    quickAccess.close();
}

// What the signed-in page shows where: the window's frame and each section's place in it.
struct PageLayout {
    QRect window;
    std::vector<QRect> sections;
    bool operator==(const PageLayout&) const = default;
};

void PrintTo(const PageLayout& layout, std::ostream* out) {
    const auto print = [out](const QRect& r) {
        *out << r.x() << ',' << r.y() << ' ' << r.width() << 'x' << r.height();
    };
    print(layout.window);
    for (const QRect& section : layout.sections) {
        *out << " | ";
        print(section);
    }
}

PageLayout layoutOf(QAUIMenuWindowController& quickAccess) {
    QAUILoggedInViewController* page = quickAccess.loggedInController();
    QWidget* window = quickAccess.window();
    PageLayout layout{window->geometry(), {}};
    for (QWidget* section :
         std::initializer_list<QWidget*>{page->statusView(), page->networkView(), page->quickAccessView(),
                                         page->qauiNetworksView(), page->serviceView()}) {
        layout.sections.emplace_back(section->mapTo(window, QPoint(0, 0)), section->size());
    }
    return layout;
}

TEST_F(MenuWindowTest, TheSignedInPageIsLaidOutBeforeItShowsAndStaysPut) {
    const PDNetworkItemPtr x = network(QStringLiteral("x"));
    driver.setLoggedIn(true);
    driver.setNetworks(model({{x}, {x}, {x}}));
    driver.setCurrentNetwork(x);
    driver.setConnectionState(SDVPNConnectionState::connected);
    ServiceLayer::appModel().setIsQAUIStatusViewHidden(true);
    const auto toggleStatusList = [this] {
        quickAccess.loggedInController()->statusView()->hideStatusViewButtonTap();
    };
    const auto expandAndCollapse = [&] { toggleStatusList(), settle(), toggleStatusList(); };
    const struct {
        const char* name;
        std::function<void()> before; // with the window open, just before it closes
        double closedFor;
    } cases[] = {
        {"first show", [] {}, 0.0},
        {"closed during the list's collapse", expandAndCollapse, 0.0},
        {"closed during the list's collapse, opened after its end", expandAndCollapse, 1.0},
        {"closed during the list's expansion", toggleStatusList, 0.0},
        {"closed during a connection change",
         [&] {
             driver.setConnectionState(SDVPNConnectionState::disconnected);
             quickAccess.setDisconnectedState();
         },
         0.0},
    };
    quickAccess.showLoggedInPage();
    for (const auto& c : cases) {
        quickAccess.toggleMenu(item);
        c.before();
        quickAccess.close();
        settle(c.closedFor);
        QCoreApplication::sendPostedEvents(); // what the event loop does meanwhile
        quickAccess.toggleMenu(item);
        QCoreApplication::sendPostedEvents();
        const PageLayout shown = layoutOf(quickAccess);
        settle(0.5);
        EXPECT_EQ(layoutOf(quickAccess), shown) << c.name << ": it moved after it showed";
        // Nothing left between the sections from a height it had before.
        const PageLayout settled = layoutOf(quickAccess);
        EXPECT_EQ(settled.window.height(), quickAccess.loggedInController()->preferredWindowHeight())
            << c.name;
        quickAccess.close();
        settle();
    }
}

TEST_F(MenuWindowTest, HubUpdatesReachTheSections) {
    const PDNetworkItemPtr x = network(QStringLiteral("x"));
    driver.setLoggedIn(true);
    driver.setNetworks(model({{x}, {}, {x}}));
    driver.setCurrentNetwork(x);
    driver.setConnectionState(SDVPNConnectionState::connected);
    quickAccess.showLoggedInPage();
    quickAccess.toggleMenu(item);
    quickAccess.setConnectedState();
    quickAccess.updateIPAddress(std::make_shared<PDPublicIPInfo>(QStringLiteral("198.51.100.42")));
    quickAccess.updateTimeConnected(QStringLiteral("00:00:07"));
    settle();
    QAUINetworkView* network = quickAccess.loggedInController()->networkView();
    EXPECT_EQ(network->ipAddressValue()->ipAddress(), QStringLiteral("198.51.100.42"));
    EXPECT_EQ(network->timeConnectedValue(), QStringLiteral("00:00:07"));
    EXPECT_EQ(network->heightConstant(), 137.0);
    EXPECT_EQ(quickAccess.loggedInController()->quickAccessView()->heightConstant(), 0.0);

    driver.setConnectionState(SDVPNConnectionState::disconnected);
    quickAccess.setDisconnectedState(); // the network section collapses and the list gets x back
    settle();
    EXPECT_EQ(network->heightConstant(), 0.0);
    EXPECT_EQ(quickAccess.loggedInController()->quickAccessView()->heightConstant(), 83.0);
    quickAccess.close();
}

TEST_F(MenuWindowTest, AGroupOpensTheChildWindowBesideAndASecondChoiceClosesIt) {
    const PDNetworkItemPtr x = network(QStringLiteral("x"));
    const PDNetworkItemPtr s = network(QStringLiteral("s"), PDNetworkKind::sharedNetwork);
    driver.setLoggedIn(true);
    driver.setNetworks(model({{x}, {s}, {}}));
    quickAccess.showLoggedInPage();
    quickAccess.toggleMenu(item);
    settle();
    HoverableTableView* groups = quickAccess.loggedInController()->qauiNetworksView()->tableView();
    ASSERT_EQ(groups->numberOfRows(), 2);
    groups->selectRow(0);
    QAUINetworksWindowController* child = quickAccess.networksWindowController();
    ASSERT_TRUE(child->isWindowVisible());
    EXPECT_EQ(child->networkItemType(), QAUINetworkGroupsViewItem::privateNetworks);
    EXPECT_TRUE(groups->rowViewAtRow(0)->isSelected());
    EXPECT_EQ(groups->selectedRow(), -1);
    const QRect row(groups->rowViewAtRow(0)->mapToGlobal(QPoint(0, 0)), groups->rowViewAtRow(0)->size());
    EXPECT_EQ(child->window()->geometry().center().y(), row.center().y());

    groups->selectRow(0);
    EXPECT_FALSE(child->isWindowVisible());
    EXPECT_FALSE(groups->rowViewAtRow(0)->isSelected());

    groups->selectRow(1);
    ASSERT_TRUE(child->isWindowVisible());
    child->content()->tableView()->selectRow(0);
    EXPECT_EQ(actions.calls, QStringList{QStringLiteral("didSelectLocation s")});
    EXPECT_FALSE(child->isWindowVisible());

    groups->selectRow(1);
    driver.setNetworks(model({{x}, {}, {}})); // the shown group became empty
    quickAccess.updateLocationLists();
    EXPECT_FALSE(child->isWindowVisible());

    groups->selectRow(0);
    ASSERT_TRUE(child->isWindowVisible());
    quickAccess.close(); // the child goes with the window
    EXPECT_FALSE(child->isWindowVisible());
    EXPECT_EQ(child->parentView(), nullptr);
}

TEST_F(MenuWindowTest, EscInTheChildWindowClosesBoth) {
    driver.setLoggedIn(true);
    driver.setNetworks(model({{network(QStringLiteral("x"))}, {}, {}}));
    quickAccess.showLoggedInPage();
    quickAccess.toggleMenu(item);
    settle();
    quickAccess.loggedInController()->qauiNetworksView()->tableView()->selectRow(0);
    QWidget* child = quickAccess.networksWindowController()->window();
    ASSERT_TRUE(child->isVisible());
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(child, &esc);
    EXPECT_FALSE(child->isVisible());
    EXPECT_FALSE(quickAccess.isWindowVisible());
}

TEST_F(MenuWindowTest, IdleHiddenWindowLeavesNoTimerAndCyclesLeaveNoWidgets) {
    driver.setLoggedIn(true);
    driver.setNetworks(model({{network(QStringLiteral("x"))}, {network(QStringLiteral("s"))}, {}}));
    quickAccess.showLoggedInPage();
    auto cycle = [&] {
        quickAccess.toggleMenu(item);
        quickAccess.loggedInController()->qauiNetworksView()->tableView()->selectRow(0);
        settle(0.7);
        quickAccess.toggleMenu(item);
        settle(0.7);
    };
    cycle(); // the first openings make what every later one reuses
    cycle();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const int widgets = widgetCount();
    for (int i = 0; i < 100; ++i) {
        cycle();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(widgetCount(), widgets);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(MenuWindowTest, SignOutWindowClosesTheQuickAccessWindowAndPicksItsVariant) {
    registerModalPopover(ModalViewControllerType::codeConfirmationSignOut,
                         [] { return new WrappedLinesCard; });
    QAUISignOutController signOut;
    signOut.close(); // never shown: nothing
    EXPECT_FALSE(signOut.isVisible());
    quickAccess.toggleMenu(item);
    signOut.show();
    EXPECT_FALSE(quickAccess.isWindowVisible());
    ASSERT_TRUE(signOut.isVisible());
    EXPECT_EQ(signOut.modalViewController()->controllerType(), ModalViewControllerType::warningSignOut);
    EXPECT_TRUE(signOut.window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    quickAccess.toggleMenu(item); // not while the sign-out window is up
    EXPECT_FALSE(quickAccess.isWindowVisible());

    signOut.modalViewController()->viewClicked(); // a click on the background
    EXPECT_FALSE(signOut.isVisible());

    PDSettings settings = VeltrixXPC::settings();
    settings.alwaysOn.value = true;
    driver.setSettings(settings);
    signOut.show();
    EXPECT_EQ(signOut.modalViewController()->controllerType(),
              ModalViewControllerType::codeConfirmationSignOut);
    // Grown from the shorter warning card: the code card gets its whole height, wrapped lines included.
    QWidget* card = signOut.modalViewController()->shownPopoverView();
    signOut.window()->layout()->activate();
    signOut.modalViewController()->bgView()->layout()->activate();
    EXPECT_GE(card->width(), card->sizeHint().width());
    EXPECT_GE(card->height(), card->heightForWidth(card->width()));
    EXPECT_TRUE(signOut.window()->rect().contains(card->geometry()));
    signOut.modalViewController()->popoverCanceled(nullptr);
    EXPECT_FALSE(signOut.isVisible());
}

TEST_F(MenuWindowTest, TheHeaderButtonBringsTheMainWindowBackOnBothPages) {
    for (bool signedIn : {false, true}) {
        signedIn ? quickAccess.showLoggedInPage() : quickAccess.showLoggedOutPage();
        quickAccess.toggleMenu(item);
        auto* maximize = quickAccess.window()->findChild<QAbstractButton*>(QStringLiteral("maximizeButton"));
        ASSERT_NE(maximize, nullptr);
        maximize->click();
        quickAccess.close();
    }
    EXPECT_EQ(router.count(QStringLiteral("enterForegroundMode")), 2);
}

// Without a compositor a window's clear corners reach the screen black: both windows with round corners are
// then drawn opaque, their corners in the window's own ground; over a compositor the corners stay clear.
TEST_F(MenuWindowTest, WindowsWithRoundCornersAreOpaqueAndSquareWithoutACompositor) {
    QAUISignOutController signOut;
    struct Window {
        const char* what;
        std::function<QWidget*()> show;
        std::function<void()> close;
    };
    const Window windows[] = {
        {"quick-access window",
         [&] {
             quickAccess.toggleMenu(item);
             return quickAccess.window();
         },
         [&] { quickAccess.close(); }},
        {"sign-out card",
         [&] {
             signOut.show();
             return signOut.window();
         },
         [&] { signOut.close(); }},
    };
    for (const Window& window : windows) {
        for (const bool composited : {false, true, false}) {
            SCOPED_TRACE(testing::Message()
                         << window.what << (composited ? " over" : " without") << " a compositor");
            platform::Compositing::setActiveOverride(composited);
            QWidget* shown = window.show();
            ASSERT_TRUE(shown && shown->isVisible());
            const QImage image = shown->grab().toImage();
            const QColor corner = image.pixelColor(0, 0);
            if (composited) {
                EXPECT_EQ(corner.alpha(), 0) << "round: what lies beneath shows at the corner";
            } else {
                EXPECT_EQ(corner.alpha(), 255);
                EXPECT_NE(corner, QColor(Qt::black));
                // Square: the edge goes on to the corner (within the blending of the edge's line).
                const QColor edge = image.pixelColor(0, image.height() / 2);
                for (const auto& [a, b] :
                     {std::pair{corner.red(), edge.red()}, std::pair{corner.green(), edge.green()},
                      std::pair{corner.blue(), edge.blue()}}) {
                    EXPECT_NEAR(a, b, 2)
                        << corner.name().toStdString() << " at the corner, " << edge.name().toStdString();
                }
            }
            window.close();
            ASSERT_FALSE(shown->isVisible());
        }
    }
    platform::Compositing::setActiveOverride(std::nullopt);
}
