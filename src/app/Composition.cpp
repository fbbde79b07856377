#include "app/Composition.h"

#include "auth/AuthWelcomeController.h"
#include "auth/OnBoardingPageControllerN.h"
#include "auth/PopoverConfirmationCodeView.h"
#include "auth/QAUIOnBoardingPageViewController.h"
#include "core/ExceptionHandlingObject.h"
#include "core/MenuService.h"
#include "diagnostics/AppExceptionReportingHelper.h"
#include "locations/LocationsBluredViewController.h"
#include "locations/LocationsPopups.h"
#include "locations/LocationsSubController.h"
#include "locations/LocationsViewController.h"
#include "mainwindow/ConnectionEstablishedController.h"
#include "mainwindow/GeneralWindowController.h"
#include "mainwindow/MainSubController.h"
#include "menus/DockMenuBarController.h"
#include "menus/QAUILoggedInViewController.h"
#include "menus/QAUILoggedOutViewController.h"
#include "menus/QAUIMenuWindowController.h"
#include "menus/QAUINetworksWindowController.h"
#include "menus/QAUISignOutController.h"
#include "menus/StatusItemController.h"
#include "platform/Storyboard.h"
#include "settings/PopoverTroubleshootingView.h"
#include "settings/SettingsContainerController.h"
#include "settings/SettingsGeneralController.h"
#include "settings/SettingsNetworkController.h"
#include "settings/SettingsProtocolController.h"
#include "settings/SupportSubController.h"
#include "toolkit/BaseWindowViewController.h"
#include "toolkit/ModalViewController.h"
#include "toolkit/TooltipPopover.h"
#include "updates/AutoUpdateViewController.h"

#include <mutex>

namespace {

using platform::Storyboard;

template <class T>
Storyboard::Factory controller() {
    return [] { return std::unique_ptr<QObject>(std::make_unique<T>()); };
}

// A window whose content is a new T.
template <class T>
Storyboard::Factory windowAround() {
    return [] { return std::unique_ptr<QObject>(BaseWindowViewController::withContent(new T)); };
}

void registerScreens() {
    const struct {
        const char* storyboard;
        const char* identifier;
        Storyboard::Factory factory;
    } screens[] = {
        {"Auth", "loginWelcomeWindowController", windowAround<AuthWelcomeController>()},
        {"OnBoardingN", "onBoardingWindowN", windowAround<OnBoardingPageControllerN>()},
        {"OnBoardingN", "OnBoardingItemControllerN", controller<OnBoardingItemControllerN>()},
        {"General", "GeneralWindowController", controller<GeneralWindowController>()},
        {"General", "MainSubController", controller<MainSubController>()},
        {"General", "ConnectionEstablishedController", controller<ConnectionEstablishedController>()},
        {"Networks", "LocationsSubController", controller<LocationsSubController>()},
        {"Location", "locationWindow", windowAround<LocationsViewController>()},
        {"Location", "LocationsBluredViewController", controller<LocationsBluredViewController>()},
        {"Location", "automaticLocationPopup", controller<LocationsPopupController>()},
        {"QAUIMenu", "QAUIMenuWindowController", controller<QAUIMenuWindowController>()},
        {"QAUIMenu", "QAUILoggedInViewController", controller<QAUILoggedInViewController>()},
        {"QAUIMenu", "QAUILoggedOutViewController", controller<QAUILoggedOutViewController>()},
        {"QAUIMenu", "QAUINetworksWindowController", controller<QAUINetworksWindowController>()},
        {"QAUIMenu", "QAUIOnBoardingPageViewController", controller<QAUIOnBoardingPageViewController>()},
        {"QAUIMenu", "QAUIOnBoardingItemViewController", controller<QAUIOnBoardingItemViewController>()},
        {"QAUISignOut", "signOutWindowController",
         [] { return std::unique_ptr<QObject>(QAUISignOutModalViewController::makeWindow()); }},
        {"SettingsN", "SettingsContainerController", controller<SettingsContainerController>()},
        {"SettingsN", "SettingsGeneralController", controller<SettingsGeneralController>()},
        {"SettingsN", "SettingsProtocolController", controller<SettingsProtocolController>()},
        {"SettingsN", "SettingsNetworkController", controller<SettingsNetworkController>()},
        {"Support", "SupportSubController", controller<SupportSubController>()},
        {"AutoUpdate", "AutoUpdateViewController", controller<AutoUpdateViewController>()},
        {"Popover", "ModalViewController", controller<ModalViewController>()},
        {"Popover", "PopoverController", controller<PopoverController>()},
    };
    for (const auto& screen : screens) {
        Storyboard::registerController(QString::fromLatin1(screen.storyboard),
                                       QString::fromLatin1(screen.identifier), screen.factory);
    }
}

// The overlay's popovers that belong to a screen.
void registerPopovers() {
    registerModalPopover(ModalViewControllerType::codeConfirmationSignOut,
                         [] { return new PopoverConfirmationCodeView; });
    registerModalPopover(ModalViewControllerType::runTroubleshooting,
                         [] { return new PopoverTroubleshootingView; });
    registerModalPopover(ModalViewControllerType::appInfoView, [] { return new PopoverAppInfoView; });
}

void connectMenus() {
    MenuService::setDefaultControllers({
        [](MenuControllerDataSource* dataSource, MenuControllerDelegate* delegate) {
            return std::unique_ptr<MenuControllerProtocol>(new StatusItemController(dataSource, delegate));
        },
        [](MenuControllerDataSource* dataSource, MenuControllerDelegate* delegate) {
            return std::unique_ptr<MenuControllerProtocol>(new DockMenuBarController(dataSource, delegate));
        },
        [](MenuControllerProtocol& controller) -> QMenu* {
            auto* dock = dynamic_cast<DockMenuBarController*>(&controller);
            return dock ? dock->dockMenu() : nullptr;
        },
    });
}

} // namespace

void composeClient() {
    static std::once_flag composed;
    std::call_once(composed, [] {
        registerScreens();
        registerPopovers();
        connectMenus();
        ExceptionHandlingObject::setExceptionReportHook(&AppExceptionReportingHelper::sendExceptionReport);
    });
}
