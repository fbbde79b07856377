#include "auth/PopoverConfirmationCodeView.h"
#include "support/RecordingPopoverDelegate.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>

#include <gtest/gtest.h>

#include <set>

namespace {

bool showsImage(const QLabel* background, const QPixmap& image) {
    return background->pixmap().toImage() == image.toImage();
}

class CodeViewTest : public ::testing::Test {
protected:
    CodeViewTest() {
        view.setDelegate(&delegate);
        view.configure(PopoverConfirmationCodeViewState::logout);
        view.show();
    }

    QLineEdit* field() { return view.enterCodeField(); }
    void type(const QString& text) { QTest::keyClicks(field(), text); }

    RecordingPopoverDelegate delegate;
    PopoverConfirmationCodeView view;
};

} // namespace

TEST(ConfirmationCode, CodesAreSixDigitsFromOneToNineAndAllNineTurnUp) {
    PopoverConfirmationCodeView view;
    std::set<QChar> seen;
    for (int draw = 0; draw < 300; ++draw) {
        view.generateCode();
        const QString code = view.confirmationCode();
        ASSERT_EQ(code.size(), 6);
        EXPECT_EQ(view.generatedCodeField()->text(), code);
        for (QChar digit : code) {
            ASSERT_TRUE(digit >= u'1' && digit <= u'9') << code.toStdString();
            seen.insert(digit);
        }
    }
    EXPECT_EQ(seen.size(), 9u);
}

TEST(ConfirmationCode, FormatterTakesDigitsUpToItsLimitAndNothingElse) {
    ConfirmationCodeFormatter plain;
    EXPECT_EQ(plain.maxCharsLimit(), 10);
    EXPECT_TRUE(plain.isPartialStringValid(""));
    EXPECT_TRUE(plain.isPartialStringValid("0123456789"));
    EXPECT_FALSE(plain.isPartialStringValid("01234567890"));
    ConfirmationCodeFormatter six(6);
    EXPECT_TRUE(six.isPartialStringValid("123456"));
    EXPECT_FALSE(six.isPartialStringValid("1234567"));
    for (const char* refused : {"12a", " 1", "1.2", "-1", "١٢"}) {
        EXPECT_FALSE(six.isPartialStringValid(QString::fromUtf8(refused))) << refused;
    }
}

TEST_F(CodeViewTest, TheFieldRefusesLettersASeventhDigitAndPastesHoldingANonDigit) {
    type("12a3");
    EXPECT_EQ(field()->text(), "123");
    type("4567");
    EXPECT_EQ(field()->text(), "123456");
    field()->clear();
    QApplication::clipboard()->setText("12 34");
    field()->paste();
    EXPECT_EQ(field()->text(), "");
    QApplication::clipboard()->setText("0");
    field()->paste();
    EXPECT_EQ(field()->text(), "0"); // a zero gets in, though no code ever holds one
}

TEST_F(CodeViewTest, OnlyTheShownCodeConfirmsAndAWrongOneShowsTheErrorAndANewCode) {
    EXPECT_FALSE(view.isErrorShown());
    EXPECT_TRUE(showsImage(view.enterCodeFieldBg(), view.defaultFieldImage()));

    type("000000");
    view.logOutButton()->click();
    EXPECT_EQ(delegate.confirmed, 0);
    EXPECT_TRUE(view.isErrorShown());
    EXPECT_TRUE(showsImage(view.enterCodeFieldBg(), view.errorFieldImage()));
    EXPECT_EQ(field()->text(), "000000"); // what was typed stays

    // Typing again takes the error look away; the new code stays.
    const QString code = view.confirmationCode();
    QTest::keyClick(field(), Qt::Key_Backspace);
    EXPECT_FALSE(view.isErrorShown());
    EXPECT_TRUE(showsImage(view.enterCodeFieldBg(), view.defaultFieldImage()));
    EXPECT_EQ(view.confirmationCode(), code);

    field()->clear();
    type(code);
    view.logOutButton()->click();
    EXPECT_EQ(delegate.confirmed, 1);
    EXPECT_EQ(delegate.lastSender, view.logOutButton());

    view.cancelButton()->click();
    EXPECT_EQ(delegate.canceled, 1);
    EXPECT_EQ(delegate.lastSender, view.cancelButton());
}

TEST_F(CodeViewTest, ReturnSignsOutAsTheButtonDoesAndAnEmptyEntryIsWrong) {
    QTest::keyClick(field(), Qt::Key_Return);
    EXPECT_TRUE(view.isErrorShown());
    EXPECT_EQ(delegate.confirmed, 0);
    type(view.confirmationCode());
    QTest::keyClick(field(), Qt::Key_Return);
    EXPECT_EQ(delegate.confirmed, 1);
    EXPECT_EQ(delegate.lastSender, view.logOutButton());
}

TEST_F(CodeViewTest, ConfiguringAgainClearsTheEntryAndTheErrorButKeepsTheCode) {
    EXPECT_EQ(view.confirmationTitleField()->text(), "Confirm You Want to Sign Out");
    EXPECT_TRUE(view.confirmationDescriptionField()->text().contains("Always-On VPN"));
    EXPECT_EQ(view.logOutButton()->text(), "Sign Out");
    type("1");
    view.verifyCode(nullptr);
    const QString code = view.confirmationCode();
    view.configure(PopoverConfirmationCodeViewState::logout);
    EXPECT_TRUE(field()->text().isEmpty());
    EXPECT_FALSE(view.isErrorShown());
    EXPECT_EQ(view.confirmationCode(), code);
}

TEST(ConfirmationCode, WithoutADelegateConfirmAndCancelDoNothing) {
    PopoverConfirmationCodeView view;
    view.enterCodeField()->setText(view.confirmationCode());
    view.verifyCode(nullptr);
    view.cancel(nullptr);
    EXPECT_FALSE(view.isErrorShown());
}

TEST_F(CodeViewTest, SignOutIsAFilledAccentButtonWithAWhiteTitle) {
    const QImage button = view.logOutButton()->grab().toImage();
    EXPECT_EQ(button.pixelColor(8, button.height() / 2).name(), QStringLiteral("#2b7bfa"));
    bool whiteTitle = false;
    for (int x = 0; x < button.width() && !whiteTitle; ++x) {
        whiteTitle = button.pixelColor(x, button.height() / 2).lightness() > 240;
    }
    EXPECT_TRUE(whiteTitle);
}
