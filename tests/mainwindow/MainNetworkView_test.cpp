#include "mainwindow/MainNetworkView.h"

#include "platform/ManualScheduler.h"
#include "sdk/VeltrixXPC.h"
#include "sdk/Workspace.h"
#include "sdk/testing/Driver.h"
#include "support/OffScreen.h"
#include "toolkit/Colors.h"
#include "toolkit/ViewAnimation.h"

#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QColor hex(const char* text) {
    return colorFromHexString(QString::fromLatin1(text));
}

PDNetworkItemPtr networkWithFlagFile(const QString& id, const QString& file) {
    PDNetworkItem::Data data;
    data.id = id;
    data.title = id;
    data.flagImage = std::make_shared<PDCacheableImage>(QUrl::fromLocalFile(file));
    return std::make_shared<PDNetworkItem>(data);
}

PDNetworkItemPtr networkWithoutFlag() {
    PDNetworkItem::Data data;
    data.id = QStringLiteral("bare");
    return std::make_shared<PDNetworkItem>(data);
}

struct RecordingClickDelegate : NSImageViewClickable {
    int clicks = 0;
    void imageViewClicked() override { ++clicks; }
};

class MainNetworkViewTest : public ::testing::Test {
protected:
    MainNetworkViewTest() { view.setupShadows(); }

    double now() const { return layeranim::now(); }
    // Moves virtual time to `seconds` after `start`.
    void advanceTo(double start, double seconds) { scheduler.advance(start + seconds - now()); }
    double scaleOf(const layeranim::Layer& layer) const { return layer.presentation(now()).scale; }
    // How far up (pixels) a part is shown from its resting place.
    double liftOf(const layeranim::Layer& layer) const {
        return layer.frame.top() - layer.presentationFrame(now()).top();
    }
    void settleQueues() {
        for (int i = 0; i < 20; ++i) {
            scheduler.runUntilIdle();
        }
    }
    QColor iconFill() const { return view.iconHexagon()->fillColor; }

    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope{scheduler};
    sdk::testing::Driver driver;
    MainNetworkView view;
};

} // namespace

TEST(RoundedPolygonPath, FitsTheSquareWithVerticesOnTheVerticalAxis) {
    const QRectF rect(10, 20, 100, 140); // the square is 100 wide, at the rect's origin
    const QPainterPath path = roundedPolygonPath(rect, 2.0, 6, 5.0, M_PI / 2.0);
    const QRectF box = path.boundingRect();
    EXPECT_NEAR(box.center().x(), 60.0, 1e-6);
    EXPECT_NEAR(box.center().y(), 70.0, 1e-6);
    EXPECT_GT(box.height(), box.width()); // pointed top and bottom
    EXPECT_LE(box.height(), 100.0 - 2.0 + 1e-6);
    EXPECT_GT(box.height(), 94.0);
    // Rounded: the tips themselves are cut off, the centre and the middle of the sides are inside.
    const double outerRadius = (100.0 - 2.0 + 5.0 - 0.5 * 5.0) / 2.0;
    EXPECT_FALSE(path.contains(QPointF(60.0, 70.0 + outerRadius - 0.5)));
    EXPECT_TRUE(path.contains(QPointF(60.0, 70.0)));
    EXPECT_TRUE(path.contains(QPointF(60.0 + outerRadius * 0.8, 70.0)));
    EXPECT_TRUE(roundedPolygonPath(rect, 2.0, 2, 5.0, 0.0).isEmpty());
}

TEST_F(MainNetworkViewTest, EachStateHasItsLook) {
    struct Look {
        FlagAnimationType state;
        const char* fill;
        const char* dot;
        const char* icon;
        const char* dashes;
        ViewShadow shadow;
    };
    const Look looks[] = {
        {FlagAnimationType::connecting,
         "#2664CB",
         "#6F9CD9",
         "networkViewConnectingIcon",
         "#6F9CD9",
         {hex("#0280FA66"), QSizeF(0, 0), 7.0}},
        {FlagAnimationType::connected,
         "#2664CB",
         "#3ACC73",
         "networkViewConnectedIcon",
         "#3382F2",
         {hex("#0C66FDAA"), QSizeF(0, 0), 12.0}},
        {FlagAnimationType::disconnected,
         "#6F9CD9",
         "#6F9CD9",
         "networkViewShieldIcon",
         "#6F9CD9",
         {hex("#00000066"), QSizeF(0, 0), 7.0}},
    };
    for (const Look& look : looks) {
        SCOPED_TRACE(look.icon);
        view.setState(look.state);
        EXPECT_EQ(view.currentState(), look.state);
        EXPECT_EQ(iconFill(), hex(look.fill));
        EXPECT_EQ(view.dotView().bgColor, hex(look.dot));
        EXPECT_EQ(view.dotStatusImageName(), QString::fromLatin1(look.icon));
        for (const NetworkViewPart* dot : {&view.topDot(), &view.middleDot(), &view.bottomDot()}) {
            EXPECT_EQ(dot->bgColor, hex(look.dashes));
        }
        EXPECT_EQ(view.iconShadow(), look.shadow);
        EXPECT_EQ(view.unhoveredShadow(), look.shadow);
        // Motion stops; the look stays.
        view.stopAnimations();
        EXPECT_EQ(iconFill(), hex(look.fill));
        EXPECT_EQ(view.iconShadow(), look.shadow);
        EXPECT_EQ(view.dotView().animation(MainNetworkView::animationKey), nullptr);
    }
    EXPECT_EQ(view.nwBgShadow(), (ViewShadow{hex("#00000066"), QSizeF(0, -2), 2.0}));
    EXPECT_EQ(view.backgroundHexagon()->fillColor, hex("#E6E7ED"));
}

TEST_F(MainNetworkViewTest, NothingIsDrawnBeforeTheFirstChangeAndTheSameStateChangesNothing) {
    view.setState(FlagAnimationType::disconnected);
    EXPECT_FALSE(view.dotView().bgColor.isValid());
    EXPECT_EQ(iconFill(), hex("#FFFFFF4D"));
    EXPECT_EQ(view.iconShadow(), (ViewShadow{hex("#00000066"), QSizeF(0, 0), 7.0}));

    view.setState(FlagAnimationType::connecting);
    const double started = now();
    scheduler.advance(0.7);
    view.setState(FlagAnimationType::connecting);
    EXPECT_EQ(view.dotView().addedAt(MainNetworkView::animationKey), started);
    EXPECT_EQ(view.lView(5).addedAt(MainNetworkView::animationKey), started);

    view.refreshStateDrawing();
    EXPECT_EQ(view.dotView().addedAt(MainNetworkView::animationKey), now());
    EXPECT_EQ(view.topDot().addedAt(MainNetworkView::animationKey), now());
    EXPECT_EQ(view.lView(13).addedAt(MainNetworkView::animationKey), now());
    EXPECT_EQ(view.iconBgLayer().addedAt(MainNetworkView::animationKey), now());
}

TEST_F(MainNetworkViewTest, EachStateRunsItsAnimationsAndNoOthers) {
    auto runs = [](const layeranim::Layer& layer) { return layer.hasAnimations(); };
    view.setState(FlagAnimationType::connecting);
    EXPECT_TRUE(runs(view.dotView()));
    EXPECT_TRUE(runs(view.topDot()) && runs(view.middleDot()) && runs(view.bottomDot()));
    EXPECT_TRUE(runs(view.iconBgLayer()));
    for (int number = 1; number <= MainNetworkView::barCount; ++number) {
        EXPECT_TRUE(runs(view.lView(number)) && runs(view.rView(number))) << number;
    }

    const double connectedAt = (scheduler.advance(0.9), now());
    view.setState(FlagAnimationType::connected);
    EXPECT_FALSE(runs(view.dotView()));
    EXPECT_FALSE(runs(view.iconBgLayer()));
    EXPECT_FALSE(runs(view.lView(1)) || runs(view.rView(13)));
    // The dashed line starts again from its beginning in the connected colour.
    EXPECT_EQ(view.topDot().addedAt(MainNetworkView::animationKey), connectedAt);
    EXPECT_EQ(view.bottomDot().bgColor, hex("#3382F2"));

    view.setState(FlagAnimationType::disconnected);
    EXPECT_FALSE(runs(view.topDot()) || runs(view.middleDot()) || runs(view.bottomDot()));
    EXPECT_FALSE(view.isAnimating());
}

TEST_F(MainNetworkViewTest, BarsAreCollectedOnceInNumberOrderWithRoundEnds) {
    EXPECT_TRUE(view.leftViews().empty());
    for (auto state :
         {FlagAnimationType::connecting, FlagAnimationType::disconnected, FlagAnimationType::connecting}) {
        view.setState(state);
    }
    ASSERT_EQ(view.leftViews().size(), 13u);
    ASSERT_EQ(view.rightViews().size(), 13u);
    for (int i = 0; i < MainNetworkView::barCount; ++i) {
        EXPECT_EQ(view.leftViews()[i], &view.lView(i + 1));
        EXPECT_EQ(view.rightViews()[i], &view.rView(i + 1));
        EXPECT_DOUBLE_EQ(view.leftViews()[i]->cornerRadius, view.lView(i + 1).frame.height() / 2.0);
    }
}

TEST_F(MainNetworkViewTest, ConnectingMotionKeepsItsTimes) {
    view.setState(FlagAnimationType::connecting);
    const double start = now();

    // The status dot pulses about its centre; half of its keyframes play, so each cycle ends at 1.075.
    double peak = 0.0;
    for (double t = 0.05; t < 1.25; t += 0.05) {
        advanceTo(start, t);
        peak = std::max(peak, scaleOf(view.dotView()));
        EXPECT_EQ(view.dotView().presentationFrame(now()).center(), view.dotView().frame.center());
    }
    EXPECT_NEAR(peak, 1.15, 0.01);
    advanceTo(start, 1.25 - 1e-6);
    EXPECT_NEAR(scaleOf(view.dotView()), 1.075, 1e-3);
    advanceTo(start, 1.25 + 1e-6);
    EXPECT_NEAR(scaleOf(view.dotView()), 1.0, 1e-3);

    // Bar i begins 0.1 x i into its group; the group runs 2 s at speed 1.6, a cycle every 1.25 s.
    for (int i : {0, 4, 12}) {
        const double begins = 0.1 * i / 1.6;
        advanceTo(start, 2.5 + begins - 1e-4);
        EXPECT_DOUBLE_EQ(scaleOf(view.lView(i + 1)), 1.0) << i;
        advanceTo(start, 2.5 + begins + 0.15 / 1.6);
        EXPECT_NEAR(scaleOf(view.lView(i + 1)), 1.325, 1e-6) << i;
        EXPECT_NEAR(scaleOf(view.rView(i + 1)), 1.325, 1e-6) << i;
        // Grows up and right from its bottom-left corner.
        const QRectF shown = view.lView(i + 1).presentationFrame(now());
        EXPECT_EQ(shown.bottomLeft(), view.lView(i + 1).frame.bottomLeft());
    }
}

TEST_F(MainNetworkViewTest, DashedDotsRiseAndFadeAndTheHexagonBobs) {
    view.setState(FlagAnimationType::connecting);
    const double start = now();
    advanceTo(start, 1.0);
    EXPECT_NEAR(liftOf(view.topDot()), 2.5, 1e-6);
    EXPECT_NEAR(liftOf(view.bottomDot()), 2.5, 1e-6);
    advanceTo(start, 1.85);
    EXPECT_NEAR(view.topDot().presentation(now()).opacity, 0.5, 1e-6);
    EXPECT_NEAR(view.middleDot().presentation(now()).opacity, 1.0, 1e-6);
    advanceTo(start, 2.25);
    EXPECT_NEAR(liftOf(view.topDot()), 0.625, 1e-6);
    EXPECT_NEAR(view.bottomDot().presentation(now()).opacity, 0.5, 1e-6);

    // The bounce: still for half a second, up 3 pixels and back, every 1.3 s.
    view.refreshStateDrawing();
    const double drawn = now();
    advanceTo(drawn, 0.45);
    EXPECT_DOUBLE_EQ(liftOf(view.iconBgLayer()), 0.0);
    for (double cycle : {0.0, 1.3, 13.0}) {
        advanceTo(drawn, 0.5 + cycle + 0.15);
        EXPECT_NEAR(liftOf(view.iconBgLayer()), 1.5, 1e-6) << cycle;
        advanceTo(drawn, 0.5 + cycle + 0.3);
        EXPECT_NEAR(liftOf(view.iconBgLayer()), 3.0, 1e-6) << cycle;
        advanceTo(drawn, 0.5 + cycle + 0.45);
        EXPECT_NEAR(liftOf(view.iconBgLayer()), 1.5, 1e-6) << cycle;
        advanceTo(drawn, 0.5 + cycle + 1.0);
        EXPECT_DOUBLE_EQ(liftOf(view.iconBgLayer()), 0.0) << cycle;
    }
}

TEST_F(MainNetworkViewTest, HoverGrowsAndShrinksTheHexagonAndShowsTheConnectedGlow) {
    const HexagonShape& hexagon = *view.iconHexagon();
    const ViewShadow resting{hex("#00000066"), QSizeF(0, 0), 7.0};
    // Leaving before any drawing restores the set-up shadow.
    view.hoverChanged(true);
    view.hoverChanged(false);
    EXPECT_EQ(view.iconShadow(), resting);

    view.hoverChanged(true);
    scheduler.advance(0.05);
    EXPECT_GT(scaleOf(hexagon), 0.99);
    EXPECT_LT(scaleOf(hexagon), 1.015);
    scheduler.advance(0.05);
    EXPECT_NEAR(scaleOf(hexagon), 1.015, 1e-6);
    scheduler.advance(5.0);
    EXPECT_NEAR(scaleOf(hexagon), 1.015, 1e-6);

    // Leaving within the tenth of a second replaces the growth at once and rests below the first size.
    view.hoverChanged(false);
    scheduler.advance(0.03);
    view.hoverChanged(true);
    scheduler.advance(0.02);
    view.hoverChanged(false);
    const double left = now();
    EXPECT_EQ(hexagon.addedAt(MainNetworkView::animationKey), left);
    scheduler.advance(0.1);
    EXPECT_NEAR(scaleOf(hexagon), 0.985, 1e-6);
    EXPECT_FALSE(view.isAnimating());

    // The glow follows the SDK's live state, not the drawn one.
    view.setState(FlagAnimationType::connecting);
    view.hoverChanged(true);
    EXPECT_EQ(view.iconShadow(), (ViewShadow{hex("#0280FA66"), QSizeF(0, 0), 7.0}));
    view.hoverChanged(false);
    driver.setConnectionState(SDVPNConnectionState::connected);
    view.setState(FlagAnimationType::connected);
    view.hoverChanged(true);
    EXPECT_EQ(view.iconShadow(), (ViewShadow{hex("#0C66FDAA"), QSizeF(0, 0), 14.0}));
    EXPECT_EQ(view.unhoveredShadow().blurRadius, 12.0);
    view.hoverChanged(false);
    EXPECT_EQ(view.iconShadow(), (ViewShadow{hex("#0C66FDAA"), QSizeF(0, 0), 12.0}));
    // Motion stopping leaves the hover's resting size alone.
    view.stopAnimations();
    scheduler.advance(1.0);
    EXPECT_NEAR(scaleOf(hexagon), 0.985, 1e-6);
}

TEST_F(MainNetworkViewTest, FlagsFillTheRingAndLateOrMissingOnesLeaveItEmpty) {
    const QString flags = QString::fromLatin1(sdk::kFlagDirectory);
    view.setNetwork(networkWithFlagFile(QStringLiteral("de"), flags + QStringLiteral("/de.svg")));
    settleQueues();
    EXPECT_FALSE(view.networkImageView()->image().isNull());
    EXPECT_TRUE(view.networkImageView()->isVisibleTo(&view));
    EXPECT_EQ(view.networkImageView()->borderWidth(), 2.0);
    EXPECT_EQ(view.networkImageView()->cornerRadius(), view.networkImageView()->width() / 2.0);

    // A flag arriving after another network was given is dropped.
    view.setNetwork(networkWithFlagFile(QStringLiteral("fr"), flags + QStringLiteral("/fr.svg")));
    view.setNetwork(networkWithoutFlag());
    settleQueues();
    EXPECT_TRUE(view.networkImageView()->image().isNull());

    view.setNetwork(networkWithFlagFile(QStringLiteral("xx"), QStringLiteral("/nonexistent/xx.svg")));
    settleQueues();
    EXPECT_TRUE(view.networkImageView()->image().isNull());
}

TEST_F(MainNetworkViewTest, FlagClicksReachTheDelegateWhenThereIsOne) {
    view.show();
    QTest::mouseClick(view.networkImageView(), Qt::LeftButton);
    RecordingClickDelegate delegate;
    view.setDelegate(&delegate);
    QTest::mouseClick(view.networkImageView(), Qt::LeftButton);
    EXPECT_EQ(delegate.clicks, 1);
}

TEST_F(MainNetworkViewTest, AnIdleViewOrOneOffScreenSchedulesNoFrame) {
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.setState(FlagAnimationType::connected);
    EXPECT_TRUE(view.isAnimating());
    view.setState(FlagAnimationType::disconnected);
    EXPECT_FALSE(view.isAnimating());
    scheduler.advance(ViewAnimation::stepInterval);
    EXPECT_EQ(scheduler.pendingCount(), 0u);

    for (const auto& way : testsupport::offScreenWays) {
        SCOPED_TRACE(way.name);
        view.setState(FlagAnimationType::connecting);
        EXPECT_TRUE(view.isAnimating());
        way.leave(view);
        EXPECT_FALSE(view.isAnimating());
        EXPECT_EQ(iconFill(), hex("#2664CB"));
        const long steps = view.repaintedSteps();
        scheduler.advance(3.0);
        EXPECT_EQ(scheduler.pendingCount(), 0u);
        EXPECT_EQ(view.repaintedSteps(), steps);
        // A state change meanwhile takes its look but runs nothing until the view is back.
        view.setState(FlagAnimationType::connected);
        EXPECT_FALSE(view.isAnimating());

        way.back(view);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        EXPECT_TRUE(view.isAnimating());
        EXPECT_EQ(view.topDot().addedAt(MainNetworkView::animationKey), now());
        view.setState(FlagAnimationType::disconnected);
    }
}

TEST_F(MainNetworkViewTest, FramesComeOnlyWhenSomethingVisiblyMovesAndRepaintOnlyTheMovingParts) {
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    struct Case {
        FlagAnimationType state;
        double maxFramesPerSecond;
    };
    // Connected only the dashed line moves (5 px in 2 s, and its fades); connecting the bars wave at full
    // rate.
    for (const Case& c :
         {Case{FlagAnimationType::connected, 25.0}, Case{FlagAnimationType::connecting, 61.0}}) {
        view.setState(c.state);
        const long before = view.repaintedSteps();
        scheduler.advance(4.0);
        const double rate = double(view.repaintedSteps() - before) / 4.0;
        EXPECT_GT(rate, 4.0) << int(c.state);
        EXPECT_LE(rate, c.maxFramesPerSecond) << int(c.state);
    }
    view.setState(FlagAnimationType::connected);
    // A frame of the connected look repaints the dashed line, not the hexagons, the flag or the bars.
    const double at = now();
    const QRectF dots = view.paintedRect(view.topDot(), at) | view.paintedRect(view.bottomDot(), at + 1.0);
    EXPECT_FALSE(dots.intersects(view.networkIconBgView()->geometry()));
    EXPECT_FALSE(dots.intersects(view.paintedRect(view.lView(1), at)));
}

TEST_F(MainNetworkViewTest, TheFlagBouncesWithItsHexagon) {
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const QPoint resting = view.networkImageView()->pos();
    view.setState(FlagAnimationType::connecting);
    const double start = now();
    int highest = 0;
    for (double t = 0.0; t < 1.3; t += ViewAnimation::stepInterval) {
        advanceTo(start, t + 0.5);
        // The flag is where the hexagon is drawn in the picture shown, to the pixel.
        EXPECT_EQ(view.networkImageView()->pos(), resting + view.iconOffset(view.frameTime())) << t;
        highest = std::max(highest, resting.y() - view.networkImageView()->y());
    }
    EXPECT_EQ(highest, 3);
    view.setState(FlagAnimationType::connected);
    EXPECT_EQ(view.networkImageView()->pos(), resting);
}

TEST_F(MainNetworkViewTest, ShadowImagesAreKeptForTheCurrentLookOnly) {
    QImage canvas(view.size() * 2, QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(2.0);
    for (auto state :
         {FlagAnimationType::connecting, FlagAnimationType::connected, FlagAnimationType::disconnected}) {
        view.setState(state);
        QPainter painter(&canvas);
        view.paintAt(painter, now());
        EXPECT_EQ(view.shadowImageCount(), 2);
    }
    // The icon hexagon's glow is painted around the hexagon, not over the whole view.
    canvas.fill(Qt::transparent);
    view.setState(FlagAnimationType::connected);
    {
        QPainter painter(&canvas);
        view.paintAt(painter, now());
    }
    EXPECT_EQ(canvas.pixelColor(4, 4).alpha(), 0);
    EXPECT_GT(canvas.pixelColor(320, 150).alpha(), 0); // the hexagon's middle
}
