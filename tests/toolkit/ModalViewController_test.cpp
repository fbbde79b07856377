#include "support/PresentedOverlay.h"

#include "platform/Bundle.h"

#include <QPushButton>
#include <QTest>

namespace {

// A popover a screen would register, here for a type no screen uses, answering as the test says.
class ProbePopover : public QWidget, public ModalPopover {
public:
    static inline ProbePopover* last = nullptr;
    ProbePopover() { last = this; }
    ~ProbePopover() override {
        if (last == this) {
            last = nullptr;
        }
    }

    QWidget* popoverWidget() override { return this; }
    void setPopoverDelegate(PopoverViewDelegate* delegate) override { this->delegate = delegate; }
    void prepare() override { ++prepared; }
    void popoverDidAppear() override { ++appeared; }
    bool confirmed(QObject*) override { return closesOnConfirm; }
    bool canceled(QObject*) override { return true; }
    void backgroundClicked() override { ++backgroundClicks; }

    PopoverViewDelegate* delegate = nullptr;
    int prepared = 0;
    int appeared = 0;
    int backgroundClicks = 0;
    bool closesOnConfirm = true;
};

class ModalTest : public PresentedOverlayTest {
protected:
    ModalTest() {
        registerModalPopover(ModalViewControllerType::codeConfirmationQuit, [] { return new ProbePopover; });
    }
};

} // namespace

TEST_F(ModalTest, ARegisteredPopoverShowsForItsTypeOnlyPreparedAtEachAppearance) {
    present(ModalViewControllerType::warningSignOut);
    ProbePopover* popover = ProbePopover::last;
    ASSERT_NE(popover, nullptr) << "every overlay makes each registered popover";
    EXPECT_EQ(modal.popover(ModalViewControllerType::codeConfirmationQuit), popover);
    EXPECT_EQ(popover->delegate, &modal) << "its buttons reach the overlay";
    EXPECT_TRUE(popover->isHidden());
    EXPECT_EQ(popover->prepared, 0);
    modal.dismiss();
    scheduler.advance(0.3);

    for (int appearance = 1; appearance <= 2; ++appearance) {
        present(ModalViewControllerType::codeConfirmationQuit);
        EXPECT_EQ(modal.shownPopoverView(), popover);
        EXPECT_TRUE(modal.popoverWarningView()->isHidden());
        EXPECT_EQ(popover->prepared, appearance);
        EXPECT_EQ(popover->appeared, appearance);
        modal.dismiss();
        scheduler.advance(0.3);
    }
    EXPECT_EQ(modal.popover(ModalViewControllerType::warningQuit), nullptr);
}

TEST_F(ModalTest, ThePopoverDecidesWhetherItsConfirmationClosesTheOverlay) {
    present(ModalViewControllerType::codeConfirmationQuit);
    ProbePopover* popover = ProbePopover::last;
    ASSERT_NE(popover, nullptr);
    popover->closesOnConfirm = false;
    modal.popoverConfirmed(nullptr);
    EXPECT_TRUE(isPresented());
    popover->closesOnConfirm = true;
    modal.popoverConfirmed(nullptr);
    EXPECT_FALSE(isPresented());
    EXPECT_EQ(router.count("performLogout"), 0) << "only the sign-out types sign out";

    scheduler.advance(0.3);
    present(ModalViewControllerType::codeConfirmationQuit);
    QTest::mouseClick(modal.bgView(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(popover->backgroundClicks, 1);
    EXPECT_FALSE(isPresented());
}

TEST_F(ModalTest, TheSignOutWarningIsTheOverlaysOwnAndChangingTheTypeWaitsForTheNextAppearance) {
    present(ModalViewControllerType::warningSignOut);
    EXPECT_EQ(modal.shownPopoverView(), modal.popoverWarningView());
    PopoverWarningView* warning = modal.popoverWarningView();
    EXPECT_EQ(warning->warningTitleField()->text(), "Sign Out From Your Workspace?");
    EXPECT_TRUE(warning->warningDescriptionField()->text().startsWith(
        "Note that all traffic encryption will be disabled until you relaunch "));
    EXPECT_EQ(warning->confirmButton()->text(), "Sign Out");
    EXPECT_EQ(warning->confirmButton()->width(), 106);
    EXPECT_EQ(warning->cancelButton()->text(), "Cancel");

    modal.setControllerType(ModalViewControllerType::warningQuit);
    EXPECT_EQ(modal.shownPopoverView(), modal.popoverWarningView());
    modal.updateContent();
    EXPECT_EQ(modal.shownPopoverView(), nullptr);
}

TEST_F(ModalTest, TheQuitWarningShowsOnlyTheBackgroundAndAClickOnItDismisses) {
    present(ModalViewControllerType::warningQuit);
    EXPECT_EQ(modal.shownPopoverView(), nullptr);
    QTest::mouseClick(modal.bgView(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(isPresented());
    scheduler.advance(0.3);
    EXPECT_FALSE(modal.view()->isVisible());
}

TEST_F(ModalTest, TheQuitWarningNamesTheBundleAndHasTheNarrowButton) {
    EXPECT_EQ(PopoverWarningViewContent::confirmButtonTitle(PopoverWarningViewState::quit), "Quit");
    EXPECT_EQ(PopoverWarningViewContent::confirmButtonWidth(PopoverWarningViewState::quit), 76.0);
    EXPECT_TRUE(PopoverWarningViewContent::title(PopoverWarningViewState::quit).startsWith("Quit "));
    EXPECT_TRUE(PopoverWarningViewContent::title(PopoverWarningViewState::quit).endsWith("?"));
    EXPECT_EQ(PopoverWarningViewContent::description(PopoverWarningViewState::quit),
              PopoverWarningViewContent::description(PopoverWarningViewState::logout));
    EXPECT_FALSE(platform::Bundle::main().imagePath("popoverConfirmQuitButton").isEmpty());
    EXPECT_FALSE(platform::Bundle::main().imagePath("popoverConfirmSignOutButton").isEmpty());
}

TEST_F(ModalTest, ConfirmingTheSignOutWarningSendsTheEventSignsOutAndDismisses) {
    present(ModalViewControllerType::warningSignOut);
    modal.popoverWarningView()->confirmButton()->setText(QString()); // an empty title still counts
    modal.popoverWarningView()->confirmButton()->click();
    ASSERT_EQ(events().size(), 1u);
    EXPECT_EQ(events()[0].category, 0);
    EXPECT_EQ(events()[0].type, 20);
    EXPECT_EQ(events()[0].triggeredBy, AnalyticsTrigger::button(QString()));
    EXPECT_FALSE(events()[0].parameters.has_value());
    EXPECT_EQ(router.count("performLogout"), 1);
    EXPECT_FALSE(isPresented());
}

TEST_F(ModalTest, CancellingASignOutClosesTheSignOutWindowAndStays) {
    present(ModalViewControllerType::warningSignOut);
    modal.popoverWarningView()->cancelButton()->click();
    EXPECT_EQ(router.count("closeSignOutWindow"), 1);
    EXPECT_EQ(router.count("performLogout"), 0);
    EXPECT_TRUE(isPresented());
    EXPECT_TRUE(events().empty());
}
