#include "toolkit/BaseWindowViewController.h"

#include "core/AppRouterProtocol.h"
#include "core/ServiceLayer.h"
#include "platform/ViewController.h"

#include <QWidget>

#include <set>

namespace {

std::set<BaseWindowViewController*>& allControllers() {
    static std::set<BaseWindowViewController*> all;
    return all;
}

} // namespace

BaseWindowViewController::BaseWindowViewController(QObject* parent) : platform::WindowController(parent) {
    allControllers().insert(this);
}

BaseWindowViewController::~BaseWindowViewController() {
    noteWindowShown(this, ShownWindowKind::window, false);
    allControllers().erase(this);
}

BaseWindowViewController* BaseWindowViewController::controllerOfWindow(const QWidget* window) {
    for (BaseWindowViewController* controller : allControllers()) {
        if (window && controller->isWindowLoaded() && controller->window() == window) {
            return controller;
        }
    }
    return nullptr;
}

std::unique_ptr<BaseWindowViewController>
BaseWindowViewController::withContent(platform::ViewController* content) {
    auto controller = std::make_unique<BaseWindowViewController>();
    if (content) {
        content->setParent(controller.get());
        controller->setContentViewController(content);
    }
    return controller;
}

void BaseWindowViewController::showWindow() {
    platform::WindowController::showWindow();
    noteWindowShown(this, ShownWindowKind::window, true);
    didShowWindowHook();
    // The Dock refresh that follows a shown window has nothing to do on Linux.
}

void BaseWindowViewController::clearWindowTitle() {
    if (isWindowLoaded()) {
        window()->setWindowTitle(QString());
    }
}

void BaseWindowViewController::handleWindowWillClose() {
    if (onWindowClosedNotification) {
        onWindowClosedNotification();
    }
    markWindowClosed();
    // Another shown window keeps the application in the foreground.
    if (!isWindowOpened()) {
        if (AppRouterProtocol* router = appRouter()) {
            router->enterBackgroundMode();
        }
    }
}

ApplicationModel& BaseWindowViewController::appModel() const {
    return ServiceLayer::appModel();
}

void BaseWindowViewController::orderOut() {
    if (isWindowLoaded()) {
        window()->hide();
    }
    markWindowClosed();
}

void BaseWindowViewController::markWindowClosed() {
    noteWindowShown(this, ShownWindowKind::window, false);
}

void BaseWindowViewController::windowDidLoad() {
    // A window made in code is what a storyboard's window was on awaking.
    clearWindowTitle();
    awakeFromNibHook();
    windowDidLoadHook();
    windowDidLoadLateHook();
}

void BaseWindowViewController::windowWillClose() {
    handleWindowWillClose();
}
