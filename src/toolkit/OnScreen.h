#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;
class QWindow;

// Whether a view can be seen now: shown, in a window that is not minimised and that the window system
// exposes (an unmapped window, or one on another desktop, is not). Motion steps only while this holds.
bool isOnScreen(const QWidget* view);

// Tells its owner each time isOnScreen() of a view changes. It follows the view into another window and
// watches the window's exposure, which Qt reports to the window handle only. The owner keeps it and
// destroys it before the view goes (a member of the view, or of an object the view owns).
class OnScreenWatcher : public QObject {
public:
    OnScreenWatcher(QWidget* view, std::function<void(bool onScreen)> changed);
    ~OnScreenWatcher() override;

    bool onScreen() const { return m_onScreen; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void follow();
    void reevaluate();

    QPointer<QWidget> m_view;
    QPointer<QWidget> m_window;
    QPointer<QWindow> m_handle;
    std::function<void(bool)> m_changed;
    bool m_onScreen = false;
};
