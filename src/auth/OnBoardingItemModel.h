#pragma once

#include "platform/ViewController.h"
#include "toolkit/NSPageControl.h"
#include "toolkit/PDLottieAnimationView.h"
#include "toolkit/PageController.h"
#include <QLabel>

#include <QPointer>
#include <QString>

#include <any>
#include <memory>
#include <optional>
#include <vector>

// One onboarding page: its title, its description and the name of its Lottie animation.
class OnBoardingItemModel {
public:
    OnBoardingItemModel(QString title, QString description, QString filename)
        : title(std::move(title)), description(std::move(description)), filename(std::move(filename)) {}

    QString title;
    QString description;
    QString filename;

    bool operator==(const OnBoardingItemModel&) const = default;
};
using OnBoardingItemModelPtr = std::shared_ptr<OnBoardingItemModel>;

namespace onboarding {

// The four pages, in the order they are shown.
std::vector<OnBoardingItemModelPtr> pages();

// The decimal index of the first page equal to the object; "0" for anything that is not one of them.
QString identifierForObject(const std::vector<OnBoardingItemModelPtr>& pages, const std::any& object);
// The page index an identifier names; none for anything but the decimal index of one of the pages.
std::optional<std::size_t> indexForIdentifier(const QString& identifier, std::size_t pageCount);

} // namespace onboarding

// What both onboarding windows' pages have: a title, a description and an animation that plays only
// while the page is the selected one.
class OnBoardingItemBase : public platform::ViewController {
    Q_OBJECT
public:
    explicit OnBoardingItemBase(QObject* parent = nullptr);

    // Takes effect when the view loads.
    void setDataObject(OnBoardingItemModelPtr model) { m_dataObject = std::move(model); }
    const OnBoardingItemModelPtr& dataObject() const { return m_dataObject; }

    QLabel* titleTextField() const { return m_titleTextField; }
    QLabel* descriptionTextField() const { return m_descriptionTextField; }
    PDLottieAnimationView* animationView() const { return m_animationView; }

    void startAnimation();
    void stopAnimation();

protected:
    void viewDidLoad() override;

    QPointer<QLabel> m_titleTextField;
    QPointer<QLabel> m_descriptionTextField;
    QPointer<PDLottieAnimationView> m_animationView;

private:
    OnBoardingItemModelPtr m_dataObject;
};

// What both onboarding page controllers have: the four pages in a sliding strip with page dots, the
// selected page's animation started half a second after the content shows and after each transition,
// and stopped when a transition starts.
class OnBoardingPagesBase : public PageController, public PageControllerDelegate {
    Q_OBJECT
public:
    static constexpr double animationStartDelay = 0.5;

    explicit OnBoardingPagesBase(QObject* parent = nullptr);

    const std::vector<OnBoardingItemModelPtr>& dataArray() const { return m_dataArray; }
    NSPageControl* pageControl() const { return m_pageControl; }
    // Whether a page follows the selected one.
    bool canSelectNext() const;
    bool isLastPageSelected() const;
    OnBoardingItemBase* selectedPage();

    QString identifierForObject(PageController& pageController, const std::any& object) override;
    std::unique_ptr<platform::ViewController> viewControllerForIdentifier(PageController& pageController,
                                                                          const QString& identifier) override;
    void pageControllerWillStartLiveTransition(PageController& pageController) override;
    void pageControllerDidEndLiveTransition(PageController& pageController) override;

protected:
    // The page for a model, fresh from its storyboard.
    virtual std::unique_ptr<OnBoardingItemBase> makePage(const OnBoardingItemModelPtr& model) = 0;
    // After a transition, once the dots follow: the selected page's own controls.
    virtual void selectedPageChanged() = 0;

    void viewDidLoad() override;
    void viewWillAppear() override;

    QPointer<NSPageControl> m_pageControl;

private:
    std::vector<OnBoardingItemModelPtr> m_dataArray;
};
