#include "auth/AuthWelcomeController.h"
#include "auth/PopoverConfirmationCodeView.h"
#include "core/LocalizedStrings.h"
#include "menus/QAUISignOutController.h"
#include "sdk/testing/Driver.h"
#include "toolkit/BaseWindowViewController.h"
#include "toolkit/FakeRouter.h"
#include "toolkit/RecordingPopoverDelegate.h"

#include <gtest/gtest.h>

TEST(PopoverConfirmationCodeView, OnlyTheShownCodeConfirmsAndAWrongOneBringsANewCode) {
    PopoverConfirmationCodeView view;
    RecordingPopoverDelegate delegate;
    view.setDelegate(&delegate);
    int next = 0;
    view.setCodeGenerator([&] { return QStringLiteral("00000%1").arg(++next); });
    view.configureForSignOut();
    const QString first = view.code();
    EXPECT_EQ(first.size(), 6);

    view.enterCodeField()->setText(QStringLiteral("999999"));
    view.verifyCode(nullptr);
    EXPECT_EQ(delegate.confirmed, 0);
    EXPECT_TRUE(view.isErrorShown());
    EXPECT_EQ(view.code(), QStringLiteral("000001"));
    EXPECT_TRUE(view.enterCodeField()->text().isEmpty());

    view.enterCodeField()->setText(first); // the old code no longer counts
    view.verifyCode(nullptr);
    EXPECT_EQ(delegate.confirmed, 0);

    view.enterCodeField()->setText(view.code());
    view.verifyCode(nullptr);
    EXPECT_EQ(delegate.confirmed, 1);
    view.cancel(nullptr);
    EXPECT_EQ(delegate.canceled, 1);

    view.configureForSignOut();
    EXPECT_FALSE(view.isErrorShown());
    EXPECT_TRUE(view.enterCodeField()->text().isEmpty());
}

TEST(PopoverConfirmationCodeView, GeneratedCodesAreSixDigits) {
    for (int i = 0; i < 50; ++i) {
        const QString code = PopoverConfirmationCodeView::generateCode();
        ASSERT_EQ(code.size(), 6);
        bool number = false;
        code.toInt(&number);
        EXPECT_TRUE(number) << code.toStdString();
    }
}

TEST(AuthWelcomeController, SessionTimeoutReasonsPickTheirTexts) {
    AuthWelcomeController controller;
    const std::pair<std::optional<int>, QString> cases[] = {
        {3, L10n::sdp_session_timeout_user_deleted_error_title()},
        {4, L10n::sdp_session_timeout_network_device_deleted_error_title()},
        {5, L10n::sdp_session_timeout_session_revoked_error_title()},
        {1, L10n::sdp_session_timeout_session_expired_error_title()},
        {std::nullopt, L10n::sdp_session_timeout_session_expired_error_title()},
    };
    for (const auto& [reason, title] : cases) {
        controller.showSessionTimeoutError(reason);
        EXPECT_TRUE(controller.isErrorShown());
        EXPECT_EQ(controller.errorTitle(), title) << reason.value_or(-1);
    }
    controller.showAccountExpired();
    EXPECT_EQ(controller.errorTitle(), L10n::hrbx_api_log_in_license_expired_header());
    controller.resetViews();
    EXPECT_FALSE(controller.isErrorShown());
}

TEST(AuthWelcomeController, SignInButtonAsksTheSdk) {
    sdk::testing::Driver driver;
    AuthWelcomeController controller;
    controller.showError(QStringLiteral("Failed"), QStringLiteral("Try again"));
    controller.signInButton()->click();
    EXPECT_TRUE(driver.lastCall(QStringLiteral("login")).has_value());
    EXPECT_FALSE(controller.isErrorShown());
    EXPECT_FALSE(controller.signInButton()->isEnabled()); // until the SDK answers
}

TEST(QAUISignOutController, ConfirmingSignsOutThroughTheRouterAndCancelOnlyCloses) {
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
    auto* code = modal->popoverAs<PopoverConfirmationCodeView>(ModalViewControllerType::codeConfirmationSignOut);
    code->enterCodeField()->setText(code->code());
    code->verifyCode(nullptr);
    EXPECT_FALSE(signOut.isVisible());
    EXPECT_EQ(router.count(QStringLiteral("performLogout")), 1);
}
