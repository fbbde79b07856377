#pragma once

#include <QPushButton>

#include <memory>

class QPainter;

// Draws a button's image and title; a button hands its cell the frames it laid out.
class ButtonCell {
public:
    virtual ~ButtonCell() = default;
    // Draws the title in the button's title colour, font and alignment, vertically centred in `frame`;
    // returns the rectangle the text covers.
    virtual QRectF drawTitle(QPainter& painter, const QString& title, const QRectF& frame,
                             const QAbstractButton& view);
    virtual void drawImage(QPainter& painter, const QIcon& image, const QRectF& frame,
                           const QAbstractButton& view);
};

// A cell that shifts its title and image by fixed offsets, subtracted in the button's (flipped)
// coordinates: a positive y moves up. The title sits 2 points higher by default.
class ButtonWithTextAndImageOffsetCell : public ButtonCell {
public:
    double buttonLabelOffsetX() const { return m_labelOffsetX; }
    void setButtonLabelOffsetX(double offset) { m_labelOffsetX = offset; }
    double buttonLabelOffsetY() const { return m_labelOffsetY; }
    void setButtonLabelOffsetY(double offset) { m_labelOffsetY = offset; }
    double buttonImageOffsetX() const { return m_imageOffsetX; }
    void setButtonImageOffsetX(double offset) { m_imageOffsetX = offset; }
    double buttonImageOffsetY() const { return m_imageOffsetY; }
    void setButtonImageOffsetY(double offset) { m_imageOffsetY = offset; }

    QRectF drawTitle(QPainter& painter, const QString& title, const QRectF& frame,
                     const QAbstractButton& view) override;
    void drawImage(QPainter& painter, const QIcon& image, const QRectF& frame,
                   const QAbstractButton& view) override;

private:
    double m_labelOffsetX = 0.0;
    double m_labelOffsetY = 2.0;
    double m_imageOffsetX = 0.0;
    double m_imageOffsetY = 0.0;
};

// The client's push button: the style draws the bezel (none when flat), the cell draws image and title.
// The title colour is the palette's ButtonText; the image sits left of the title, the pair centred.
class Button : public QPushButton {
    Q_OBJECT
public:
    explicit Button(QWidget* parent = nullptr);
    explicit Button(const QString& title, QWidget* parent = nullptr);
    ~Button() override;

    ButtonCell& cell() const { return *m_cell; }
    // Takes the cell; null brings back the plain one.
    void setCell(std::unique_ptr<ButtonCell> cell);

    Qt::Alignment titleAlignment() const { return m_titleAlignment; }
    void setTitleAlignment(Qt::Alignment alignment);

    // Where the image and the title go in `bounds`, before the cell's own offsets.
    QRectF imageRect(const QRectF& bounds) const;
    QRectF titleRect(const QRectF& bounds) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::unique_ptr<ButtonCell> m_cell;
    Qt::Alignment m_titleAlignment = Qt::AlignHCenter;
};
