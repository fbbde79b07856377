// Every controller the application delegate and the screens ask a storyboard for is registered by the
// composition root and made as the class the asker expects.
#include "app/Composition.h"
#include "auth/AuthWelcomeController.h"
#include "auth/OnBoardingPageControllerN.h"
#include "auth/QAUIOnBoardingPageViewController.h"
#include "locations/LocationsSubController.h"
#include "locations/LocationsViewController.h"
#include "mainwindow/GeneralViewController.h"
#include "mainwindow/GeneralWindowController.h"
#include "mainwindow/MainSubController.h"
#include "menus/QAUIMenuWindowController.h"
#include "menus/QAUISignOutController.h"
#include "platform/Storyboard.h"
#include "settings/SettingsContainerController.h"
#include "settings/SettingsGeneralController.h"
#include "settings/SettingsNetworkController.h"
#include "settings/SettingsProtocolController.h"
#include "settings/SupportSubController.h"
#include "updates/AutoUpdateViewController.h"

#include <gtest/gtest.h>

namespace {

template <class T>
void expectController(const char* storyboard, const char* identifier) {
    auto made = platform::Storyboard::named(QString::fromLatin1(storyboard))
                    .instantiate<T>(QString::fromLatin1(identifier));
    EXPECT_NE(made, nullptr) << storyboard << " / " << identifier;
}

template <class Content>
void expectWindowWithContent(const char* storyboard, const char* identifier) {
    auto window = platform::Storyboard::named(QString::fromLatin1(storyboard))
                      .instantiate<BaseWindowViewController>(QString::fromLatin1(identifier));
    ASSERT_NE(window, nullptr) << storyboard << " / " << identifier;
    EXPECT_NE(qobject_cast<Content*>(window->contentViewController()), nullptr)
        << storyboard << " / " << identifier;
}

} // namespace

TEST(Storyboards, EveryRegisteredControllerIsMadeWithItsClass) {
    composeClient();
    expectController<MainSubController>("General", "MainSubController");
    expectController<GeneralWindowController>("General", "GeneralWindowController");
    expectController<QAUIMenuWindowController>("QAUIMenu", "QAUIMenuWindowController");
    expectController<QAUIOnBoardingPageViewController>("QAUIMenu", "QAUIOnBoardingPageViewController");
    expectController<QAUIOnBoardingItemViewController>("QAUIMenu", "QAUIOnBoardingItemViewController");
    expectController<OnBoardingItemControllerN>("OnBoardingN", "OnBoardingItemControllerN");
    expectController<LocationsSubController>("Networks", "LocationsSubController");
    expectController<SupportSubController>("Support", "SupportSubController");
    expectController<SettingsContainerController>("SettingsN", "SettingsContainerController");
    expectController<SettingsGeneralController>("SettingsN", "SettingsGeneralController");
    expectController<SettingsProtocolController>("SettingsN", "SettingsProtocolController");
    expectController<SettingsNetworkController>("SettingsN", "SettingsNetworkController");
    expectController<AutoUpdateViewController>("AutoUpdate", "AutoUpdateViewController");
}

TEST(Storyboards, WindowsComeWithTheirContent) {
    composeClient();
    expectWindowWithContent<GeneralViewController>("General", "GeneralWindowController");
    expectWindowWithContent<AuthWelcomeController>("Auth", "loginWelcomeWindowController");
    expectWindowWithContent<OnBoardingPageControllerN>("OnBoardingN", "onBoardingWindowN");
    expectWindowWithContent<LocationsViewController>("Location", "locationWindow");
    expectWindowWithContent<QAUISignOutModalViewController>("QAUISignOut", "signOutWindowController");
}
