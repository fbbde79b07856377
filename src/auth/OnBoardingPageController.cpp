#include "auth/OnBoardingPageController.h"

#include "core/AppRouterProtocol.h"
#include "core/LocalizedStrings.h"
#include "platform/Storyboard.h"
#include "toolkit/BaseWindowViewController.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace {

const platform::StoryboardRegistrar
    onboardingWindow(QStringLiteral("OnBoardingN"), QStringLiteral("onBoardingWindowN"), [] {
        return std::unique_ptr<QObject>(BaseWindowViewController::withContent(new OnBoardingPageController));
    });

} // namespace

OnBoardingPageController::OnBoardingPageController(QObject* parent) : NSViewControllerBase(parent) {}

QWidget* OnBoardingPageController::loadView() {
    auto* view = new QWidget;
    view->resize(420, 320);
    auto* layout = new QVBoxLayout(view);
    m_title = new QLabel;
    m_title->setAlignment(Qt::AlignCenter);
    m_description = new QLabel;
    m_description->setWordWrap(true);
    m_description->setAlignment(Qt::AlignCenter);
    m_next = new QPushButton;
    layout->addStretch();
    layout->addWidget(m_title);
    layout->addWidget(m_description);
    layout->addWidget(m_next, 0, Qt::AlignCenter);
    layout->addStretch();
    connect(m_next, &QPushButton::clicked, this, &OnBoardingPageController::next);
    showPage(m_page);
    return view;
}

void OnBoardingPageController::showPage(int page) {
    m_page = std::clamp(page, 0, pageCount - 1);
    if (!m_title) {
        return;
    }
    static const std::array<const QString& (*)(), pageCount> titles{
        &L10n::onBoardingTitle_1, &L10n::onBoardingTitle_2, &L10n::onBoardingTitle_3,
        &L10n::onBoardingTitle_4};
    static const std::array<const QString& (*)(), pageCount> descriptions{
        &L10n::onBoardingDescription_1, &L10n::onBoardingDescription_2, &L10n::onBoardingDescription_3,
        &L10n::onBoardingDescription_4};
    m_title->setText(titles[m_page]());
    m_description->setText(descriptions[m_page]());
    m_next->setText(m_page == pageCount - 1 ? tr("Get Started") : tr("Next"));
}

void OnBoardingPageController::next() {
    if (m_page < pageCount - 1) {
        showPage(m_page + 1);
    } else if (AppRouterProtocol* router = appRouter()) {
        router->leaveWelcomePage();
    }
}
