#include "toolkit/Button.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {
constexpr double kImageTitleSpacing = 4.0;
}

QRectF ButtonCell::drawTitle(QPainter& painter, const QString& title, const QRectF& frame,
                             const QAbstractButton& view) {
    const QPalette::ColorGroup group = view.isEnabled() ? QPalette::Active : QPalette::Disabled;
    painter.save();
    painter.setFont(view.font());
    painter.setPen(view.palette().color(group, QPalette::ButtonText));
    Qt::Alignment alignment = Qt::AlignHCenter;
    if (const auto* button = qobject_cast<const Button*>(&view)) {
        alignment = button->titleAlignment() & Qt::AlignHorizontal_Mask;
    }
    QRectF covered;
    painter.drawText(frame, static_cast<int>(alignment | Qt::AlignVCenter | Qt::TextSingleLine), title,
                     &covered);
    painter.restore();
    return covered;
}

void ButtonCell::drawImage(QPainter& painter, const QIcon& image, const QRectF& frame,
                           const QAbstractButton& view) {
    image.paint(&painter, frame.toRect(), Qt::AlignCenter,
                view.isEnabled() ? QIcon::Normal : QIcon::Disabled);
}

QRectF ButtonWithTextAndImageOffsetCell::drawTitle(QPainter& painter, const QString& title,
                                                   const QRectF& frame, const QAbstractButton& view) {
    return ButtonCell::drawTitle(painter, title, frame.translated(-m_labelOffsetX, -m_labelOffsetY), view);
}

void ButtonWithTextAndImageOffsetCell::drawImage(QPainter& painter, const QIcon& image, const QRectF& frame,
                                                 const QAbstractButton& view) {
    ButtonCell::drawImage(painter, image, frame.translated(-m_imageOffsetX, -m_imageOffsetY), view);
}

Button::Button(QWidget* parent) : QPushButton(parent), m_cell(std::make_unique<ButtonCell>()) {
    // The client draws its own buttons: no desktop bevel unless one is asked for.
    setFlat(true);
}

Button::Button(const QString& title, QWidget* parent) : Button(parent) {
    setText(title);
}

Button::~Button() = default;

void Button::keyPressEvent(QKeyEvent* event) {
    // Return and Enter press the focused button, as Space does.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        event->accept();
        click();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void Button::setCell(std::unique_ptr<ButtonCell> cell) {
    m_cell = cell ? std::move(cell) : std::make_unique<ButtonCell>();
    update();
}

void Button::setTitleAlignment(Qt::Alignment alignment) {
    m_titleAlignment = alignment;
    update();
}

QRectF Button::imageRect(const QRectF& bounds) const {
    if (icon().isNull()) {
        return {};
    }
    const QSizeF image(iconSize());
    double x = bounds.center().x() - image.width() / 2.0;
    if (!text().isEmpty()) {
        const double group = image.width() + kImageTitleSpacing + fontMetrics().horizontalAdvance(text());
        x = bounds.center().x() - group / 2.0;
    }
    return QRectF(QPointF(x, bounds.center().y() - image.height() / 2.0), image);
}

QRectF Button::titleRect(const QRectF& bounds) const {
    if (icon().isNull()) {
        return bounds;
    }
    const QRectF image = imageRect(bounds);
    const double left = image.right() + kImageTitleSpacing;
    return QRectF(left, bounds.top(), std::max(0.0, bounds.right() - left), bounds.height());
}

void Button::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    if (!isFlat()) {
        QStyleOptionButton option;
        initStyleOption(&option);
        // The focus ring marks the keyboard focus, never the style.
        option.state &= ~QStyle::State_HasFocus;
        painter.drawControl(QStyle::CE_PushButtonBevel, option);
    }
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    if (!icon().isNull()) {
        m_cell->drawImage(painter, icon(), imageRect(bounds), *this);
    }
    if (!text().isEmpty()) {
        m_cell->drawTitle(painter, text(), titleRect(bounds), *this);
    }
}
