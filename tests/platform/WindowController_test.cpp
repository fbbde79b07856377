#include "platform/ViewController.h"
#include "platform/WindowController.h"

#include <QBackingStore>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QWindow>

#include <gtest/gtest.h>

using namespace platform;

namespace {

class CountingWindowController : public WindowController {
public:
    int loads = 0;
    int didLoads = 0;
    int willCloses = 0;
    bool allowClose = true;

protected:
    QWidget* loadWindow() override {
        ++loads;
        auto* window = new QWidget;
        window->setAttribute(Qt::WA_DeleteOnClose); // the controller overrides it: closing only hides
        return window;
    }
    void windowDidLoad() override { ++didLoads; }
    bool windowShouldClose() override { return allowClose; }
    void windowWillClose() override { ++willCloses; }
};

class AppearanceController : public ViewController {
public:
    int appears = 0;
    int disappears = 0;

protected:
    void viewDidAppear() override { ++appears; }
    void viewDidDisappear() override { ++disappears; }
};

} // namespace

TEST(WindowController, MakesItsWindowOnceAndClosingOnlyHidesIt) {
    CountingWindowController controller;
    EXPECT_FALSE(controller.isWindowLoaded());
    EXPECT_FALSE(controller.isWindowVisible());
    controller.close(); // no window yet: nothing happens
    EXPECT_FALSE(controller.isWindowLoaded());

    controller.showWindow();
    QPointer<QWidget> window = controller.window();
    EXPECT_TRUE(window->isWindow());
    EXPECT_TRUE(controller.isWindowVisible());
    EXPECT_EQ(controller.loads, 1);
    EXPECT_EQ(controller.didLoads, 1);

    controller.close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(window.isNull());
    EXPECT_FALSE(controller.isWindowVisible());
    EXPECT_EQ(controller.willCloses, 1);
    controller.close(); // already closed
    EXPECT_EQ(controller.willCloses, 1);

    controller.showWindow();
    EXPECT_EQ(controller.window(), window.data());
    EXPECT_EQ(controller.loads, 1);
    EXPECT_TRUE(controller.isWindowVisible());
}

TEST(WindowController, TheCloseButtonAsksTheController) {
    CountingWindowController controller;
    controller.showWindow();
    controller.allowClose = false;
    EXPECT_FALSE(controller.window()->close());
    EXPECT_TRUE(controller.isWindowVisible());
    EXPECT_EQ(controller.willCloses, 0);

    controller.allowClose = true;
    QCloseEvent fromWindowManager;
    QCoreApplication::sendEvent(controller.window(), &fromWindowManager);
    EXPECT_EQ(controller.willCloses, 1);
    EXPECT_TRUE(fromWindowManager.isAccepted());
}

TEST(WindowController, ContentViewFillsTheWindowAndAppearsWithIt) {
    AppearanceController first, second;
    first.view()->resize(320, 240);
    CountingWindowController controller;
    controller.setContentViewController(&first); // before the window exists
    EXPECT_FALSE(controller.isWindowLoaded());

    controller.showWindow();
    EXPECT_EQ(controller.contentViewController(), &first);
    EXPECT_EQ(first.view()->parentWidget(), controller.window());
    EXPECT_EQ(controller.window()->size(), QSize(320, 240));
    EXPECT_EQ(first.appears, 1);

    controller.setContentViewController(&second);
    EXPECT_EQ(first.disappears, 1);
    EXPECT_EQ(first.view()->parentWidget(), nullptr);
    EXPECT_EQ(second.view()->parentWidget(), controller.window());
    EXPECT_EQ(second.appears, 1);

    controller.close();
    EXPECT_EQ(second.disappears, 1);
    controller.showWindow();
    EXPECT_EQ(second.appears, 2);
}

TEST(WindowController, ContentOfAFixedSizeMakesAWindowOfThatSizeOnly) {
    AppearanceController content;
    content.view()->setFixedSize(400, 300);
    CountingWindowController controller;
    controller.setContentViewController(&content);
    controller.showWindow();
    EXPECT_EQ(controller.window()->minimumSize(), QSize(400, 300));
    EXPECT_EQ(controller.window()->maximumSize(), QSize(400, 300));
}

TEST(WindowController, TheContentKeepsItsViewWhenTheWindowControllerGoes) {
    AppearanceController content;
    {
        CountingWindowController controller;
        controller.setContentViewController(&content);
        controller.showWindow();
    }
    EXPECT_TRUE(content.isViewLoaded());
    EXPECT_EQ(content.view()->parentWidget(), nullptr);
    EXPECT_EQ(content.disappears, 1);
}

TEST(WindowController, AWindowThatReleasesWhenHiddenKeepsNoBuffersAndComesBackWhole) {
    for (const bool releases : {false, true}) {
        CountingWindowController controller;
        controller.setReleasesNativeWindowWhenHidden(releases);
        QWidget* window = controller.window();
        window->resize(300, 200);
        controller.showWindow();
        window->repaint(); // draws, so a backing store exists
        ASSERT_NE(window->backingStore(), nullptr);

        controller.close();
        QCoreApplication::processEvents();
        EXPECT_EQ(window->backingStore() == nullptr, releases) << "releases: " << releases;
        EXPECT_EQ(window->windowHandle() == nullptr, releases) << "releases: " << releases;

        controller.showWindow();
        window->repaint();
        EXPECT_TRUE(controller.isWindowVisible());
        EXPECT_NE(window->windowHandle(), nullptr);
        EXPECT_NE(window->backingStore(), nullptr);
        EXPECT_EQ(window->size(), QSize(300, 200));
        EXPECT_EQ(controller.loads, 1) << "the same window, made again on the server only";
    }
}
