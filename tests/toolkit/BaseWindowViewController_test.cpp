#include "support/FakeRouter.h"
#include "toolkit/BaseWindowViewController.h"
#include "toolkit/NSViewControllerBase.h"
#include "toolkit/XibView.h"

#include <QLabel>
#include <QPointer>

#include <gtest/gtest.h>

namespace {

class TitledWindowController : public BaseWindowViewController {
public:
    int awakes = 0;
    int loads = 0;
    int lateLoads = 0;
    int shows = 0;

protected:
    QWidget* loadWindow() override {
        auto* window = new QWidget;
        window->setWindowTitle(QStringLiteral("Designer title"));
        return window;
    }
    void awakeFromNibHook() override { ++awakes; }
    void windowDidLoadHook() override { ++loads; }
    void windowDidLoadLateHook() override { lateLoads += loads; } // after windowDidLoadHook
    void didShowWindowHook() override { ++shows; }
};

} // namespace

TEST(BaseWindowViewController, WindowCountsAsOpenUntilTheLastShownOneCloses) {
    FakeRouter router;
    FakeRouter::Scope scope(router);
    BaseWindowViewController first;
    BaseWindowViewController second;
    EXPECT_FALSE(isWindowOpened());

    first.showWindow();
    second.showWindow();
    EXPECT_TRUE(isWindowOpened());

    int closedCallbacks = 0;
    first.onWindowClosedNotification = [&] {
        ++closedCallbacks;
        EXPECT_TRUE(isWindowOpened()); // called before the window stops counting
    };
    first.close();
    EXPECT_EQ(closedCallbacks, 1);
    EXPECT_TRUE(isWindowOpened());
    EXPECT_EQ(router.count(QStringLiteral("enterBackgroundMode")), 0);

    second.close();
    EXPECT_FALSE(isWindowOpened());
    EXPECT_EQ(router.count(QStringLiteral("enterBackgroundMode")), 1);
}

TEST(BaseWindowViewController, ShowingTwiceAndClosingWithoutCallbackOrRouter) {
    FakeRouter router;
    {
        FakeRouter::Scope scope(router);
        BaseWindowViewController controller;
        controller.showWindow();
        controller.showWindow(); // already shown: still one window
        controller.close();
        EXPECT_FALSE(isWindowOpened());
        EXPECT_EQ(router.count(QStringLiteral("enterBackgroundMode")), 1);
    }
    // No delegate installed: closing still clears the flag and nothing crashes.
    BaseWindowViewController alone;
    alone.showWindow();
    alone.close();
    EXPECT_FALSE(isWindowOpened());
    EXPECT_EQ(router.count(QStringLiteral("enterBackgroundMode")), 1);
}

TEST(BaseWindowViewController, DestroyedShownWindowNoLongerCounts) {
    auto controller = std::make_unique<BaseWindowViewController>();
    controller->showWindow();
    EXPECT_TRUE(isWindowOpened());
    EXPECT_EQ(BaseWindowViewController::controllerOfWindow(controller->window()), controller.get());
    controller.reset();
    EXPECT_FALSE(isWindowOpened());
}

TEST(BaseWindowViewController, LoadingClearsTitleAndRunsHooksInOrder) {
    TitledWindowController controller;
    QWidget* window = controller.window();
    EXPECT_TRUE(window->windowTitle().isEmpty());
    EXPECT_EQ(controller.awakes, 1);
    EXPECT_EQ(controller.loads, 1);
    EXPECT_EQ(controller.lateLoads, 1);
    EXPECT_EQ(controller.shows, 0);
    controller.showWindow();
    controller.showWindow();
    EXPECT_EQ(controller.shows, 2);
    EXPECT_EQ(controller.awakes, 1);
    controller.close();
}

TEST(NSViewControllerBase, RouterIsTheApplicationDelegate) {
    NSViewControllerBase controller;
    EXPECT_EQ(controller.appRouter(), nullptr);
    FakeRouter router;
    FakeRouter::Scope scope(router);
    EXPECT_EQ(controller.appRouter(), static_cast<AppRouterProtocol*>(&router));
}

namespace {

class PopoverWarningView : public XibView {
    Q_OBJECT
protected:
    QWidget* loadViewFromNib() override {
        auto* label = new QLabel(nibName());
        label->setObjectName(QStringLiteral("content"));
        return label;
    }
};

class EmptyXibView : public XibView {
    Q_OBJECT
};

} // namespace

TEST(XibView, BuildsTheContentNamedAfterItsClassAndResizesIt) {
    PopoverWarningView view;
    EXPECT_EQ(view.nibName(), QStringLiteral("PopoverWarningView"));
    view.resize(200, 100);
    view.show();
    ASSERT_NE(view.view(), nullptr);
    EXPECT_EQ(qobject_cast<QLabel*>(view.view())->text(), QStringLiteral("PopoverWarningView"));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(view.view()->size(), QSize(200, 100));
    view.resize(320, 40);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(view.view()->size(), QSize(320, 40));
    QWidget* content = view.view();
    view.loadView(); // once only
    EXPECT_EQ(view.view(), content);
}

TEST(XibView, MissingContentGivesAnEmptyView) {
    EmptyXibView view;
    view.loadView();
    ASSERT_NE(view.view(), nullptr);
    EXPECT_TRUE(view.view()->children().isEmpty());
}

#include "BaseWindowViewController_test.moc"
