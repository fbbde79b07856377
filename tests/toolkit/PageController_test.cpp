#include "toolkit/PageController.h"

#include "platform/ManualScheduler.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace {

// Pages named by text objects; records what the page controller asks and tells.
class Pages : public PageControllerDelegate {
public:
    QStringList made;
    QStringList hooks;

    QString identifierForObject(PageController&, const std::any& object) override {
        const auto* text = std::any_cast<QString>(&object);
        return text ? *text : QStringLiteral("?");
    }
    std::unique_ptr<platform::ViewController>
    viewControllerForIdentifier(PageController&, const QString& identifier) override {
        made << identifier;
        auto page = std::make_unique<platform::ViewController>();
        page->setTitle(identifier);
        return page;
    }
    void pageControllerWillStartLiveTransition(PageController& pages) override {
        hooks << QStringLiteral("will %1").arg(pages.selectedIndex());
    }
    void pageControllerDidEndLiveTransition(PageController& pages) override {
        hooks << QStringLiteral("did %1").arg(pages.selectedIndex());
        pages.completeTransition();
    }
};

class PageControllerTest : public ::testing::Test {
protected:
    PageControllerTest() : scope(scheduler) {
        controller.setDelegate(&pages);
        controller.view()->resize(300, 200);
        controller.view()->show();
        controller.setArrangedObjects({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    }

    QWidget* pageView(int index) {
        const QString title = QStringList{"a", "b", "c"}[index];
        for (auto* child : controller.pagesView()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            for (platform::ViewController* page : controller.childViewControllers()) {
                if (page->isViewLoaded() && page->view() == child && page->title() == title) {
                    return child;
                }
            }
        }
        return nullptr;
    }

    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope;
    Pages pages;
    PageController controller;
};

} // namespace

TEST_F(PageControllerTest, SlidesOnePageWithTheHooksAroundAndIgnoresMovesPastTheEnds) {
    EXPECT_EQ(controller.selectedIndex(), 0);
    EXPECT_EQ(controller.selectedViewController()->title(), "a");
    controller.navigateBack(); // nothing before the first page
    EXPECT_TRUE(pages.hooks.isEmpty());

    controller.navigateForward();
    EXPECT_TRUE(controller.isTransitionRunning());
    controller.navigateForward(); // ignored while sliding
    scheduler.advance(PageController::transitionDuration / 2);
    // Halfway: both pages on screen, the old one leaving to the left, the new one coming from the right.
    ASSERT_NE(pageView(1), nullptr);
    EXPECT_TRUE(pageView(0)->isVisible());
    EXPECT_TRUE(pageView(1)->isVisible());
    EXPECT_LT(pageView(0)->x(), 0);
    EXPECT_GT(pageView(1)->x(), 0);
    EXPECT_EQ(controller.selectedIndex(), 0);

    scheduler.advance(PageController::transitionDuration);
    EXPECT_EQ(pages.hooks, (QStringList{"will 0", "did 1"}));
    EXPECT_EQ(controller.selectedIndex(), 1);
    EXPECT_EQ(pageView(1)->geometry(), QRect(0, 0, 300, 200));
    EXPECT_FALSE(pageView(0)->isVisible());

    controller.setSelectedIndex(2);
    controller.navigateForward(); // nothing after the last page
    EXPECT_FALSE(controller.isTransitionRunning());
    EXPECT_EQ(controller.selectedViewController()->title(), "c");
}

TEST_F(PageControllerTest, EachIdentifierMakesItsControllerOnceHoweverOftenThePagesTurn) {
    for (int i = 0; i < 50; ++i) {
        controller.navigateForward();
        scheduler.advance(1);
        controller.navigateForward();
        scheduler.advance(1);
        controller.navigateBack();
        scheduler.advance(1);
        controller.navigateBack();
        scheduler.advance(1);
    }
    EXPECT_EQ(pages.made, (QStringList{"a", "b", "c"}));
    EXPECT_EQ(controller.cachedControllerCount(), 3u);
    EXPECT_EQ(controller.pagesView()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(), 3);
}

TEST_F(PageControllerTest, AResizeKeepsTheSelectedPageFillingTheStrip) {
    controller.view()->resize(420, 260);
    QApplication::processEvents();
    EXPECT_EQ(controller.selectedViewController()->view()->geometry(), QRect(0, 0, 420, 260));
}
