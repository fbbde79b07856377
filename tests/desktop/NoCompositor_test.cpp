// Windows with round corners on a desktop without a compositing manager: their clear corners would reach the
// screen black, so they are drawn opaque and square; over a compositor they keep an alpha channel. A window
// follows a compositor that came or went at its next show.
#include "DesktopScenario.h"
#include "Workspaces.h"

using namespace desktop;

namespace {

class NoCompositorTest : public DesktopScenario {
protected:
    // What the screen shows at the window's top left corner is what it shows further down its left edge,
    // and not black.
    bool squareOnItsGround(const WindowInfo& window) {
        const QRect place = placeOf(window);
        QColor corner;
        QColor edge;
        const bool square = waitFor([&] {
            corner = session->x11().pixel(place.topLeft());
            edge = session->x11().pixel(QPoint(place.left(), place.center().y()));
            return corner.isValid() && corner != QColor(Qt::black) && closeTo(corner, edge);
        });
        if (!square) {
            ADD_FAILURE() << "corner " << corner.name().toStdString() << ", edge "
                          << edge.name().toStdString();
        }
        return square;
    }
    // Within the blending of the window's edge line.
    static bool closeTo(const QColor& a, const QColor& b) {
        return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 &&
               std::abs(a.blue() - b.blue()) <= 2;
    }
    static bool isSignOutCard(const WindowInfo& window) {
        return !window.decorated() && window.hasState("ABOVE") && window.geometry.width() > 300;
    }
};

} // namespace

TEST_F(NoCompositorTest, TheQuickAccessWindowFollowsTheCompositorAtEachShow) {
    ASSERT_NO_FATAL_FAILURE(startClient({}, signedInWorkspace));
    ASSERT_NO_FATAL_FAILURE(waitForTrayItem());
    ASSERT_TRUE(waitForWindow(isQuickAccess, startBoundMs)) << "the client opens its quick-access window";
    clickTrayIcon();
    ASSERT_TRUE(waitForNoWindow(isQuickAccess));
    for (const bool composited : {false, true, false}) {
        SCOPED_TRACE(composited ? "over a compositor" : "without a compositor");
        ASSERT_TRUE(session->x11().setCompositorPresent(composited));
        clickTrayIcon();
        const std::optional<WindowInfo> quickAccess = waitForWindow(isQuickAccess);
        ASSERT_TRUE(quickAccess);
        EXPECT_EQ(session->x11().depth(quickAccess->id), composited ? 32 : 24)
            << "an alpha channel only over one";
        if (!composited) {
            EXPECT_TRUE(squareOnItsGround(*quickAccess));
        }
        clickTrayIcon();
        ASSERT_TRUE(waitForNoWindow(isQuickAccess));
    }
}

TEST_F(NoCompositorTest, TheSignOutCardIsSquareOnItsGround) {
    ASSERT_NO_FATAL_FAILURE(startClient(readable(), signedInWorkspace));
    ASSERT_NO_FATAL_FAILURE(waitForTrayItem());
    const std::optional<WindowInfo> quickAccess = waitForWindow(isQuickAccess, startBoundMs);
    ASSERT_TRUE(quickAccess);
    ASSERT_TRUE(clickText(QStringLiteral("Sign Out"), quickAccess));
    const std::optional<WindowInfo> card = waitForWindow(isSignOutCard);
    ASSERT_TRUE(card) << "the sign-out card opens";
    EXPECT_EQ(session->x11().depth(card->id), 24);
    EXPECT_TRUE(squareOnItsGround(*card));
}
