#include "platform/ViewController.h"

#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace platform;

namespace {

using Log = std::vector<std::string>;

class RecordingController : public ViewController {
public:
    explicit RecordingController(Log* log = nullptr, std::string name = "vc")
        : m_log(log), m_name(std::move(name)) {}
    int loads = 0;

protected:
    QWidget* loadView() override {
        ++loads;
        record("loadView");
        return new QWidget;
    }
    void viewDidLoad() override { record("viewDidLoad"); }
    void viewWillAppear() override { record("willAppear"); }
    void viewDidAppear() override { record("didAppear"); }
    void viewWillDisappear() override { record("willDisappear"); }
    void viewDidDisappear() override { record("didDisappear"); }

private:
    void record(const char* what) {
        if (m_log) {
            m_log->push_back(m_name + "." + what);
        }
    }
    Log* m_log;
    std::string m_name;
};

// Holds the dismissal until the test finishes it, as an animation would.
class DeferredAnimator : public PresentationAnimator {
public:
    void animatePresentation(ViewController* presented, ViewController* presenting) override {
        presentedArgument = presented;
        presentingArgument = presenting;
        overlay.animatePresentation(presented, presenting);
    }
    void animateDismissal(ViewController* presented, ViewController* presenting) override {
        pending = [=, this] { overlay.animateDismissal(presented, presenting); };
    }
    ViewController* presentedArgument = nullptr;
    ViewController* presentingArgument = nullptr;
    std::function<void()> pending;
    OverlayPresentationAnimator overlay;
};

} // namespace

TEST(ViewController, LoadsItsViewOnceOnFirstUse) {
    Log log;
    RecordingController vc(&log);
    EXPECT_FALSE(vc.isViewLoaded());
    QWidget* view = vc.view();
    EXPECT_TRUE(vc.isViewLoaded());
    EXPECT_EQ(vc.view(), view);
    EXPECT_EQ(vc.loads, 1);
    EXPECT_EQ(log, (Log{"vc.loadView", "vc.viewDidLoad"}));
}

TEST(ViewController, ANullViewFromLoadViewBecomesAnEmptyOne) {
    struct NoView : ViewController {
        QWidget* loadView() override { return nullptr; }
    } vc;
    EXPECT_NE(vc.view(), nullptr);
}

TEST(ViewController, AppearanceFollowsTheWindowOncePerChange) {
    Log log;
    RecordingController vc(&log);
    QWidget window;
    vc.view()->setParent(&window);
    vc.view()->show(); // its window is still hidden: not on screen
    log.clear();
    EXPECT_FALSE(vc.isAppeared());

    window.show();
    EXPECT_EQ(log, (Log{"vc.willAppear", "vc.didAppear"}));
    EXPECT_TRUE(vc.isAppeared());
    window.show();
    vc.view()->show();
    EXPECT_EQ(log.size(), 2u);

    window.hide();
    EXPECT_EQ(log, (Log{"vc.willAppear", "vc.didAppear", "vc.willDisappear", "vc.didDisappear"}));
    window.hide();
    EXPECT_EQ(log.size(), 4u);

    window.show();
    vc.view()->hide();
    EXPECT_EQ(log.size(), 8u);
    EXPECT_FALSE(vc.isAppeared());
}

TEST(ViewController, PresentsAsAnOverlayAndDismissesWithHooksOnce) {
    Log log;
    RecordingController host(&log, "host");
    RecordingController overlay(&log, "overlay");
    host.view()->resize(300, 200);
    host.view()->show();
    log.clear();

    host.presentViewController(&overlay);
    EXPECT_EQ(overlay.presentingViewController(), &host);
    EXPECT_EQ(host.presentedViewControllers(), QList<ViewController*>{&overlay});
    EXPECT_EQ(overlay.view()->parentWidget(), host.view());
    EXPECT_EQ(overlay.view()->geometry(), QRect(0, 0, 300, 200));
    EXPECT_EQ(log,
              (Log{"overlay.loadView", "overlay.viewDidLoad", "overlay.willAppear", "overlay.didAppear"}));

    log.clear();
    overlay.dismiss();
    EXPECT_EQ(log, (Log{"overlay.willDisappear", "overlay.didDisappear"}));
    EXPECT_EQ(overlay.presentingViewController(), nullptr);
    EXPECT_TRUE(host.presentedViewControllers().isEmpty());
    EXPECT_TRUE(overlay.isViewLoaded());
    EXPECT_EQ(overlay.view()->parentWidget(), nullptr);
    EXPECT_FALSE(overlay.view()->isVisible());

    // Presented again, it appears again.
    log.clear();
    host.presentViewController(&overlay);
    EXPECT_EQ(log, (Log{"overlay.willAppear", "overlay.didAppear"}));
}

TEST(ViewController, RefusesBadPresentationsAndDismissals) {
    RecordingController host, other, overlay;
    host.presentViewController(&host);
    host.presentViewController(nullptr);
    EXPECT_TRUE(host.presentedViewControllers().isEmpty());

    host.presentViewController(&overlay);
    other.presentViewController(&overlay);
    EXPECT_EQ(overlay.presentingViewController(), &host);
    EXPECT_TRUE(other.presentedViewControllers().isEmpty());

    other.dismissViewController(&overlay);
    EXPECT_EQ(overlay.presentingViewController(), &host);
    host.dismissViewController(nullptr);
    other.dismiss(); // not presented: nothing
    EXPECT_EQ(host.presentedViewControllers().size(), 1);
}

TEST(ViewController, AnimatedDismissalEndsWhenTheAnimatorHidesTheView) {
    Log log;
    RecordingController host(&log, "host");
    RecordingController overlay(&log, "overlay");
    host.view()->show();
    auto animator = std::make_shared<DeferredAnimator>();
    host.presentViewController(&overlay, animator);
    EXPECT_EQ(animator->presentedArgument, &overlay);
    EXPECT_EQ(animator->presentingArgument, &host);

    log.clear();
    host.dismissViewController(&overlay);
    EXPECT_EQ(log, (Log{"overlay.willDisappear"}));
    EXPECT_TRUE(overlay.view()->isVisible());
    ASSERT_TRUE(animator->pending);
    animator->pending();
    EXPECT_EQ(log, (Log{"overlay.willDisappear", "overlay.didDisappear"}));
}

TEST(ViewController, PresentingAgainBeforeTheDismissalEndsCallsTheDisappearanceOff) {
    Log log;
    RecordingController host(&log, "host");
    RecordingController overlay(&log, "overlay");
    host.view()->show();
    auto animator = std::make_shared<DeferredAnimator>();
    host.presentViewController(&overlay, animator);
    host.dismissViewController(&overlay);
    log.clear();

    host.presentViewController(&overlay, std::make_shared<DeferredAnimator>());
    EXPECT_EQ(log, (Log{"overlay.willAppear", "overlay.didAppear"}));
    overlay.view()->hide();
    EXPECT_EQ(log, (Log{"overlay.willAppear", "overlay.didAppear", "overlay.willDisappear",
                        "overlay.didDisappear"}));
}

TEST(ViewController, AButtonInsideThePresentedViewCanDismissIt) {
    struct ButtonController : ViewController {
        QWidget* loadView() override {
            auto* view = new QWidget;
            button = new QPushButton("Close", view);
            connect(button, &QPushButton::clicked, this, [this] { dismiss(); });
            return view;
        }
        QPushButton* button = nullptr;
    };
    RecordingController host;
    ButtonController overlay;
    host.view()->resize(200, 100);
    host.view()->show();
    host.presentViewController(&overlay);
    QTest::mouseClick(overlay.button, Qt::LeftButton);
    EXPECT_EQ(overlay.presentingViewController(), nullptr);
    EXPECT_FALSE(overlay.view()->isVisible());
}

TEST(ViewController, SheetIsAFramelessWindowModalChildOverItsHostsTopThatOnlyDismissalCloses) {
    Log log;
    RecordingController host(&log, "host");
    RecordingController sheet(&log, "sheet");
    host.view()->setGeometry(100, 80, 600, 400);
    host.view()->show();
    sheet.setTitle("Update");
    sheet.view()->resize(240, 120);
    log.clear();

    host.presentAsSheet(&sheet);
    QWidget* window = sheet.view()->window();
    ASSERT_NE(window, host.view());
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->parentWidget(), host.view());
    EXPECT_EQ(window->windowModality(), Qt::WindowModal);
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Update");
    EXPECT_EQ(window->size(), QSize(240, 120));
    EXPECT_EQ(log, (Log{"sheet.willAppear", "sheet.didAppear"}));

    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());

    // Centred across the top of the host's client area, wherever the host goes.
    EXPECT_EQ(window->geometry(), QRect(280, 80, 240, 120));
    host.view()->move(40, 200);
    const QPoint client = host.view()->geometry().topLeft(); // inside whatever frame the platform adds
    EXPECT_EQ(window->pos(), client + QPoint(180, 0)) << "follows the host";
    host.view()->resize(400, 400);
    EXPECT_EQ(window->pos(), client + QPoint(80, 0));
    host.view()->hide();
    EXPECT_FALSE(window->isVisible()) << "goes with its host";
    window->move(0, 0); // wherever it went meanwhile
    host.view()->show();
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(window->isVisible()) << "comes back with its host";
    EXPECT_EQ(window->pos(), client + QPoint(80, 0));

    QPointer<QWidget> sheetWindow(window);
    host.dismissViewController(&sheet);
    EXPECT_EQ(log.back(), "sheet.didDisappear");
    EXPECT_TRUE(sheet.isViewLoaded());
    EXPECT_EQ(sheet.view()->parentWidget(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(sheetWindow.isNull());
}

TEST(ViewController, DestroyedControllersLeaveEveryRelation) {
    RecordingController overlay, sheetController;
    QPointer<QWidget> overlayView;
    {
        RecordingController host;
        host.view()->show();
        host.presentViewController(&overlay);
        host.presentAsSheet(&sheetController);
        overlayView = overlay.view();
    }
    EXPECT_EQ(overlay.presentingViewController(), nullptr);
    EXPECT_EQ(sheetController.presentingViewController(), nullptr);
    EXPECT_FALSE(overlayView.isNull()); // not deleted with the host's view
    EXPECT_TRUE(sheetController.isViewLoaded());

    RecordingController host;
    host.view()->show();
    {
        RecordingController shortLived;
        host.presentViewController(&shortLived);
        host.presentAsSheet(&sheetController);
    }
    EXPECT_EQ(host.presentedViewControllers(), QList<ViewController*>{&sheetController});
}

TEST(ViewController, KeepsParentAndChildrenWithoutOwningThem) {
    RecordingController root, middle, leaf;
    root.addChildViewController(&middle);
    middle.addChildViewController(&leaf);
    EXPECT_EQ(leaf.parentViewController()->parentViewController(), &root);

    leaf.addChildViewController(&root); // a cycle
    EXPECT_EQ(root.parentViewController(), nullptr);
    root.addChildViewController(&root);
    EXPECT_EQ(root.childViewControllers(), QList<ViewController*>{&middle});

    root.addChildViewController(&leaf); // moves
    EXPECT_EQ(leaf.parentViewController(), &root);
    EXPECT_TRUE(middle.childViewControllers().isEmpty());
    EXPECT_EQ(root.childViewControllers(), (QList<ViewController*>{&middle, &leaf}));

    leaf.removeFromParentViewController();
    EXPECT_EQ(root.childViewControllers(), QList<ViewController*>{&middle});
    {
        RecordingController temporary;
        root.addChildViewController(&temporary);
    }
    EXPECT_EQ(root.childViewControllers(), QList<ViewController*>{&middle});
    auto* orphan = new RecordingController;
    orphan->addChildViewController(&leaf);
    delete orphan;
    EXPECT_EQ(leaf.parentViewController(), nullptr);
}
