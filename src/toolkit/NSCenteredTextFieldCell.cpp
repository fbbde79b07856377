#include "toolkit/NSCenteredTextFieldCell.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QStyle>
#include <QTextDocument>

#include <cmath>

NSCenteredTextFieldCell::NSCenteredTextFieldCell(QWidget* parent) : QLabel(parent) {}

NSCenteredTextFieldCell::NSCenteredTextFieldCell(const QString& text, QWidget* parent)
    : QLabel(text, parent) {}

bool NSCenteredTextFieldCell::isRichText() const {
    return textFormat() == Qt::RichText || (textFormat() == Qt::AutoText && Qt::mightBeRichText(text()));
}

std::unique_ptr<QTextDocument> NSCenteredTextFieldCell::documentForWidth(int width) const {
    auto document = std::make_unique<QTextDocument>();
    document->setDefaultFont(font());
    document->setDocumentMargin(0);
    QTextOption option(alignment() & Qt::AlignHorizontal_Mask);
    option.setWrapMode(wordWrap() ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    document->setDefaultTextOption(option);
    document->setHtml(text());
    document->setTextWidth(wordWrap() || (alignment() & Qt::AlignHorizontal_Mask) != Qt::AlignLeft ? width
                                                                                                   : -1);
    return document;
}

QSize NSCenteredTextFieldCell::cellSizeForBounds(const QRect& bounds) const {
    if (isRichText()) {
        const QSizeF size = documentForWidth(bounds.width())->size();
        return QSize(static_cast<int>(std::ceil(size.width())),
                     std::max(static_cast<int>(std::ceil(size.height())), fontMetrics().height()));
    }
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
    if (isRichText()) {
        const QRect title = titleRectForBounds(contentsRect());
        const auto document = documentForWidth(title.width());
        QAbstractTextDocumentLayout::PaintContext context;
        context.palette = palette();
        context.palette.setColor(
            QPalette::Text,
            palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
        painter.translate(title.topLeft());
        document->documentLayout()->draw(&painter, context);
        return;
    }
    const Qt::Alignment horizontal = alignment() & Qt::AlignHorizontal_Mask;
    const int flags =
        static_cast<int>(horizontal | Qt::AlignTop) | (wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine);
    style()->drawItemText(&painter, titleRectForBounds(contentsRect()), flags, palette(), isEnabled(), text(),
                          foregroundRole());
}
