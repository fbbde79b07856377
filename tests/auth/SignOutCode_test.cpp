// The sign-out code in the overlay: only the shown code signs out, and each showing starts clean.
#include "auth/PopoverConfirmationCodeView.h"
#include "support/PresentedOverlay.h"

#include <QLineEdit>

class SignOutCodeTest : public PresentedOverlayTest {
protected:
    SignOutCodeTest() {
        registerModalPopover(ModalViewControllerType::codeConfirmationSignOut,
                             [] { return new PopoverConfirmationCodeView; });
    }
};

TEST_F(SignOutCodeTest, TheCodeConfirmationSignsOutOnlyWithTheShownCode) {
    present(ModalViewControllerType::codeConfirmationSignOut);
    PopoverConfirmationCodeView* code =
        modal.popoverAs<PopoverConfirmationCodeView>(ModalViewControllerType::codeConfirmationSignOut);
    EXPECT_EQ(modal.shownPopoverView(), code);
    EXPECT_TRUE(code->enterCodeField()->text().isEmpty());
    EXPECT_FALSE(code->isErrorShown());

    code->enterCodeField()->setText("000000");
    code->verifyCode(code->enterCodeField());
    EXPECT_TRUE(code->isErrorShown());
    EXPECT_EQ(router.count("performLogout"), 0);

    code->enterCodeField()->setText(code->confirmationCode());
    code->verifyCode(code->enterCodeField());
    EXPECT_EQ(router.count("performLogout"), 1);
    ASSERT_EQ(events().size(), 1u);
    EXPECT_EQ(events()[0].type, 20);
    EXPECT_FALSE(isPresented());

    // The next showing starts clean.
    scheduler.advance(0.3);
    code->enterCodeField()->setText("typed");
    present(ModalViewControllerType::codeConfirmationSignOut);
    EXPECT_TRUE(code->enterCodeField()->text().isEmpty());
    EXPECT_FALSE(code->isErrorShown());
}
