#include "toolkit/PresentationAnimators.h"

#include "core/Log.h"
#include "toolkit/ViewAnimation.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

#include <cmath>

namespace {

const QByteArray kPresentationKey = "presentation";

QRect lerp(const QRect& from, const QRect& to, double t) {
    const auto mix = [t](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * t)); };
    return QRect(mix(from.x(), to.x()), mix(from.y(), to.y()), mix(from.width(), to.width()),
                 mix(from.height(), to.height()));
}

double lerp(double from, double to, double t) {
    return from + (to - from) * t;
}

// A frame written with y upwards inside a view `height` high, in Qt's y-downwards coordinates.
QRect fromBottomLeft(double x, double y, double width, double height, double containerHeight) {
    return QRect(static_cast<int>(std::lround(x)),
                 static_cast<int>(std::lround(containerHeight - (y + height))),
                 static_cast<int>(std::lround(width)), static_cast<int>(std::lround(height)));
}

// The presented view's frame: its size when it was given one, else the size it asks for.
QRect presentedViewFrame(QWidget* view) {
    return view->testAttribute(Qt::WA_Resized) ? view->geometry() : QRect(view->pos(), view->sizeHint());
}

void takeOut(QWidget* view) {
    view->hide();
    view->setParent(nullptr);
}

enum class Slide { left, right, up, down, none };

// The direction the options name; vertical slides are looked at in the order given.
Slide slideOf(unsigned effect, bool rightToLeft, bool upBeforeDown) {
    using namespace TransitionOptions;
    if ((effect & slideForward) == slideForward) {
        return rightToLeft ? Slide::right : Slide::left;
    }
    if ((effect & slideBackward) == slideBackward) {
        return rightToLeft ? Slide::left : Slide::right;
    }
    if (effect & slideLeft) {
        return Slide::left;
    }
    if (effect & slideRight) {
        return Slide::right;
    }
    const Slide first = upBeforeDown ? Slide::up : Slide::down;
    const Slide second = upBeforeDown ? Slide::down : Slide::up;
    if (effect & (upBeforeDown ? slideUp : slideDown)) {
        return first;
    }
    if (effect & (upBeforeDown ? slideDown : slideUp)) {
        return second;
    }
    return Slide::none;
}

} // namespace

// TransitionAnimator ---------------------------------------------------------------------------------------

TransitionAnimator::TransitionAnimator(std::optional<double> topOffset, std::optional<double> bottomOffset,
                                       std::optional<double> appearDuration,
                                       std::optional<double> disappearDuration)
    : TransitionAnimator(topOffset, bottomOffset, std::nullopt, std::nullopt, appearDuration,
                         disappearDuration) {}

TransitionAnimator::TransitionAnimator(std::optional<double> topOffset, std::optional<double> bottomOffset,
                                       std::optional<double> leftOffset, std::optional<double> rightOffset,
                                       std::optional<double> appearDuration,
                                       std::optional<double> disappearDuration)
    : m_top(topOffset.value_or(0.0)), m_bottom(bottomOffset.value_or(0.0)), m_left(leftOffset.value_or(0.0)),
      m_right(rightOffset.value_or(0.0)), m_appear(appearDuration.value_or(0.0)),
      m_disappear(disappearDuration.value_or(m_appear)) {}

QRect TransitionAnimator::presentedFrame(const QRect& bounds, double top, double bottom, double left,
                                         double right) {
    // Written as the design has it, with y upwards: the origin moves by left and bottom.
    return fromBottomLeft(bounds.x() + left, bottom, bounds.width() - left - right,
                          bounds.height() - top - bottom, bounds.height())
        .translated(0, bounds.y());
}

void TransitionAnimator::animatePresentation(platform::ViewController* presented,
                                             platform::ViewController* presenting) {
    QWidget* host = presenting->view();
    QWidget* view = presented->view();
    setAlphaValue(view, 0.0);
    view->setAutoFillBackground(false);
    view->setParent(host);
    view->setGeometry(presentedFrame(host->rect(), m_top, m_bottom, m_left, m_right));
    view->show();
    view->raise();
    QPointer<QWidget> target = view;
    ViewAnimation::start(view, kPresentationKey, m_appear, timing::easeInOut(), [target](double t) {
        if (target) {
            setAlphaValue(target, t);
        }
    });
}

void TransitionAnimator::animateDismissal(platform::ViewController* presented, platform::ViewController*) {
    if (!presented->isViewLoaded()) {
        return;
    }
    QWidget* view = presented->view();
    QPointer<QWidget> target = view;
    const double from = alphaValue(view);
    ViewAnimation::start(
        view, kPresentationKey, m_disappear, timing::easeInOut(),
        [target, from](double t) {
            if (target) {
                setAlphaValue(target, lerp(from, 0.0, t));
            }
        },
        [target] {
            if (target) {
                takeOut(target);
                setAlphaValue(target, 1.0);
            }
        });
}

// SlideAnimator --------------------------------------------------------------------------------------------

SlideAnimator::SlideAnimator(double animationDuration, unsigned transitionEffect)
    : backgroundColor(QApplication::palette().color(QPalette::Window)), m_duration(animationDuration),
      m_effect(transitionEffect) {}

QRect SlideAnimator::offscreenFrame(const QRect& a, const QRect& b, unsigned effect, bool keepOriginalSize,
                                    bool rightToLeft) {
    const QRect r = keepOriginalSize ? b : a;
    const double h = a.height();
    switch (slideOf(effect, rightToLeft, false)) {
    case Slide::left:
        return fromBottomLeft(a.width(), 0, r.width(), a.height(), h);
    case Slide::right:
        return fromBottomLeft(-r.width(), 0, r.width(), a.height(), h);
    case Slide::down:
        return fromBottomLeft(0, a.height(), a.width(), r.height(), h);
    case Slide::up:
        return fromBottomLeft(0, -r.height(), a.width(), r.height(), h);
    case Slide::none:
        break;
    }
    return a;
}

QRect SlideAnimator::onscreenFrame(const QRect& a, const QRect& b, unsigned effect, bool keepOriginalSize,
                                   bool rightToLeft) {
    if (!keepOriginalSize) {
        return a;
    }
    const double h = a.height();
    switch (slideOf(effect, rightToLeft, true)) {
    case Slide::left:
        return fromBottomLeft(a.width() - b.width(), 0, b.width(), a.height(), h);
    case Slide::right:
        return fromBottomLeft(0, 0, b.width(), a.height(), h);
    case Slide::up:
        return fromBottomLeft(0, 0, a.width(), b.height(), h);
    case Slide::down:
        return fromBottomLeft(0, a.height() - b.height(), a.width(), b.height(), h);
    case Slide::none:
        break;
    }
    return a;
}

void SlideAnimator::animatePresentation(platform::ViewController* presented,
                                        platform::ViewController* presenting) {
    QWidget* presentingView = presenting->view();
    QWidget* view = presented->view();
    const bool rtl = QApplication::isRightToLeft();
    const QRect a = presentingView->rect();
    const QRect b = presentedViewFrame(view);
    const QRect start = offscreenFrame(a, b, m_effect, keepOriginalSize, rtl);
    QRect end = onscreenFrame(a, b, m_effect, keepOriginalSize, rtl);
    if (origin) {
        end.moveTopLeft(*origin);
    }
    const bool fade = m_effect & TransitionOptions::crossfade;

    // The presenting view cannot be swapped for a container here; it steps aside among its siblings
    // instead, with the presented view laid over it.
    QWidget* host = presentingView;
    QPoint offset;
    m_fromView.clear();
    if (removeFromView) {
        if (QWidget* parent = presentingView->parentWidget()) {
            m_fromView = presentingView;
            host = parent;
            offset = presentingView->pos();
        } else {
            vlog::warning(QStringLiteral("Presenting view has no parent to step aside in; it stays"));
        }
    }
    view->setParent(host);
    view->setGeometry(start.translated(offset));
    if (fade) {
        setAlphaValue(view, 0.0);
    }
    if (!view->autoFillBackground()) {
        QPalette palette = view->palette();
        palette.setColor(QPalette::Window, backgroundColor);
        view->setPalette(palette);
        view->setAutoFillBackground(true);
    }
    view->show();
    view->raise();

    QPointer<QWidget> target = view;
    QPointer<QWidget> from = m_fromView;
    const QRect startFrame = start.translated(offset);
    const QRect endFrame = end.translated(offset);
    ViewAnimation::start(
        view, kPresentationKey, m_duration, timing::easeOut(),
        [=](double t) {
            if (target) {
                target->setGeometry(lerp(startFrame, endFrame, t));
                if (fade) {
                    setAlphaValue(target, t);
                }
            }
            if (fade && from) {
                setAlphaValue(from, 1.0 - t);
            }
        },
        [from] {
            if (from) {
                from->hide();
            }
        });
}

void SlideAnimator::animateDismissal(platform::ViewController* presented,
                                     platform::ViewController* presenting) {
    if (!presented->isViewLoaded()) {
        return;
    }
    QWidget* view = presented->view();
    QWidget* presentingView = presenting->view();
    const QRect a = presentingView->rect();
    const QRect b = view->geometry();
    QPointer<QWidget> from = removeFromView ? m_fromView : QPointer<QWidget>();
    const QPoint offset = from ? from->pos() : QPoint();
    const QRect end =
        offscreenFrame(a, b, m_effect, keepOriginalSize, QApplication::isRightToLeft()).translated(offset);
    const bool fade = m_effect & TransitionOptions::crossfade;
    if (from) {
        from->show();
        view->raise();
    }
    QPointer<QWidget> target = view;
    const QRect startFrame = view->geometry();
    const double startAlpha = alphaValue(view);
    const double fromAlpha = from ? alphaValue(from) : 1.0;
    ViewAnimation::start(
        view, kPresentationKey, m_duration, timing::cubic(0.42, 0.0, 0.58, 0.3),
        [=](double t) {
            if (target) {
                target->setGeometry(lerp(startFrame, end, t));
                if (fade) {
                    setAlphaValue(target, lerp(startAlpha, 0.0, t));
                }
            }
            if (fade && from) {
                setAlphaValue(from, lerp(fromAlpha, 1.0, t));
            }
        },
        [target, from] {
            if (target) {
                takeOut(target);
                setAlphaValue(target, 1.0);
            }
            if (from) {
                setAlphaValue(from, 1.0);
            }
        });
}

// TestSlideAnimator ----------------------------------------------------------------------------------------

TestSlideAnimator::TestSlideAnimator(double animationDuration) : m_duration(animationDuration) {}

void TestSlideAnimator::animatePresentation(platform::ViewController* presented,
                                            platform::ViewController* presenting) {
    QWidget* host = presenting->view();
    QWidget* view = presented->view();
    const QRect f = host->rect();
    const int width = presentedViewFrame(view).width();
    const QRect start(f.width(), 0, f.width(), f.height());
    const QRect end(0, 0, width, f.height());
    view->setAutoFillBackground(false);
    view->setParent(host);
    view->setGeometry(start);
    view->show();
    view->raise();
    QPointer<QWidget> target = view;
    ViewAnimation::start(view, kPresentationKey, m_duration, timing::easeOut(), [=](double t) {
        if (target) {
            target->setGeometry(lerp(start, end, t));
        }
    });
}

void TestSlideAnimator::animateDismissal(platform::ViewController* presented,
                                         platform::ViewController* presenting) {
    if (!presented->isViewLoaded()) {
        return;
    }
    QWidget* view = presented->view();
    const QRect f = presenting->view()->rect();
    const QRect start = view->geometry();
    const QRect end(f.width(), 0, f.width(), f.height());
    QPointer<QWidget> target = view;
    ViewAnimation::start(
        view, kPresentationKey, m_duration, timing::easeOut(),
        [=](double t) {
            if (target) {
                target->setGeometry(lerp(start, end, t));
            }
        },
        [target, end] {
            if (target) {
                target->setGeometry(end);
                takeOut(target);
            }
        });
}
