#include "mainwindow/MainNetworkView.h"

#include "core/Log.h"
#include "platform/Bundle.h"
#include "platform/PaintedImage.h"
#include "sdk/VeltrixXPC.h"
#include "toolkit/Colors.h"
#include "toolkit/FlagImageCache.h"
#include "toolkit/ViewAnimation.h"

#include <QGraphicsBlurEffect>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>

#include <cmath>

using layeranim::Animation;
using layeranim::FillMode;
using layeranim::Property;

namespace {

// The layout: a background hexagon, the icon hexagon on it with the flag, the dashed line and the status
// dot under them, and the bars on both sides, bar 1 nearest the hexagon.
constexpr QSize kViewSize(320, 212);
constexpr QRectF kNwBgFrame(90, 4, 140, 140);
constexpr QRectF kIconBgFrame(102, 16, 116, 116);
constexpr double kFlagSide = 60.0;
constexpr double kDashDotSide = 4.0;
constexpr double kDashDotTops[3] = {152.0, 162.0, 172.0};
constexpr QRectF kStatusDotFrame(147, 182, 26, 26);
constexpr double kStatusIconSide = 14.0;
constexpr double kBarWidth = 3.0;
constexpr double kBarPitch = 6.0;
constexpr double kBarBaseline = 90.0;
constexpr double kLeftBarRight = 90.0;
constexpr double kRightBarLeft = 230.0;
constexpr double kBarHeights[MainNetworkView::barCount] = {30, 24, 28, 19, 24, 15, 20, 12, 16, 10, 12, 8, 8};

// How far a hexagon's image reaches past its frame: the widest glow (blur 14) and the hover's growth.
constexpr double kHexagonImageMargin = 14.0 * 2.0 + 6.0 + 2.0;

constexpr double kHexagonLineWidth = 2.0;
constexpr double kHexagonCornerRadius = 5.0;
constexpr int kHexagonSides = 6;

QColor hexColor(const char* hex) {
    return colorFromHexString(QString::fromLatin1(hex));
}

// The view's fixed colours.
struct Palette {
    QColor dashedNormal = toolkit::secondaryText;
    QColor dashedConnected = hexColor("#3382F2");
    QColor dotConnecting = toolkit::secondaryText;
    QColor dotConnected = hexColor("#3ACC73");
    QColor disconnectedAnimation = toolkit::secondaryText;
    QColor connectedAnimation = hexColor("#2664CB");
    QColor connectedShadow = hexColor("#0C66FDAA");
    QColor connectingShadow = hexColor("#0280FA66");
    QColor disconnectedShadow = hexColor("#00000066");
    QColor iconHexagonFill = hexColor("#FFFFFF4D");
    QColor backgroundHexagonFill = hexColor("#E6E7ED");
    QColor bar = hexColor("#6F9CD980");
};

const Palette& colours() {
    static const Palette palette;
    return palette;
}

QPainterPath hexagonPath(const QRectF& rect) {
    return roundedPolygonPath(rect, kHexagonLineWidth, kHexagonSides, kHexagonCornerRadius, M_PI / 2.0);
}

} // namespace

QPainterPath roundedPolygonPath(const QRectF& rect, double lineWidth, int sides, double cornerRadius,
                                double rotationOffset) {
    QPainterPath path;
    if (sides < 3) {
        return path;
    }
    const double theta = 2.0 * M_PI / sides;
    const double width = std::min(rect.width(), rect.height());
    const QPointF centre(rect.x() + width / 2.0, rect.y() + width / 2.0);
    const double radius = (width - lineWidth + cornerRadius - std::cos(theta) * cornerRadius) / 2.0;
    const double inner = radius - cornerRadius;
    auto around = [](const QPointF& at, double r, double angle) {
        return QPointF(at.x() + r * std::cos(angle), at.y() + r * std::sin(angle));
    };
    double angle = rotationOffset;
    path.moveTo(around(around(centre, inner, angle), cornerRadius, angle + theta));
    for (int i = 0; i < sides; ++i) {
        angle += theta;
        const QPointF corner = around(centre, inner, angle);
        path.lineTo(around(corner, cornerRadius, angle - theta));
        path.quadTo(around(centre, radius, angle), around(corner, cornerRadius, angle + theta));
    }
    path.closeSubpath();
    return path;
}

MainNetworkView::MainNetworkView(QWidget* parent) : XibView(parent), m_driver(this) {
    loadView();
    setFixedSize(kViewSize);

    m_nwBg.frame = kNwBgFrame;
    m_iconBg.frame = kIconBgFrame;
    m_dot.frame = kStatusDotFrame;
    for (int i = 0; i < 3; ++i) {
        m_dots[i].frame =
            QRectF(kViewSize.width() / 2.0 - kDashDotSide / 2.0, kDashDotTops[i], kDashDotSide, kDashDotSide);
        m_dots[i].cornerRadius = kDashDotSide / 2.0;
    }
    for (int i = 0; i < barCount; ++i) {
        const double height = kBarHeights[i];
        m_left[i].frame =
            QRectF(kLeftBarRight - kBarWidth - i * kBarPitch, kBarBaseline - height, kBarWidth, height);
        m_right[i].frame = QRectF(kRightBarLeft + i * kBarPitch, kBarBaseline - height, kBarWidth, height);
        m_left[i].bgColor = colours().bar;
        m_right[i].bgColor = colours().bar;
    }
    for (NetworkViewPart* part : {&m_nwBg, &m_iconBg, &m_dot, &m_dots[0], &m_dots[1], &m_dots[2]}) {
        part->model.positionY = yUp(part->frame);
    }
    for (int i = 0; i < barCount; ++i) {
        m_left[i].model.positionY = yUp(m_left[i].frame);
        m_right[i].model.positionY = yUp(m_right[i].frame);
    }

    m_networkIconBgView = new HoverableNSView(this);
    m_networkIconBgView->setObjectName(QStringLiteral("networkIconBgView"));
    m_networkIconBgView->setGeometry(kIconBgFrame.toRect());
    m_networkImageView = new NSImageViewLayerBackedClickable(m_networkIconBgView);
    m_networkImageView->setObjectName(QStringLiteral("networkImageView"));
    const double inset = (kIconBgFrame.width() - kFlagSide) / 2.0;
    m_networkImageView->setGeometry(QRectF(inset, inset, kFlagSide, kFlagSide).toRect());
    m_flagRestingPlace = m_networkImageView->pos();

    // Set-up once the parts exist, as after the layout has loaded.
    m_networkImageView->setDelegate(this);
    m_networkIconBgView->setDelegate(this);
    setupNetworkImageView();

    m_driver.setPaintedRect(
        [this](const layeranim::Layer& layer, double at) { return paintedRect(layer, at); });
    m_driver.setStepped([this](double at) { moveFlag(at); });
    registerLayers();
    // Nothing is stepped until the view is on screen.
    m_driver.setPaused(true);
}

QPoint MainNetworkView::iconOffset(double at) const {
    // Whole pixels, so the flag, a child view, moves exactly with the hexagon drawn under it.
    const QPointF moved = m_iconBg.presentationFrame(at).topLeft() - m_iconBg.frame.topLeft();
    return QPoint(int(std::lround(moved.x())), int(std::lround(moved.y())));
}

QRectF MainNetworkView::paintedRect(const layeranim::Layer& layer, double at) const {
    const bool iconHexagon = !m_iconSublayers.empty() && &layer == &m_iconSublayers.front();
    if (&layer == &m_iconBg || iconHexagon) {
        const double scale = iconHexagon ? layer.presentation(at).scale : 1.0;
        const QRectF frame = kIconBgFrame.translated(iconOffset(at));
        const QSizeF size = frame.size() * scale;
        const QRectF scaled(frame.center() - QPointF(size.width(), size.height()) / 2.0, size);
        return scaled.adjusted(-kHexagonImageMargin, -kHexagonImageMargin, kHexagonImageMargin,
                               kHexagonImageMargin);
    }
    return layer.presentationFrame(at).adjusted(-1, -1, 1, 1);
}

void MainNetworkView::moveFlag(double at) {
    m_networkImageView->move(m_flagRestingPlace + iconOffset(at));
}

void MainNetworkView::registerLayers() {
    std::vector<const layeranim::Layer*> layers = {&m_iconBg, &m_dot, &m_dots[0], &m_dots[1], &m_dots[2]};
    for (int i = 0; i < barCount; ++i) {
        layers.push_back(&m_left[i]);
        layers.push_back(&m_right[i]);
    }
    for (const HexagonShape& shape : m_iconSublayers) {
        layers.push_back(&shape);
    }
    m_driver.setLayers(std::move(layers));
}

MainNetworkView::~MainNetworkView() = default;

QWidget* MainNetworkView::loadViewFromNib() {
    auto* content = new QWidget;
    content->setAttribute(Qt::WA_TransparentForMouseEvents);
    return content;
}

QSize MainNetworkView::sizeHint() const {
    return kViewSize;
}

double MainNetworkView::yUp(const QRectF& frame) const {
    return kViewSize.height() - frame.bottom();
}

void MainNetworkView::setupNetworkImageView() {
    m_networkImageView->setBorderWidth(2.0);
    m_networkImageView->setBorderColor(Qt::white);
    m_networkImageView->setCornerRadius(m_networkImageView->width() / 2.0);
    m_networkImageView->setMasksToBounds(true);
}

void MainNetworkView::setNetwork(const PDNetworkItemPtr& network) {
    m_network = network;
    const quint64 request = ++m_flagRequest;
    m_networkImageView->show();
    if (!network || !network->flagImage()) {
        m_networkImageView->setImage(QIcon());
        return;
    }
    // At least twice the size: the view may move to a sharper screen after the flag has arrived.
    const double ratio = std::max(devicePixelRatioF(), 2.0);
    const QSize pixels = (QSizeF(m_networkImageView->size()) * ratio).toSize();
    FlagImageCache::shared().load(network->flagImage(), pixels, this,
                                  [this, request, ratio](const QImage& flag) {
                                      // A flag that arrives after another network was given is not this
                                      // network's.
                                      if (request != m_flagRequest) {
                                          return;
                                      }
                                      QPixmap pixmap = QPixmap::fromImage(flag);
                                      pixmap.setDevicePixelRatio(ratio);
                                      m_networkImageView->setImage(flag.isNull() ? QIcon() : QIcon(pixmap));
                                      m_networkImageView->show();
                                  });
}

void MainNetworkView::addIconHexagonLayer() {
    HexagonShape shape;
    shape.frame = QRectF(0, 0, kIconBgFrame.width() + 2.0, kIconBgFrame.height() + 2.0);
    shape.path = hexagonPath(QRectF(QPointF(0, 0), kIconBgFrame.size()));
    shape.fillColor = colours().iconHexagonFill;
    shape.anchorPoint = QPointF(0.5, 0.5);
    m_iconSublayers.push_back(std::move(shape));
}

void MainNetworkView::addBackgroundHexagonLayer() {
    HexagonShape shape;
    shape.frame = QRectF(0, 0, kNwBgFrame.width() + 2.0, kNwBgFrame.height() + 2.0);
    shape.path = hexagonPath(QRectF(QPointF(0, 0), kNwBgFrame.size()));
    shape.fillColor = colours().backgroundHexagonFill;
    m_bgSublayers.push_back(std::move(shape));
}

const HexagonShape* MainNetworkView::iconHexagon() const {
    return m_iconSublayers.empty() ? nullptr : &m_iconSublayers.front();
}

const HexagonShape* MainNetworkView::backgroundHexagon() const {
    return m_bgSublayers.empty() ? nullptr : &m_bgSublayers.front();
}

void MainNetworkView::setupShadows() {
    m_nwBgShadow = ViewShadow{colours().disconnectedShadow, QSizeF(0, -2), 2.0};
    setIconShadow(ViewShadow{colours().disconnectedShadow, QSizeF(0, 0), 7.0});
    addIconHexagonLayer();
    addBackgroundHexagonLayer();
    // The driver watches the hover on the new shape layer too.
    registerLayers();
}

void MainNetworkView::setIconShadow(const ViewShadow& shadow) {
    m_iconShadow = shadow;
    m_unhoveredShadow = shadow;
    update();
}

void MainNetworkView::setState(FlagAnimationType state) {
    if (state == m_currentState) {
        return;
    }
    m_currentState = state;
    drawState();
}

void MainNetworkView::refreshStateDrawing() {
    drawState();
}

void MainNetworkView::drawState() {
    switch (m_currentState) {
    case FlagAnimationType::connecting:
        drawConnectingState();
        break;
    case FlagAnimationType::connected:
        drawConnectedState();
        break;
    case FlagAnimationType::disconnected:
        drawDisconnectedState();
        break;
    }
    animationsChanged();
}

void MainNetworkView::stopAnimations() {
    m_dot.removeAllAnimations();
    for (NetworkViewPart& dot : m_dots) {
        dot.removeAllAnimations();
    }
    for (NetworkViewPart* bar : m_leftViews) {
        bar->removeAllAnimations();
    }
    for (NetworkViewPart* bar : m_rightViews) {
        bar->removeAllAnimations();
    }
    m_iconBg.removeAllAnimations();
    animationsChanged();
}

void MainNetworkView::recolourIconHexagon(const QColor& colour) {
    if (!m_iconSublayers.empty()) {
        m_iconSublayers.front().fillColor = colour;
    }
}

void MainNetworkView::setDotsColor(const QColor& colour) {
    for (NetworkViewPart& dot : m_dots) {
        dot.bgColor = colour;
    }
}

void MainNetworkView::drawConnectingState() {
    stopAnimations();
    animateStatusDot();
    setDotsColor(colours().dashedNormal);
    animateDots();
    animateLeftLines();
    animateRightLines();
    recolourIconHexagon(colours().connectedAnimation);
    m_dot.bgColor = colours().dotConnecting;
    m_dotStatusImageName = QStringLiteral("networkViewConnectingIcon");
    animateIconBounce();
    setIconShadow(ViewShadow{colours().connectingShadow, QSizeF(0, 0), 7.0});
}

void MainNetworkView::drawConnectedState() {
    stopAnimations();
    recolourIconHexagon(colours().connectedAnimation);
    m_dot.bgColor = colours().dotConnected;
    m_dotStatusImageName = QStringLiteral("networkViewConnectedIcon");
    setDotsColor(colours().dashedConnected);
    animateDots();
    setIconShadow(ViewShadow{colours().connectedShadow, QSizeF(0, 0), 12.0});
}

void MainNetworkView::drawDisconnectedState() {
    stopAnimations();
    recolourIconHexagon(colours().disconnectedAnimation);
    m_dot.bgColor = colours().dotConnecting;
    m_dotStatusImageName = QStringLiteral("networkViewShieldIcon");
    setDotsColor(colours().dashedNormal);
    setIconShadow(ViewShadow{colours().disconnectedShadow, QSizeF(0, 0), 7.0});
}

void MainNetworkView::animateStatusDot() {
    // Scales about the dot's centre without moving it.
    m_dot.anchorPoint = QPointF(0.5, 0.5);
    Animation pulse = Animation::keyframe(Property::scale, {0.2, 0.4, 0.6}, {1.0, 1.15, 1.0}, 1.25);
    pulse.speed = 0.5;
    pulse.timingFunction = timing::easeInOut();
    Animation group = Animation::group({std::move(pulse)}, 1.25);
    group.repeatCount = Animation::repeatForever;
    group.removedOnCompletion = false;
    m_dot.addAnimation(animationKey, std::move(group));
}

void MainNetworkView::animateDots() {
    auto fade = [](double from, double to, double duration, double begin) {
        Animation animation = Animation::basic(Property::opacity, from, to, duration);
        animation.beginTime = begin;
        return animation;
    };
    const Animation firstFadeOut = fade(1.0, 0.0, 0.3, 1.7);
    const Animation secondFadeOut = fade(1.0, 0.0, 0.6, 1.9);
    const Animation fadeIn = fade(0.0, 1.0, 0.5, 0.0);
    auto movement = [this](const NetworkViewPart& dot) {
        const double y = yUp(dot.frame);
        Animation animation = Animation::basic(Property::positionY, y, y + 5.0, 2.0);
        animation.repeatCount = Animation::repeatForever;
        return animation;
    };
    auto group = [](std::vector<Animation> members) {
        Animation animation = Animation::group(std::move(members), 2.0);
        animation.repeatCount = Animation::repeatForever;
        return animation;
    };
    m_dots[0].addAnimation(animationKey, group({movement(m_dots[0]), firstFadeOut}));
    m_dots[1].addAnimation(animationKey, group({movement(m_dots[1]), secondFadeOut}));
    m_dots[2].addAnimation(animationKey, group({movement(m_dots[2]), secondFadeOut, fadeIn}));
}

void MainNetworkView::collectLeftViews() {
    if (!m_leftViews.empty()) {
        return;
    }
    for (NetworkViewPart& bar : m_left) {
        m_leftViews.push_back(&bar);
    }
    for (NetworkViewPart* bar : m_leftViews) {
        bar->cornerRadius = bar->frame.height() / 2.0;
    }
}

void MainNetworkView::collectRightViews() {
    if (!m_rightViews.empty()) {
        return;
    }
    for (NetworkViewPart& bar : m_right) {
        m_rightViews.push_back(&bar);
    }
    for (NetworkViewPart* bar : m_rightViews) {
        bar->cornerRadius = bar->frame.height() / 2.0;
    }
}

void MainNetworkView::animateLeftLines() {
    animateLineViews(true);
}

void MainNetworkView::animateRightLines() {
    animateLineViews(false);
}

void MainNetworkView::animateLineViews(bool left) {
    if (left) {
        collectLeftViews();
    } else {
        collectRightViews();
    }
    const std::vector<NetworkViewPart*>& bars = left ? m_leftViews : m_rightViews;
    for (std::size_t i = 0; i < bars.size(); ++i) {
        Animation wave = Animation::keyframe(Property::scale, {0.0, 0.3, 0.6}, {1.0, 1.65, 1.0}, 2.0);
        wave.speed = 2.0;
        wave.beginTime = double(i) * 0.1;
        Animation group = Animation::group({std::move(wave)}, 2.0);
        group.speed = 1.6;
        group.repeatCount = Animation::repeatForever;
        group.removedOnCompletion = false;
        bars[i]->addAnimation(animationKey, std::move(group));
    }
}

void MainNetworkView::animateIconBounce() {
    const double y = yUp(m_iconBg.frame);
    Animation up = Animation::basic(Property::positionY, y, y + 3.0, 0.3);
    Animation down = Animation::basic(Property::positionY, y + 3.0, y, 0.3);
    down.beginTime = 0.3;
    Animation group = Animation::group({std::move(up), std::move(down)}, 1.3);
    group.beginTime = 0.5;
    group.repeatCount = Animation::repeatForever;
    m_iconBg.addAnimation(animationKey, std::move(group));
}

void MainNetworkView::animateHexagonHover(double factor) {
    if (m_iconSublayers.empty()) {
        return;
    }
    HexagonShape& hexagon = m_iconSublayers.front();
    // No from-value: the hexagon goes on from where it is shown now. The member lasts as long as its group
    // and holds its end with it, so the hexagon reaches the new size within the tenth of a second.
    const double shown = hexagon.presentation(layeranim::now()).scale;
    Animation grow = Animation::basic(Property::scale, shown, factor, 0.1);
    grow.fillMode = FillMode::forwards;
    Animation group = Animation::group({std::move(grow)}, 0.1);
    group.removedOnCompletion = false;
    group.fillMode = FillMode::forwards;
    hexagon.addAnimation(animationKey, std::move(group));
    animationsChanged();
}

void MainNetworkView::imageViewClicked() {
    if (NSImageViewClickable* delegate = m_delegate.get()) {
        delegate->imageViewClicked();
    }
}

void MainNetworkView::hoverStateChanged(bool isHovered) {
    hoverChanged(isHovered);
}

void MainNetworkView::hoverChanged(bool isHovered) {
    vlog::debug(QStringLiteral("MainNetworkView isHovered: ") +
                (isHovered ? QStringLiteral("true") : QStringLiteral("false")));
    if (isHovered) {
        animateHexagonHover(1.0 + scaleHexagonDelta);
        if (VeltrixXPC::connectionState() == SDVPNConnectionState::connected) {
            m_iconShadow = ViewShadow{colours().connectedShadow, QSizeF(0, 0), 14.0};
            update();
        }
    } else {
        animateHexagonHover(1.0 - scaleHexagonDelta);
        m_iconShadow = m_unhoveredShadow;
        update();
    }
}

void MainNetworkView::animationsChanged() {
    m_driver.animationsChanged();
}

bool MainNetworkView::isAnimating() const {
    return m_driver.isTicking();
}

void MainNetworkView::showEvent(QShowEvent* event) {
    XibView::showEvent(event);
    m_driver.setPaused(false);
    refreshStateDrawing();
}

void MainNetworkView::hideEvent(QHideEvent* event) {
    XibView::hideEvent(event);
    stopAnimations();
    m_driver.setPaused(true);
}

int MainNetworkView::shadowImageCount() const {
    return int(!m_iconShadowImage.image.isNull()) + int(!m_nwBgShadowImage.image.isNull());
}

const MainNetworkView::ShadowImage& MainNetworkView::shadowImage(ShadowImage& cache, const ViewShadow& shadow,
                                                                 const QPainterPath& shape,
                                                                 double devicePixelRatio) const {
    if (cache.shadow == shadow && cache.devicePixelRatio == devicePixelRatio && !cache.image.isNull()) {
        return cache;
    }
    // Rendered once per look and reused for every frame; the previous look's image goes.
    const double margin = std::ceil(shadow.blurRadius * 2.0) + 2.0;
    const QRectF box = shape.boundingRect().adjusted(-margin, -margin, margin, margin);
    const QSize pixels = (box.size() * devicePixelRatio).toSize();
    QImage silhouette(pixels, QImage::Format_ARGB32_Premultiplied);
    silhouette.fill(Qt::transparent);
    {
        QPainter painter(&silhouette);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(devicePixelRatio, devicePixelRatio);
        painter.translate(-box.topLeft());
        painter.fillPath(shape, shadow.color);
    }
    QImage blurred(pixels, QImage::Format_ARGB32_Premultiplied);
    blurred.fill(Qt::transparent);
    if (shadow.blurRadius > 0.0) {
        QGraphicsScene scene;
        auto* item = scene.addPixmap(QPixmap::fromImage(silhouette));
        auto* blur = new QGraphicsBlurEffect;
        blur->setBlurRadius(shadow.blurRadius * devicePixelRatio);
        blur->setBlurHints(QGraphicsBlurEffect::QualityHint);
        item->setGraphicsEffect(blur);
        scene.setSceneRect(QRectF(QPointF(0, 0), QSizeF(pixels)));
        QPainter painter(&blurred);
        scene.render(&painter, QRectF(QPointF(0, 0), QSizeF(pixels)), scene.sceneRect());
    } else {
        blurred = silhouette;
    }
    blurred = platform::withoutPaintEngine(blurred);
    blurred.setDevicePixelRatio(devicePixelRatio);
    cache = ShadowImage{shadow, devicePixelRatio, std::move(blurred), box.topLeft()};
    return cache;
}

const MainNetworkView::HexagonImage&
MainNetworkView::hexagonImage(HexagonImage& cache, ShadowImage& shadowCache, const ViewShadow& shadow,
                              const HexagonShape& shape, double scale, double devicePixelRatio) const {
    if (cache.shadow == shadow && cache.fill == shape.fillColor && cache.scale == scale &&
        cache.devicePixelRatio == devicePixelRatio && !cache.pixmap.isNull()) {
        return cache;
    }
    const QRectF bounds = shape.path.boundingRect();
    const QPointF centre = bounds.center();
    const double margin = std::ceil(shadow.blurRadius * 2.0 + std::abs(shadow.offset.height()) +
                                    std::abs(shadow.offset.width())) +
                          6.0;
    QRectF box(centre - QPointF(bounds.width() * scale / 2.0, bounds.height() * scale / 2.0),
               bounds.size() * scale);
    box = box.adjusted(-margin, -margin, margin, margin);
    // Whole device pixels, so the copy lands on the grid.
    box =
        QRectF(QPointF(std::floor(box.x() * devicePixelRatio), std::floor(box.y() * devicePixelRatio)) /
                   devicePixelRatio,
               QSizeF(std::ceil(box.width() * devicePixelRatio), std::ceil(box.height() * devicePixelRatio)) /
                   devicePixelRatio);
    QImage image((box.size() * devicePixelRatio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.scale(devicePixelRatio, devicePixelRatio);
        painter.translate(-box.topLeft());
        painter.translate(centre);
        painter.scale(scale, scale);
        painter.translate(-centre);
        if (shadow.color.isValid()) {
            const ShadowImage& blurred = shadowImage(shadowCache, shadow, shape.path, devicePixelRatio);
            painter.drawImage(blurred.origin + QPointF(shadow.offset.width(), -shadow.offset.height()),
                              blurred.image);
        }
        painter.fillPath(shape.path, shape.fillColor);
    }
    image = platform::withoutPaintEngine(image);
    image.setDevicePixelRatio(devicePixelRatio);
    cache = HexagonImage{
        shadow,       shape.fillColor, scale, devicePixelRatio, QPixmap::fromImage(std::move(image)),
        box.topLeft()};
    return cache;
}

void MainNetworkView::paintPart(QPainter& painter, const NetworkViewPart& part, double at,
                                const QRectF& area) const {
    if (!part.bgColor.isValid() || !paintedRect(part, at).intersects(area)) {
        return;
    }
    const layeranim::Values values = part.presentation(at);
    if (values.opacity <= 0.0) {
        return;
    }
    const QRectF frame = part.presentationFrame(at);
    const double radius =
        std::min(part.cornerRadius * values.scale, std::min(frame.width(), frame.height()) / 2.0);
    painter.setOpacity(values.opacity);
    painter.setPen(Qt::NoPen);
    painter.setBrush(part.bgColor);
    if (radius > 0.0) {
        painter.drawRoundedRect(frame, radius, radius);
    } else {
        painter.drawRect(frame);
    }
    painter.setOpacity(1.0);
}

void MainNetworkView::paintAt(QPainter& painter, double at, const QRectF& area) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const double ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;

    for (int i = 0; i < barCount; ++i) {
        paintPart(painter, m_left[i], at, area);
        paintPart(painter, m_right[i], at, area);
    }

    // Hexagons move by whole pixels, so their pixmaps are copied, not resampled.
    if (const HexagonShape* background = backgroundHexagon()) {
        const HexagonImage& image =
            hexagonImage(m_nwBgImage, m_nwBgShadowImage, m_nwBgShadow, *background, 1.0, ratio);
        const QPointF place = m_nwBg.frame.topLeft() + image.origin;
        if (QRectF(place, image.pixmap.deviceIndependentSize()).intersects(area)) {
            painter.drawPixmap(place, image.pixmap);
        }
    }
    if (const HexagonShape* icon = iconHexagon(); icon && paintedRect(*icon, at).intersects(area)) {
        const HexagonImage& image = hexagonImage(m_iconImage, m_iconShadowImage, m_iconShadow, *icon,
                                                 icon->presentation(at).scale, ratio);
        painter.drawPixmap(m_iconBg.frame.topLeft() + iconOffset(at) + image.origin, image.pixmap);
    }

    for (const NetworkViewPart& dot : m_dots) {
        paintPart(painter, dot, at, area);
    }

    if (m_dot.bgColor.isValid() && paintedRect(m_dot, at).intersects(area)) {
        const QRectF frame = m_dot.presentationFrame(at);
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_dot.bgColor);
        painter.drawEllipse(frame);
        if (!m_dotStatusImageName.isEmpty()) {
            // Rendered once per icon and ratio; the pulse only scales the pixmap.
            if (m_statusPixmapName != m_dotStatusImageName || m_statusPixmap.devicePixelRatio() != ratio) {
                m_statusPixmap = platform::Bundle::main()
                                     .image(m_dotStatusImageName)
                                     .pixmap(QSize(int(kStatusIconSide), int(kStatusIconSide)), ratio);
                m_statusPixmapName = m_dotStatusImageName;
            }
            const double side = kStatusIconSide * frame.width() / kStatusDotFrame.width();
            const QRectF icon(frame.center() - QPointF(side / 2.0, side / 2.0), QSizeF(side, side));
            painter.drawPixmap(icon, m_statusPixmap, QRectF(m_statusPixmap.rect()));
        }
    }
}

void MainNetworkView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    // At the time of the last step, where the flag was moved to.
    paintAt(painter, m_driver.frameTime(), event->rect());
}
