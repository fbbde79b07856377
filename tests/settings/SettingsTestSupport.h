#pragma once

// The settings pages on virtual time over the SDK stand-in, with a recording router: a page is shown on its
// own, or in the settings container inside a host standing in for the main window's content.

#include "core/Preferences.h"
#include "platform/ManualScheduler.h"
#include "platform/UserDefaults.h"
#include "sdk/testing/Driver.h"
#include "settings/PopoverTroubleshootingView.h"
#include "settings/SettingsContainerController.h"
#include "support/FakeRouter.h"
#include "support/RoutedTest.h"
#include "support/Storyboards.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

class SettingsPageTest : public RoutedTest {
protected:
    SettingsPageTest() {
        testsupport::registerController<ModalViewController>("Popover", "ModalViewController");
        registerModalPopover(ModalViewControllerType::runTroubleshooting,
                             [] { return new PopoverTroubleshootingView; });
        registerModalPopover(ModalViewControllerType::appInfoView, [] { return new PopoverAppInfoView; });
        auto& defaults = platform::UserDefaults::standard();
        for (const QString& key : {SettingsUserDefaults::vpnProtocols, SettingsUserDefaults::startMinimized,
                                   SettingsUserDefaults::showMeTroubleshootingInfo}) {
            defaults.removeObject(key);
        }
        driver.setLoggedIn(true);
        driver.clearCalls();
    }

    // Shown as the main window shows it: the page on screen, its list loaded.
    void show(platform::ViewController& page) {
        page.view()->resize(600, 480);
        page.view()->show();
        run();
    }
    void run() {
        scheduler.runUntilIdle();
        QCoreApplication::sendPostedEvents();
    }

    // The workspace's settings, pending and applied alike.
    void editSettings(const std::function<void(PDSettings&)>& change) {
        PDSettings settings = driver.state().settings;
        change(settings);
        driver.setSettings(settings);
        driver.setPendingSettings(settings);
    }
    std::vector<AnalyticsEvent> events() const { return driver.analytics(); }
    std::vector<int> eventTypes() const {
        std::vector<int> types;
        for (const auto& event : driver.analytics()) {
            types.push_back(event.type);
        }
        return types;
    }

    // A click a user makes on the widget's centre.
    static void click(QWidget* widget) {
        ASSERT_NE(widget, nullptr);
        ASSERT_TRUE(widget->isVisible());
        QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
    }
};
