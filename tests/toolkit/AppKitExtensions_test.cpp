#include "toolkit/AppKitExtensions.h"
#include "toolkit/BaseWindowViewController.h"
#include "toolkit/NSViewControllerBase.h"

#include "platform/ManualScheduler.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QGraphicsDropShadowEffect>
#include <QScreen>

#include <gtest/gtest.h>

#include <limits>

TEST(WindowCentring, ConvertsBottomLeftFramesOnce) {
    const QRect primary(0, 0, 1440, 900);
    EXPECT_EQ(frameFromBottomLeft(QRectF(0, 0, 100, 50), primary), QRect(0, 850, 100, 50));
    EXPECT_EQ(frameFromBottomLeft(QRectF(10, 850, 100, 50), primary), QRect(10, 0, 100, 50));
    // A second screen to the right and lower down in global coordinates.
    const QRect right(1440, 200, 1920, 1080);
    EXPECT_EQ(frameFromBottomLeft(QRectF(0, 0, 100, 50), right), QRect(1440, 1230, 100, 50));
}

TEST(WindowCentring, CentresOnTheScreenRaisedByTheOffsetAndAddsTheScreenOrigin) {
    const QSize window(400, 300);
    EXPECT_EQ(centeredWindowOrigin(QRect(0, 0, 1440, 900), window), QPoint(520, 300));
    // Raised by 20 points: y upwards is y downwards in Qt's coordinates.
    EXPECT_EQ(centeredWindowOrigin(QRect(0, 0, 1440, 900), window, 20.0), QPoint(520, 280));
    EXPECT_EQ(centeredWindowOrigin(QRect(1440, 100, 1440, 900), window), QPoint(1960, 400));
    EXPECT_EQ(centeredWindowOrigin(QRect(-1440, 0, 1440, 900), window, -20.0), QPoint(-920, 320));
}

TEST(WindowCentring, MovesARealWindowToTheMiddleOfItsScreen) {
    QWidget window;
    window.resize(200, 100);
    centerOnScreen(&window, 10.0);
    const QRect screen = window.screen()->geometry();
    EXPECT_EQ(window.frameGeometry().topLeft(),
              centeredWindowOrigin(screen, window.frameGeometry().size(), 10.0));
    centerOnScreen(nullptr); // no window: nothing
}

TEST(RunOnMainQueue, TruncatesToWholeMillisecondsAndClampsBadDelays) {
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope(scheduler);
    QStringList ran;
    runOnMainQueue(4000.9, [&] { ran << QStringLiteral("4000.9"); });
    runOnMainQueue(500, [&] { ran << QStringLiteral("500"); });
    runOnMainQueue(0.5, [&] { ran << QStringLiteral("0.5"); });
    runOnMainQueue(-3000, [&] { ran << QStringLiteral("negative"); });
    runOnMainQueue(std::numeric_limits<double>::quiet_NaN(), [&] { ran << QStringLiteral("nan"); });
    runOnMainQueue(std::numeric_limits<double>::infinity(), [&] { ran << QStringLiteral("inf"); });
    EXPECT_TRUE(ran.isEmpty()); // returns at once

    scheduler.runUntilIdle();
    EXPECT_EQ(ran, (QStringList{QStringLiteral("0.5"), QStringLiteral("negative"), QStringLiteral("nan"),
                                QStringLiteral("inf")}));
    ran.clear();
    scheduler.advance(0.499);
    EXPECT_TRUE(ran.isEmpty());
    scheduler.advance(0.001);
    EXPECT_EQ(ran, QStringList{QStringLiteral("500")});
    scheduler.advance(3.499);
    EXPECT_EQ(ran.size(), 1); // 4000.9 ms is 4 s, not a moment earlier
    scheduler.advance(0.001);
    EXPECT_EQ(ran.last(), QStringLiteral("4000.9"));
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST(RunOnMainQueue, HugeDelaysDoNotOverflowAndFromAnotherThreadRunOnMain) {
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope(scheduler);
    bool huge = false;
    runOnMainQueue(1e300, [&] { huge = true; });
    scheduler.advance(3600.0 * 24 * 100);
    EXPECT_FALSE(huge);
    EXPECT_EQ(scheduler.pendingCount(), 1u);
    scheduler.advance(3600.0 * 24 * 7); // the longest delay is about 106.75 days
    EXPECT_TRUE(huge);

    bool fromThread = false;
    std::thread worker([&] { runOnMainQueue(10, [&] { fromThread = scheduler.isMainThread(); }); });
    worker.join();
    scheduler.advance(0.01);
    EXPECT_TRUE(fromThread);
}

TEST(ViewEffects, BlurFadesInAndOutOnTheSchedulersClockAndShowsOnlyWithFilters) {
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope(scheduler);
    NSViewControllerBase controller;
    QWidget* container = new QWidget(controller.view());
    applyBackgroundBlur(container, 0.5);
    scheduler.advance(0.0);
    auto* blur = qobject_cast<BackgroundBlurEffect*>(container->graphicsEffect());
    ASSERT_NE(blur, nullptr);
    EXPECT_FALSE(blur->isEnabled()); // filters are off by default
    enableLayerCoreImageFilters(&controller);
    EXPECT_TRUE(blur->isEnabled());
    scheduler.advance(0.25);
    EXPECT_GT(blur->blurRadius(), 0.0);
    EXPECT_LT(blur->blurRadius(), 11.0);
    scheduler.advance(0.3);
    EXPECT_EQ(blur->blurRadius(), 11.0);
    disableLayerCoreImageFilters(&controller);
    EXPECT_FALSE(blur->isEnabled());

    removeBlur(container, 0.25);
    scheduler.advance(0.1);
    EXPECT_EQ(container->graphicsEffect(), blur) << "fading out";
    scheduler.advance(0.2);
    EXPECT_EQ(container->graphicsEffect(), nullptr);
}

TEST(ViewEffects, TheBlurKeepsTheLeftAndRightEdgesOpaque) {
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope(scheduler);
    NSViewControllerBase controller;
    controller.view()->resize(80, 120);
    auto* container = new QWidget(controller.view());
    container->setGeometry(0, 0, 80, 120);
    container->setAutoFillBackground(true);
    QPalette palette = container->palette();
    palette.setColor(QPalette::Window, Qt::red);
    container->setPalette(palette);
    enableLayerCoreImageFilters(&controller);
    applyBackgroundBlur(container, 0.0);
    scheduler.advance(0.0);
    ASSERT_NE(qobject_cast<BackgroundBlurEffect*>(container->graphicsEffect()), nullptr);
    const QImage image = controller.view()->grab().toImage();
    const int middle = image.height() / 2;
    // Without the clamps the edge columns would take in half of what lies beyond them.
    for (const int x : {0, image.width() - 1, image.width() / 2}) {
        const QColor pixel = image.pixelColor(x, middle);
        EXPECT_GE(pixel.red(), 250) << "x " << x;
        EXPECT_LE(pixel.green(), 40) << "the edge does not fade into what lies beyond, x " << x;
    }
}

TEST(ViewEffects, BlurLeavesAnotherEffectAloneAndShadowFlipsItsOffset) {
    QWidget view;
    setShadow(&view);
    auto* shadow = qobject_cast<QGraphicsDropShadowEffect*>(view.graphicsEffect());
    ASSERT_NE(shadow, nullptr);
    EXPECT_EQ(shadow->offset(), QPointF(0.0, -3.0));
    EXPECT_EQ(shadow->color(), QColor(0, 0, 0, 128));
    EXPECT_EQ(shadow->blurRadius(), 3.0);

    applyBackgroundBlur(&view, 0.0);
    QCoreApplication::processEvents();
    EXPECT_EQ(view.graphicsEffect(), shadow);
    removeBlur(&view, 0.0); // no blur: nothing
    QCoreApplication::processEvents();
    EXPECT_EQ(view.graphicsEffect(), shadow);
}

TEST(ModalOverlay, NotPresentedWithoutAnOverlayOverTheActiveWindowsContent) {
    EXPECT_FALSE(isModalViewControllerPresented()); // no active window

    BaseWindowViewController windowController;
    NSViewControllerBase content;
    NSViewControllerBase other;
    windowController.setContentViewController(&content);
    windowController.showWindow();
    QApplication::setActiveWindow(windowController.window());
    ASSERT_TRUE(
        testsupport::waitUntil([&] { return QApplication::activeWindow() == windowController.window(); }));
    EXPECT_FALSE(isModalViewControllerPresented());
    content.presentViewController(&other); // presented, but not the modal overlay
    EXPECT_FALSE(isModalViewControllerPresented());
    content.dismissViewController(&other);
    windowController.close();
}
