#include "platform/ViewController.h"

#include <QCloseEvent>
#include <QEvent>
#include <QLoggingCategory>
#include <QVBoxLayout>

#include <algorithm>

namespace platform {

namespace {

Q_LOGGING_CATEGORY(lcViewController, "veltrix.platform.viewcontroller")

// Crosses window boundaries, unlike QWidget::isAncestorOf: a sheet's window hangs under its host window.
bool isInside(const QWidget* widget, const QWidget* ancestor) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (w == ancestor) {
            return true;
        }
    }
    return false;
}

// A sheet: a window-modal child without the window manager's frame, laid over the top of its host window,
// centred, and following the host as it moves or resizes. It ends only when its controller is dismissed.
class SheetWindow : public QWidget {
public:
    explicit SheetWindow(QWidget* host) : QWidget(host, Qt::Dialog | Qt::FramelessWindowHint), m_host(host) {
        setWindowModality(Qt::WindowModal);
        if (m_host) {
            m_host->installEventFilter(this);
        }
    }
    ~SheetWindow() override {
        if (m_host) {
            m_host->removeEventFilter(this);
        }
    }

    void place() {
        if (!m_host) {
            return;
        }
        // Where the window system has the host's client area now: the geometry Qt keeps for a window shown
        // again can be off by its frame until the window next moves.
        const QPoint topLeft = m_host->mapToGlobal(QPoint(0, 0));
        move(topLeft.x() + (m_host->width() - width()) / 2, topLeft.y());
    }

    // Dismissed: gone for good, whatever its host does next. The keyboard it had goes back to the host,
    // whichever window the manager would pick.
    void putAway() {
        m_hiddenWithHost = false;
        const bool hadTheKeyboard = isActiveWindow();
        hide();
        if (hadTheKeyboard && m_host && m_host->isVisible()) {
            m_host->activateWindow();
        }
    }

protected:
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
    // Shown again with its host (after the host was ordered out and moved), it is laid over it anew.
    void showEvent(QShowEvent* event) override {
        place();
        QWidget::showEvent(event);
    }
    // Qt leaves a child window up when its parent window goes: the sheet goes and comes back with its host,
    // and follows its place.
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_host) {
            switch (event->type()) {
            case QEvent::Move:
            case QEvent::Resize:
                place();
                break;
            case QEvent::Hide:
                if (isVisible()) {
                    m_hiddenWithHost = true;
                    hide();
                }
                break;
            case QEvent::Show:
                // Once the host's own window is up (it comes after this event): a child mapped before its
                // parent may be left unmanaged. Owed until then, through any hide and show in between.
                if (m_hiddenWithHost) {
                    QMetaObject::invokeMethod(
                        this,
                        [this] {
                            if (m_hiddenWithHost && m_host && m_host->isVisible()) {
                                m_hiddenWithHost = false;
                                show();
                            }
                        },
                        Qt::QueuedConnection);
                }
                break;
            case QEvent::WindowActivate:
                // Shown again, the host is where the manager put it by now.
                if (isVisible()) {
                    place();
                }
                break;
            default:
                break;
            }
        }
        return QWidget::eventFilter(watched, event);
    }

private:
    QPointer<QWidget> m_host;
    bool m_hiddenWithHost = false;
};

class SheetAnimator final : public PresentationAnimator {
public:
    explicit SheetAnimator(QWidget* host) : m_host(host) {}
    ~SheetAnimator() override { takeDown(); }

    void animatePresentation(ViewController* presented, ViewController* presenting) override {
        auto* sheet = new SheetWindow(m_host ? m_host.data() : presenting->view()->window());
        QWidget* content = presented->view();
        const bool sized = content->testAttribute(Qt::WA_Resized);
        const QSize size = content->size();
        auto* layout = new QVBoxLayout(sheet);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(content);
        content->show();
        sheet->setWindowTitle(presented->title());
        if (sized) {
            sheet->resize(size);
        } else {
            sheet->adjustSize();
        }
        sheet->place();
        m_sheet = sheet;
        m_content = content;
        sheet->show();
    }

    void animateDismissal(ViewController*, ViewController*) override { takeDown(); }

private:
    // The controller keeps its view: it leaves the sheet before the sheet goes. The window is deleted later
    // because the dismissal may come from a click that this window is still delivering.
    void takeDown() {
        if (!m_sheet) {
            return;
        }
        m_sheet->putAway();
        if (m_content && isInside(m_content, m_sheet)) {
            m_content->setParent(nullptr);
        }
        m_sheet->deleteLater();
        m_sheet.clear();
    }

    QPointer<QWidget> m_host;
    QPointer<SheetWindow> m_sheet;
    QPointer<QWidget> m_content;
};

} // namespace

void OverlayPresentationAnimator::animatePresentation(ViewController* presented, ViewController* presenting) {
    QWidget* host = presenting->view();
    QWidget* overlay = presented->view();
    overlay->setParent(host);
    overlay->setGeometry(host->rect());
    overlay->show();
    overlay->raise();
}

void OverlayPresentationAnimator::animateDismissal(ViewController* presented, ViewController*) {
    if (!presented->isViewLoaded()) {
        return;
    }
    QWidget* overlay = presented->view();
    overlay->hide();
    overlay->setParent(nullptr);
}

ViewController::ViewController(QObject* parent) : QObject(parent) {}

ViewController::~ViewController() {
    if (m_view) {
        m_view->removeEventFilter(this);
        disconnect(m_view, nullptr, this, nullptr);
    }
    // Controllers shown over this one outlive it with their views intact.
    for (const Presentation& presentation : m_presented) {
        if (ViewController* presented = presentation.controller) {
            presented->m_presenting.clear();
            if (presented->m_view && m_view && isInside(presented->m_view, m_view)) {
                presented->m_view->hide();
                presented->m_view->setParent(nullptr);
            }
        }
    }
    m_presented.clear();
    forgetPresenter();
    removeFromParentViewController();
    for (const QPointer<ViewController>& child : std::as_const(m_children)) {
        if (child) {
            child->m_parentController.clear();
        }
    }
    delete m_view.data();
}

QWidget* ViewController::view() {
    if (!m_view) {
        QWidget* made = loadView();
        if (!made) {
            qCCritical(lcViewController) << metaObject()->className() << "made no view; using an empty one";
            made = new QWidget;
        }
        m_view = made;
        m_appeared = false;
        m_disappearing = false;
        made->installEventFilter(this);
        // A view destroyed with someone else's widget tree is simply made again on the next use.
        connect(made, &QObject::destroyed, this, [this] {
            m_appeared = false;
            m_disappearing = false;
        });
        viewDidLoad();
        updateAppearance();
    }
    return m_view;
}

QWidget* ViewController::loadView() {
    return new QWidget;
}

bool ViewController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_view) {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::ParentChange:
            updateAppearance();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

// Minimising sends spontaneous hide/show events but keeps the widget visible, so it changes nothing here.
void ViewController::updateAppearance() {
    const bool visible = m_view && m_view->isVisible();
    if (visible == m_appeared) {
        return;
    }
    m_appeared = visible;
    if (visible) {
        viewWillAppear();
        viewDidAppear();
        return;
    }
    const bool announced = std::exchange(m_disappearing, false);
    if (!announced) {
        viewWillDisappear();
    }
    viewDidDisappear();
}

QList<ViewController*> ViewController::childViewControllers() const {
    QList<ViewController*> children;
    for (const QPointer<ViewController>& child : m_children) {
        if (child) {
            children.append(child);
        }
    }
    return children;
}

void ViewController::addChildViewController(ViewController* child) {
    if (!child || child == this) {
        qCWarning(lcViewController) << "Refused to add an invalid child controller";
        return;
    }
    for (const ViewController* up = this; up; up = up->m_parentController) {
        if (up == child) {
            qCWarning(lcViewController) << "Refused to add an ancestor as a child controller";
            return;
        }
    }
    if (child->m_parentController == this) {
        return;
    }
    child->removeFromParentViewController();
    child->m_parentController = this;
    m_children.append(child);
}

void ViewController::removeFromParentViewController() {
    if (ViewController* parent = m_parentController) {
        parent->m_children.removeAll(QPointer<ViewController>(this));
        parent->m_children.removeAll(QPointer<ViewController>());
    }
    m_parentController.clear();
}

void ViewController::presentViewController(ViewController* controller,
                                           std::shared_ptr<PresentationAnimator> animator) {
    if (!controller || controller == this) {
        qCWarning(lcViewController) << "Refused to present an invalid controller";
        return;
    }
    if (controller->m_presenting) {
        qCWarning(lcViewController) << controller->metaObject()->className() << "is already presented";
        return;
    }
    if (!animator) {
        animator = std::make_shared<OverlayPresentationAnimator>();
    }
    controller->m_presenting = this;
    m_presented.push_back({controller, animator});
    if (controller->m_disappearing && controller->m_appeared) {
        // Presented again before its dismissal finished: the disappearance is called off.
        controller->m_disappearing = false;
        controller->viewWillAppear();
        controller->viewDidAppear();
    }
    animator->animatePresentation(controller, this);
}

void ViewController::presentAsSheet(ViewController* controller, QWidget* host) {
    presentViewController(controller, std::make_shared<SheetAnimator>(host));
}

void ViewController::dismissViewController(ViewController* controller) {
    const auto found =
        std::find_if(m_presented.begin(), m_presented.end(),
                     [controller](const Presentation& p) { return p.controller == controller; });
    if (!controller || found == m_presented.end()) {
        qCWarning(lcViewController) << "Asked to dismiss a controller that was not presented here";
        return;
    }
    const std::shared_ptr<PresentationAnimator> animator = found->animator;
    m_presented.erase(found);
    controller->m_presenting.clear();
    if (controller->m_appeared && !controller->m_disappearing) {
        controller->m_disappearing = true;
        controller->viewWillDisappear();
    }
    animator->animateDismissal(controller, this);
}

void ViewController::dismiss() {
    if (ViewController* presenting = m_presenting) {
        presenting->dismissViewController(this);
    }
}

QList<ViewController*> ViewController::presentedViewControllers() const {
    QList<ViewController*> presented;
    for (const Presentation& presentation : m_presented) {
        if (presentation.controller) {
            presented.append(presentation.controller);
        }
    }
    return presented;
}

void ViewController::forgetPresenter() {
    ViewController* presenting = m_presenting;
    if (!presenting) {
        return;
    }
    m_presenting.clear();
    auto& list = presenting->m_presented;
    list.erase(
        std::remove_if(list.begin(), list.end(),
                       [this](const Presentation& p) { return p.controller == this || !p.controller; }),
        list.end());
}

} // namespace platform
