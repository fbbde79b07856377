#include "settings/PopoverTroubleshootingView.h"
#include "settings/SettingsControllers.h"

#include "platform/UserDefaults.h"
#include "sdk/testing/Driver.h"
#include "toolkit/RecordingPopoverDelegate.h"

#include <gtest/gtest.h>

TEST(PopoverTroubleshootingView, StatesCarryTheirTitlesAndStartStoresTheChoice) {
    EXPECT_EQ(PopoverTroubleshootingViewState::start().title(),
              QStringLiteral("Run In-Depth Troubleshooting Script?"));
    EXPECT_EQ(PopoverTroubleshootingViewState::progress().title(),
              QStringLiteral("Running In-Depth Troubleshooting Script..."));
    EXPECT_EQ(PopoverTroubleshootingViewState::success(QStringLiteral("x")).title(),
              QStringLiteral("Troubleshooting Script Completed"));
    EXPECT_EQ(PopoverTroubleshootingViewState::fail().title(),
              QStringLiteral("Troubleshooting Script Failed"));
    EXPECT_NE(PopoverTroubleshootingViewState::success(QStringLiteral("a")),
              PopoverTroubleshootingViewState::success(QStringLiteral("b")));

    PopoverTroubleshootingView view;
    RecordingPopoverDelegate delegate;
    view.setDelegate(&delegate);
    auto& defaults = platform::UserDefaults::standard();
    defaults.set(QStringLiteral("showMeTroubleshootingInfo"), false);
    view.showMeAgainCheckbox()->setChecked(true);
    view.confirm(nullptr);
    EXPECT_TRUE(defaults.boolForKey(QStringLiteral("showMeTroubleshootingInfo")));
    EXPECT_EQ(delegate.confirmed, 1);

    view.configure(PopoverTroubleshootingViewState::success(QStringLiteral("logs at /tmp/x")));
    view.showMeAgainCheckbox()->setChecked(false);
    view.confirm(nullptr); // past the start: the choice is not stored again
    EXPECT_TRUE(defaults.boolForKey(QStringLiteral("showMeTroubleshootingInfo")));
    EXPECT_EQ(view.bodyText(), QStringLiteral("logs at /tmp/x"));
    view.cancel(nullptr);
    EXPECT_EQ(delegate.canceled, 1);
    defaults.removeObject(QStringLiteral("showMeTroubleshootingInfo"));
}

TEST(SettingsContainerController, ReloadsTheEmbeddedPageFromTheSdk) {
    sdk::testing::Driver driver;
    PDSettings settings;
    settings.alwaysOn = PDSettingBoolItem(true, true);
    driver.setSettings(settings);
    SettingsContainerController container;
    SettingsGeneralController general;
    SettingsNetworkController network;
    container.setPages({&general, &network});
    container.reloadEmbeddedPage(); // nothing embedded yet
    container.embedPage(1);
    ASSERT_EQ(container.embeddedPage(), &network);
    network.view();
    ASSERT_FALSE(network.rows().empty());
    const QString enforcedOn = network.rows().front().second;

    settings.alwaysOn = PDSettingBoolItem(false, false);
    driver.setSettings(settings);
    EXPECT_EQ(network.rows().front().second, enforcedOn); // until reloaded
    container.reloadEmbeddedPage();
    EXPECT_NE(network.rows().front().second, enforcedOn);
}
