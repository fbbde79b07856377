#pragma once

#include "sdk/PDNetworks.h"
#include "toolkit/HoverableButton.h"
#include "toolkit/LayerAnimation.h"
#include "toolkit/NSViewLayerBacked.h"
#include "toolkit/WeakDelegate.h"
#include "toolkit/XibView.h"

#include <QIcon>
#include <QImage>
#include <QPainterPath>
#include <QPixmap>

#include <array>
#include <vector>

// The look of the network view: the tunnel is up, coming up, or down.
enum class FlagAnimationType { connected, connecting, disconnected };

// A regular polygon with rounded corners fitting the square of side min(width, height) at the rect's
// origin. Angles grow from the x axis towards y, so in Qt's y-down coordinates a rotation of pi/2 puts two
// vertices on the vertical axis.
QPainterPath roundedPolygonPath(const QRectF& rect, double lineWidth, int sides, double cornerRadius,
                                double rotationOffset);

// The shadow a part casts; the offset is written with y upwards.
struct ViewShadow {
    QColor color;
    QSizeF offset;
    double blurRadius = 0.0;
    bool operator==(const ViewShadow&) const = default;
};

// A part the view paints itself: an animated layer with a background colour.
struct NetworkViewPart : layeranim::Layer {
    QColor bgColor;
    double cornerRadius = 0.0;
};

// A hexagon shape layer: its fill and, for the icon hexagon, the hover's scale about its centre.
struct HexagonShape : layeranim::Layer {
    QPainterPath path;
    QColor fillColor;
};

// The home tab's picture of the chosen network: its flag in a ring inside a hexagon, a status dot with its
// icon, a dashed line of three dots and thirteen bars on each side, drawn and moved for the connection
// state. The parts are painted by this view (one repaint per animation step, shadows rendered once per
// look); the hexagon's hover tracking and the flag's click stay real child views.
class MainNetworkView : public XibView, public NSImageViewClickable, public HoverableNSViewDelegate {
    Q_OBJECT
public:
    static constexpr int barCount = 13;
    static constexpr double scaleHexagonDelta = 0.015;
    static constexpr const char* animationKey = "animation";

    explicit MainNetworkView(QWidget* parent = nullptr);
    ~MainNetworkView() override;

    QSize sizeHint() const override;

    NSImageViewClickable* delegate() const { return m_delegate.get(); }
    void setDelegate(NSImageViewClickable* delegate) { m_delegate = delegate; }

    void setNetwork(const PDNetworkItemPtr& network);
    PDNetworkItemPtr network() const { return m_network; }
    // The resting shadows and both hexagon layers; once, before the first state drawing.
    void setupShadows();
    // Stores and draws a new state; the same state again changes nothing.
    void setState(FlagAnimationType state);
    FlagAnimationType currentState() const { return m_currentState; }
    FlagAnimationType state() const { return m_currentState; }
    // Draws the current state again, its animations from their beginnings.
    void refreshStateDrawing();
    // Removes the motion of the dot, the dashed line, the bars and the icon hexagon; the looks stay.
    void stopAnimations();

    // The parts, under the names the layout gives them.
    NSImageViewLayerBackedClickable* networkImageView() const { return m_networkImageView; }
    HoverableNSView* networkIconBgView() const { return m_networkIconBgView; }
    const NetworkViewPart& iconBgLayer() const { return m_iconBg; }
    const NetworkViewPart& nwBgView() const { return m_nwBg; }
    const NetworkViewPart& dotView() const { return m_dot; }
    const QString& dotStatusImageName() const { return m_dotStatusImageName; }
    const NetworkViewPart& topDot() const { return m_dots[0]; }
    const NetworkViewPart& middleDot() const { return m_dots[1]; }
    const NetworkViewPart& bottomDot() const { return m_dots[2]; }
    const NetworkViewPart& lView(int number) const { return m_left[number - 1]; }
    const NetworkViewPart& rView(int number) const { return m_right[number - 1]; }
    const std::vector<NetworkViewPart*>& leftViews() const { return m_leftViews; }
    const std::vector<NetworkViewPart*>& rightViews() const { return m_rightViews; }
    // The icon hexagon and the background hexagon, once setupShadows() has added them.
    const HexagonShape* iconHexagon() const;
    const HexagonShape* backgroundHexagon() const;
    const ViewShadow& iconShadow() const { return m_iconShadow; }
    const ViewShadow& nwBgShadow() const { return m_nwBgShadow; }
    const ViewShadow& unhoveredShadow() const { return m_unhoveredShadow; }
    // True while a timer steps the motion.
    bool isAnimating() const;
    // Shadow images held now (those of the current look only).
    int shadowImageCount() const;

    void imageViewClicked() override;
    void hoverStateChanged(bool isHovered) override;
    void hoverChanged(bool isHovered);

    // Paints what lies in `area` of the view at `at` on the scheduler's clock into `painter`; paintEvent
    // paints the exposed area now.
    void paintAt(QPainter& painter, double at, const QRectF& area = QRectF(0, 0, 1e6, 1e6));
    // The time of the picture shown: the last step of the motion.
    double frameTime() const { return m_driver.frameTime(); }
    // Steps that repainted part of the view, since it was made.
    long repaintedSteps() const { return m_driver.repaintedSteps(); }
    // The rect a part paints at `at` (its glow and growth included), in the view.
    QRectF paintedRect(const layeranim::Layer& layer, double at) const;
    // Where the bounce has moved the icon hexagon, and the flag with it, at `at`.
    QPoint iconOffset(double at) const;

protected:
    QWidget* loadViewFromNib() override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void drawConnectingState();
    void drawConnectedState();
    void drawDisconnectedState();
    void drawState();
    void setDotsColor(const QColor& color);
    void recolourIconHexagon(const QColor& color);
    void setIconShadow(const ViewShadow& shadow);
    void animateDots();
    void animateStatusDot();
    void animateLeftLines();
    void animateRightLines();
    void animateLineViews(bool left);
    void collectLeftViews();
    void collectRightViews();
    void addIconHexagonLayer();
    void addBackgroundHexagonLayer();
    void animateIconBounce();
    void setupNetworkImageView();
    void animateHexagonHover(double factor);
    void animationsChanged();
    void registerLayers();
    void moveFlag(double at);
    double yUp(const QRectF& frame) const;

    struct ShadowImage {
        ViewShadow shadow;
        double devicePixelRatio = 0.0;
        QImage image;
        QPointF origin; // where the image's top-left goes, relative to the shape's frame
    };
    const ShadowImage& shadowImage(ShadowImage& cache, const ViewShadow& shadow, const QPainterPath& shape,
                                   double devicePixelRatio) const;
    // A hexagon with its shadow, drawn once per look and size and then only moved.
    struct HexagonImage {
        ViewShadow shadow;
        QColor fill;
        double scale = 0.0;
        double devicePixelRatio = 0.0;
        QPixmap pixmap;
        QPointF origin; // relative to the hexagon's frame
    };
    const HexagonImage& hexagonImage(HexagonImage& cache, ShadowImage& shadowCache, const ViewShadow& shadow,
                                     const HexagonShape& shape, double scale, double devicePixelRatio) const;
    void paintPart(QPainter& painter, const NetworkViewPart& part, double at, const QRectF& area) const;

    WeakDelegate<NSImageViewClickable> m_delegate;
    PDNetworkItemPtr m_network;
    quint64 m_flagRequest = 0;
    FlagAnimationType m_currentState = FlagAnimationType::disconnected;

    NSImageViewLayerBackedClickable* m_networkImageView = nullptr;
    QPoint m_flagRestingPlace;
    HoverableNSView* m_networkIconBgView = nullptr;
    NetworkViewPart m_iconBg;
    NetworkViewPart m_nwBg;
    NetworkViewPart m_dot;
    QString m_dotStatusImageName;
    QString m_statusPixmapName;
    QPixmap m_statusPixmap;
    std::array<NetworkViewPart, 3> m_dots;
    std::array<NetworkViewPart, barCount> m_left;
    std::array<NetworkViewPart, barCount> m_right;
    std::vector<NetworkViewPart*> m_leftViews;
    std::vector<NetworkViewPart*> m_rightViews;
    std::vector<HexagonShape> m_iconSublayers;
    std::vector<HexagonShape> m_bgSublayers;
    ViewShadow m_iconShadow;
    ViewShadow m_nwBgShadow;
    ViewShadow m_unhoveredShadow;
    mutable ShadowImage m_iconShadowImage;
    mutable ShadowImage m_nwBgShadowImage;
    mutable HexagonImage m_iconImage;
    mutable HexagonImage m_nwBgImage;
    layeranim::LayerAnimationDriver m_driver;
};
