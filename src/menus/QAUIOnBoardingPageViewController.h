#pragma once

#include "toolkit/NSViewControllerBase.h"

// The quick-access onboarding page.
class QAUIOnBoardingPageViewController : public NSViewControllerBase {
    Q_OBJECT
public:
    explicit QAUIOnBoardingPageViewController(QObject* parent = nullptr);

protected:
    QWidget* loadView() override;
};
