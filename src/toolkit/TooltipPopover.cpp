#include "toolkit/TooltipPopover.h"

#include "core/StringHelpers.h"
#include "platform/Compositing.h"
#include "platform/Scheduler.h"
#include "platform/Storyboard.h"
#include "toolkit/Colors.h"
#include "toolkit/TextAttributes.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>

#include <cmath>

namespace {

// Between the control and the tip of the popover's arrow.
constexpr int kAnchorGap = 2;
constexpr qreal kArrowHalfWidth = 7;
constexpr qreal kCornerRadius = 6;
const QColor kBubbleColor = colorFromHexString(QStringLiteral("#1B2046"));

// The popover's window: a rounded dark bubble with its arrow, on a transparent window so that nothing
// light shows at the corners; without a compositor, a plain block of the bubble's colour.
class TooltipWindow : public platform::TranslucentWindow {
public:
    TooltipWindow() : platform::TranslucentWindow(nullptr, Qt::ToolTip | Qt::FramelessWindowHint) {
        setAttribute(Qt::WA_ShowWithoutActivating);
        QPalette ground = palette();
        ground.setColor(QPalette::Window, kBubbleColor);
        setPalette(ground);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, Popover::arrowHeight, 0, 0);
    }
    void setArrowX(int x) {
        m_arrowX = x;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath bubble;
        bubble.addRoundedRect(QRectF(0, Popover::arrowHeight, width(), height() - Popover::arrowHeight),
                              kCornerRadius, kCornerRadius);
        const qreal x = std::clamp<qreal>(m_arrowX, kCornerRadius + kArrowHalfWidth,
                                          width() - kCornerRadius - kArrowHalfWidth);
        QPainterPath arrow;
        arrow.moveTo(x - kArrowHalfWidth, Popover::arrowHeight + 1);
        arrow.lineTo(x, 0);
        arrow.lineTo(x + kArrowHalfWidth, Popover::arrowHeight + 1);
        arrow.closeSubpath();
        painter.fillPath(bubble.united(arrow), kBubbleColor);
    }

private:
    int m_arrowX = 0;
};

} // namespace

QString titleOf(PopoverState state) {
    switch (state) {
    case PopoverState::trustedWiredNetwork:
        return QStringLiteral("You are connected to Trusted Network");
    case PopoverState::alwaysOn:
        return QStringLiteral("You cannot disconnect when Always-On VPN is enabled");
    case PopoverState::splitTunneling:
        return QStringLiteral("Split Tunneling Enabled");
    case PopoverState::dnsFiltering:
        return QStringLiteral("DNS Filtering Enabled");
    case PopoverState::privateDNS:
        return QStringLiteral("Private DNS Enabled");
    }
    return {};
}

QSize sizeOf(PopoverState state) {
    switch (state) {
    case PopoverState::trustedWiredNetwork:
        return {165, 50};
    case PopoverState::alwaysOn:
        return {188, 50};
    case PopoverState::splitTunneling:
        return {160, 30};
    case PopoverState::dnsFiltering:
    case PopoverState::privateDNS:
        return {150, 30};
    }
    return {};
}

// PopoverController ----------------------------------------------------------------------------------------

PopoverController::PopoverController(QObject* parent) : NSViewControllerBase(parent) {}

QWidget* PopoverController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("tooltipContent"));
    // The popover's window draws the bubble behind it.
    view->setStyleSheet(QStringLiteral("QLabel { color: white; }"));
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(10, 5, 10, 5);
    m_field = new QLabel;
    m_field->setWordWrap(true);
    m_field->setFont(toolkit::interFont(12));
    layout->addWidget(m_field);
    return view;
}

void PopoverController::viewWillAppear() {
    NSViewControllerBase::viewWillAppear();
    m_field->setAlignment(m_alignment | Qt::AlignVCenter);
    m_field->setText(m_popupText);
}

void PopoverController::configure(PopoverState state) {
    m_popupText = titleOf(state);
}

void PopoverController::configure(const QString& text, Qt::Alignment alignment) {
    m_popupText = text;
    m_alignment = alignment;
}

// Popover --------------------------------------------------------------------------------------------------

Popover::Popover(QObject* parent) : QObject(parent) {}

Popover::~Popover() {
    close();
    delete m_window.data();
}

void Popover::setContentViewController(std::unique_ptr<PopoverController> controller) {
    close();
    if (m_content && m_content->isViewLoaded()) {
        m_content->view()->setParent(nullptr);
    }
    m_content = std::move(controller);
}

void Popover::show(QWidget* anchor) {
    if (!m_content || !anchor) {
        return;
    }
    if (!m_window) {
        m_window = new TooltipWindow;
    }
    QWidget* content = m_content->view();
    if (content->parentWidget() != m_window) {
        m_window->layout()->addWidget(content);
    }
    const QSize size = m_contentSize + QSize(0, arrowHeight);
    m_window->setFixedSize(size);
    const QPoint below = anchor->mapToGlobal(QPoint(anchor->width() / 2, anchor->height()));
    QRect frame(QPoint(below.x() - size.width() / 2, below.y() + kAnchorGap), size);
    if (QScreen* screen = anchor->screen()) {
        const QRect area = screen->availableGeometry();
        frame.moveLeft(
            std::clamp(frame.left(), area.left(), std::max(area.left(), area.right() - frame.width())));
    }
    m_window->move(frame.topLeft());
    static_cast<TooltipWindow*>(m_window.data())->setArrowX(below.x() - frame.left());
    content->show();
    m_window->show();
    if (m_behavior == Behavior::transient) {
        qApp->installEventFilter(this);
    }
}

void Popover::close() {
    qApp->removeEventFilter(this);
    if (m_window) {
        m_window->hide();
    }
}

bool Popover::isShown() const {
    return m_window && m_window->isVisible();
}

bool Popover::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && isShown()) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || !m_window->isAncestorOf(widget)) {
            close();
        }
    }
    return QObject::eventFilter(watched, event);
}

// TooltipSupport -------------------------------------------------------------------------------------------

TooltipSupport::TooltipSupport(QAbstractButton* button, Qt::Alignment alignment, Popover::Behavior behavior)
    : m_button(button), m_alignment(alignment), m_behavior(behavior) {}

QString TooltipSupport::text() const {
    return popoverState ? titleOf(*popoverState) : popoverMsg;
}

QSize TooltipSupport::contentSize() const {
    if (popoverState) {
        return sizeOf(*popoverState);
    }
    const QRectF laidOut = strings::heightForWidth(popoverMsg, popoverWidth - 20.0, toolkit::interFont(12));
    return QSize(static_cast<int>(std::lround(popoverWidth)),
                 static_cast<int>(std::ceil(laidOut.height() + 10.0)));
}

void TooltipSupport::showPopover() {
    if (!m_popover) {
        m_popover = std::make_unique<Popover>();
    }
    const QString shown = text();
    if (shown.isEmpty()) {
        return;
    }
    auto controller = platform::Storyboard::named(QStringLiteral("Popover"))
                          .instantiate<PopoverController>(QStringLiteral("PopoverController"));
    if (!controller) {
        return;
    }
    controller->configure(shown, m_alignment);
    m_popover->setContentViewController(std::move(controller));
    m_popover->setBehavior(m_behavior);
    m_popover->setContentSize(contentSize());
    m_popover->show(m_button);
}

void TooltipSupport::closePopover() {
    if (m_popover) {
        m_popover->close();
    }
}

void TooltipSupport::scheduleForHighlight(bool highlight, std::function<void(bool)> after) {
    QPointer<QAbstractButton> button = m_button;
    platform::DispatchQueue::main().asyncAfter(
        hoverDelay, [this, button, highlight, after = std::move(after)] {
            if (!button) {
                return; // the button, and this with it, is gone
            }
            // A button hidden meanwhile, or one in a window that is not shown, gets no tooltip.
            const bool show = highlight && button->isVisible() && button->window()->isVisible();
            if (show) {
                showPopover();
            } else {
                closePopover();
            }
            if (after) {
                after(show);
            }
        });
}

// The buttons ----------------------------------------------------------------------------------------------

ImageSelectableTooltipButton::ImageSelectableTooltipButton(QWidget* parent)
    : ImageSelectableButton(parent),
      m_tooltip(this, Qt::AlignHCenter, Popover::Behavior::applicationDefined) {}

void ImageSelectableTooltipButton::setPopoverMessage(const QString& message, double width) {
    m_tooltip.popoverWidth = width;
    setPopoverMessage(message);
}

void ImageSelectableTooltipButton::updateCursorRect() {
    ImageSelectableButton::updateCursorRect();
    m_tooltip.scheduleForHighlight(highlight());
}

void ImageSelectableTooltipButton::mousePressEvent(QMouseEvent* event) {
    ImageSelectableButton::mousePressEvent(event);
    m_tooltip.closePopover();
}

TooltipHoverBgButton::TooltipHoverBgButton(QWidget* parent)
    : HoverableBgButton(parent), m_tooltip(this, Qt::AlignHCenter, Popover::Behavior::applicationDefined) {
    setHoverCursor(Qt::PointingHandCursor);
}

void TooltipHoverBgButton::setPopoverMessage(const QString& message, double width) {
    m_tooltip.popoverWidth = width;
    setPopoverMessage(message);
}

void TooltipHoverBgButton::updateCursorRect() {
    HoverableBgButton::updateCursorRect();
    QPointer<TooltipHoverBgButton> self = this;
    m_tooltip.scheduleForHighlight(highlight(), [self](bool shown) {
        if (self) {
            self->setCursor(shown ? self->hoverCursor() : QCursor(Qt::ArrowCursor));
        }
    });
}

void TooltipHoverBgButton::mousePressEvent(QMouseEvent* event) {
    HoverableBgButton::mousePressEvent(event);
    m_tooltip.closePopover();
}

TooltipHoverButton::TooltipHoverButton(QWidget* parent)
    : HoverableButton(parent), m_tooltip(this, Qt::AlignLeft, Popover::Behavior::transient) {
    setHoverCursor(Qt::ArrowCursor);
    // The keyboard reaches it to open its text; a click does not take the focus.
    setFocusPolicy(Qt::TabFocus);
}

void TooltipHoverButton::updateCursorRect() {
    HoverableButton::updateCursorRect();
    m_tooltip.scheduleForHighlight(highlight());
}

void TooltipHoverButton::mousePressEvent(QMouseEvent* event) {
    event->accept();
}
void TooltipHoverButton::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}
void TooltipHoverButton::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
}
void TooltipHoverButton::keyPressEvent(QKeyEvent* event) {
    // What the pointer's rest opens, Space, Return or Enter open (or close); Esc closes.
    event->accept();
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (popover() && popover()->isShown()) {
            m_tooltip.closePopover();
        } else {
            m_tooltip.showPopover();
        }
        return;
    case Qt::Key_Escape:
        if (popover() && popover()->isShown()) {
            m_tooltip.closePopover();
            return;
        }
        event->ignore();
        return;
    default:
        event->ignore();
    }
}

void TooltipHoverButton::focusOutEvent(QFocusEvent* event) {
    HoverableButton::focusOutEvent(event);
    if (!highlight()) {
        m_tooltip.closePopover();
    }
}

void TooltipHoverButton::describeWithTooltip() {
    // An image alone is named by its tooltip unless its owner names it.
    if (text().isEmpty() && (accessibleName().isEmpty() || accessibleName() == m_nameFromTooltip)) {
        m_nameFromTooltip = m_tooltip.text();
        setAccessibleName(m_nameFromTooltip);
    }
    setAccessibleDescription(m_tooltip.text());
}
