#pragma once

#include <QColor>
#include <QPointer>
#include <QRect>
#include <QWidget>

// A control whose keyboard focus sits on a part of it (a list's current row) says where, in its own
// coordinates; an empty rectangle: nowhere (no ring).
class FocusRingArea {
public:
    virtual ~FocusRingArea() = default;
    virtual QRect focusRingRect() const = 0;
};

// The one mark of the keyboard focus: a 2-px ring around the focused control, drawn over its window while
// the keyboard is in use. A mouse press puts it away until the next key, so a pointer user sees the
// controls as they are drawn. The controls themselves draw no focus of their own.
class FocusRing : public QObject {
    Q_OBJECT
public:
    static constexpr QColor color{0x6F, 0x9C, 0xD9};
    static constexpr int width = 2;
    // Space between the control and the ring.
    static constexpr int gap = 1;

    // Once, after the application is made.
    static void install();
    // The focused control moved its focus within itself (FocusRingArea): place the ring again.
    static void refresh();
    // The ring's view while shown, for tests.
    static QWidget* shownRing();

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FocusRing();
    void schedule();
    void setKeyboardInUse(bool keyboard);
    void place();

    QPointer<QWidget> m_ring;
    bool m_keyboard = false;
    bool m_scheduled = false;
};
