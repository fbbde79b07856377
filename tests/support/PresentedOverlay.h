#pragma once

// The modal overlay presented over a shown host on virtual time, with a recording router and the SDK
// stand-in; for the overlay's own tests and for the screens whose popovers it shows.

#include "core/Preferences.h"
#include "platform/ManualScheduler.h"
#include "platform/UserDefaults.h"
#include "sdk/testing/Driver.h"
#include "support/FakeRouter.h"
#include "support/RoutedTest.h"
#include "toolkit/ModalViewController.h"
#include "toolkit/PresentationAnimators.h"

#include <gtest/gtest.h>

class PresentedOverlayTest : public RoutedTest {
protected:
    PresentedOverlayTest() {
        platform::UserDefaults::standard().set(SettingsUserDefaults::showMeTroubleshootingInfo, false);
        host.view()->resize(600, 500);
        host.view()->show();
        driver.clearCalls();
    }
    ~PresentedOverlayTest() override {
        if (modal.presentingViewController()) {
            modal.dismiss();
        }
        scheduler.advance(1.0);
        platform::UserDefaults::standard().set(SettingsUserDefaults::showMeTroubleshootingInfo, false);
    }

    void present(ModalViewControllerType type) {
        modal.setControllerType(type);
        host.presentViewController(&modal, animator);
        scheduler.advance(0.2);
    }
    bool isPresented() const { return modal.presentingViewController() == &host; }
    QStringList calls() const { return driver.callNames(); }
    std::vector<AnalyticsEvent> events() const { return driver.analytics(); }

    platform::ViewController host;
    ModalViewController modal;
    std::shared_ptr<TransitionAnimator> animator =
        std::make_shared<TransitionAnimator>(std::nullopt, std::nullopt, 0.2);
};
