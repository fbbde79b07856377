#include "auth/AuthAnimationView.h"

#include "platform/ManualScheduler.h"

#include <QTest>

#include <gtest/gtest.h>

TEST(AuthAnimationView, PlaysLoopingExactlyWhileMarkedVisible) {
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope(scheduler);
    QWidget host;
    auto* view = new AuthAnimationView(&host);
    ASSERT_NE(view->animationView(), nullptr);
    EXPECT_EQ(view->animationView()->parentWidget(), view->animationBgView());
    EXPECT_TRUE(view->animationView()->loopAnimation());
    ASSERT_TRUE(view->animationView()->setAnimationNamed(QStringLiteral("signInAnimation")));
    host.show(); // the view appears with its window...
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    EXPECT_FALSE(view->animationView()->isAnimationPlaying()); // ...but was never set visible

    view->setVisible(true);
    view->setVisible(true);
    EXPECT_TRUE(view->animationView()->isAnimationPlaying());
    EXPECT_TRUE(view->animationView()->isTicking());
    scheduler.advance(5.0); // past the end of the loop: still going
    EXPECT_TRUE(view->animationView()->isAnimationPlaying());

    view->setVisible(false);
    EXPECT_FALSE(view->animationView()->isAnimationPlaying());
    EXPECT_FALSE(view->animationView()->isTicking());
}
