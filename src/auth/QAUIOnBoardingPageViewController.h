#pragma once

#include "auth/OnBoardingItemModel.h"
#include "toolkit/CapsuleButton.h"
#include "toolkit/HoverableButton.h"

#include <QPointer>

// One page of the quick-access window's onboarding: title, description and animation, no button.
class QAUIOnBoardingItemViewController : public OnBoardingItemBase {
    Q_OBJECT
public:
    explicit QAUIOnBoardingItemViewController(QObject* parent = nullptr);

protected:
    QWidget* loadView() override;
};

// The quick-access window's onboarding: the four pages in a smaller form, with one next button below
// them that reads "Finish" on the last page and then ends the onboarding.
class QAUIOnBoardingPageViewController : public OnBoardingPagesBase {
    Q_OBJECT
public:
    explicit QAUIOnBoardingPageViewController(QObject* parent = nullptr);

    CapsuleButton* nextButton() const { return m_nextButton; }

    void nextTap();

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    std::unique_ptr<OnBoardingItemBase> makePage(const OnBoardingItemModelPtr& model) override;
    void selectedPageChanged() override;

private:
    QPointer<CapsuleButton> m_nextButton;
};
