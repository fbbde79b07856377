#pragma once

#include "core/ShownWindows.h"
#include "platform/ViewController.h"
#include "platform/WindowController.h"

#include <functional>
#include <memory>

class ApplicationModel;

// The controller of the client's top-level windows. It keeps isWindowOpened and hands the application
// back to background mode when the last shown window closes.
class BaseWindowViewController : public platform::WindowController {
    Q_OBJECT
public:
    explicit BaseWindowViewController(QObject* parent = nullptr);
    ~BaseWindowViewController() override;

    // Called first when the window is about to close.
    std::function<void()> onWindowClosedNotification;

    // A window controller whose content is `content`, which it then owns.
    static std::unique_ptr<BaseWindowViewController> withContent(platform::ViewController* content);

    void showWindow() override;

    // The controller whose window `window` is, among the client's top-level windows.
    static BaseWindowViewController* controllerOfWindow(const QWidget* window);

    // Empties the window's title when the window exists.
    virtual void clearWindowTitle();
    virtual void handleWindowWillClose();
    // This window no longer counts as shown.
    virtual void markWindowClosed();
    // Takes the window off the screen without closing it: no closing hooks run, it no longer counts as
    // shown, and showWindow() brings it back as it was.
    void orderOut();
    // The process's model.
    ApplicationModel& appModel() const;

protected:
    virtual void awakeFromNibHook() {}
    virtual void didShowWindowHook() {}
    virtual void windowDidLoadHook() {}
    virtual void windowDidLoadLateHook() {}

    void windowDidLoad() override;
    void windowWillClose() override;
};
