#include "auth/OnBoardingPageControllerN.h"
#include "auth/QAUIOnBoardingPageViewController.h"
#include "core/LocalizedStrings.h"
#include "platform/ManualScheduler.h"
#include "support/FakeRouter.h"
#include "support/Storyboards.h"
#include "toolkit/Colors.h"

#include <QApplication>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace {

bool playing(OnBoardingItemBase* page) {
    return page && page->animationView()->animationView() &&
           page->animationView()->animationView()->isAnimationPlaying();
}

bool ticking(OnBoardingItemBase* page) {
    return page && page->animationView()->animationView() &&
           page->animationView()->animationView()->isTicking();
}

// Both onboarding controllers, shown in a window of their own on virtual time, with a recording router.
template <class Controller>
class OnboardingTest : public ::testing::Test {
protected:
    OnboardingTest() : scope(scheduler), routerScope(router) {
        testsupport::registerController<OnBoardingItemControllerN>("OnBoardingN",
                                                                   "OnBoardingItemControllerN");
        testsupport::registerController<QAUIOnBoardingItemViewController>("QAUIMenu",
                                                                          "QAUIOnBoardingItemViewController");
        window.resize(640, 520);
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(controller.view());
        window.show();
        QApplication::processEvents();
    }

    OnBoardingItemBase* page() { return controller.selectedPage(); }
    // A transition from start to end, with its half-second-free animation start.
    void finishTransition() { scheduler.advance(PageController::transitionDuration + 0.05); }

    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope;
    FakeRouter router;
    FakeRouter::Scope routerScope;
    Controller controller;
    QWidget window;
};

using WelcomeOnboarding = OnboardingTest<OnBoardingPageControllerN>;
using QuickAccessOnboarding = OnboardingTest<QAUIOnBoardingPageViewController>;

} // namespace

TEST(OnBoardingPages, FourPagesInOrderWithIdentifiersThatRoundTrip) {
    const auto pages = onboarding::pages();
    ASSERT_EQ(pages.size(), 4u);
    EXPECT_EQ(pages[0]->title, L10n::onBoardingTitle_1());
    EXPECT_EQ(pages[3]->description, L10n::onBoardingDescription_4());
    const QStringList animations{"sra_data", "traffic_data", "wifi_data", "edge_data"};
    for (std::size_t i = 0; i < pages.size(); ++i) {
        EXPECT_EQ(pages[i]->filename, animations[static_cast<int>(i)]);
        // An equal model, not the same object, gives the same identifier, and the identifier the index.
        const auto copy = std::make_shared<OnBoardingItemModel>(*pages[i]);
        const QString identifier = onboarding::identifierForObject(pages, std::any(copy));
        EXPECT_EQ(identifier, QString::number(i));
        EXPECT_EQ(onboarding::indexForIdentifier(identifier, pages.size()), i);
    }
    EXPECT_EQ(onboarding::identifierForObject(pages, std::any(42)), "0");
    EXPECT_EQ(onboarding::identifierForObject(pages, std::any(OnBoardingItemModelPtr())), "0");
    const auto stranger = std::make_shared<OnBoardingItemModel>("t", "d", "sra_data");
    EXPECT_EQ(onboarding::identifierForObject(pages, std::any(stranger)), "0");
    for (const char* bad : {"", "-1", "7", "4", "1x", " 1", "+1", "0x1", "99999999999999999999"}) {
        EXPECT_FALSE(onboarding::indexForIdentifier(QString::fromLatin1(bad), pages.size())) << bad;
    }
}

TEST_F(WelcomeOnboarding, IdentifiersGiveTheirPagesAndAnythingElseAnEmptyPage) {
    for (int i = 0; i < 4; ++i) {
        auto made = controller.viewControllerForIdentifier(controller, QString::number(i));
        auto* item = qobject_cast<OnBoardingItemControllerN*>(made.get());
        ASSERT_NE(item, nullptr) << i;
        item->view();
        EXPECT_EQ(item->delegate(), &controller);
        EXPECT_EQ(item->dataObject(), controller.dataArray()[static_cast<std::size_t>(i)]);
        EXPECT_EQ(item->titleTextField()->text(), controller.dataArray()[static_cast<std::size_t>(i)]->title);
        EXPECT_EQ(item->animationView()->animationName(),
                  controller.dataArray()[static_cast<std::size_t>(i)]->filename);
    }
    for (const char* bad : {"", "-1", "7", "1x"}) {
        auto made = controller.viewControllerForIdentifier(controller, QString::fromLatin1(bad));
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(qobject_cast<OnBoardingItemBase*>(made.get()), nullptr) << bad;
    }
}

TEST_F(WelcomeOnboarding, NextWalksThePagesAndFinishOnTheLastEndsTheOnboarding) {
    auto* first = qobject_cast<OnBoardingItemControllerN*>(page());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->nextButton()->text(), "Next");
    EXPECT_FALSE(controller.loginStackView()->isHidden());

    for (int expected = 1; expected < 4; ++expected) {
        auto* item = controller.selectedItem();
        item->nextButton()->click();
        item->nextButton()->click(); // a second press during the slide does not skip a page
        finishTransition();
        EXPECT_EQ(controller.selectedIndex(), expected);
        EXPECT_EQ(controller.pageControl()->currentPage(), expected);
    }
    EXPECT_EQ(controller.selectedItem()->nextButton()->text(), "Finish");
    EXPECT_TRUE(controller.loginStackView()->isHidden());
    EXPECT_TRUE(router.calls.isEmpty());

    controller.selectedItem()->nextButton()->click();
    EXPECT_EQ(router.count("leaveWelcomePage"), 1);
    EXPECT_EQ(controller.selectedIndex(), 3);

    // Back to page 3 with the Left key: "Next" again and the login area back.
    QTest::keyClick(controller.pagesView(), Qt::Key_Left);
    finishTransition();
    EXPECT_EQ(controller.selectedIndex(), 2);
    EXPECT_EQ(controller.selectedItem()->nextButton()->text(), "Next");
    EXPECT_FALSE(controller.loginStackView()->isHidden());
    EXPECT_EQ(controller.pageControl()->currentPage(), 2);
}

TEST_F(WelcomeOnboarding, TheLoginButtonEndsTheOnboardingFromAnyPage) {
    controller.loginButton()->click();
    EXPECT_EQ(router.count("leaveWelcomePage"), 1);
    EXPECT_EQ(controller.selectedIndex(), 0);
    QTest::keyClick(controller.pagesView(), Qt::Key_Right);
    finishTransition();
    controller.loginButton()->click();
    EXPECT_EQ(router.count("leaveWelcomePage"), 2);
}

TEST_F(WelcomeOnboarding, OnlyTheSelectedPagesAnimationPlaysAndOnlyWhileShown) {
    OnBoardingItemBase* first = page();
    EXPECT_FALSE(playing(first));
    scheduler.advance(OnBoardingPagesBase::animationStartDelay);
    EXPECT_TRUE(playing(first));
    EXPECT_TRUE(ticking(first));

    controller.navigateForward();
    EXPECT_FALSE(playing(first)); // stopped as the slide starts
    finishTransition();
    OnBoardingItemBase* second = page();
    ASSERT_NE(second, first);
    EXPECT_TRUE(playing(second));
    EXPECT_FALSE(playing(first));

    window.hide();
    EXPECT_FALSE(playing(second));
    EXPECT_FALSE(ticking(second));
    window.show();
    scheduler.advance(OnBoardingPagesBase::animationStartDelay);
    EXPECT_TRUE(ticking(second));
}

TEST_F(WelcomeOnboarding, DotsFollowThePagesInTheirColours) {
    NSPageControl* dots = controller.pageControl();
    EXPECT_EQ(dots->numberOfPages(), 4);
    EXPECT_EQ(dots->dotLength(), 12);
    EXPECT_EQ(dots->dotMargin(), 8);
    EXPECT_EQ(dots->currentPageIndicatorTintColor(), colorFromHexString("#266FE2"));
    EXPECT_EQ(dots->pageIndicatorTintColor(), colorFromHexString("#6F9CD9"));
}

TEST_F(WelcomeOnboarding, AHorizontalScrollMovesOnePageAsASwipeDoes) {
    QWidget* pages = controller.pagesView();
    const QPointF at(pages->width() / 2.0, pages->height() / 2.0);
    auto scroll = [&](int dx, int dy, Qt::ScrollPhase phase) {
        QWheelEvent event(at, pages->mapToGlobal(at), QPoint(dx, dy), QPoint(dx, dy), Qt::NoButton,
                          Qt::NoModifier, phase, false);
        QApplication::sendEvent(pages, &event);
    };
    scroll(0, -300, Qt::NoScrollPhase); // vertical: nothing
    scroll(-40, 0, Qt::ScrollBegin);    // too short for a swipe
    EXPECT_FALSE(controller.isTransitionRunning());
    scroll(-100, 0, Qt::ScrollUpdate);
    scroll(-200, 0, Qt::ScrollUpdate); // the rest of the same gesture while the page slides
    finishTransition();
    EXPECT_EQ(controller.selectedIndex(), 1);
    scroll(150, 0, Qt::ScrollBegin);
    finishTransition();
    EXPECT_EQ(controller.selectedIndex(), 0);
}

TEST_F(QuickAccessOnboarding, OneButtonReadsNextThenFinishAndEndsTheOnboarding) {
    EXPECT_EQ(controller.nextButton()->text(), "Next");
    for (int expected = 1; expected < 4; ++expected) {
        controller.nextButton()->click();
        finishTransition();
        EXPECT_EQ(controller.selectedIndex(), expected);
        EXPECT_EQ(controller.pageControl()->currentPage(), expected);
    }
    EXPECT_EQ(controller.nextButton()->text(), "Finish");
    EXPECT_TRUE(router.calls.isEmpty());
    controller.nextButton()->click();
    EXPECT_EQ(router.count("leaveWelcomePage"), 1);

    controller.navigateBack();
    finishTransition();
    EXPECT_EQ(controller.nextButton()->text(), "Next");
}

TEST_F(QuickAccessOnboarding, PagesHaveNoButtonOfTheirOwnAndAHiddenWindowStopsStepping) {
    for (int i = 0; i < 4; ++i) {
        auto made = controller.viewControllerForIdentifier(controller, QString::number(i));
        auto* item = qobject_cast<QAUIOnBoardingItemViewController*>(made.get());
        ASSERT_NE(item, nullptr);
        EXPECT_TRUE(item->view()->findChildren<QAbstractButton*>().isEmpty());
    }
    scheduler.advance(OnBoardingPagesBase::animationStartDelay);
    EXPECT_TRUE(ticking(page()));
    // The window closes without the page being told: the animation stays on, but nothing steps it.
    window.hide();
    EXPECT_TRUE(playing(page()));
    EXPECT_FALSE(ticking(page()));
}

TEST(QuickAccessOnboardingWithoutTheClient, FinishDoesNothingWithoutTheApplicationDelegate) {
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope(scheduler);
    QAUIOnBoardingPageViewController controller;
    controller.view()->resize(320, 480);
    controller.setSelectedIndex(3);
    controller.nextTap(); // no router: nothing happens, nothing breaks
    EXPECT_EQ(controller.selectedIndex(), 3);
}
