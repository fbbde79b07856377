#include "toolkit/LayerAnimation.h"

#include "RecordingView.h"
#include "platform/ManualScheduler.h"
#include "toolkit/ViewAnimation.h"

#include <QCoreApplication>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

using layeranim::Animation;
using layeranim::FillMode;
using layeranim::Layer;
using layeranim::Property;
using layeranim::Values;

namespace {

double scaleAt(const Animation& animation, double t) {
    Values values;
    layeranim::apply(animation, t, values);
    return values.scale;
}

} // namespace

TEST(LayerTiming, BasicAnimationRunsFromBeginTimeAndIsGoneAfterItsEnd) {
    Animation animation = Animation::basic(Property::scale, 2.0, 4.0, 1.0);
    animation.beginTime = 0.5;
    EXPECT_DOUBLE_EQ(scaleAt(animation, 0.25), 1.0); // model value before it begins
    EXPECT_DOUBLE_EQ(scaleAt(animation, 0.5), 2.0);
    EXPECT_DOUBLE_EQ(scaleAt(animation, 1.0), 3.0);
    EXPECT_DOUBLE_EQ(scaleAt(animation, 1.6), 1.0); // removed: model value again

    animation.fillMode = FillMode::both;
    animation.removedOnCompletion = false;
    EXPECT_DOUBLE_EQ(scaleAt(animation, 0.25), 2.0);
    EXPECT_DOUBLE_EQ(scaleAt(animation, 9.0), 4.0);

    // Filling forwards holds nothing once the animation is removed on completion.
    animation.removedOnCompletion = true;
    EXPECT_DOUBLE_EQ(scaleAt(animation, 9.0), 1.0);

    // No duration is a quarter of a second.
    const Animation quick = Animation::basic(Property::scale, 0.0, 1.0, 0.0);
    EXPECT_DOUBLE_EQ(scaleAt(quick, 0.125), 0.5);
}

TEST(LayerTiming, SpeedRepeatsAndTimingFunction) {
    Animation animation = Animation::basic(Property::opacity, 0.0, 1.0, 2.0);
    animation.speed = 2.0;
    animation.repeatCount = 3.0;
    Values values;
    layeranim::apply(animation, 0.5, values);
    EXPECT_DOUBLE_EQ(values.opacity, 0.5);
    values = {};
    layeranim::apply(animation, 1.25, values); // second cycle, a quarter in
    EXPECT_DOUBLE_EQ(values.opacity, 0.25);
    EXPECT_FALSE(layeranim::hasEnded(animation, 2.9));
    EXPECT_TRUE(layeranim::hasEnded(animation, 3.0));

    animation.repeatCount = Animation::repeatForever;
    EXPECT_FALSE(layeranim::hasEnded(animation, 1e12));

    Animation eased = Animation::basic(Property::scale, 0.0, 1.0, 1.0);
    eased.timingFunction = timing::easeIn();
    EXPECT_LT(scaleAt(eased, 0.5), 0.4); // slow start
    EXPECT_NEAR(scaleAt(eased, 0.999), 1.0, 0.01);
}

TEST(LayerTiming, KeyframesHoldTheNearestValueOutsideTheirKeyTimes) {
    const Animation animation = Animation::keyframe(Property::scale, {0.2, 0.4, 0.6}, {1.0, 2.0, 1.5}, 1.0);
    EXPECT_DOUBLE_EQ(scaleAt(animation, 0.0), 1.0);
    EXPECT_DOUBLE_EQ(scaleAt(animation, 0.1), 1.0);
    EXPECT_DOUBLE_EQ(scaleAt(animation, 0.3), 1.5);
    EXPECT_DOUBLE_EQ(scaleAt(animation, 0.4), 2.0);
    EXPECT_DOUBLE_EQ(scaleAt(animation, 0.5), 1.75);
    EXPECT_DOUBLE_EQ(scaleAt(animation, 0.8), 1.5);

    // Without key times the values are spread evenly.
    const Animation even = Animation::keyframe(Property::scale, {}, {0.0, 1.0, 0.0}, 1.0);
    EXPECT_DOUBLE_EQ(scaleAt(even, 0.25), 0.5);
    EXPECT_DOUBLE_EQ(scaleAt(even, 0.5), 1.0);
}

TEST(LayerTiming, GroupsRunMembersOnTheirClockAndCutThemOff) {
    Animation member = Animation::basic(Property::positionY, 0.0, 10.0, 2.0);
    member.beginTime = 0.5;
    Animation other = Animation::basic(Property::positionY, 100.0, 200.0, 1.0);
    other.beginTime = 0.8;
    Animation group = Animation::group({member, other}, 1.0);
    group.beginTime = 1.0;
    group.repeatCount = 2.0;
    Values values;
    layeranim::apply(group, 1.4, values);
    EXPECT_DOUBLE_EQ(values.positionY, 0.0); // member not begun yet
    values = {};
    layeranim::apply(group, 1.7, values);
    EXPECT_DOUBLE_EQ(values.positionY, 1.0);
    values = {};
    layeranim::apply(group, 1.9, values); // both run: the later member wins
    EXPECT_DOUBLE_EQ(values.positionY, 110.0);
    values = {};
    layeranim::apply(group, 2.6, values); // second cycle of the group restarts the member
    EXPECT_DOUBLE_EQ(values.positionY, 0.5);
    values = {};
    layeranim::apply(group, 3.5, values); // after two cycles: gone
    EXPECT_DOUBLE_EQ(values.positionY, 0.0);
}

TEST(LayerTiming, LayerKeysReplaceAndFramesFollowAnchorAndPosition) {
    Layer layer;
    layer.frame = QRectF(10, 50, 4, 20);
    layer.model.positionY = 100.0;
    layer.addAnimation("animation", Animation::basic(Property::scale, 2.0, 2.0, 1.0), 5.0);
    layer.addAnimation("animation", Animation::basic(Property::opacity, 0.5, 0.5, 1.0), 6.0);
    ASSERT_NE(layer.animation("animation"), nullptr);
    EXPECT_EQ(layer.animation("animation")->property, Property::opacity);
    EXPECT_EQ(layer.addedAt("animation"), 6.0);
    EXPECT_EQ(layer.presentation(6.5), (Values{1.0, 0.5, 100.0}));

    // Scaled about the bottom-left corner: grows up and right.
    layer.addAnimation("grow", Animation::basic(Property::scale, 2.0, 2.0, 1.0), 6.0);
    EXPECT_EQ(layer.presentationFrame(6.5), QRectF(10, 30, 8, 40));
    // About the centre it stays centred.
    layer.anchorPoint = QPointF(0.5, 0.5);
    EXPECT_EQ(layer.presentationFrame(6.5).center(), layer.frame.center());
    // A position written with y upwards moves the frame up.
    layer.removeAllAnimations();
    layer.addAnimation("move", Animation::basic(Property::positionY, 103.0, 103.0, 1.0), 0.0);
    EXPECT_EQ(layer.presentationFrame(0.5), layer.frame.translated(0, -3));
    EXPECT_TRUE(layer.isAnimating(0.5));
    EXPECT_FALSE(layer.isAnimating(1.0));
}

TEST(LayerAnimationDriver, TicksOnlyWhileSomethingAnimatesAndNotPaused) {
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope(scheduler);
    QWidget view;
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    Layer layer;
    layer.frame = QRectF(10, 10, 20, 20);
    layeranim::LayerAnimationDriver driver(&view);
    driver.setLayers({&layer});
    EXPECT_FALSE(driver.isTicking());
    EXPECT_EQ(scheduler.pendingCount(), 0u);

    layer.addAnimation("animation", Animation::basic(Property::scale, 1.0, 2.0, 0.5));
    driver.animationsChanged();
    EXPECT_TRUE(driver.isTicking());
    driver.setPaused(true);
    EXPECT_FALSE(driver.isTicking());
    // The stopped timer's last task lapses at its step.
    scheduler.advance(ViewAnimation::stepInterval);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    driver.setPaused(false);
    EXPECT_TRUE(driver.isTicking());

    // Stops on its own once the animation has ended.
    scheduler.advance(0.5 + 2 * ViewAnimation::stepInterval);
    EXPECT_FALSE(driver.isTicking());
    scheduler.advance(ViewAnimation::stepInterval);
    EXPECT_EQ(scheduler.pendingCount(), 0u);

    // An endless one keeps it going until removed.
    Animation endless = Animation::basic(Property::scale, 1.0, 2.0, 0.5);
    endless.repeatCount = Animation::repeatForever;
    layer.addAnimation("animation", endless);
    driver.animationsChanged();
    scheduler.advance(100.0);
    EXPECT_TRUE(driver.isTicking());
    layer.removeAllAnimations();
    driver.animationsChanged();
    EXPECT_FALSE(driver.isTicking());
}

TEST(LayerAnimationDriver, StepsOnlyAsOftenAsTheMotionShowsAndRepaintsOnlyTheMovingLayer) {
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope(scheduler);
    RecordingView view;
    view.resize(300, 100);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    Layer still;
    still.frame = QRectF(250, 10, 20, 20);
    Layer moving;
    moving.frame = QRectF(10, 10, 20, 20);
    layeranim::LayerAnimationDriver driver(&view);
    driver.setLayers({&still, &moving});

    struct Case {
        const char* name;
        double pixels; // moved over one second
        long minSteps;
        long maxSteps;
    };
    // A quarter of a pixel is the smallest step shown; the step interval caps the rate.
    for (const Case& c : {Case{"slow", 1.0, 3, 5}, Case{"fast", 50.0, 55, 61}}) {
        SCOPED_TRACE(c.name);
        moving.addAnimation("animation", Animation::basic(Property::positionY, 0.0, c.pixels, 1.0));
        driver.animationsChanged();
        QCoreApplication::processEvents();
        const long before = driver.repaintedSteps();
        view.painted = QRegion();
        for (int i = 0; i < 70; ++i) {
            scheduler.advance(ViewAnimation::stepInterval);
            QCoreApplication::processEvents();
        }
        const long steps = driver.repaintedSteps() - before;
        EXPECT_GE(steps, c.minSteps);
        EXPECT_LE(steps, c.maxSteps);
        EXPECT_FALSE(driver.isTicking()) << "the motion has ended";
        EXPECT_FALSE(view.painted.isEmpty());
        EXPECT_FALSE(view.painted.intersects(still.frame.toAlignedRect()))
            << "the still layer is not repainted";
        moving.removeAllAnimations();
    }
}
