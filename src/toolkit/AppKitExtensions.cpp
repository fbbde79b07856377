#include "toolkit/AppKitExtensions.h"

#include "core/Log.h"
#include "platform/Scheduler.h"
#include "platform/ViewController.h"
#include "platform/Workspace.h"
#include "toolkit/BaseWindowViewController.h"
#include "toolkit/ViewAnimation.h"

#include <QApplication>
#include <QGraphicsBlurEffect>
#include <QGraphicsDropShadowEffect>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

constexpr const char* kFiltersEnabled = "veltrixLayerUsesFilters";
constexpr double kBlurRadius = 11.0;
// The largest delay whose nanoseconds fit a signed 64-bit count.
constexpr double kMaxDelayMilliseconds = 9223372036.0;

BackgroundBlurEffect* backgroundBlur(QWidget* view) {
    return qobject_cast<BackgroundBlurEffect*>(view->graphicsEffect());
}

// Qt's own Gaussian blur, run on an image through a one-item scene.
QImage gaussianBlur(const QImage& image, double radius) {
    QGraphicsScene scene;
    auto* item = scene.addPixmap(QPixmap::fromImage(image));
    auto* blur = new QGraphicsBlurEffect;
    blur->setBlurRadius(radius);
    blur->setBlurHints(QGraphicsBlurEffect::QualityHint);
    item->setGraphicsEffect(blur);
    QImage result(image.size(), QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    scene.render(&painter, QRectF(result.rect()), QRectF(image.rect()));
    return result;
}

bool filtersEnabled(const QWidget* view) {
    for (const QWidget* w = view; w; w = w->parentWidget()) {
        const QVariant flag = w->property(kFiltersEnabled);
        if (flag.isValid()) {
            return flag.toBool();
        }
    }
    return false;
}

void setFiltersEnabled(platform::ViewController* controller, bool enabled) {
    if (!controller) {
        return;
    }
    QWidget* view = controller->view();
    view->setProperty(kFiltersEnabled, enabled);
    for (QWidget* w : view->findChildren<QWidget*>()) {
        if (BackgroundBlurEffect* blur = backgroundBlur(w)) {
            blur->setEnabled(filtersEnabled(w));
        }
    }
    if (BackgroundBlurEffect* blur = backgroundBlur(view)) {
        blur->setEnabled(enabled);
    }
}

// On the scheduler's clock, like every animation of the client.
void animateRadius(BackgroundBlurEffect* blur, double to, double duration, std::function<void()> done) {
    const double from = blur->blurRadius();
    QPointer<BackgroundBlurEffect> effect = blur;
    ViewAnimation::start(
        blur, QByteArrayLiteral("blurRadius"), duration, QEasingCurve::InOutQuad,
        [effect, from, to](double progress) {
            if (effect) {
                effect->setBlurRadius(from + (to - from) * progress);
            }
        },
        std::move(done));
}

} // namespace

BackgroundBlurEffect::BackgroundBlurEffect(QObject* parent) : QGraphicsEffect(parent) {}

void BackgroundBlurEffect::setBlurRadius(double radius) {
    if (radius != m_radius) {
        m_radius = radius;
        update();
    }
}

void BackgroundBlurEffect::draw(QPainter* painter) {
    QPoint offset;
    const QPixmap source = sourcePixmap(Qt::DeviceCoordinates, &offset, QGraphicsEffect::NoPad);
    if (m_radius <= 0.0 || source.isNull()) {
        painter->setWorldTransform(QTransform());
        painter->drawPixmap(offset, source);
        return;
    }
    // The two edge clamps: the first and last columns repeated outward, wide enough for the blur.
    const int pad = static_cast<int>(std::ceil(m_radius * 2));
    QImage widened(source.width() + 2 * pad, source.height(), QImage::Format_ARGB32_Premultiplied);
    widened.fill(Qt::transparent);
    {
        QPainter p(&widened);
        p.drawPixmap(pad, 0, source);
        p.drawPixmap(QRect(0, 0, pad, source.height()), source, QRect(0, 0, 1, source.height()));
        p.drawPixmap(QRect(pad + source.width(), 0, pad, source.height()), source,
                     QRect(source.width() - 1, 0, 1, source.height()));
    }
    const QImage blurred = gaussianBlur(widened, m_radius);
    painter->save();
    painter->setWorldTransform(QTransform());
    painter->drawImage(offset, blurred, QRect(pad, 0, source.width(), source.height()));
    painter->restore();
}

QRect frameFromBottomLeft(const QRectF& frame, const QRect& screenGeometry) {
    const double top = screenGeometry.height() - (frame.y() + frame.height());
    return QRect(qRound(screenGeometry.x() + frame.x()), qRound(screenGeometry.y() + top),
                 qRound(frame.width()), qRound(frame.height()));
}

QPoint centeredWindowOrigin(const QRect& screenGeometry, const QSize& windowSize, double offset) {
    const double x = (screenGeometry.width() - windowSize.width()) * 0.5;
    const double y = (screenGeometry.height() - windowSize.height()) * 0.5 + offset;
    return frameFromBottomLeft(QRectF(QPointF(x, y), QSizeF(windowSize)), screenGeometry).topLeft();
}

void centerOnScreen(QWidget* window, double offset) {
    if (!window) {
        return;
    }
    QScreen* screen = window->screen();
    if (!screen) {
        return;
    }
    window->move(centeredWindowOrigin(screen->geometry(), window->frameGeometry().size(), offset));
}

void openURL(const QUrl& url) {
    platform::Workspace::shared().openURL(url);
}

void enableLayerCoreImageFilters(platform::ViewController* controller) {
    setFiltersEnabled(controller, true);
}

void disableLayerCoreImageFilters(platform::ViewController* controller) {
    setFiltersEnabled(controller, false);
}

void applyBackgroundBlur(QWidget* view, double duration) {
    QPointer<QWidget> target = view;
    platform::DispatchQueue::main().async([target, duration] {
        if (!target) {
            return;
        }
        BackgroundBlurEffect* blur = backgroundBlur(target);
        if (!blur) {
            if (target->graphicsEffect()) {
                vlog::warning(QStringLiteral("View already has an effect; no blur"));
                return;
            }
            blur = new BackgroundBlurEffect;
            target->setGraphicsEffect(blur);
        }
        blur->setEnabled(filtersEnabled(target));
        animateRadius(blur, kBlurRadius, duration, {});
    });
}

void removeBlur(QWidget* view, double duration) {
    if (!view) {
        return;
    }
    BackgroundBlurEffect* blur = backgroundBlur(view);
    if (!blur) {
        return;
    }
    QPointer<QWidget> target = view;
    QPointer<BackgroundBlurEffect> effect = blur;
    animateRadius(blur, 0.0, duration, [target, effect] {
        // A blur applied again meanwhile keeps its effect.
        if (target && effect && target->graphicsEffect() == effect && effect->blurRadius() <= 0.0) {
            target->setGraphicsEffect(nullptr);
        }
    });
}

QPointF shadowOffsetFromBottomLeft(const QSizeF& offset) {
    return QPointF(offset.width(), -offset.height());
}

void setShadow(QWidget* view, const QColor& color, const QSizeF& offset, double blurRadius) {
    if (!view) {
        return;
    }
    auto* shadow = new QGraphicsDropShadowEffect;
    shadow->setColor(color);
    shadow->setOffset(shadowOffsetFromBottomLeft(offset));
    shadow->setBlurRadius(blurRadius);
    view->setGraphicsEffect(shadow);
}

bool isModalViewControllerPresented() {
    QWidget* mainWindow = QApplication::activeWindow();
    if (!mainWindow) {
        return false;
    }
    BaseWindowViewController* windowController = BaseWindowViewController::controllerOfWindow(mainWindow);
    platform::ViewController* content =
        windowController ? windowController->contentViewController() : nullptr;
    if (!content) {
        return false;
    }
    const auto presented = content->presentedViewControllers();
    return std::any_of(presented.begin(), presented.end(), [](const platform::ViewController* controller) {
        return controller->inherits("ModalViewController");
    });
}

void runOnMainQueue(double afterMilliseconds, std::function<void()> block) {
    double milliseconds = std::trunc(afterMilliseconds);
    if (!std::isfinite(milliseconds) || milliseconds < 0.0) {
        milliseconds = 0.0;
    }
    milliseconds = std::min(milliseconds, kMaxDelayMilliseconds);
    const auto delay = std::chrono::milliseconds(static_cast<std::int64_t>(milliseconds));
    platform::Scheduler::shared().post(platform::DispatchQueue::main(), std::move(block), delay);
}
