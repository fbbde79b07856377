#include "toolkit/TextAttributes.h"

#include "toolkit/Button.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <algorithm>
#include <ranges>
#include <set>

void AttributedString::setAttributes(qsizetype start, qsizetype length, const QColor& color,
                                     const std::optional<QFont>& font) {
    start = std::clamp<qsizetype>(start, 0, m_text.size());
    length = std::clamp<qsizetype>(length, 0, m_text.size() - start);
    if (length == 0) {
        return;
    }
    m_runs.append(Run{start, length, color, font});
}

const AttributedString::Run* AttributedString::runAt(qsizetype index) const {
    // Later runs replace earlier ones.
    for (auto it = m_runs.crbegin(); it != m_runs.crend(); ++it) {
        if (index >= it->start && index < it->start + it->length) {
            return &*it;
        }
    }
    return nullptr;
}

QColor AttributedString::colorAt(qsizetype index) const {
    const Run* run = runAt(index);
    return run ? run->color : QColor();
}

std::optional<QFont> AttributedString::fontAt(qsizetype index) const {
    const Run* run = runAt(index);
    return run ? run->font : std::nullopt;
}

QString AttributedString::toHtml() const {
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextBlockFormat block;
    block.setAlignment(m_alignment);
    if (m_maximumLineHeight > 0.0) {
        double natural = 0.0;
        for (const Run& run : m_runs) {
            natural =
                std::max(natural, QFontMetricsF(run.font.value_or(document.defaultFont())).lineSpacing());
        }
        if (natural == 0.0) {
            natural = QFontMetricsF(document.defaultFont()).lineSpacing();
        }
        if (natural > m_maximumLineHeight) {
            block.setLineHeight(m_maximumLineHeight, QTextBlockFormat::FixedHeight);
        }
    }
    cursor.setBlockFormat(block);

    std::set<qsizetype> cuts{0, m_text.size()};
    for (const Run& run : m_runs) {
        cuts.insert(run.start);
        cuts.insert(run.start + run.length);
    }
    for (auto it = cuts.begin(); std::next(it) != cuts.end(); ++it) {
        const qsizetype from = *it;
        const qsizetype to = *std::next(it);
        QTextCharFormat format;
        if (const Run* run = runAt(from)) {
            if (run->color.isValid()) {
                format.setForeground(run->color);
            }
            if (run->font) {
                format.setFont(*run->font, QTextCharFormat::FontPropertiesAll);
            }
        }
        cursor.insertText(m_text.mid(from, to - from), format);
    }
    return document.toHtml();
}

AttributedString makeAttributedString(const QString& text, Qt::Alignment alignment, const QFont& font,
                                      const QColor& color, double maximumLineHeight) {
    AttributedString result(text);
    result.setAlignment(alignment);
    result.setMaximumLineHeight(maximumLineHeight);
    result.setAttributes(0, text.size(), color, font);
    return result;
}

void setAttributedStringValue(QLabel* field, const AttributedString& text) {
    if (!field) {
        return;
    }
    field->setTextFormat(Qt::RichText);
    field->setText(text.toHtml());
}

QString stringValue(const QLabel* field) {
    if (!field) {
        return {};
    }
    if (field->textFormat() == Qt::RichText ||
        (field->textFormat() == Qt::AutoText && Qt::mightBeRichText(field->text()))) {
        return QTextDocumentFragment::fromHtml(field->text()).toPlainText();
    }
    return field->text();
}

void applyTitleAttributes(QAbstractButton* button, const QColor& color,
                          std::optional<Qt::Alignment> alignment, std::optional<QFont> font) {
    if (!button) {
        return;
    }
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, color);
    palette.setColor(QPalette::WindowText, color);
    button->setPalette(palette);
    if (font) {
        button->setFont(*font);
    }
    if (auto* custom = qobject_cast<Button*>(button)) {
        custom->setTitleAlignment(alignment.value_or(Qt::AlignHCenter));
    }
}

void setTitle(QAbstractButton* button, const QString& title, const QColor& color) {
    if (!button) {
        return;
    }
    button->setText(title);
    applyTitleAttributes(button, color, Qt::AlignHCenter, std::nullopt);
}

void setPlaceholderAttributes(QLineEdit* field, const QColor& color, std::optional<Qt::Alignment> alignment,
                              std::optional<QFont> font) {
    if (!field) {
        return;
    }
    QPalette colors = field->palette();
    colors.setColor(QPalette::PlaceholderText, color);
    field->setPalette(colors);
    const Qt::Alignment vertical = field->alignment() & Qt::AlignVertical_Mask;
    field->setAlignment((alignment.value_or(Qt::AlignHCenter) & Qt::AlignHorizontal_Mask) | vertical);
    if (font) {
        field->setFont(*font);
    }
}

AttributedString highlightedString(const QString& text, const QString& search, const QColor& baseColor,
                                   const QFont& baseFont, const QColor& highlightColor,
                                   const QFont& highlightFont) {
    AttributedString result(text);
    result.setAttributes(0, text.size(), baseColor, baseFont);
    // Found in the text itself: lower-casing can change lengths ("İ"), which would shift the range.
    const qsizetype at = search.isEmpty() ? -1 : text.indexOf(search, 0, Qt::CaseInsensitive);
    if (at >= 0) {
        result.setAttributes(at, search.size(), highlightColor, highlightFont);
    }
    return result;
}

void highlightMatch(QLabel* field, const QString& search, const QColor& baseColor, const QFont& baseFont,
                    const QColor& highlightColor, const QFont& highlightFont) {
    if (!field) {
        return;
    }
    setAttributedStringValue(field, highlightedString(stringValue(field), search, baseColor, baseFont,
                                                      highlightColor, highlightFont));
}

namespace toolkit {

QFont interFont(int pixelSize, QFont::Weight weight) {
    QFont font(QStringLiteral("Inter"));
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

void setTextColor(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    palette.setColor(QPalette::ButtonText, color);
    widget->setPalette(palette);
}

} // namespace toolkit

QFont defaultSubstringFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Open Sans"), QStringLiteral("Inter")});
    font.setWeight(QFont::Bold);
    font.setPixelSize(12);
    return font;
}

void setApplicationFont() {
    QApplication::setFont(toolkit::interFont(14));
}

AttributedString withFontOnSubstring(const QString& text, const QString& substring, const QColor& color,
                                     const QFont& font) {
    AttributedString result(text);
    const qsizetype at = substring.isEmpty() ? -1 : text.indexOf(substring);
    if (at >= 0) {
        result.setAttributes(at, substring.size(), color, font);
    }
    return result;
}

void applyFont(QLabel* field, const QString& substring, const QFont& font) {
    if (!field) {
        return;
    }
    const QColor color = field->palette().color(field->foregroundRole());
    setAttributedStringValue(field, withFontOnSubstring(stringValue(field), substring, color, font));
}

double heightForWidth(const QString& text, double width, const QFont& font) {
    const QRectF column(0.0, 0.0, std::max(1.0, width), 1.0e6);
    return QFontMetricsF(font).boundingRect(column, Qt::TextWordWrap, text).height();
}

QFont fitFontSize(const QWidget* field, const QString& text, int minSize, int maxSize) {
    QFont font = field ? field->font() : QFont();
    const QSizeF bounds = field ? QSizeF(field->size()) : QSizeF();
    const auto overflows = [&](int size) {
        font.setPointSize(std::max(1, size));
        const QSizeF measured = QFontMetricsF(font).size(0, text);
        return measured.width() > bounds.width() || measured.height() > bounds.height();
    };
    // The text grows with the size, so the first size that overflows is found by halving: each size tried
    // is a font engine of its own that Qt's font cache keeps, and trying every size kept dozens.
    const auto sizes = std::views::iota(minSize, std::max(minSize, maxSize + 1));
    const auto firstOverflow =
        std::ranges::partition_point(sizes, [&](int size) { return !overflows(size); });
    const int chosen =
        firstOverflow != sizes.end() ? std::max(minSize, *firstOverflow - 2) : std::max(minSize, maxSize);
    font.setPointSize(std::max(1, chosen));
    return font;
}
