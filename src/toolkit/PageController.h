#pragma once

#include "platform/ViewController.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <any>
#include <map>
#include <memory>
#include <vector>

class PageController;

// What a page controller asks of its owner: an identifier per arranged object, a controller per
// identifier (asked once per identifier; the page controller keeps it), and the two transition hooks.
class PageControllerDelegate {
public:
    virtual ~PageControllerDelegate() = default;
    virtual QString identifierForObject(PageController& pageController, const std::any& object) = 0;
    virtual std::unique_ptr<platform::ViewController>
    viewControllerForIdentifier(PageController& pageController, const QString& identifier) = 0;
    // Before the pages move; the selected index is still the old one.
    virtual void pageControllerWillStartLiveTransition(PageController&) {}
    // After they moved; the selected index is the new one. The delegate calls completeTransition().
    virtual void pageControllerDidEndLiveTransition(PageController&) {}
};

// A horizontal strip of pages, one shown at a time. Moving to another page slides the old page out and
// the new one in on the toolkit's animation clock. The Left and Right keys and a horizontal scroll move
// one page, as a swipe does.
class PageController : public platform::ViewController {
    Q_OBJECT
public:
    static constexpr double transitionDuration = 0.3;

    explicit PageController(QObject* parent = nullptr);
    ~PageController() override;

    PageControllerDelegate* delegate() const { return m_delegate; }
    void setDelegate(PageControllerDelegate* delegate) { m_delegate = delegate; }

    // The pages' objects; the first one becomes selected, without a transition.
    const std::vector<std::any>& arrangedObjects() const { return m_objects; }
    void setArrangedObjects(std::vector<std::any> objects);

    int selectedIndex() const { return m_selectedIndex; }
    // Moves to the page at once, without a transition; out-of-range indexes are ignored.
    void setSelectedIndex(int index);
    // The selected page's controller (made when first needed), or null without pages.
    platform::ViewController* selectedViewController();
    bool isTransitionRunning() const { return m_transition.running; }

    // One page on or back, with a transition; nothing at either end or while a transition runs.
    void navigateForward();
    void navigateBack();
    // Shows the selected page alone, as it stands after a transition. Safe to call more than once.
    void completeTransition();

    // The controllers made so far, one per identifier.
    std::size_t cachedControllerCount() const { return m_controllers.size(); }

    // Where the pages slide: the whole view unless a subclass lays it out among its own controls.
    QWidget* pagesView();

protected:
    QWidget* loadView() override;
    void viewDidAppear() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void transitionTo(int index);
    platform::ViewController* controllerAt(int index);
    void place(platform::ViewController* controller, int offsetX);
    void layoutSelected();

    QPointer<QWidget> m_pagesView;
    PageControllerDelegate* m_delegate = nullptr;
    std::vector<std::any> m_objects;
    std::map<QString, std::unique_ptr<platform::ViewController>> m_controllers;
    int m_selectedIndex = 0;
    struct Transition {
        bool running = false;
        QPointer<platform::ViewController> from;
        QPointer<platform::ViewController> to;
    } m_transition;
    double m_scrollAccumulated = 0.0;
};
