#include "toolkit/NSCenteredTextFieldCell.h"

#include <QPainter>
#include <QStyle>

#include <cmath>

NSCenteredTextFieldCell::NSCenteredTextFieldCell(QWidget* parent) : QLabel(parent) {}

NSCenteredTextFieldCell::NSCenteredTextFieldCell(const QString& text, QWidget* parent)
    : QLabel(text, parent) {}

QSize NSCenteredTextFieldCell::cellSizeForBounds(const QRect& bounds) const {
    const int flags = wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine;
    const QRect needed =
        fontMetrics().boundingRect(QRect(0, 0, bounds.width(), QWIDGETSIZE_MAX), flags, text());
    return QSize(needed.width(), std::max(needed.height(), fontMetrics().height()));
}

QRect NSCenteredTextFieldCell::titleRectForBounds(const QRect& bounds) const {
    const QRect title = bounds;
    const int height = cellSizeForBounds(bounds).height();
    const int y = static_cast<int>(std::floor((title.height() - height) * 0.5)) - 1;
    return QRect(title.x(), y, title.width(), height);
}

void NSCenteredTextFieldCell::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const Qt::Alignment horizontal = alignment() & Qt::AlignHorizontal_Mask;
    const int flags =
        static_cast<int>(horizontal | Qt::AlignTop) | (wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine);
    style()->drawItemText(&painter, titleRectForBounds(contentsRect()), flags, palette(), isEnabled(), text(),
                          foregroundRole());
}
