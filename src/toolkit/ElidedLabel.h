#pragma once

#include "toolkit/TextAttributes.h"

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QString>

// A one-line label for outside text (names, addresses): always plain text, so markup shows as typed, and
// elided at the right when it does not fit. text() keeps the whole text. It may carry an attributed text
// (colours and fonts over ranges), drawn on one line the same way. It never takes the pointer, so the row
// under it stays hoverable and clickable.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);
    ElidedLabel(const QFont& font, const QColor& color, QWidget* parent = nullptr);

    // Replaces any attributed text.
    void setText(const QString& text);
    void setAttributedText(const AttributedString& text);
    // The attributed text last set; empty runs after setText().
    const AttributedString& attributedText() const { return m_attributed; }

    // The colour of the text outside attributed runs.
    void setTextColor(const QColor& color);
    QColor textColor() const;
    // What the label draws in its width now.
    QString shownText() const;

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    AttributedString m_attributed;
};
