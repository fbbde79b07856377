// The troubleshooting and app-info popovers in the overlay: the collection they run and the events sent.
#include "settings/PopoverTroubleshootingView.h"
#include "toolkit/PresentedOverlay.h"

#include <QPushButton>

namespace {

using Kind = PopoverTroubleshootingViewState::Kind;

class TroubleshootingTest : public PresentedOverlayTest {
protected:
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
    modal.popoverAs<PopoverAppInfoView>(ModalViewControllerType::appInfoView)->ok(nullptr);
    EXPECT_FALSE(isPresented());
    EXPECT_TRUE(events().empty());
}
