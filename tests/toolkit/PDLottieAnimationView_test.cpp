#include "toolkit/PDLottieAnimationView.h"

#include "platform/ManualScheduler.h"
#include "support/OffScreen.h"

#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

namespace {

int drawnPixels(const QImage& image) {
    int drawn = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            drawn += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
        }
    }
    return drawn;
}

class LottieTest : public ::testing::Test {
protected:
    LottieTest() : scope(scheduler) {
        view.resize(100, 100);
        view.show(); // frames step only while the view is on screen
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
    }

    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope;
    PDLottieAnimationView view;
};

} // namespace

TEST_F(LottieTest, RendersTheBundledAnimationWithRlottie) {
    view.setAnimation(QStringLiteral("pulse"));
    ASSERT_NE(view.animationView(), nullptr);
    ASSERT_TRUE(view.animationView()->isAnimationLoaded());
    const QImage frame = view.animationView()->renderFrame(0, QSize(100, 100));
    const int pixels = drawnPixels(frame);
    EXPECT_GT(pixels, 1000);      // a filled circle...
    EXPECT_LT(pixels, 100 * 100); // ...not the whole square
    // The frame is blue.
    const QColor centre = frame.pixelColor(50, 50);
    EXPECT_GT(centre.blue(), 200);
    EXPECT_LT(centre.red(), 80);
    // The pulse grows: frame 15 covers more than frame 0.
    EXPECT_GT(drawnPixels(view.animationView()->renderFrame(15, QSize(100, 100))), pixels);
    // What the view paints is the rendered frame.
    view.animationView()->resize(100, 100);
    EXPECT_GT(drawnPixels(view.animationView()->grab().toImage()), 1000);
}

TEST_F(LottieTest, PlaysLoopingOnTheSchedulersClockAndStopsWithOrWithoutTheView) {
    view.setAnimation(QStringLiteral("pulse"));
    LOTAnimationView* lottie = view.animationView();
    EXPECT_FALSE(lottie->isAnimationPlaying()); // loaded, not playing
    EXPECT_TRUE(lottie->loopAnimation());

    view.play();
    EXPECT_TRUE(lottie->isAnimationPlaying());
    scheduler.advance(0.5);
    EXPECT_GT(lottie->currentFrame(), 10u);
    scheduler.advance(0.6); // past the 30 frames of one second: it loops
    EXPECT_LT(lottie->currentFrame(), 10u);

    view.stop(false);
    EXPECT_FALSE(lottie->isAnimationPlaying());
    view.play();
    EXPECT_EQ(view.animationView(), lottie); // the same Lottie view again
    EXPECT_TRUE(lottie->isAnimationPlaying());

    view.stop(true);
    EXPECT_EQ(view.animationView(), nullptr);
    EXPECT_TRUE(view.animationBgView()->findChildren<QWidget*>().isEmpty());
}

TEST_F(LottieTest, HidingFreesTheLottieViewAndShowingRebuildsAndPlays) {
    view.setAnimation(QStringLiteral("pulse"));
    view.play();
    view.setHidden(true);
    EXPECT_EQ(view.animationView(), nullptr);
    view.setHidden(false);
    ASSERT_NE(view.animationView(), nullptr);
    EXPECT_TRUE(view.animationView()->isAnimationPlaying());
    EXPECT_EQ(view.animationView()->currentFrame(), 0u);
}

TEST_F(LottieTest, ANewNameWhilePlayingLoadsWithoutPlaying) {
    view.setAnimation(QStringLiteral("pulse"));
    view.play();
    view.setAnimation(QStringLiteral("pulse.json"));
    EXPECT_TRUE(view.animationView()->isAnimationLoaded());
    EXPECT_FALSE(view.animationView()->isAnimationPlaying());
}

TEST_F(LottieTest, ANameThatDoesNotLoadDrawsNothingAndNeverCrashes) {
    view.play(); // never named: the empty name
    ASSERT_NE(view.animationView(), nullptr);
    EXPECT_FALSE(view.animationView()->isAnimationLoaded());
    view.setAnimation(QStringLiteral("no-such-animation"));
    view.play();
    EXPECT_FALSE(view.animationView()->isAnimationPlaying());
    view.animationView()->resize(50, 50);
    EXPECT_EQ(drawnPixels(view.animationView()->grab().toImage()), 0);
    EXPECT_TRUE(view.animationView()->renderFrame(0, QSize(10, 10)).isNull());
}

TEST(LottieSteps, FramesStepAtTheFilesRateAndNotAtAllWhileTheWindowIsAway) {
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope(scheduler);
    QWidget window;
    window.resize(120, 120);
    auto* view = new PDLottieAnimationView(&window);
    view->setGeometry(10, 10, 100, 100);
    view->setAnimation(QStringLiteral("pulse"));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    view->play();
    LOTAnimationView* lottie = view->animationView();
    ASSERT_TRUE(lottie->isTicking());

    // Sampled four times a frame for a second: each of the file's 30 frames is shown once.
    auto framesShownIn = [&](double seconds) {
        int changes = 0;
        std::size_t last = lottie->currentFrame();
        for (int i = 0; i < int(seconds * 120.0); ++i) {
            scheduler.advance(1.0 / 120.0);
            changes += lottie->currentFrame() != last;
            last = lottie->currentFrame();
        }
        return changes;
    };
    EXPECT_NEAR(framesShownIn(1.0), 30, 1);
    EXPECT_EQ(lottie->frameImageCount(), 1)
        << "the frame shown; the loop is known, nothing is rendered ahead";

    for (const auto& way : testsupport::offScreenWays) {
        SCOPED_TRACE(way.name);
        way.leave(window);
        EXPECT_FALSE(lottie->isTicking());
        EXPECT_TRUE(lottie->isAnimationPlaying());
        EXPECT_EQ(lottie->frameImageCount(), 0);
        EXPECT_FALSE(lottie->isReplayingLoop()) << "the loop's changes go too";
        scheduler.advance(2.0);
        EXPECT_EQ(scheduler.pendingCount(), 0u) << "no frame is scheduled";

        way.back(window);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        EXPECT_TRUE(lottie->isTicking());
        EXPECT_NEAR(framesShownIn(0.5), 15, 1);
    }
}

TEST_F(LottieTest, ALoopSeenWholeReplaysFromItsChangesAndShowsTheFramesRlottieRenders) {
    view.setAnimation(QStringLiteral("pulse"));
    view.play();
    LOTAnimationView* lottie = view.animationView();
    scheduler.advance(0.5); // the loop is learnt on the render queue meanwhile
    ASSERT_TRUE(lottie->isReplayingLoop());
    EXPECT_EQ(lottie->frameImageCount(), 1) << "nothing rendered ahead";

    const auto checkFramesOver = [&](int steps) {
        for (int i = 0; i < steps; ++i) {
            scheduler.advance(1.0 / 30.0);
            EXPECT_EQ(scheduler.pendingCount(), 1u) << "only the next step: no render is queued";
            const QImage shown = lottie->shownImage();
            ASSERT_EQ(shown, lottie->renderFrame(lottie->currentFrame(), shown.size()))
                << "frame " << lottie->currentFrame();
        }
    };
    checkFramesOver(45); // past the end of the loop and round again

    // A step late by several frames goes through each of them.
    scheduler.advance(5.0 / 30.0);
    const QImage shown = lottie->shownImage();
    EXPECT_EQ(shown, lottie->renderFrame(lottie->currentFrame(), shown.size()));

    // At another size the frames are rendered again until that loop is known.
    lottie->resize(60, 60);
    QCoreApplication::sendPostedEvents();
    lottie->repaint();
    scheduler.advance(1.0 / 30.0);
    EXPECT_FALSE(lottie->isReplayingLoop());
    scheduler.advance(2.5);
    EXPECT_TRUE(lottie->isReplayingLoop());
    checkFramesOver(5);
    EXPECT_EQ(lottie->shownImage().size(), QSize(60, 60));
}

TEST(LottieSteps, OverItsBackdropAViewLooksAsItDoesOverItsParentsFill) {
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope(scheduler);
    const QColor fill(0x1F, 0x2D, 0x6E);
    struct Window {
        QWidget widget;
        PDLottieAnimationView* view = new PDLottieAnimationView(&widget);
    };
    Window translucent;
    Window opaque;
    opaque.view->setBackdrop(fill);
    for (Window* window : {&translucent, &opaque}) {
        QPalette palette = window->widget.palette();
        palette.setColor(QPalette::Window, fill);
        window->widget.setPalette(palette);
        window->widget.setAutoFillBackground(true);
        window->widget.resize(120, 120);
        window->view->setGeometry(10, 10, 100, 100);
        window->view->setAnimation(QStringLiteral("pulse"));
        window->widget.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window->widget));
        window->view->play();
    }
    // Through the frames rendered ahead, then the loop's replay.
    for (const double seconds : {0.1, 2.0, 0.3}) {
        scheduler.advance(seconds);
        ASSERT_EQ(translucent.view->animationView()->currentFrame(),
                  opaque.view->animationView()->currentFrame());
        EXPECT_EQ(translucent.widget.grab().toImage(), opaque.widget.grab().toImage()) << seconds;
    }
    EXPECT_TRUE(opaque.view->animationView()->isReplayingLoop());
}
