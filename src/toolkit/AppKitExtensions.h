#pragma once

#include <QGraphicsEffect>

#include <QColor>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QUrl>

#include <functional>

class QWidget;

namespace platform {
class ViewController;
}

// Frames written with the origin at the bottom left of a screen (y grows upwards) to Qt's global
// top-left coordinates on that screen.
QRect frameFromBottomLeft(const QRectF& frame, const QRect& screenGeometry);

// Where centerOnScreen puts a window of `windowSize` on the screen: centred, raised by `offset`.
QPoint centeredWindowOrigin(const QRect& screenGeometry, const QSize& windowSize, double offset = 0.0);

// Centres the window on its screen, `offset` higher; nothing when it has no screen.
void centerOnScreen(QWidget* window, double offset = 0.0);

// Opens the URL with the desktop's handler; whether anybody opened it is not looked at.
void openURL(const QUrl& url);

// Whether blurs applied to the controller's view are drawn.
void enableLayerCoreImageFilters(platform::ViewController* controller);
void disableLayerCoreImageFilters(platform::ViewController* controller);

// The blur of applyBackgroundBlur: a Gaussian blur whose content is first widened at its left and right
// edges by repeating the edge columns, so that the edges stay opaque instead of fading out.
class BackgroundBlurEffect : public QGraphicsEffect {
    Q_OBJECT
public:
    explicit BackgroundBlurEffect(QObject* parent = nullptr);
    double blurRadius() const { return m_radius; }
    void setBlurRadius(double radius);

protected:
    void draw(QPainter* painter) override;

private:
    double m_radius = 0.0;
};

// Blurs the view's content, fading in over `duration` seconds; shown only while the view's controller has
// its filters enabled. The view must carry no other graphics effect.
void applyBackgroundBlur(QWidget* view, double duration);
// Fades the blur out over `duration` seconds and removes it.
void removeBlur(QWidget* view, double duration);

// A drop shadow; the offset is written with y upwards, as for bottom-left frames.
void setShadow(QWidget* view, const QColor& color = QColor(0, 0, 0, 128),
               const QSizeF& offset = QSizeF(0.0, 3.0), double blurRadius = 3.0);
// A shadow offset with y upwards to Qt's y downwards.
QPointF shadowOffsetFromBottomLeft(const QSizeF& offset);

// True while a modal overlay is presented over the content of the client's active window.
bool isModalViewControllerPresented();

// Runs `block` once on the main queue after the delay, truncated to whole milliseconds; a non-finite or
// negative delay counts as 0. Callable from any thread; returns at once.
void runOnMainQueue(double afterMilliseconds, std::function<void()> block);
