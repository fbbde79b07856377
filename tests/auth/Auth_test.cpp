#include "auth/PopoverConfirmationCodeView.h"
#include "menus/QAUISignOutController.h"
#include "sdk/testing/Driver.h"
#include "toolkit/BaseWindowViewController.h"
#include "toolkit/FakeRouter.h"

#include <gtest/gtest.h>

TEST(QAUISignOutController, ConfirmingSignsOutThroughTheRouterAndCancelOnlyCloses) {
    sdk::testing::Driver driver;
    driver.setAlwaysOn(false);
    FakeRouter router;
    FakeRouter::Scope scope(router);
    QAUISignOutController signOut;
    ASSERT_NE(signOut.windowController(), nullptr);
    signOut.showSignOutWindow();
    EXPECT_TRUE(signOut.windowController()->isWindowVisible());
    auto* content =
        qobject_cast<SignOutConfirmationController*>(signOut.windowController()->contentViewController());
    ASSERT_NE(content, nullptr);
    EXPECT_FALSE(content->isAskingForCode());

    signOut.popoverCanceled(nullptr);
    EXPECT_FALSE(signOut.windowController()->isWindowVisible());
    EXPECT_EQ(router.count(QStringLiteral("performLogout")), 0);

    driver.setAlwaysOn(true);
    signOut.showSignOutWindow();
    EXPECT_TRUE(content->isAskingForCode());
    content->codeView()->enterCodeField()->setText(content->codeView()->confirmationCode());
    content->codeView()->verifyCode(nullptr);
    EXPECT_FALSE(signOut.windowController()->isWindowVisible());
    EXPECT_EQ(router.count(QStringLiteral("performLogout")), 1);
}
