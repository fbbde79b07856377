// The troubleshooting and app-info popovers in the overlay: the collection they run and the events sent.
#include "settings/PopoverTroubleshootingView.h"
#include "support/PresentedOverlay.h"
#include "toolkit/PDLottieAnimationView.h"

#include <QPushButton>
#include <QScrollBar>

namespace {

using Kind = PopoverTroubleshootingViewState::Kind;

class TroubleshootingTest : public PresentedOverlayTest {
protected:
    TroubleshootingTest() {
        registerModalPopover(ModalViewControllerType::runTroubleshooting,
                             [] { return new PopoverTroubleshootingView; });
        registerModalPopover(ModalViewControllerType::appInfoView, [] { return new PopoverAppInfoView; });
    }

    PopoverTroubleshootingView* troubleshooting() {
        modal.view();
        return modal.popoverAs<PopoverTroubleshootingView>(ModalViewControllerType::runTroubleshooting);
    }
};

} // namespace

TEST_F(TroubleshootingTest, TroubleshootingRunsOnConfirmAndShowsTheCollectedText) {
    present(ModalViewControllerType::runTroubleshooting);
    PopoverTroubleshootingView* view = troubleshooting();
    EXPECT_EQ(modal.shownPopoverView(), view);
    EXPECT_EQ(view->popoverState().kind, Kind::start);
    EXPECT_FALSE(calls().contains("collectLogsAndStats"));

    view->confirm(nullptr);
    EXPECT_EQ(view->popoverState().kind, Kind::progress);
    EXPECT_EQ(calls().count("collectLogsAndStats"), 1);
    ASSERT_EQ(events().size(), 1u);
    EXPECT_EQ(events()[0].type, 45);
    EXPECT_EQ(events()[0].triggeredBy.title, "Run In-Depth Troubleshooting Script? => ");

    scheduler.advance(2.1);
    EXPECT_EQ(view->popoverState().kind, Kind::success);
    EXPECT_TRUE(view->popoverState().text.startsWith("Diagnostics report"));
    EXPECT_TRUE(isPresented());

    // Confirming the result stops the collection, reports success and closes.
    view->confirm(nullptr);
    EXPECT_EQ(calls().count("stopCollectLogsAndStats"), 1);
    EXPECT_EQ(events().back().type, 47);
    EXPECT_FALSE(isPresented());
}

TEST_F(TroubleshootingTest, TroubleshootingRunsAtOnceWhenAskedNotToExplain) {
    platform::UserDefaults::standard().set(SettingsUserDefaults::showMeTroubleshootingInfo, true);
    present(ModalViewControllerType::runTroubleshooting);
    EXPECT_EQ(troubleshooting()->popoverState().kind, Kind::progress);
    EXPECT_EQ(calls().count("collectLogsAndStats"), 1);
    ASSERT_EQ(events().size(), 1u);
    EXPECT_EQ(events()[0].type, 45);
    EXPECT_EQ(events()[0].triggeredBy.title, "Run In-Depth Troubleshooting Script? => ");
}

TEST_F(TroubleshootingTest, TroubleshootingFailureShowsTheErrorAndCancelReportsIt) {
    driver.failLogCollection(
        PDTroubleshootingHelperError{PDTroubleshootingHelperError::Kind::collectionFailed, {}, "disk full"});
    present(ModalViewControllerType::runTroubleshooting);
    PopoverTroubleshootingView* view = troubleshooting();
    view->confirm(nullptr);
    scheduler.advance(2.1);
    EXPECT_EQ(view->popoverState().kind, Kind::fail);
    ASSERT_TRUE(view->failureReason.has_value());

    auto* cancel = new QPushButton("Close", view); // a titled sender
    modal.popoverCanceled(cancel);
    EXPECT_EQ(calls().count("stopCollectLogsAndStats"), 1);
    ASSERT_EQ(events().size(), 2u);
    EXPECT_EQ(events()[1].type, 46);
    EXPECT_EQ(events()[1].triggeredBy.title, "Troubleshooting Script Failed => Close");
    ASSERT_TRUE(events()[1].parameters.has_value());
    EXPECT_EQ(events()[1].parameter(AnalyticsParameter::errorCode), view->failureReason->description());
    EXPECT_FALSE(isPresented());
}

TEST_F(TroubleshootingTest, CancellingTroubleshootingBeforeItRunsSendsNothingAndDuringItReportsProgress) {
    present(ModalViewControllerType::runTroubleshooting);
    auto* cancel = new QPushButton("", troubleshooting());
    modal.popoverCanceled(cancel);
    EXPECT_EQ(calls().count("stopCollectLogsAndStats"), 1);
    EXPECT_TRUE(events().empty());
    scheduler.advance(0.3);

    present(ModalViewControllerType::runTroubleshooting);
    troubleshooting()->confirm(nullptr);
    modal.popoverCanceled(cancel);
    ASSERT_EQ(events().size(), 2u);
    EXPECT_EQ(events()[1].type, 46);
    EXPECT_EQ(events()[1].triggeredBy.title, "Running In-Depth Troubleshooting Script... => x");
}

TEST_F(TroubleshootingTest, AClickOnTheBackgroundStopsTheCollectionWithoutAnEvent) {
    platform::UserDefaults::standard().set(SettingsUserDefaults::showMeTroubleshootingInfo, true);
    present(ModalViewControllerType::runTroubleshooting);
    const auto before = events().size();
    modal.viewClicked();
    EXPECT_EQ(calls().count("stopCollectLogsAndStats"), 1);
    EXPECT_EQ(events().size(), before);
    EXPECT_FALSE(isPresented());
    scheduler.advance(3.0); // the stopped run brings nothing back
    EXPECT_EQ(troubleshooting()->popoverState().kind, Kind::progress);
}

TEST_F(TroubleshootingTest, AStaleCompletionNeverOverwritesTheNewerRun) {
    platform::UserDefaults::standard().set(SettingsUserDefaults::showMeTroubleshootingInfo, true);
    modal.setControllerType(ModalViewControllerType::runTroubleshooting);
    auto animator = std::make_shared<TransitionAnimator>(std::nullopt, std::nullopt, 0.2);
    host.presentViewController(&modal, animator); // run A, whose result the SDK delivers in 2 s
    // Due at the same moment, after the SDK's delivery but before its hop to the main queue lands: the
    // user closes the overlay and opens it again, which starts run B.
    platform::Scheduler::shared().post(
        platform::DispatchQueue::main(),
        [&] {
            modal.viewClicked();
            host.presentViewController(&modal, animator);
        },
        platform::delayFromSeconds(2.0));
    scheduler.advance(2.0);
    PopoverTroubleshootingView* view = troubleshooting();
    EXPECT_EQ(calls().count("collectLogsAndStats"), 2);
    EXPECT_EQ(view->popoverState().kind, Kind::progress); // A's report did not land on B

    // However late, a result of a replaced run is dropped.
    troubleshooting()->logCollectionCompleted(troubleshooting()->currentCollectionRun() - 1,
                                              QStringLiteral("old report"), std::nullopt);
    EXPECT_EQ(view->popoverState().kind, Kind::progress);

    scheduler.advance(2.0);
    EXPECT_EQ(view->popoverState().kind, Kind::success);
    EXPECT_NE(view->popoverState().text, QStringLiteral("old report"));
}

TEST_F(TroubleshootingTest, ASuccessWithoutTextShowsAnEmptySuccess) {
    present(ModalViewControllerType::runTroubleshooting);
    troubleshooting()->confirm(nullptr);
    troubleshooting()->logCollectionCompleted(troubleshooting()->currentCollectionRun(), std::nullopt,
                                              std::nullopt);
    EXPECT_EQ(troubleshooting()->popoverState(), PopoverTroubleshootingViewState::success(QString()));
}

TEST_F(TroubleshootingTest, TheAppInfoOkButtonDismisses) {
    present(ModalViewControllerType::appInfoView);
    auto* card = modal.popoverAs<PopoverAppInfoView>(ModalViewControllerType::appInfoView);
    EXPECT_EQ(card->appVersionField()->text(), "Latest version is installed: 1.0.0.1");
    card->okButton()->click();
    EXPECT_FALSE(isPresented());
    EXPECT_TRUE(events().empty());
}

TEST_F(TroubleshootingTest, EachStateShowsOnlyItsOwnControls) {
    present(ModalViewControllerType::runTroubleshooting);
    PopoverTroubleshootingView* view = troubleshooting();
    const struct {
        PopoverTroubleshootingViewState state;
        bool confirm, cancel, loader, askAgain;
        int confirmWidth;
    } cases[] = {
        {PopoverTroubleshootingViewState::start(), true, true, false, true, 76},
        {PopoverTroubleshootingViewState::progress(), false, true, true, false, 0},
        {PopoverTroubleshootingViewState::success("abc"), true, false, false, false, 76},
        {PopoverTroubleshootingViewState::fail(), true, false, false, false, 76},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.state.title().toStdString());
        view->configure(each.state);
        EXPECT_EQ(view->confirmButton()->isVisible(), each.confirm);
        EXPECT_EQ(view->cancelButton()->isVisible(), each.cancel);
        EXPECT_EQ(view->loaderAnimationView()->isVisible(), each.loader);
        EXPECT_EQ(view->showMeAgainStackView()->isVisible(), each.askAgain);
        EXPECT_EQ(view->confirmButton()->maximumWidth(), each.confirmWidth);
        EXPECT_EQ(view->bodyText(), each.state.description());
    }
    view->configure(PopoverTroubleshootingViewState::progress());
    ASSERT_NE(view->loaderAnimationView()->animationView(), nullptr);
    EXPECT_EQ(view->loaderAnimationView()->animationName(), "troubleshootingLoader");
    EXPECT_TRUE(view->loaderAnimationView()->animationView()->isAnimationLoaded());
    EXPECT_TRUE(view->loaderAnimationView()->animationView()->isAnimationPlaying());

    // Once the start page was passed with the box ticked, the next opening skips it.
    platform::UserDefaults::standard().set(SettingsUserDefaults::showMeTroubleshootingInfo, true);
    view->configure(PopoverTroubleshootingViewState::start());
    EXPECT_FALSE(view->showMeAgainStackView()->isVisible());
}

TEST_F(TroubleshootingTest, AnArchiveTooLargeGivesItsPathToCopyAndAReopeningForgetsIt) {
    driver.failLogCollection(PDTroubleshootingHelperError{PDTroubleshootingHelperError::Kind::archiveTooLarge,
                                                          "/tmp/logs/report.zip", "too large"});
    present(ModalViewControllerType::runTroubleshooting);
    PopoverTroubleshootingView* view = troubleshooting();
    view->confirm(nullptr);
    scheduler.advance(2.1);
    ASSERT_EQ(view->popoverState().kind, Kind::fail);
    EXPECT_EQ(view->bodyText(),
              "The file size exceeds the max size. Please copy the zip file from "
              "/tmp/logs/report.zip and provide it to our support team (support@veltrix.example)");
    EXPECT_TRUE(view->warningDescriptionField()->textInteractionFlags() & Qt::TextSelectableByMouse);

    view->cancel(nullptr);
    scheduler.advance(0.3);
    present(ModalViewControllerType::runTroubleshooting);
    EXPECT_FALSE(view->failureReason.has_value()) << "a new run starts without the old failure";
    EXPECT_EQ(view->bodyText(), PopoverTroubleshootingViewState::start().description());
    EXPECT_FALSE(view->warningDescriptionField()->textInteractionFlags() & Qt::TextSelectableByMouse);
}

TEST_F(TroubleshootingTest, TheCollectedTextShowsInAReadOnlyViewOfItsOwnEvenWhenLarge) {
    QString large;
    large.reserve(5 * 1024 * 1024);
    while (large.size() < 5 * 1024 * 1024) {
        large += QStringLiteral("2024-05-02 10:00:00 INFO tunnel: keepalive sent to 198.51.100.10\n");
    }
    present(ModalViewControllerType::runTroubleshooting);
    PopoverTroubleshootingView* view = troubleshooting();
    view->confirm(nullptr);
    view->logCollectionCompleted(view->currentCollectionRun(), large, std::nullopt);
    ASSERT_EQ(view->popoverState().kind, Kind::success);
    QPlainTextEdit* text = view->collectedTextView();
    EXPECT_TRUE(text->isVisible());
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_FALSE(view->warningDescriptionField()->isVisible());
    EXPECT_TRUE(text->toPlainText().startsWith("2024-05-02 10:00:00 INFO")) << "the start shows at once";
    EXPECT_FALSE(view->isCollectedTextComplete()) << "the rest follows piece by piece";
    scheduler.runUntilIdle();
    EXPECT_TRUE(view->isCollectedTextComplete());
    EXPECT_EQ(text->toPlainText(), large);
    EXPECT_GT(text->verticalScrollBar()->maximum(), 0) << "it scrolls inside the card";
    EXPECT_LT(view->height(), 600) << "the card does not grow with the text";

    // Closing while pieces are still coming stops them.
    view->logCollectionCompleted(view->currentCollectionRun(), large, std::nullopt);
    modal.viewClicked();
    scheduler.runUntilIdle();
    EXPECT_FALSE(view->isCollectedTextComplete());
    EXPECT_LT(text->document()->characterCount(), 2 * PopoverTroubleshootingView::collectedTextPiece);
}
