#include "toolkit/FocusRing.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>

#include <algorithm>

namespace {

FocusRing* theRing = nullptr;

class RingView : public QWidget {
public:
    explicit RingView(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        setObjectName(QStringLiteral("focusRing"));
    }

    // The ring's outer edge in the parent, and the part of it that may show.
    void showRing(const QRect& ring, const QRect& visible) {
        m_ring = ring;
        setGeometry(visible);
        raise();
        QWidget::show();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPen pen(FocusRing::color, FocusRing::width);
        painter.setPen(pen);
        const QRectF ring = QRectF(m_ring.translated(-pos())).adjusted(1, 1, -1, -1);
        const double radius = std::min(ring.height() / 2.0, 6.0);
        painter.drawRoundedRect(ring, radius, radius);
    }

private:
    QRect m_ring;
};

// The part of `widget`'s ancestors' areas (below its window) that shows, in the window's coordinates.
QRect visibleAreaAround(const QWidget* widget) {
    const QWidget* window = widget->window();
    QRect area = window->rect();
    for (const QWidget* parent = widget->parentWidget(); parent && parent != window;
         parent = parent->parentWidget()) {
        area &= QRect(parent->mapTo(window, QPoint(0, 0)), parent->size());
    }
    return area;
}

} // namespace

FocusRing::FocusRing() = default;

void FocusRing::install() {
    if (theRing || !qApp) {
        return;
    }
    theRing = new FocusRing;
    theRing->setParent(qApp);
    qApp->installEventFilter(theRing);
    connect(qApp, &QApplication::focusChanged, theRing, [] { theRing->schedule(); });
}

void FocusRing::refresh() {
    if (theRing) {
        theRing->schedule();
    }
}

QWidget* FocusRing::shownRing() {
    return theRing && theRing->m_ring && theRing->m_ring->isVisible() ? theRing->m_ring.data() : nullptr;
}

void FocusRing::setKeyboardInUse(bool keyboard) {
    if (m_keyboard != keyboard) {
        m_keyboard = keyboard;
        schedule();
    }
}

bool FocusRing::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
        setKeyboardInUse(true);
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::TouchBegin:
        setKeyboardInUse(false);
        break;
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
        if (m_keyboard && watched->isWidgetType() && watched != m_ring) {
            const QWidget* focused = QApplication::focusWidget();
            const auto* widget = static_cast<QWidget*>(watched);
            if (focused && (widget == focused || widget->isAncestorOf(focused))) {
                schedule();
            }
        }
        break;
    default:
        break;
    }
    return false;
}

void FocusRing::schedule() {
    if (m_scheduled) {
        return;
    }
    m_scheduled = true;
    QMetaObject::invokeMethod(
        this, [this] { place(); }, Qt::QueuedConnection);
}

void FocusRing::place() {
    m_scheduled = false;
    QWidget* focused = QApplication::focusWidget();
    QRect target;
    if (m_keyboard && focused && !focused->isWindow() && focused->isVisible()) {
        if (const auto* area = dynamic_cast<const FocusRingArea*>(focused)) {
            target = area->focusRingRect();
        } else {
            const int outset = gap + width;
            target = focused->rect().adjusted(-outset, -outset, outset, outset);
        }
    }
    if (target.isEmpty()) {
        if (m_ring) {
            m_ring->hide();
        }
        return;
    }
    QWidget* window = focused->window();
    if (!m_ring || m_ring->parentWidget() != window) {
        delete m_ring;
        m_ring = new RingView(window);
    }
    const QRect ring(focused->mapTo(window, target.topLeft()), target.size());
    const QRect visible = ring & visibleAreaAround(focused);
    if (visible.isEmpty()) {
        m_ring->hide();
        return;
    }
    static_cast<RingView*>(m_ring.data())->showRing(ring, visible);
}
