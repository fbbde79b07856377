#include "toolkit/AppKitExtensions.h"

#include "core/Log.h"
#include "platform/Scheduler.h"
#include "platform/ViewController.h"
#include "platform/Workspace.h"
#include "toolkit/BaseWindowViewController.h"

#include <QApplication>
#include <QGraphicsBlurEffect>
#include <QGraphicsDropShadowEffect>
#include <QPointer>
#include <QPropertyAnimation>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

constexpr const char* kFiltersEnabled = "veltrixLayerUsesFilters";
constexpr const char* kBlurEffectName = "veltrixBackgroundBlur";
constexpr double kBlurRadius = 11.0;
// The largest delay whose nanoseconds fit a signed 64-bit count.
constexpr double kMaxDelayMilliseconds = 9223372036.0;

QGraphicsBlurEffect* backgroundBlur(QWidget* view) {
    auto* blur = qobject_cast<QGraphicsBlurEffect*>(view->graphicsEffect());
    return blur && blur->objectName() == QLatin1String(kBlurEffectName) ? blur : nullptr;
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
        if (QGraphicsBlurEffect* blur = backgroundBlur(w)) {
            blur->setEnabled(filtersEnabled(w));
        }
    }
    if (QGraphicsBlurEffect* blur = backgroundBlur(view)) {
        blur->setEnabled(enabled);
    }
}

void animateRadius(QGraphicsBlurEffect* blur, double to, double duration, std::function<void()> done) {
    auto* animation = new QPropertyAnimation(blur, "blurRadius", blur);
    animation->setDuration(static_cast<int>(std::max(0.0, duration) * 1000.0));
    animation->setStartValue(blur->blurRadius());
    animation->setEndValue(to);
    if (done) {
        QObject::connect(animation, &QPropertyAnimation::finished, blur, std::move(done));
    }
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace

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
        QGraphicsBlurEffect* blur = backgroundBlur(target);
        if (!blur) {
            if (target->graphicsEffect()) {
                vlog::warning(QStringLiteral("View already has an effect; no blur"));
                return;
            }
            blur = new QGraphicsBlurEffect;
            blur->setObjectName(QLatin1String(kBlurEffectName));
            blur->setBlurHints(QGraphicsBlurEffect::QualityHint);
            blur->setBlurRadius(0.0);
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
    QGraphicsBlurEffect* blur = backgroundBlur(view);
    if (!blur) {
        return;
    }
    QPointer<QWidget> target = view;
    QPointer<QGraphicsBlurEffect> effect = blur;
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
