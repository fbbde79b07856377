#include "toolkit/PageController.h"

#include "toolkit/ViewAnimation.h"

#include <QKeyEvent>
#include <QWheelEvent>

#include <cmath>

namespace {

constexpr const char* kSlideKey = "pageSlide";
// How far a horizontal scroll goes before it counts as a swipe: one wheel notch, or a short trackpad move.
constexpr double kSwipeDistance = 120.0;

} // namespace

PageController::PageController(QObject* parent) : platform::ViewController(parent) {}

PageController::~PageController() {
    if (m_pagesView) {
        ViewAnimation::stop(m_pagesView, kSlideKey);
    }
}

QWidget* PageController::pagesView() {
    if (!m_pagesView) {
        auto* area = new QWidget;
        area->setObjectName(QStringLiteral("pagesView"));
        area->setFocusPolicy(Qt::StrongFocus);
        area->setAccessibleName(QStringLiteral("Pages")); // the arrows turn them
        area->installEventFilter(this);
        m_pagesView = area;
    }
    return m_pagesView;
}

QWidget* PageController::loadView() {
    return pagesView();
}

void PageController::viewDidAppear() {
    platform::ViewController::viewDidAppear();
    // The arrow keys reach the pages unless something else in the window holds the focus.
    if (!pagesView()->window()->focusWidget()) {
        pagesView()->setFocus(Qt::OtherFocusReason);
    }
}

void PageController::setArrangedObjects(std::vector<std::any> objects) {
    if (m_pagesView) {
        ViewAnimation::stop(m_pagesView, kSlideKey);
    }
    m_transition = {};
    m_objects = std::move(objects);
    m_selectedIndex = 0;
    completeTransition();
}

void PageController::setSelectedIndex(int index) {
    if (index < 0 || index >= static_cast<int>(m_objects.size()) || m_transition.running) {
        return;
    }
    m_selectedIndex = index;
    completeTransition();
}

platform::ViewController* PageController::selectedViewController() {
    return controllerAt(m_selectedIndex);
}

platform::ViewController* PageController::controllerAt(int index) {
    if (index < 0 || index >= static_cast<int>(m_objects.size()) || !m_delegate) {
        return nullptr;
    }
    const QString identifier =
        m_delegate->identifierForObject(*this, m_objects[static_cast<std::size_t>(index)]);
    auto found = m_controllers.find(identifier);
    if (found == m_controllers.end()) {
        std::unique_ptr<platform::ViewController> made =
            m_delegate->viewControllerForIdentifier(*this, identifier);
        if (!made) {
            made = std::make_unique<platform::ViewController>();
        }
        addChildViewController(made.get());
        QWidget* page = made->view();
        page->hide();
        page->setParent(pagesView());
        found = m_controllers.emplace(identifier, std::move(made)).first;
    }
    return found->second.get();
}

void PageController::place(platform::ViewController* controller, int offsetX) {
    if (!controller) {
        return;
    }
    QWidget* page = controller->view();
    page->setGeometry(QRect(QPoint(offsetX, 0), pagesView()->size()));
    page->show();
}

void PageController::completeTransition() {
    platform::ViewController* selected = selectedViewController();
    for (const auto& [identifier, controller] : m_controllers) {
        if (controller.get() != selected && controller->isViewLoaded()) {
            controller->view()->hide();
        }
    }
    place(selected, 0);
}

void PageController::navigateForward() {
    transitionTo(m_selectedIndex + 1);
}

void PageController::navigateBack() {
    transitionTo(m_selectedIndex - 1);
}

void PageController::transitionTo(int index) {
    if (m_transition.running || index < 0 || index >= static_cast<int>(m_objects.size()) ||
        index == m_selectedIndex) {
        return;
    }
    if (m_delegate) {
        m_delegate->pageControllerWillStartLiveTransition(*this);
    }
    m_transition.running = true;
    m_transition.from = selectedViewController();
    m_transition.to = controllerAt(index);
    const int width = pagesView()->width();
    const int direction = index > m_selectedIndex ? 1 : -1;
    place(m_transition.to, direction * width);
    QPointer<PageController> self = this;
    ViewAnimation::start(
        pagesView(), kSlideKey, transitionDuration, timing::easeInOut(),
        [self, direction, width](double progress) {
            if (!self) {
                return;
            }
            const int shift = static_cast<int>(std::lround(progress * width));
            if (self->m_transition.from) {
                self->m_transition.from->view()->move(-direction * shift, 0);
            }
            if (self->m_transition.to) {
                self->m_transition.to->view()->move(direction * (width - shift), 0);
            }
        },
        [self, index] {
            if (!self) {
                return;
            }
            self->m_transition = {};
            self->m_selectedIndex = index;
            if (self->m_delegate) {
                self->m_delegate->pageControllerDidEndLiveTransition(*self);
            }
            if (self) {
                self->completeTransition();
            }
        });
}

bool PageController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pagesView) {
        switch (event->type()) {
        case QEvent::Resize:
            if (!m_transition.running) {
                completeTransition();
            }
            break;
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Right || key == Qt::Key_Left) {
                key == Qt::Key_Right ? navigateForward() : navigateBack();
                return true;
            }
            break;
        }
        case QEvent::Wheel: {
            auto* wheel = static_cast<QWheelEvent*>(event);
            const QPoint pixels = wheel->pixelDelta();
            const QPoint angle = wheel->angleDelta();
            const QPoint delta = pixels.isNull() ? angle : pixels;
            if (std::abs(delta.x()) <= std::abs(delta.y())) {
                break;
            }
            if (wheel->phase() == Qt::ScrollBegin || m_transition.running) {
                m_scrollAccumulated = 0.0;
            }
            if (m_transition.running) {
                return true;
            }
            // Fingers moving left pull the next page in, as on a touchpad swipe.
            m_scrollAccumulated += delta.x();
            if (std::abs(m_scrollAccumulated) >= kSwipeDistance) {
                const bool forward = m_scrollAccumulated < 0;
                m_scrollAccumulated = 0.0;
                forward ? navigateForward() : navigateBack();
            }
            return true;
        }
        default:
            break;
        }
    }
    return platform::ViewController::eventFilter(watched, event);
}
