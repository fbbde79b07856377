#include "toolkit/ModalViewController.h"
#include "toolkit/PresentationAnimators.h"

#include "FakeRouter.h"
#include "auth/PopoverConfirmationCodeView.h"
#include "core/Preferences.h"
#include "platform/Bundle.h"
#include "platform/ManualScheduler.h"
#include "platform/UserDefaults.h"
#include "sdk/testing/Driver.h"
#include "settings/PopoverTroubleshootingView.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Kind = PopoverTroubleshootingViewState::Kind;

// Lets a test hand the overlay a collection result the SDK stand-in never produces.
class TestableModal : public ModalViewController {
public:
    using ModalViewController::currentCollectionRun;
    using ModalViewController::logCollectionCompleted;
};

class ModalTest : public ::testing::Test {
protected:
    ModalTest() : scope(scheduler), routerScope(router) {
        platform::UserDefaults::standard().set(SettingsUserDefaults::showMeTroubleshootingInfo, false);
        host.view()->resize(600, 500);
        host.view()->show();
        driver.clearCalls();
    }
    ~ModalTest() override {
        if (modal.presentingViewController()) {
            modal.dismiss();
        }
        scheduler.advance(1.0);
        platform::UserDefaults::standard().set(SettingsUserDefaults::showMeTroubleshootingInfo, false);
    }

    void present(ModalViewControllerType type) {
        modal.setControllerType(type);
        host.presentViewController(&modal,
                                   std::make_shared<TransitionAnimator>(std::nullopt, std::nullopt, 0.2));
        scheduler.advance(0.2);
    }
    bool isPresented() const { return modal.presentingViewController() == &host; }
    QStringList calls() const { return driver.callNames(); }
    std::vector<AnalyticsEvent> events() const { return driver.analytics(); }

    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope;
    FakeRouter router;
    FakeRouter::Scope routerScope;
    sdk::testing::Driver driver;
    platform::ViewController host;
    TestableModal modal;
};

} // namespace

TEST_F(ModalTest, EachTypeShowsOnlyItsPopoverFreshlyConfigured) {
    present(ModalViewControllerType::appInfoView);
    EXPECT_EQ(modal.shownPopoverView(), modal.popoverAppInfoView());
    modal.dismiss();
    scheduler.advance(0.3);

    present(ModalViewControllerType::warningSignOut);
    EXPECT_EQ(modal.shownPopoverView(), modal.popoverWarningView());
    EXPECT_TRUE(modal.popoverAppInfoView()->isHidden());
    PopoverWarningView* warning = modal.popoverWarningView();
    EXPECT_EQ(warning->warningTitleField()->text(), "Sign Out From Your Workspace?");
    EXPECT_TRUE(warning->warningDescriptionField()->text().startsWith(
        "Note that all traffic encryption will be disabled until you relaunch "));
    EXPECT_EQ(warning->confirmButton()->text(), "Sign Out");
    EXPECT_EQ(warning->confirmButton()->width(), 106);
    EXPECT_EQ(warning->cancelButton()->text(), "Cancel");

    // Changing the type alone shows nothing new until the next appearance.
    modal.setControllerType(ModalViewControllerType::warningQuit);
    EXPECT_EQ(modal.shownPopoverView(), modal.popoverWarningView());
    modal.updateContent();
    EXPECT_EQ(modal.shownPopoverView(), nullptr);
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

TEST_F(ModalTest, QuitTypesShowOnlyTheBackgroundAndAClickOnItDismisses) {
    for (auto type : {ModalViewControllerType::warningQuit, ModalViewControllerType::codeConfirmationQuit}) {
        present(type);
        EXPECT_EQ(modal.shownPopoverView(), nullptr);
        QTest::mouseClick(modal.bgView(), Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_FALSE(isPresented());
        scheduler.advance(0.3);
        EXPECT_FALSE(modal.view()->isVisible());
    }
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

TEST_F(ModalTest, TheCodeConfirmationSignsOutOnlyWithTheShownCode) {
    present(ModalViewControllerType::codeConfirmationSignOut);
    PopoverConfirmationCodeView* code = modal.popoverConfirmationCodeView();
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

TEST_F(ModalTest, TroubleshootingRunsOnConfirmAndShowsTheCollectedText) {
    present(ModalViewControllerType::runTroubleshooting);
    PopoverTroubleshootingView* view = modal.popoverTroubleshootingView();
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

TEST_F(ModalTest, TroubleshootingRunsAtOnceWhenAskedNotToExplain) {
    platform::UserDefaults::standard().set(SettingsUserDefaults::showMeTroubleshootingInfo, true);
    present(ModalViewControllerType::runTroubleshooting);
    EXPECT_EQ(modal.popoverTroubleshootingView()->popoverState().kind, Kind::progress);
    EXPECT_EQ(calls().count("collectLogsAndStats"), 1);
    ASSERT_EQ(events().size(), 1u);
    EXPECT_EQ(events()[0].type, 45);
    EXPECT_EQ(events()[0].triggeredBy.title, "Run In-Depth Troubleshooting Script? => ");
}

TEST_F(ModalTest, TroubleshootingFailureShowsTheErrorAndCancelReportsIt) {
    driver.failLogCollection(
        PDTroubleshootingHelperError{PDTroubleshootingHelperError::Kind::collectionFailed, {}, "disk full"});
    present(ModalViewControllerType::runTroubleshooting);
    PopoverTroubleshootingView* view = modal.popoverTroubleshootingView();
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

TEST_F(ModalTest, CancellingTroubleshootingBeforeItRunsSendsNothingAndDuringItReportsProgress) {
    present(ModalViewControllerType::runTroubleshooting);
    auto* cancel = new QPushButton("", modal.popoverTroubleshootingView());
    modal.popoverCanceled(cancel);
    EXPECT_EQ(calls().count("stopCollectLogsAndStats"), 1);
    EXPECT_TRUE(events().empty());
    scheduler.advance(0.3);

    present(ModalViewControllerType::runTroubleshooting);
    modal.popoverTroubleshootingView()->confirm(nullptr);
    modal.popoverCanceled(cancel);
    ASSERT_EQ(events().size(), 2u);
    EXPECT_EQ(events()[1].type, 46);
    EXPECT_EQ(events()[1].triggeredBy.title, "Running In-Depth Troubleshooting Script... => x");
}

TEST_F(ModalTest, AClickOnTheBackgroundStopsTheCollectionWithoutAnEvent) {
    platform::UserDefaults::standard().set(SettingsUserDefaults::showMeTroubleshootingInfo, true);
    present(ModalViewControllerType::runTroubleshooting);
    const auto before = events().size();
    modal.viewClicked();
    EXPECT_EQ(calls().count("stopCollectLogsAndStats"), 1);
    EXPECT_EQ(events().size(), before);
    EXPECT_FALSE(isPresented());
    scheduler.advance(3.0); // the stopped run brings nothing back
    EXPECT_EQ(modal.popoverTroubleshootingView()->popoverState().kind, Kind::progress);
}

TEST_F(ModalTest, AStaleCompletionNeverOverwritesTheNewerRun) {
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
    PopoverTroubleshootingView* view = modal.popoverTroubleshootingView();
    EXPECT_EQ(calls().count("collectLogsAndStats"), 2);
    EXPECT_EQ(view->popoverState().kind, Kind::progress); // A's report did not land on B

    // However late, a result of a replaced run is dropped.
    modal.logCollectionCompleted(modal.currentCollectionRun() - 1, QStringLiteral("old report"),
                                 std::nullopt);
    EXPECT_EQ(view->popoverState().kind, Kind::progress);

    scheduler.advance(2.0);
    EXPECT_EQ(view->popoverState().kind, Kind::success);
    EXPECT_NE(view->popoverState().text, QStringLiteral("old report"));
}

TEST_F(ModalTest, ASuccessWithoutTextShowsAnEmptySuccess) {
    present(ModalViewControllerType::runTroubleshooting);
    modal.popoverTroubleshootingView()->confirm(nullptr);
    modal.logCollectionCompleted(modal.currentCollectionRun(), std::nullopt, std::nullopt);
    EXPECT_EQ(modal.popoverTroubleshootingView()->popoverState(),
              PopoverTroubleshootingViewState::success(QString()));
}

TEST_F(ModalTest, TheAppInfoOkButtonDismisses) {
    present(ModalViewControllerType::appInfoView);
    modal.popoverAppInfoView()->ok(nullptr);
    EXPECT_FALSE(isPresented());
    EXPECT_TRUE(events().empty());
}
