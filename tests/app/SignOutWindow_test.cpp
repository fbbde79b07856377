#include "app/Composition.h"
#include "auth/PopoverConfirmationCodeView.h"
#include "menus/QAUISignOutController.h"
#include "sdk/testing/Driver.h"
#include "support/FakeRouter.h"
#include "toolkit/BaseWindowViewController.h"

#include <gtest/gtest.h>

TEST(QAUISignOutController, ConfirmingSignsOutThroughTheRouterAndCancelOnlyCloses) {
    composeClient();
    sdk::testing::Driver driver;
    FakeRouter router;
    FakeRouter::Scope scope(router);
    QAUISignOutController signOut;
    ASSERT_NE(signOut.signOutWindowController(), nullptr);
    signOut.show();
    EXPECT_TRUE(signOut.isVisible());
    ModalViewController* modal = signOut.modalViewController();
    ASSERT_NE(modal, nullptr);
    EXPECT_EQ(modal->controllerType(), ModalViewControllerType::warningSignOut);

    modal->popoverCanceled(nullptr);
    EXPECT_FALSE(signOut.isVisible());
    EXPECT_EQ(router.count(QStringLiteral("performLogout")), 0);

    PDSettings settings = VeltrixXPC::settings();
    settings.alwaysOn.value = true;
    driver.setSettings(settings);
    signOut.show();
    EXPECT_EQ(modal->controllerType(), ModalViewControllerType::codeConfirmationSignOut);
    auto* code =
        modal->popoverAs<PopoverConfirmationCodeView>(ModalViewControllerType::codeConfirmationSignOut);
    code->enterCodeField()->setText(code->confirmationCode());
    code->verifyCode(nullptr);
    EXPECT_FALSE(signOut.isVisible());
    EXPECT_EQ(router.count(QStringLiteral("performLogout")), 1);
}
