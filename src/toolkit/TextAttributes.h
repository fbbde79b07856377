#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QString>

#include <optional>

class QAbstractButton;
class QLineEdit;
class QLabel;
class QWidget;

// A text with colours and fonts over ranges and one paragraph style, shown in labels as rich text.
class AttributedString {
public:
    struct Run {
        qsizetype start = 0;
        qsizetype length = 0;
        QColor color;              // invalid: no colour of its own
        std::optional<QFont> font; // none: no font of its own
        bool operator==(const Run&) const = default;
    };

    AttributedString() = default;
    explicit AttributedString(QString text) : m_text(std::move(text)) {}

    const QString& string() const { return m_text; }

    // Gives the range these attributes, replacing what it had; the range is cut to the text.
    void setAttributes(qsizetype start, qsizetype length, const QColor& color,
                       const std::optional<QFont>& font);
    // The attributes in force at a character.
    QColor colorAt(qsizetype index) const;
    std::optional<QFont> fontAt(qsizetype index) const;
    const QList<Run>& runs() const { return m_runs; }

    // Qt::AlignLeft follows the writing direction, as a natural alignment does.
    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment) { m_alignment = alignment; }
    // 0: lines as high as their fonts make them.
    double maximumLineHeight() const { return m_maximumLineHeight; }
    void setMaximumLineHeight(double height) { m_maximumLineHeight = height; }

    QString toHtml() const;

    bool operator==(const AttributedString&) const = default;

private:
    const Run* runAt(qsizetype index) const;

    QString m_text;
    QList<Run> m_runs;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    double m_maximumLineHeight = 0.0;
};

// The whole text in one colour and font, with that alignment and line height cap.
AttributedString makeAttributedString(const QString& text, Qt::Alignment alignment, const QFont& font,
                                      const QColor& color, double maximumLineHeight);

// The label shows the attributed text; stringValue gives its plain text back.
void setAttributedStringValue(QLabel* field, const AttributedString& text);
QString stringValue(const QLabel* field);

// Title colour, alignment (centred when none) and font (the button's own when none) of a button.
void applyTitleAttributes(QAbstractButton* button, const QColor& color = Qt::white,
                          std::optional<Qt::Alignment> alignment = Qt::AlignHCenter,
                          std::optional<QFont> font = std::nullopt);
// The title, centred in the button's own font and the colour.
void setTitle(QAbstractButton* button, const QString& title, const QColor& color);

// The field's placeholder in the colour, alignment (centred when none) and font (the field's own when
// none). Qt draws a placeholder in the field's own alignment and font, so those two hold for typed text too.
void setPlaceholderAttributes(QLineEdit* field, const QColor& color = Qt::white,
                              std::optional<Qt::Alignment> alignment = std::nullopt,
                              std::optional<QFont> font = std::nullopt);

// `text` in the base look, with the first occurrence of `search` (case ignored) in the highlight look.
AttributedString highlightedString(const QString& text, const QString& search, const QColor& baseColor,
                                   const QFont& baseFont, const QColor& highlightColor,
                                   const QFont& highlightFont);
// The field's text with the search text marked, as the network rows show it.
void highlightMatch(QLabel* field, const QString& search, const QColor& baseColor, const QFont& baseFont,
                    const QColor& highlightColor, const QFont& highlightFont);

namespace toolkit {

// The client's type: Inter at a size in pixels and a weight.
QFont interFont(int pixelSize, QFont::Weight weight = QFont::Normal);
// Colours a widget's text, whether a label's, a field's or a button's title, through its palette: style
// sheets would make every reused row slow to polish.
void setTextColor(QWidget* widget, const QColor& color);

} // namespace toolkit

// The bold font the client marks substrings with: Open Sans Bold 12 px, Inter Bold where it is missing.
QFont defaultSubstringFont();
// The client's own type, Inter Regular 14 px, made the application's font. Called once at start.
void setApplicationFont();
// `text` with only the first occurrence of `substring` (case sensitive) in the colour and font.
AttributedString withFontOnSubstring(const QString& text, const QString& substring, const QColor& color,
                                     const QFont& font);
// The field's text with the substring in its text colour and the font.
void applyFont(QLabel* field, const QString& substring, const QFont& font = defaultSubstringFont());

// The height of the text laid out, wrapping at words, in a column of `width`.
double heightForWidth(const QString& text, double width, const QFont& font);

// The field's font family at the largest whole point size from minSize to maxSize at which the text fits
// the field, stepped back by 2 points from the first size that overflows; never below minSize.
QFont fitFontSize(const QWidget* field, const QString& text, int minSize, int maxSize);
