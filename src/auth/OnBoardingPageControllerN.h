#pragma once

#include "auth/OnBoardingItemModel.h"
#include "toolkit/CapsuleButton.h"
#include "toolkit/HoverableButton.h"
#include "toolkit/WeakDelegate.h"

#include <QColor>
#include <QPointer>

class OnBoardingItemControllerDelegate {
public:
    virtual ~OnBoardingItemControllerDelegate() = default;
    virtual void nextButtonTapped() = 0;
};

// One page of the welcome window: title, description, animation and its own next button.
class OnBoardingItemControllerN : public OnBoardingItemBase {
    Q_OBJECT
public:
    explicit OnBoardingItemControllerN(QObject* parent = nullptr);

    CapsuleButton* nextButton() const { return m_nextButton; }
    OnBoardingItemControllerDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(OnBoardingItemControllerDelegate* delegate) { m_delegate = delegate; }

    void nextTap();
    // "Finish" on the last page, "Next" elsewhere.
    void setLastPage(bool lastPage);

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;

private:
    QPointer<CapsuleButton> m_nextButton;
    WeakDelegate<OnBoardingItemControllerDelegate> m_delegate;
};

// The welcome window's content: the four onboarding pages with page dots and a login button that leaves
// the onboarding from any page.
class OnBoardingPageControllerN : public OnBoardingPagesBase, public OnBoardingItemControllerDelegate {
    Q_OBJECT
public:
    explicit OnBoardingPageControllerN(QObject* parent = nullptr);

    QWidget* welcomePageContainerView() const { return m_welcomePageContainerView; }
    NSButtonWithHandCursor* loginButton() const { return m_loginButton; }
    QWidget* loginStackView() const { return m_loginStackView; }
    OnBoardingItemControllerN* selectedItem();

    void loginTap();
    void nextButtonTapped() override;

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    void viewDidDisappear() override;
    std::unique_ptr<OnBoardingItemBase> makePage(const OnBoardingItemModelPtr& model) override;
    void selectedPageChanged() override;

private:
    void finishOnboarding();

    const QColor m_loginButtonColor;
    QPointer<QWidget> m_welcomePageContainerView;
    QPointer<NSButtonWithHandCursor> m_loginButton;
    QPointer<QWidget> m_loginStackView;
};
