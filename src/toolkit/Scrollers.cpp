#include "toolkit/Scrollers.h"

#include "toolkit/Colors.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionSlider>
#include <QWheelEvent>

namespace {
constexpr double kRadius = 4.0;

// The style sheet gives the scroll bar a knob and a track without arrow buttons, so that the knob the
// style hits and drags is the one painted.
const char* kGeometry =
    "QScrollBar { border: none; background: transparent; margin: 0; }"
    "QScrollBar:vertical { width: 8px; } QScrollBar:horizontal { height: 8px; }"
    "QScrollBar::handle:vertical { min-height: 20px; } QScrollBar::handle:horizontal { min-width: 20px; }"
    "QScrollBar::add-line, QScrollBar::sub-line { border: none; width: 0; height: 0; }"
    "QScrollBar::add-page, QScrollBar::sub-page { background: none; }";

void fillRounded(QPainter& painter, const QRectF& rect, const QColor& color) {
    QPainterPath path;
    path.addRoundedRect(rect, kRadius, kRadius);
    painter.fillPath(path, color);
}
} // namespace

TransculentScroller::TransculentScroller(QWidget* parent) : TransculentScroller(Qt::Vertical, parent) {}

TransculentScroller::TransculentScroller(Qt::Orientation orientation, QWidget* parent)
    : TransculentScroller(orientation, QStringLiteral("#1A3985B3"), toolkit::secondaryText.name(), parent) {}

TransculentScroller::TransculentScroller(Qt::Orientation orientation, const QString& bgColor,
                                         const QString& knobColor, QWidget* parent)
    : QScrollBar(orientation, parent), m_bgColor(colorFromHexString(bgColor)),
      m_knobColor(colorFromHexString(knobColor)) {
    setStyleSheet(QString::fromLatin1(kGeometry));
}

QSize TransculentScroller::sizeHint() const {
    const QSize hint = QScrollBar::sizeHint();
    return orientation() == Qt::Vertical ? QSize(scrollerWidth(), hint.height())
                                         : QSize(hint.width(), scrollerWidth());
}

QRect TransculentScroller::knobRect() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
}

void TransculentScroller::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    fillRounded(painter, event->rect(), m_bgColor);
    drawKnob(painter);
}

void TransculentScroller::drawKnob(QPainter& painter) {
    const QRect knob = knobRect();
    if (knob.isEmpty()) {
        return;
    }
    // Always scrollerWidth() wide at the leading edge; only position and length follow the knob.
    const QRectF area = orientation() == Qt::Vertical ? QRectF(0, knob.top(), scrollerWidth(), knob.height())
                                                      : QRectF(knob.left(), 0, knob.width(), scrollerWidth());
    fillRounded(painter, area, m_knobColor);
}

TransculentScrollerSW::TransculentScrollerSW(QWidget* parent) : TransculentScrollerSW(Qt::Vertical, parent) {}

TransculentScrollerSW::TransculentScrollerSW(Qt::Orientation orientation, QWidget* parent)
    : TransculentScroller(orientation, QStringLiteral("#919191B3"), QStringLiteral("#FF8640"), parent) {}

DisabledScrollView::DisabledScrollView(QWidget* parent) : QScrollArea(parent) {}

void DisabledScrollView::wheelEvent(QWheelEvent* event) {
    if (m_scrollEnabled) {
        QScrollArea::wheelEvent(event);
        return;
    }
    // Ignored, the event goes on to the parent, unchanged.
    event->ignore();
}

RateStarsView::RateStarsView(QWidget* parent) : XibView(parent) {}

QWidget* RateStarsView::loadViewFromNib() {
    return new QWidget;
}
