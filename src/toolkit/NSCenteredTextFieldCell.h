#pragma once

#include <QLabel>

#include <memory>

class QTextDocument;

// A text field that shows its text centred vertically, one point above the middle. Drawing uses the one
// title rectangle, so the text sits where it is measured.
class NSCenteredTextFieldCell : public QLabel {
    Q_OBJECT
public:
    explicit NSCenteredTextFieldCell(QWidget* parent = nullptr);
    explicit NSCenteredTextFieldCell(const QString& text, QWidget* parent = nullptr);

    // Within `bounds`: the text's own height, centred (rounded down) and raised by one point.
    virtual QRect titleRectForBounds(const QRect& bounds) const;
    // The size the text needs in `bounds`; only its height is used.
    virtual QSize cellSizeForBounds(const QRect& bounds) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Rich or highlighted text is laid out as a document, so that it shows as text, not as its markup.
    bool isRichText() const;
    std::unique_ptr<QTextDocument> documentForWidth(int width) const;
};
