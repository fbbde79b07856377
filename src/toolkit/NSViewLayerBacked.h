#pragma once

#include "toolkit/WeakDelegate.h"

#include <QColor>
#include <QIcon>
#include <QPainterPath>
#include <QPixmap>
#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <optional>

class QPainter;

// A rectangle with round corners of `radius`, or square ones when the radius is not above zero.
QPainterPath roundedRectPath(const QRectF& bounds, double radius);
// Fills `bounds` with `color`, rounded by `radius` as above.
void fillRoundedRect(QPainter& painter, const QRectF& bounds, double radius, const QColor& color);

// The pixels of a `size` rounded by `radius` that the antialiased outline touches at all: as a widget mask
// it keeps the view's own smooth edge whole and cuts children off at the corners.
QRegion roundedClipRegion(const QSize& size, double radius);

// Clips `view` and its children to its bounds rounded by `radius` with a mask made once per size and
// radius (no graphics effect, so clipping costs nothing when the view or what is under it repaints).
// Radius 0 takes the mask away.
void applyRoundedClip(QWidget* view, double radius);

// What a layer-backed view last painted: colours, border and corners.
struct LayerAppearance {
    QColor backgroundColor; // invalid: nothing painted
    QColor borderColor;
    double borderWidth = 0.0;
    double cornerRadius = 0.0;
    bool masksToBounds = false;
    bool operator==(const LayerAppearance&) const = default;
};

// The five appearance values of the client's panels, painted by the view. A nil (invalid) colour or a
// zero width or radius leaves the painted value as it was; the clear operations take a value away.
class LayerBackedStyle {
public:
    QColor bgColor;
    QColor borderColor;
    double borderWidth = 0.0;
    double cornerRadius = 0.0;
    bool masksToBounds = false;

    // Pushes the set values to what is painted.
    void updateLayer();
    const LayerAppearance& layer() const { return m_layer; }
    LayerAppearance& layer() { return m_layer; }

    void paintBackground(QPainter& painter, const QRectF& bounds) const;
    void paintBorder(QPainter& painter, const QRectF& bounds) const;
    // The rounded outline, for clipping.
    QPainterPath outline(const QRectF& bounds) const;

private:
    LayerAppearance m_layer;
};

// The shared setters and painting of NSViewLayerBacked and NSImageViewLayerBacked.
template <class Base>
class LayerBacked : public Base {
public:
    using Base::Base;

    QColor bgColor() const { return m_style.bgColor; }
    void setBgColor(const QColor& color) {
        m_style.bgColor = color;
        if (color.isValid()) {
            refreshLayer();
        }
    }
    QColor borderColor() const { return m_style.borderColor; }
    void setBorderColor(const QColor& color) {
        m_style.borderColor = color;
        if (color.isValid()) {
            refreshLayer();
        }
    }
    double borderWidth() const { return m_style.borderWidth; }
    void setBorderWidth(double width) {
        m_style.borderWidth = width;
        if (width != 0.0) {
            refreshLayer();
        }
    }
    double cornerRadius() const { return m_style.cornerRadius; }
    void setCornerRadius(double radius) {
        m_style.cornerRadius = radius;
        updateChildClip();
        if (radius != 0.0) {
            refreshLayer();
        }
    }
    bool masksToBounds() const { return m_style.masksToBounds; }
    void setMasksToBounds(bool masks) {
        const bool changed = masks != m_style.masksToBounds;
        m_style.masksToBounds = masks;
        if (changed) {
            updateChildClip();
            refreshLayer();
        }
    }

    // Explicit removals, for views that must take a value away again.
    void clearBgColor() {
        m_style.bgColor = QColor();
        m_style.layer().backgroundColor = QColor();
        refreshLayer();
    }
    void clearBorder() {
        m_style.borderColor = QColor();
        m_style.borderWidth = 0.0;
        m_style.layer().borderColor = QColor();
        m_style.layer().borderWidth = 0.0;
        refreshLayer();
    }
    void clearCornerRadius() {
        m_style.cornerRadius = 0.0;
        m_style.layer().cornerRadius = 0.0;
        updateChildClip();
        refreshLayer();
    }

    // The radius, or half the height (a capsule) when none is given.
    virtual void roundCorners(std::optional<double> radius = std::nullopt) {
        setCornerRadius(radius.value_or(this->height() / 2.0));
    }
    // Asks for a repaint, which paints the current values.
    virtual void refreshLayer() { this->update(); }

    // What the view paints now.
    const LayerAppearance& layerAppearance() const { return m_style.layer(); }

protected:
    virtual void updateLayer() { m_style.updateLayer(); }
    void resizeEvent(QResizeEvent* event) override {
        Base::resizeEvent(event);
        updateChildClip();
    }
    const LayerBackedStyle& layerStyle() const { return m_style; }

    // Child views are clipped, with smooth edges, to the rounded outline while masksToBounds is on. Set up
    // when the values change, never while painting.
    void updateChildClip() {
        const double radius =
            m_style.cornerRadius != 0.0 ? m_style.cornerRadius : m_style.layer().cornerRadius;
        applyRoundedClip(this, m_style.masksToBounds && radius > 0.0 ? radius : 0.0);
    }

private:
    LayerBackedStyle m_style;
};

// A panel whose background, border and corners are properties rather than drawing.
class NSViewLayerBacked : public LayerBacked<QWidget> {
    Q_OBJECT
    Q_PROPERTY(QColor bgColor READ bgColor WRITE setBgColor)
    Q_PROPERTY(QColor borderColor READ borderColor WRITE setBorderColor)
    Q_PROPERTY(double borderWidth READ borderWidth WRITE setBorderWidth)
    Q_PROPERTY(double cornerRadius READ cornerRadius WRITE setCornerRadius)
    Q_PROPERTY(bool masksToBounds READ masksToBounds WRITE setMasksToBounds)
public:
    explicit NSViewLayerBacked(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The panel of a sheet: a card over the window it belongs to, set off from it by a hairline.
class SheetPanel : public NSViewLayerBacked {
    Q_OBJECT
public:
    explicit SheetPanel(QWidget* parent = nullptr);
};

// Brings its window to the front and gives it the keyboard when the pointer enters.
class NSViewLayerBackedInFocus : public NSViewLayerBacked {
    Q_OBJECT
public:
    using NSViewLayerBacked::NSViewLayerBacked;

protected:
    void enterEvent(QEnterEvent* event) override;
};

// The frame of a search field: its border shows hoverColor while the pointer is over it or the field
// has focus, defaultColor otherwise.
class NSSearchViewLayerBacked : public NSViewLayerBacked {
    Q_OBJECT
    Q_PROPERTY(QColor hoverColor READ hoverColor WRITE setHoverColor)
    Q_PROPERTY(QColor defaultColor READ defaultColor WRITE setDefaultColor)
public:
    explicit NSSearchViewLayerBacked(QWidget* parent = nullptr);

    // Shown at the next change of the hover look.
    QColor hoverColor() const { return m_hoverColor; }
    void setHoverColor(const QColor& color) { m_hoverColor = color; }
    QColor defaultColor() const { return m_defaultColor; }
    void setDefaultColor(const QColor& color) { m_defaultColor = color; }

    bool onFocus() const { return m_onFocus; }
    // Set by the search bar when its field gains or loses focus; the border follows at the next hover change.
    void setOnFocus(bool onFocus);
    bool highlight() const { return m_highlight; }

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void updateHoverLook();

    QColor m_hoverColor = Qt::transparent;
    QColor m_defaultColor = Qt::white;
    bool m_onFocus = false;
    bool m_highlight = false;
};

// Swallows clicks and pointer moves, and shows the arrow, so nothing beneath it reacts.
class DisabledView : public NSViewLayerBacked {
    Q_OBJECT
public:
    explicit DisabledView(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

class ClickableViewDelegate {
public:
    virtual ~ClickableViewDelegate() = default;
    virtual void viewClicked() = 0;
};

// A DisabledView that tells its delegate about clicks (the modal overlay's background). As a modal should,
// it takes the keyboard focus when it shows, keeps Tab among its own controls, takes Esc for a click on
// it, and gives the focus back to where it was when it hides.
class ClickableView : public DisabledView {
    Q_OBJECT
public:
    using DisabledView::DisabledView;

    ClickableViewDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(ClickableViewDelegate* delegate) { m_delegate = delegate; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    // The controls inside that Tab goes through, in focus order.
    QList<QWidget*> focusableControls() const;
    void takeFocus();

    WeakDelegate<ClickableViewDelegate> m_delegate;
    QPointer<QWidget> m_focusBefore;
};

// An image view with the same five appearance values; the image is painted over the background, scaled
// to fit, and under the border.
class NSImageViewLayerBacked : public LayerBacked<QWidget> {
    Q_OBJECT
    Q_PROPERTY(QColor bgColor READ bgColor WRITE setBgColor)
    Q_PROPERTY(QColor borderColor READ borderColor WRITE setBorderColor)
    Q_PROPERTY(double borderWidth READ borderWidth WRITE setBorderWidth)
    Q_PROPERTY(double cornerRadius READ cornerRadius WRITE setCornerRadius)
    Q_PROPERTY(bool masksToBounds READ masksToBounds WRITE setMasksToBounds)
public:
    explicit NSImageViewLayerBacked(QWidget* parent = nullptr);

    QIcon image() const { return m_image; }
    void setImage(const QIcon& image);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The image cut to the rounded outline with smooth edges, made once per image, size, ratio and look.
    struct ClippedImage {
        qint64 imageKey = 0;
        QSize size;
        double devicePixelRatio = 0.0;
        double radius = 0.0;
        bool enabled = true;
        QPixmap pixmap;
    };
    const QPixmap& clippedImage(double devicePixelRatio);

    QIcon m_image;
    ClippedImage m_clipped;
};

class NSImageViewClickable {
public:
    virtual ~NSImageViewClickable() = default;
    virtual void imageViewClicked() = 0;
};

// An image that lights up under the pointer (with the hand cursor) and reports clicks.
class NSImageViewLayerBackedClickable : public NSImageViewLayerBacked {
    Q_OBJECT
public:
    using NSImageViewLayerBacked::NSImageViewLayerBacked;

    bool highlight() const { return m_highlight; }
    void setHighlight(bool highlight);

    NSImageViewClickable* delegate() const { return m_delegate.get(); }
    void setDelegate(NSImageViewClickable* delegate) { m_delegate = delegate; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool m_highlight = false;
    WeakDelegate<NSImageViewClickable> m_delegate;
};
