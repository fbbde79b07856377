#include "platform/StatusBar.h"

#include "support/FakeStatusNotifierWatcher.h"
#include "support/PrivateBus.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QCoreApplication>
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

TEST_F(StatusBarTest, TemplateImagesAreLightInsideADarkOutlineOnAnyPanel) {
    PaletteGuard guard;
    StatusBar bar(m_bus.connect());
    StatusItem* item = bar.statusItem();
    const auto lightness = [](QRgb pixel) { return QColor(pixel).lightness(); };

    std::vector<std::vector<QRgb>> drawn;
    for (const char* text : {"#000000", "#FFFFFF"}) {
        PaletteGuard::setText(QColor(text));
        ASSERT_TRUE(item->setImage("MenuBar_icon_CONNECTED", true));
        drawn.push_back(opaquePixels(item->icon()));
        const std::vector<QRgb>& pixels = drawn.back();
        ASSERT_FALSE(pixels.empty());
        EXPECT_TRUE(std::ranges::any_of(pixels, [&](QRgb p) { return lightness(p) > 230; }))
            << "no light shape with panel text " << text;
        EXPECT_TRUE(std::ranges::any_of(pixels, [&](QRgb p) { return lightness(p) < 60; }))
            << "no dark outline with panel text " << text;
    }
    EXPECT_EQ(drawn[0], drawn[1]) << "the panel's text colour does not change the icon";

    ASSERT_TRUE(item->setImage("AppIcon", false));
    const std::vector<QRgb> colours = opaquePixels(item->icon());
    EXPECT_TRUE(std::ranges::any_of(colours, [&](QRgb p) { return QColor(p).saturation() > 60; }))
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

TEST_F(StatusBarTest, ButtonGeometryIsTheTraysWordElseTheLastClickElseTheUsualPlace) {
    StatusBar bar(m_bus.connect());
    StatusItem* item = bar.statusItem();
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect usual = item->buttonGeometry();
    EXPECT_EQ(usual, StatusItem::usualIconGeometry());
    EXPECT_EQ(usual.right(), available.right());
    // This screen reserves no panel: a usual one is taken to lie over its top.
    EXPECT_EQ(usual.top(), available.top());
    EXPECT_EQ(usual.height(), StatusItem::usualPanelHeight);
    item->performClick(QPoint(1500, 12));
    EXPECT_EQ(item->buttonGeometry(), QRect(1500 - 14, 12 - 14, 28, 28)) << "a usual icon around the click";
}

TEST_F(StatusBarTest, TheClientIsInTheTrayOnlyWithAHostAndItsItemListed) {
    StatusBar bar(m_bus.connect());
    QSignalSpy presence(&bar, &StatusBar::trayPresenceChanged);
    QDBusConnection desktop = m_bus.connect();
    FakeStatusNotifierWatcher watcher(false);
    const QString ownItem =
        QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(QCoreApplication::applicationPid());

    struct Step {
        const char* what;
        std::function<void()> act;
        bool available;
        bool present;
    };
    const Step steps[] = {
        {"no watcher", [] {}, false, false},
        {"a watcher without a host", [&] { ASSERT_TRUE(watcher.start(desktop)); }, false, false},
        {"a host", [&] { watcher.setHostRegistered(true); }, true, false},
        {"another program's item",
         [&] { watcher.RegisterStatusNotifierItem("org.kde.StatusNotifierItem-1-1"); }, true, false},
        {"the client's item", [&] { watcher.RegisterStatusNotifierItem(ownItem); }, true, true},
        {"the host gone", [&] { watcher.setHostRegistered(false); }, false, false},
        {"the host back", [&] { watcher.setHostRegistered(true); }, true, true},
        {"the watcher gone", [&] { watcher.stop(); }, false, false},
    };
    for (const Step& step : steps) {
        step.act();
        EXPECT_TRUE(testsupport::waitUntil([&] {
            return bar.isTrayAvailable() == step.available && bar.isTrayPresent() == step.present;
        })) << step.what;
    }
    // Each change was told once: in, out, in, out.
    ASSERT_EQ(presence.count(), 4);
    EXPECT_TRUE(presence.at(0).at(0).toBool());
    EXPECT_FALSE(presence.at(3).at(0).toBool());
}

TEST_F(StatusBarTest, FindsATrayThatIsAlreadyThere) {
    QDBusConnection desktop = m_bus.connect();
    FakeStatusNotifierWatcher watcher(true);
    ASSERT_TRUE(watcher.start(desktop));
    watcher.RegisterStatusNotifierItem(
        QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(QCoreApplication::applicationPid()));

    StatusBar bar(m_bus.connect());
    QSignalSpy presence(&bar, &StatusBar::trayPresenceChanged);
    ASSERT_TRUE(testsupport::waitUntil([&] { return bar.isTrayPresent(); }));
    EXPECT_EQ(presence.count(), 1);
}
