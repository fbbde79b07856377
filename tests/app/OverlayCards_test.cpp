// The overlay's cards, its own and those the screens register, as the assembled client has them.
#include "app/Composition.h"
#include "support/PresentedOverlay.h"

#include <QLabel>
#include <QPushButton>

namespace {

class OverlayCardsTest : public PresentedOverlayTest {
protected:
    OverlayCardsTest() { composeClient(); }
};

} // namespace

TEST_F(OverlayCardsTest, InEveryCardCancelIsTextBesideAFilledPrimaryActionUnderABoldTitle) {
    // The card's own colour where a button draws no fill, the accent where it does.
    auto fillAtCentreOf = [](QWidget* button) {
        // Beside the title's letters, still inside the button.
        QWidget* top = button->window();
        const QPoint spot = button->mapTo(top, QPoint(3, button->height() / 2));
        return top->grab().toImage().pixelColor(spot);
    };
    for (auto type : {ModalViewControllerType::warningSignOut, ModalViewControllerType::runTroubleshooting,
                      ModalViewControllerType::codeConfirmationSignOut}) {
        present(type);
        QWidget* card = modal.shownPopoverView();
        ASSERT_NE(card, nullptr);
        QPushButton* cancel = nullptr;
        QPushButton* primary = nullptr;
        for (auto* button : card->findChildren<QPushButton*>()) {
            if (button->isVisibleTo(card)) {
                (button->text() == "Cancel" ? cancel : primary) = button;
            }
        }
        ASSERT_TRUE(cancel && primary) << static_cast<int>(type);
        const QColor cancelFill = fillAtCentreOf(cancel);
        EXPECT_NE(cancelFill.blue(), 0xFA) << "Cancel has no accent fill, type " << static_cast<int>(type);
        EXPECT_LT(cancelFill.lightness(), 60) << static_cast<int>(type);
        EXPECT_LT(cancel->x(), primary->x());
        // The sign-out code card draws its own title; the toolkit's card look gives the others theirs.
        if (auto* title = card->findChild<QLabel*>("titleLabel")) {
            EXPECT_TRUE(title->font().bold()) << static_cast<int>(type);
            EXPECT_GE(title->font().pixelSize(), 16) << static_cast<int>(type);
            EXPECT_GE(title->mapTo(card, QPoint()).x(), kCardContentMargins.left());
        } else {
            EXPECT_EQ(type, ModalViewControllerType::codeConfirmationSignOut);
        }
        modal.dismiss();
        scheduler.advance(0.3);
    }
}
