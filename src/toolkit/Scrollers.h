#pragma once

#include "toolkit/XibView.h"

#include <QColor>
#include <QScrollArea>
#include <QScrollBar>

// A slim scroller: an 8-point knob on a translucent track with rounded ends, at the scroller's leading
// edge (left for vertical, top for horizontal).
class TransculentScroller : public QScrollBar {
    Q_OBJECT
public:
    explicit TransculentScroller(QWidget* parent = nullptr);
    explicit TransculentScroller(Qt::Orientation orientation, QWidget* parent = nullptr);

    // The same whatever size or style is asked for.
    static int scrollerWidth() { return 8; }

    QColor scrollBgColor() const { return m_bgColor; }
    QColor scrollKnobColor() const { return m_knobColor; }
    // The knob where the scroll bar's own geometry puts it.
    QRect knobRect() const;

    QSize sizeHint() const override;

protected:
    TransculentScroller(Qt::Orientation orientation, const QString& bgColor, const QString& knobColor,
                        QWidget* parent);
    void paintEvent(QPaintEvent* event) override;
    virtual void drawKnob(QPainter& painter);

private:
    QColor m_bgColor;
    QColor m_knobColor;
};

// The same scroller in the orange and grey of the other lists.
class TransculentScrollerSW : public TransculentScroller {
    Q_OBJECT
public:
    explicit TransculentScrollerSW(QWidget* parent = nullptr);
    explicit TransculentScrollerSW(Qt::Orientation orientation, QWidget* parent = nullptr);
};

// A scroll area that can be told to leave wheel events to the view behind it.
class DisabledScrollView : public QScrollArea {
    Q_OBJECT
    Q_PROPERTY(bool scrollEnabled READ scrollEnabled WRITE setScrollEnabled)
public:
    explicit DisabledScrollView(QWidget* parent = nullptr);

    bool scrollEnabled() const { return m_scrollEnabled; }
    void setScrollEnabled(bool enabled) { m_scrollEnabled = enabled; }

protected:
    void wheelEvent(QWheelEvent* event) override;

private:
    bool m_scrollEnabled = true;
};

// An empty view of its own name.
class RateStarsView : public XibView {
    Q_OBJECT
public:
    explicit RateStarsView(QWidget* parent = nullptr);

protected:
    QWidget* loadViewFromNib() override;
};
