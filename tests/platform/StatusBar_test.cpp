#include "platform/StatusBar.h"

#include "support/PrivateBus.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <functional>

using platform::StatusBar;
using platform::StatusItem;

namespace {

class StatusBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!m_bus.isValid()) {
            GTEST_SKIP() << "dbus-daemon could not be started";
        }
    }

    PrivateBus m_bus;
};

// Every opaque pixel of the icon at 32 px, as opaque colours.
std::vector<QRgb> opaquePixels(const QIcon& icon) {
    const QImage image = icon.pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
    std::vector<QRgb> pixels;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) == 255) {
                pixels.push_back(image.pixel(x, y) | 0xff000000u);
            }
        }
    }
    return pixels;
}

class PaletteGuard {
public:
    PaletteGuard() : m_saved(QGuiApplication::palette()) {}
    ~PaletteGuard() { QApplication::setPalette(m_saved); }
    static void setText(const QColor& color) {
        QPalette palette = QGuiApplication::palette();
        palette.setColor(QPalette::WindowText, color);
        QApplication::setPalette(palette);
    }

private:
    QPalette m_saved;
};

} // namespace

TEST_F(StatusBarTest, ItemKeepsItsStateWithoutATray) {
    StatusBar bar(m_bus.connect());
    StatusItem* item = bar.statusItem();
    ASSERT_FALSE(bar.isTrayAvailable());

    EXPECT_TRUE(item->setImage("AppIcon"));
    EXPECT_EQ(item->imageName(), "AppIcon");
    EXPECT_TRUE(item->isTemplateImage());
    EXPECT_FALSE(item->setImage("NoSuchImage")) << "a missing image is reported";
    EXPECT_EQ(item->imageName(), "AppIcon") << "and leaves the icon as it was";
    EXPECT_FALSE(item->icon().isNull());

    item->setToolTip("Connected");
    EXPECT_EQ(item->toolTip(), "Connected");

    auto* menu = new QMenu;
    menu->addAction("Sign In");
    item->setMenu(menu);
    EXPECT_EQ(item->menuEntries(), menu);
    delete menu;
    EXPECT_EQ(item->menuEntries(), nullptr) << "the menu is not owned and is forgotten when it goes";
    EXPECT_TRUE(item->menu()->actions().isEmpty()) << "and its items leave the tray's menu with it";

    EXPECT_TRUE(item->isVisible());
    item->setVisible(false);
    EXPECT_FALSE(item->isVisible());
    EXPECT_FALSE(item->isTrayIconShown());

    item->performClick(); // no action yet: nothing happens
    int clicks = 0;
    item->setAction([&] { ++clicks; });
    item->performClick();
    item->performClick();
    EXPECT_EQ(clicks, 2);

    bar.removeStatusItem(item);
    bar.removeStatusItem(item); // a second removal is ignored
}

TEST_F(StatusBarTest, TheTrayKeepsOneMenuWhoseItemsFollowTheGivenMenu) {
    StatusBar bar(m_bus.connect());
    StatusItem* item = bar.statusItem();
    QMenu* shown = item->menu();
    ASSERT_NE(shown, nullptr);
    QMenu signedOut;
    QAction* signIn = signedOut.addAction("Sign In");
    QMenu signedIn;
    QAction* connect = signedIn.addAction("Connect");
    QAction* signOut = signedIn.addAction("Sign Out");
    auto* location = new QAction("Headquarters", &signedIn);
    auto* help = new QAction("Help", &signedOut);

    struct Step {
        const char* what;
        std::function<void()> act;
        QList<QAction*> expected;
    };
    const Step steps[] = {
        {"signed out", [&] { item->setMenu(&signedOut); }, {signIn}},
        {"signed in", [&] { item->setMenu(&signedIn); }, {connect, signOut}},
        {"an item inserted", [&] { signedIn.insertAction(signOut, location); }, {connect, location, signOut}},
        {"an item removed", [&] { signedIn.removeAction(connect); }, {location, signOut}},
        {"a menu no longer shown changes", [&] { signedOut.addAction(help); }, {location, signOut}},
        {"signed out again", [&] { item->setMenu(&signedOut); }, {signIn, help}},
        {"signed in again", [&] { item->setMenu(&signedIn); }, {location, signOut}},
    };
    for (const Step& step : steps) {
        step.act();
        EXPECT_EQ(item->menu(), shown) << step.what << ": the tray's menu is never replaced";
        EXPECT_EQ(shown->actions(), step.expected) << step.what;
    }
}

TEST_F(StatusBarTest, TemplateImagesFollowThePanelTextColour) {
    PaletteGuard guard;
    PaletteGuard::setText(QColor("#FF0000"));
    StatusBar bar(m_bus.connect());
    StatusItem* item = bar.statusItem();

    ASSERT_TRUE(item->setImage("AppIcon", true));
    auto pixels = opaquePixels(item->icon());
    ASSERT_FALSE(pixels.empty());
    for (QRgb pixel : pixels) {
        ASSERT_EQ(pixel, qRgb(255, 0, 0));
    }

    PaletteGuard::setText(QColor("#00FF00"));
    pixels = opaquePixels(item->icon());
    ASSERT_FALSE(pixels.empty());
    for (QRgb pixel : pixels) {
        ASSERT_EQ(pixel, qRgb(0, 255, 0)) << "a palette change tints the icon again";
    }

    ASSERT_TRUE(item->setImage("AppIcon", false));
    pixels = opaquePixels(item->icon());
    EXPECT_TRUE(std::any_of(pixels.begin(), pixels.end(), [](QRgb p) { return p != qRgb(0, 255, 0); }))
        << "an image that is no template keeps its colours";
}

TEST_F(StatusBarTest, AClickRecordsWhereThePointerWasForTraysThatDoNotSay) {
    StatusBar bar(m_bus.connect());
    StatusItem* item = bar.statusItem();
    int clicks = 0;
    item->setAction([&] { ++clicks; });
    EXPECT_FALSE(item->lastClickPosition().has_value());
    EXPECT_FALSE(item->trayGeometry().has_value());
    item->performClick(QPoint(1500, 12));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(item->lastClickPosition(), QPoint(1500, 12));
}

TEST_F(StatusBarTest, ButtonGeometryFallsBackToTheTopRightOfTheScreen) {
    StatusBar bar(m_bus.connect());
    const QRect geometry = bar.statusItem()->buttonGeometry();
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_FALSE(geometry.isEmpty());
    EXPECT_TRUE(available.contains(geometry));
    EXPECT_EQ(geometry.right(), available.right());
    EXPECT_EQ(geometry.top(), available.top());
}

TEST_F(StatusBarTest, WaitsForTheTrayHostToAppearAndNoticesItGo) {
    StatusBar bar(m_bus.connect());
    StatusItem* item = bar.statusItem();
    item->setImage("AppIcon");
    QSignalSpy changes(&bar, &StatusBar::trayAvailabilityChanged);
    EXPECT_FALSE(bar.isTrayAvailable());

    QDBusConnection host = m_bus.connect();
    ASSERT_TRUE(host.registerService(StatusBar::watcherService));
    ASSERT_TRUE(testsupport::waitUntil([&] { return bar.isTrayAvailable(); }))
        << "the host's arrival was missed";
    ASSERT_EQ(changes.count(), 1) << "availability went back and forth";
    EXPECT_TRUE(changes.at(0).at(0).toBool());

    ASSERT_TRUE(host.unregisterService(StatusBar::watcherService));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !bar.isTrayAvailable(); }));
    ASSERT_EQ(changes.count(), 2);
    EXPECT_FALSE(changes.at(1).at(0).toBool());
    EXPECT_FALSE(item->isTrayIconShown()) << "no icon counts as shown once the host has gone";
    EXPECT_EQ(item->imageName(), "AppIcon");
}

TEST_F(StatusBarTest, FindsATrayHostThatIsAlreadyThere) {
    QDBusConnection host = m_bus.connect();
    ASSERT_TRUE(host.registerService(StatusBar::watcherService));

    StatusBar bar(m_bus.connect());
    QSignalSpy changes(&bar, &StatusBar::trayAvailabilityChanged);
    ASSERT_TRUE(testsupport::waitUntil([&] { return bar.isTrayAvailable(); }));
    EXPECT_EQ(changes.count(), 1);
}
