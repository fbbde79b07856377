#include "toolkit/PresentationAnimators.h"
#include "toolkit/ViewAnimation.h"

#include "RecordingView.h"
#include "platform/ManualScheduler.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

class SizedController : public platform::ViewController {
public:
    explicit SizedController(QSize size) : m_size(size) {}
    int appeared = 0;
    int disappeared = 0;

protected:
    QWidget* loadView() override {
        auto* view = new QWidget;
        view->resize(m_size);
        return view;
    }
    void viewDidAppear() override { ++appeared; }
    void viewDidDisappear() override { ++disappeared; }

private:
    QSize m_size;
};

class AnimatorTest : public ::testing::Test {
protected:
    AnimatorTest() : scope(scheduler) { presenting.view()->show(); }

    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope;
    SizedController presenting{QSize(500, 400)};
    SizedController presented{QSize(200, 100)};
};

} // namespace

TEST(TransitionAnimatorFrames, OffsetsCutThePresentingBoundsWithYUpwardsConvertedOnce) {
    // The settings window: top 154, left -158, right 158 over 500 x 400 is (-158, 0, 500, 246) with y
    // upwards, that is 154 down from the top.
    EXPECT_EQ(TransitionAnimator::presentedFrame(QRect(0, 0, 500, 400), 154, 0, -158, 158),
              QRect(-158, 154, 500, 246));
    EXPECT_EQ(TransitionAnimator::presentedFrame(QRect(0, 0, 300, 200), 0, 20, 60, 0),
              QRect(60, 0, 240, 180));
    EXPECT_EQ(TransitionAnimator::presentedFrame(QRect(0, 0, 300, 200), 0, 0, 0, 0), QRect(0, 0, 300, 200));
}

TEST(TransitionAnimatorFrames, MissingValuesResolveToZeroAndTheDisappearDurationFollowsTheAppearOne) {
    const TransitionAnimator none(std::nullopt, std::nullopt);
    EXPECT_EQ(none.appearDurationAnimationDuration(), 0.0);
    EXPECT_EQ(none.disappearDurationAnimationDuration(), 0.0);
    const TransitionAnimator overlay(std::nullopt, std::nullopt, 0.2);
    EXPECT_EQ(overlay.disappearDurationAnimationDuration(), 0.2);
    const TransitionAnimator locations(40, std::nullopt, std::nullopt, std::nullopt, 0.5, 0.25);
    EXPECT_EQ(locations.topOffset(), 40);
    EXPECT_EQ(locations.leftOffset(), 0);
    EXPECT_EQ(locations.disappearDurationAnimationDuration(), 0.25);
}

TEST_F(AnimatorTest, TransitionFadesInOverTheBoundsAndOutAgainOnTheSchedulersClock) {
    presenting.presentViewController(&presented, std::make_shared<TransitionAnimator>(10, std::nullopt, 0.2));
    QWidget* view = presented.view();
    EXPECT_EQ(view->parentWidget(), presenting.view());
    EXPECT_EQ(view->geometry(), QRect(0, 10, 500, 390));
    EXPECT_EQ(alphaValue(view), 0.0);
    EXPECT_EQ(presented.appeared, 1);

    scheduler.advance(0.1);
    EXPECT_GT(alphaValue(view), 0.0);
    EXPECT_LT(alphaValue(view), 1.0);
    scheduler.advance(0.11);
    EXPECT_EQ(alphaValue(view), 1.0);
    EXPECT_EQ(view->graphicsEffect(), nullptr); // an opaque view carries no effect

    presenting.dismissViewController(&presented);
    EXPECT_TRUE(view->isVisible()); // fading out
    EXPECT_EQ(presented.disappeared, 0);
    scheduler.advance(0.21);
    EXPECT_FALSE(view->isVisible());
    EXPECT_EQ(view->parentWidget(), nullptr);
    EXPECT_EQ(presented.disappeared, 1);
    EXPECT_EQ(alphaValue(view), 1.0);
}

TEST_F(AnimatorTest, TransitionWithoutDurationsPresentsAndDismissesAtOnce) {
    presenting.presentViewController(&presented,
                                     std::make_shared<TransitionAnimator>(std::nullopt, std::nullopt));
    EXPECT_EQ(alphaValue(presented.view()), 1.0);
    EXPECT_TRUE(presented.view()->isVisible());
    presenting.dismissViewController(&presented);
    EXPECT_FALSE(presented.view()->isVisible());
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(AnimatorTest, PresentingAgainDuringTheFadeOutKeepsTheView) {
    auto animator = std::make_shared<TransitionAnimator>(std::nullopt, std::nullopt, 0.2);
    presenting.presentViewController(&presented, animator);
    scheduler.advance(0.3);
    presenting.dismissViewController(&presented);
    scheduler.advance(0.1);
    presenting.presentViewController(&presented, animator);
    scheduler.advance(1.0);
    EXPECT_TRUE(presented.view()->isVisible());
    EXPECT_EQ(presented.view()->parentWidget(), presenting.view());
    EXPECT_EQ(alphaValue(presented.view()), 1.0);
}

TEST(SlideAnimatorFrames, CrossfadeAloneKeepsThePresentingFrame) {
    const QRect a(0, 0, 500, 400), b(0, 0, 200, 100);
    EXPECT_EQ(SlideAnimator::offscreenFrame(a, b, TransitionOptions::crossfade, true, false), a);
    EXPECT_EQ(SlideAnimator::onscreenFrame(a, b, TransitionOptions::crossfade, true, false), a);
}

TEST(SlideAnimatorFrames, HorizontalSlidesKeepOrFillTheWidth) {
    const QRect a(0, 0, 500, 400), b(0, 0, 200, 100);
    using namespace TransitionOptions;
    EXPECT_EQ(SlideAnimator::offscreenFrame(a, b, slideLeft, true, false), QRect(500, 0, 200, 400));
    EXPECT_EQ(SlideAnimator::onscreenFrame(a, b, slideLeft, true, false), QRect(300, 0, 200, 400));
    EXPECT_EQ(SlideAnimator::offscreenFrame(a, b, slideLeft, false, false), QRect(500, 0, 500, 400));
    EXPECT_EQ(SlideAnimator::onscreenFrame(a, b, slideLeft, false, false), a);
    EXPECT_EQ(SlideAnimator::offscreenFrame(a, b, slideRight, true, false), QRect(-200, 0, 200, 400));
    // Forward follows the layout direction.
    EXPECT_EQ(SlideAnimator::offscreenFrame(a, b, slideForward, true, false), QRect(500, 0, 200, 400));
    EXPECT_EQ(SlideAnimator::offscreenFrame(a, b, slideForward, true, true), QRect(-200, 0, 200, 400));
    EXPECT_EQ(SlideAnimator::onscreenFrame(a, b, slideBackward, true, false), QRect(0, 0, 200, 400));
}

TEST(SlideAnimatorFrames, VerticalSlidesComeFromAboveOrBelow) {
    const QRect a(0, 0, 500, 400), b(0, 0, 200, 100);
    using namespace TransitionOptions;
    // Sliding down starts above the top edge and, keeping its height, ends docked to the top.
    EXPECT_EQ(SlideAnimator::offscreenFrame(a, b, slideDown, true, false), QRect(0, -100, 500, 100));
    EXPECT_EQ(SlideAnimator::onscreenFrame(a, b, slideDown, true, false), QRect(0, 0, 500, 100));
    EXPECT_EQ(SlideAnimator::offscreenFrame(a, b, slideUp, true, false), QRect(0, 400, 500, 100));
    EXPECT_EQ(SlideAnimator::onscreenFrame(a, b, slideUp, true, false), QRect(0, 300, 500, 100));
    // Both bits: the off-screen frame tests down first, the on-screen one up first.
    EXPECT_EQ(SlideAnimator::offscreenFrame(a, b, slideUp | slideDown, true, false),
              QRect(0, -100, 500, 100));
    EXPECT_EQ(SlideAnimator::onscreenFrame(a, b, slideUp | slideDown, true, false), QRect(0, 300, 500, 100));
}

TEST_F(AnimatorTest, SlideWithAnOriginEndsThereAndSlidesBackOffScreen) {
    auto animator =
        std::make_shared<SlideAnimator>(0.3, TransitionOptions::slideLeft | TransitionOptions::crossfade);
    animator->keepOriginalSize = true;
    animator->origin = QPoint(250, 0);
    presenting.presentViewController(&presented, animator);
    QWidget* view = presented.view();
    EXPECT_EQ(view->geometry(), QRect(500, 0, 200, 400));
    EXPECT_EQ(alphaValue(view), 0.0);
    EXPECT_TRUE(view->autoFillBackground());
    scheduler.advance(0.31);
    EXPECT_EQ(view->geometry(), QRect(250, 0, 200, 400));
    EXPECT_EQ(alphaValue(view), 1.0);

    presenting.dismissViewController(&presented);
    scheduler.advance(0.15);
    EXPECT_TRUE(view->isVisible());
    EXPECT_GT(view->x(), 250);
    scheduler.advance(0.16);
    EXPECT_EQ(view->geometry(), QRect(500, 0, 200, 400));
    EXPECT_FALSE(view->isVisible());
    EXPECT_EQ(presented.disappeared, 1);
}

TEST_F(AnimatorTest, SlideThatRemovesTheViewHidesThePresentingViewUntilTheDismissal) {
    QWidget window;
    window.resize(500, 400);
    presenting.view()->setParent(&window);
    presenting.view()->setGeometry(0, 0, 500, 400);
    window.show();

    auto animator = std::make_shared<SlideAnimator>();
    animator->removeFromView = true;
    presenting.presentViewController(&presented, animator);
    EXPECT_EQ(presented.view()->parentWidget(), &window);
    scheduler.advance(0.31);
    EXPECT_FALSE(presenting.view()->isVisible());
    EXPECT_EQ(animator->fromView(), presenting.view());

    presenting.dismissViewController(&presented);
    EXPECT_TRUE(presenting.view()->isVisible());
    scheduler.advance(0.31);
    EXPECT_FALSE(presented.view()->isVisible());
    EXPECT_EQ(alphaValue(presenting.view()), 1.0);
    presenting.view()->setParent(nullptr);
}

TEST_F(AnimatorTest, TestSlideComesInFromTheRightWithItsOwnWidth) {
    auto animator = std::make_shared<TestSlideAnimator>();
    presenting.presentViewController(&presented, animator);
    EXPECT_EQ(presented.view()->geometry(), QRect(500, 0, 500, 400));
    scheduler.advance(0.51);
    EXPECT_EQ(presented.view()->geometry(), QRect(0, 0, 200, 400));
    presenting.dismissViewController(&presented);
    scheduler.advance(0.51);
    EXPECT_EQ(presented.view()->geometry(), QRect(500, 0, 500, 400));
    EXPECT_FALSE(presented.view()->isVisible());
}

TEST(ViewAnimation, ASecondAnimationUnderTheSameKeyStopsTheFirstWithoutItsCompletion) {
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope(scheduler);
    QObject target;
    QStringList done;
    double last = -1;
    ViewAnimation::start(
        &target, "k", 1.0, timing::linear(), [&](double t) { last = t; }, [&] { done << "first"; });
    scheduler.advance(0.5);
    EXPECT_NEAR(last, 0.5, 0.02);
    ViewAnimation::start(&target, "k", 1.0, timing::linear(), {}, [&] { done << "second"; });
    scheduler.advance(2.0);
    EXPECT_EQ(done, QStringList{"second"});
    EXPECT_EQ(ViewAnimation::running(&target, "k"), nullptr);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

// Every step of a fade over most of its window repaints all of the window, the opaque widgets beside the
// faded one too: Qt's X11 backing store sends a whole window from its image, and copies anything less into a
// buffer it keeps. A small fade repaints only itself.
TEST(ViewAlpha, AFadeOverMostOfItsWindowRepaintsTheWholeWindowAndASmallOneOnlyItself) {
    struct Case {
        const char* name;
        QSize faded;
        bool besideRepainted;
    };
    for (const Case& c : {Case{"a tab", QSize(300, 300), true}, Case{"a toast", QSize(100, 40), false}}) {
        SCOPED_TRACE(c.name);
        QWidget window;
        window.resize(400, 300);
        RecordingView beside(&window);
        beside.setGeometry(0, 0, 100, 300);
        beside.setAutoFillBackground(true);
        QWidget faded(&window);
        faded.setGeometry(QRect(QPoint(100, 0), c.faded));
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        for (const double alpha : {0.5, 1.0}) {
            QCoreApplication::processEvents();
            beside.painted = QRegion();
            ASSERT_TRUE(setAlphaValue(&faded, alpha));
            QCoreApplication::processEvents();
            EXPECT_EQ(beside.painted == QRegion(beside.rect()), c.besideRepainted) << alpha;
            EXPECT_EQ(beside.painted.isEmpty(), !c.besideRepainted) << alpha;
        }
    }
}
