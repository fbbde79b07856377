#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>
#include <vector>

namespace platform {

class ViewController;

// Puts a presented controller's view into or over the presenting one, and takes it away again. Both calls
// return at once; an animated dismissal hides the view when it ends, which is when the presented
// controller sees viewDidDisappear.
class PresentationAnimator {
public:
    virtual ~PresentationAnimator() = default;
    virtual void animatePresentation(ViewController* presented, ViewController* presenting) = 0;
    virtual void animateDismissal(ViewController* presented, ViewController* presenting) = 0;
};

// The default: the presented view covers the presenting view's bounds at once, and goes at once.
class OverlayPresentationAnimator : public PresentationAnimator {
public:
    void animatePresentation(ViewController* presented, ViewController* presenting) override;
    void animateDismissal(ViewController* presented, ViewController* presenting) override;
};

// Base of every content controller. The view is made on first use by loadView(); the appearance hooks
// follow the view's visibility (shown itself or with its window), once per change, never doubled.
// Relations between controllers (parent, children, presenting, presented) do not own: whoever made a
// controller keeps it, and a destroyed controller drops out of every relation.
class ViewController : public QObject {
    Q_OBJECT
public:
    explicit ViewController(QObject* parent = nullptr);
    ~ViewController() override;

    QWidget* view();
    bool isViewLoaded() const { return !m_view.isNull(); }
    // True between viewDidAppear and viewWillDisappear's matching viewDidDisappear.
    bool isAppeared() const { return m_appeared; }

    QString title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }

    ViewController* parentViewController() const { return m_parentController; }
    QList<ViewController*> childViewControllers() const;
    void addChildViewController(ViewController* child);
    void removeFromParentViewController();

    // Shows `controller` inside this one through `animator` (an overlay when none is given). A controller
    // is presented by one presenter at a time; a second presentation is refused.
    void presentViewController(ViewController* controller,
                               std::shared_ptr<PresentationAnimator> animator = {});
    // A window-modal child window of `host` (this view's window when none is given) holding the
    // controller's view. A view taken out of its window (a tab not shown) names the window it belongs to.
    void presentAsSheet(ViewController* controller, QWidget* host = nullptr);
    // Takes a controller that this one presented away again, with the animator it was presented with.
    void dismissViewController(ViewController* controller);
    // Dismisses this controller from whoever presented it; nothing when it is not presented.
    void dismiss();

    ViewController* presentingViewController() const { return m_presenting; }
    QList<ViewController*> presentedViewControllers() const;

protected:
    // Makes the view; the default is an empty widget. Called once, before viewDidLoad.
    virtual QWidget* loadView();
    virtual void viewDidLoad() {}
    virtual void viewWillAppear() {}
    virtual void viewDidAppear() {}
    virtual void viewWillDisappear() {}
    virtual void viewDidDisappear() {}

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Presentation {
        QPointer<ViewController> controller;
        std::shared_ptr<PresentationAnimator> animator;
    };

    void updateAppearance();
    void forgetPresenter();

    QPointer<QWidget> m_view;
    QString m_title;
    bool m_appeared = false;
    bool m_disappearing = false;
    QPointer<ViewController> m_parentController;
    QList<QPointer<ViewController>> m_children;
    QPointer<ViewController> m_presenting;
    std::vector<Presentation> m_presented;
};

} // namespace platform
