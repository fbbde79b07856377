#pragma once

#include "toolkit/Button.h"
#include "toolkit/WeakDelegate.h"

#include <QColor>
#include <QCursor>
#include <QIcon>

#include <optional>

// A button that lights up while the pointer is over it, with the hand cursor while lit. It follows the
// pointer over its current bounds, however it was made or resized; nothing lights while the modal
// overlay is shown or the button is disabled, but leaving always puts the light out.
class HoverableButton : public Button {
    Q_OBJECT
    Q_PROPERTY(QColor hoverColor READ hoverColor WRITE setHoverColor)
    Q_PROPERTY(QColor defaultColor READ defaultColor WRITE setDefaultColor)
    Q_PROPERTY(bool highlight READ highlight WRITE setHighlight)
public:
    explicit HoverableButton(QWidget* parent = nullptr);

    // The fill while lit (subclasses) and the title colour while lit (ImageHoverableButton).
    QColor hoverColor() const { return m_hoverColor; }
    void setHoverColor(const QColor& color) { m_hoverColor = color; }
    // The title colour while not lit (ImageHoverableButton).
    QColor defaultColor() const { return m_defaultColor; }
    void setDefaultColor(const QColor& color) { m_defaultColor = color; }

    bool highlight() const { return m_highlight; }
    // Every write repaints and resets the cursor, also when the value does not change.
    virtual void setHighlight(bool highlight);

    // The cursor while lit; the pointing hand unless a subclass says otherwise.
    QCursor hoverCursor() const { return m_hoverCursor; }
    void setHoverCursor(const QCursor& cursor) { m_hoverCursor = cursor; }

    // Subclasses call the inherited version first.
    virtual void updateCursorRect();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QColor m_hoverColor = Qt::transparent;
    QColor m_defaultColor = Qt::white;
    bool m_highlight = false;
    QCursor m_hoverCursor = Qt::PointingHandCursor;
};

// Lays `hoverColor` over the button while lit, with rounded corners when cornerRadius is not 0.
class HoverableBgButton : public HoverableButton {
    Q_OBJECT
    Q_PROPERTY(double cornerRadius READ cornerRadius WRITE setCornerRadius)
public:
    explicit HoverableBgButton(QWidget* parent = nullptr);

    double cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(double radius) { m_cornerRadius = radius; }

protected:
    virtual bool showsFill() const { return highlight(); }
    void paintEvent(QPaintEvent* event) override;

private:
    double m_cornerRadius = 0.0;
};

// Shows the selected image (and keeps the fill) while selected, the default image otherwise. The image
// given at creation stays until isSelected is first written.
class ImageSelectableButton : public HoverableBgButton {
    Q_OBJECT
public:
    explicit ImageSelectableButton(QWidget* parent = nullptr);

    QIcon selectedImage() const { return m_selectedImage; }
    void setSelectedImage(const QIcon& image) { m_selectedImage = image; }
    QIcon defaultImage() const { return m_defaultImage; }
    void setDefaultImage(const QIcon& image) { m_defaultImage = image; }

    bool isSelected() const { return m_isSelected; }
    void setSelected(bool selected);

protected:
    bool showsFill() const override { return m_isSelected || highlight(); }

private:
    QIcon m_selectedImage;
    QIcon m_defaultImage;
    bool m_isSelected = false;
};

// Swaps image and title colour with the hover flag; a click puts the light out until the pointer comes
// back. The image given at creation stays until the flag is first written.
class ImageHoverableButton : public HoverableButton {
    Q_OBJECT
public:
    explicit ImageHoverableButton(QWidget* parent = nullptr);

    QIcon hoverImage() const { return m_hoverImage; }
    void setHoverImage(const QIcon& image) { m_hoverImage = image; }
    QIcon defaultImage() const { return m_defaultImage; }
    void setDefaultImage(const QIcon& image) { m_defaultImage = image; }

    void setHighlight(bool highlight) override;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void updateImageAndTitleColor();

    QIcon m_hoverImage;
    QIcon m_defaultImage;
};

// A button with a cursor of its own over its whole bounds (the pointing hand unless set otherwise).
class NSButtonWithHandCursor : public Button {
    Q_OBJECT
public:
    explicit NSButtonWithHandCursor(QWidget* parent = nullptr);

    std::optional<QCursor> handCursor() const { return m_cursor; }
    // None: the button shows whatever cursor its parent shows.
    void setHandCursor(std::optional<QCursor> cursor);

private:
    std::optional<QCursor> m_cursor = QCursor(Qt::PointingHandCursor);
};

class HoverableNSViewDelegate {
public:
    virtual ~HoverableNSViewDelegate() = default;
    virtual void hoverStateChanged(bool isHovered) = 0;
};

// A plain view that tells its delegate when the pointer comes and goes; hand cursor while hovered.
class HoverableNSView : public QWidget {
    Q_OBJECT
public:
    explicit HoverableNSView(QWidget* parent = nullptr);

    bool highlight() const { return m_highlight; }
    // The delegate hears of changes only.
    void setHighlight(bool highlight);

    HoverableNSViewDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(HoverableNSViewDelegate* delegate) { m_delegate = delegate; }

    virtual void updateCursorRect();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool m_highlight = false;
    WeakDelegate<HoverableNSViewDelegate> m_delegate;
};
