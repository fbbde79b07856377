#pragma once

#include "toolkit/NSViewControllerBase.h"

#include <QPointer>

class QLabel;
class QPushButton;

// The onboarding window's content: four pages of title and description; the last one leaves onboarding.
class OnBoardingPageController : public NSViewControllerBase {
    Q_OBJECT
public:
    static constexpr int pageCount = 4;

    explicit OnBoardingPageController(QObject* parent = nullptr);

    int currentPage() const { return m_page; }
    void showPage(int page);
    // The next page, or out of onboarding after the last.
    void next();

protected:
    QWidget* loadView() override;

private:
    int m_page = 0;
    QPointer<QLabel> m_title;
    QPointer<QLabel> m_description;
    QPointer<QPushButton> m_next;
};
