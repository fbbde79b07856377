#include "toolkit/ElidedLabel.h"

#include <QPainter>

namespace {

// A stretch of one line drawn in one font and colour.
struct Piece {
    QString text;
    QFont font;
    QColor color;
    double width = 0.0;
};

QList<Piece> piecesOf(const AttributedString& text, const QFont& baseFont, const QColor& baseColor) {
    QString line = text.string();
    for (QChar& c : line) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line ||
            c.category() == QChar::Separator_Paragraph) {
            c = QLatin1Char(' '); // one line, whatever came in
        }
    }
    QList<Piece> pieces;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QFont font = text.fontAt(i).value_or(baseFont);
        const QColor color = text.colorAt(i).isValid() ? text.colorAt(i) : baseColor;
        if (pieces.isEmpty() || pieces.last().font != font || pieces.last().color != color) {
            pieces.append({QString(), font, color});
        }
        pieces.last().text.append(line.at(i));
    }
    for (Piece& piece : pieces) {
        piece.width = QFontMetricsF(piece.font).horizontalAdvance(piece.text);
    }
    return pieces;
}

// Cuts the pieces to `available`, ending in an ellipsis when anything was cut.
QList<Piece> elided(QList<Piece> pieces, double available) {
    double total = 0.0;
    for (const Piece& piece : pieces) {
        total += piece.width;
    }
    if (total <= available) {
        return pieces;
    }
    const QString ellipsis(QChar(0x2026));
    QList<Piece> kept;
    double x = 0.0;
    for (Piece& piece : pieces) {
        const QFontMetricsF metrics(piece.font);
        const double room = available - x - metrics.horizontalAdvance(ellipsis);
        if (piece.width <= room) {
            x += piece.width;
            kept.append(piece);
            continue;
        }
        qsizetype fit = 0;
        while (fit < piece.text.size() && metrics.horizontalAdvance(piece.text.left(fit + 1)) <= room) {
            ++fit;
        }
        piece.text = piece.text.left(fit) + ellipsis;
        piece.width = metrics.horizontalAdvance(piece.text);
        kept.append(piece);
        break;
    }
    return kept;
}

// What the label shows in its width now.
QList<Piece> shownPieces(const ElidedLabel& label) {
    // Set through QLabel::setText: the plain text wins.
    const AttributedString& attributed = label.attributedText();
    const AttributedString shown =
        attributed.string() == label.text() ? attributed : AttributedString(label.text());
    return elided(piecesOf(shown, label.font(), label.textColor()), label.contentsRect().width());
}

} // namespace

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

ElidedLabel::ElidedLabel(const QFont& font, const QColor& color, QWidget* parent) : ElidedLabel(parent) {
    setFont(font);
    setTextColor(color);
}

void ElidedLabel::setText(const QString& text) {
    m_attributed = AttributedString(text);
    QLabel::setText(text);
}

void ElidedLabel::setAttributedText(const AttributedString& text) {
    m_attributed = text;
    QLabel::setText(text.string());
    update();
}

void ElidedLabel::setTextColor(const QColor& color) {
    toolkit::setTextColor(this, color);
}

QColor ElidedLabel::textColor() const {
    return palette().color(QPalette::WindowText);
}

QString ElidedLabel::shownText() const {
    QString shown;
    for (const Piece& piece : shownPieces(*this)) {
        shown += piece.text;
    }
    return shown;
}

QSize ElidedLabel::minimumSizeHint() const {
    return {0, fontMetrics().height()};
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    const QRectF area = contentsRect();
    const QList<Piece> pieces = shownPieces(*this);
    double width = 0.0;
    double ascent = 0.0;
    double descent = 0.0;
    for (const Piece& piece : pieces) {
        const QFontMetricsF metrics(piece.font);
        width += piece.width;
        ascent = std::max(ascent, metrics.ascent());
        descent = std::max(descent, metrics.descent());
    }
    double x = area.left();
    if (alignment() & Qt::AlignHCenter) {
        x += (area.width() - width) / 2.0;
    } else if (alignment() & Qt::AlignRight) {
        x += area.width() - width;
    }
    double baseline = area.top() + (area.height() - ascent - descent) / 2.0 + ascent;
    if (alignment() & Qt::AlignTop) {
        baseline = area.top() + ascent;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    for (const Piece& piece : pieces) {
        painter.setFont(piece.font);
        painter.setPen(piece.color);
        painter.drawText(QPointF(x, baseline), piece.text);
        x += piece.width;
    }
}
