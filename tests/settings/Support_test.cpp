// The support tab: its three entries and what each does, the arrows under the pointer, and the phone
// numbers for enterprise accounts.
#include "SettingsTestSupport.h"

#include "settings/PopoverTroubleshootingView.h"
#include "settings/SupportSubController.h"
#include "toolkit/ModalViewController.h"

namespace {

class SupportTest : public SettingsPageTest {
protected:
    SupportTest() {
        window.view()->resize(880, 600);
        window.addChildViewController(&support);
        window.presentViewController(&support);
    }
    void showTab() {
        window.view()->show();
        run();
    }
    void press(SupportTab tab) {
        click(support.cellFor(tab));
        run();
    }

    platform::ViewController window; // the main window's content
    SupportSubController support;
};

} // namespace

TEST_F(SupportTest, TheEntriesOpenTheGuidesTheChatAndTheLogCollection) {
    showTab();
    HoverableTableView* table = support.supportTableView();
    ASSERT_EQ(table->numberOfRows(), 3);
    EXPECT_EQ(support.cellFor(SupportTab::sendUsAMessage), nullptr);

    press(SupportTab::userGuide);
    ASSERT_EQ(router.openedUrls.size(), 1);
    EXPECT_EQ(router.openedUrls.front().toString(),
              "https://support.veltrix.example/docs?utm_source=client&utm_medium=Support-Menu-Link"
              "&utm_campaign=User-Guides-Link");
    ASSERT_EQ(eventTypes(), std::vector<int>{43});
    EXPECT_EQ(events().back().triggeredBy.title,
              "User Guides / Read step-by-step guides that walk you through using Veltrix.");

    press(SupportTab::liveChat);
    EXPECT_EQ(router.count("openAppConfigURL"), 1) << "the router opens only https and mailto links";
    EXPECT_EQ(eventTypes().back(), 44);

    press(SupportTab::runTroubleshooting);
    EXPECT_EQ(eventTypes().size(), 2u) << "the popover sends its own events";
    ModalViewController* modal = support.modalViewController();
    ASSERT_NE(modal, nullptr);
    EXPECT_EQ(modal->presentingViewController(), &window);
    EXPECT_EQ(modal->controllerType(), ModalViewControllerType::runTroubleshooting);
    EXPECT_EQ(table->selectedRow(), -1) << "no row stays selected";
}

TEST_F(SupportTest, TheArrowLightsUpUnderThePointer) {
    showTab();
    SupportCellView* cell = support.cellFor(SupportTab::liveChat);
    EXPECT_EQ(cell->arrowIconName(), "supportArrowUnhovered");
    support.supportTableView()->hoverRow(1);
    EXPECT_EQ(cell->arrowIconName(), "supportArrowHovered");
    support.supportTableView()->clearHover();
    EXPECT_EQ(cell->arrowIconName(), "supportArrowUnhovered");
}

TEST_F(SupportTest, PhoneNumbersAreShownToEnterpriseAccountsOnly) {
    for (bool enterprise : {false, true, false}) {
        driver.editState([&](sdk::SimulationState& s) { s.enterpriseAccount = enterprise; });
        window.view()->hide();
        showTab();
        EXPECT_EQ(support.phoneNumbersView()->isVisible(), enterprise);
    }
}
