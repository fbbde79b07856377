#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

class QScrollArea;

namespace platform {

class ViewController;

// Owns one top-level window, made on first use by loadWindow(). Closing hides the window (it is kept for
// the next showWindow); the window goes with the controller. The content controller is not owned (make it
// a QObject child of the window controller to tie their lives), but its view is handed back, not deleted,
// when the window goes.
class WindowController : public QObject {
    Q_OBJECT
public:
    explicit WindowController(QObject* parent = nullptr);
    ~WindowController() override;

    QWidget* window();
    bool isWindowLoaded() const { return !m_window.isNull(); }
    bool isWindowVisible() const { return m_window && m_window->isVisible(); }

    ViewController* contentViewController() const { return m_content; }
    // Puts the controller's view into the window (filling it); the previous content's view leaves it.
    void setContentViewController(ViewController* controller);

    // Shows the window, raises and activates it; also when it is already shown.
    virtual void showWindow();
    // Closes the window as its close button would: windowShouldClose may refuse, windowWillClose runs.
    void close();
    // Each time the window hides, its native window and drawing buffers go back to the system, and the
    // next show makes them again (a few milliseconds): for a window that is shown briefly and hidden long.
    void setReleasesNativeWindowWhenHidden(bool releases);

    // What screen readers call the window, whose title bar shows no title; set on the window once it is made.
    void setAccessibleName(const QString& name);

    // Called after windowWillClose when the person closed the window (its close button, Alt+F4), not the
    // client through close().
    std::function<void()> onClosedByUser;

protected:
    // Makes the window; the default is a plain top-level widget. Called once, before windowDidLoad.
    virtual QWidget* loadWindow();
    virtual void windowDidLoad() {}
    // Where the content's view goes: the window itself, or a widget in it that holds the content (one
    // inside a scroll area, say). It needs a layout.
    virtual QWidget* contentHost() { return m_window; }
    // Asked before every close (the close button, Alt+F4 or close()); false keeps the window open.
    virtual bool windowShouldClose() { return true; }
    virtual void windowWillClose() {}

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void detachContentView();
    // Puts the content in a scroll area where the screen's free area is smaller than the content.
    void fitContentToScreen();
    void releaseNativeWindowIfHidden();

    QPointer<QWidget> m_window;
    QPointer<ViewController> m_content;
    QPointer<QScrollArea> m_scroller;
    QString m_accessibleName;
    bool m_closingInCode = false;
    bool m_releasesNativeWindowWhenHidden = false;
};

} // namespace platform
