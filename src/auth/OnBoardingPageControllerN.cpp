#include "auth/OnBoardingPageControllerN.h"

#include "auth/AuthLook.h"
#include "core/AppRouterProtocol.h"
#include "platform/Storyboard.h"
#include "toolkit/BaseWindowViewController.h"
#include "toolkit/Colors.h"
#include "toolkit/NSPageControl.h"
#include "toolkit/PDLottieAnimationView.h"
#include "toolkit/TextAttributes.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

// OnBoardingItemControllerN ---------------------------------------------------------------------------------

OnBoardingItemControllerN::OnBoardingItemControllerN(QObject* parent) : OnBoardingItemBase(parent) {}

QWidget* OnBoardingItemControllerN::loadView() {
    auto* view = new QWidget;
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(56, 36, 56, 8);
    layout->setSpacing(0);
    m_animationView = new PDLottieAnimationView;
    m_animationView->setFixedSize(300, 190);
    m_animationView->setBackdrop(toolkit::windowBackground);
    m_titleTextField = authlook::makeLabel(toolkit::interFont(28, QFont::Medium), Qt::white);
    m_titleTextField->setAlignment(Qt::AlignCenter);
    m_descriptionTextField = authlook::makeLabel(toolkit::interFont(15), toolkit::secondaryText, true);
    m_descriptionTextField->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_descriptionTextField->setMinimumHeight(44);
    m_nextButton = authlook::makeCapsuleButton(tr("Next"));
    m_nextButton->setObjectName(QStringLiteral("nextButton"));
    m_nextButton->setFixedWidth(160);
    layout->addWidget(m_animationView, 0, Qt::AlignHCenter);
    layout->addSpacing(26);
    layout->addWidget(m_titleTextField);
    layout->addSpacing(12);
    layout->addWidget(m_descriptionTextField);
    layout->addStretch();
    layout->addWidget(m_nextButton, 0, Qt::AlignHCenter);
    connect(m_nextButton, &QPushButton::clicked, this, &OnBoardingItemControllerN::nextTap);
    return view;
}

void OnBoardingItemControllerN::viewDidLoad() {
    OnBoardingItemBase::viewDidLoad();
    if (dataObject()) {
        applyTitleAttributes(m_nextButton, Qt::white);
    }
}

void OnBoardingItemControllerN::nextTap() {
    if (OnBoardingItemControllerDelegate* delegate = m_delegate.get()) {
        delegate->nextButtonTapped();
    }
}

void OnBoardingItemControllerN::setLastPage(bool lastPage) {
    ::setTitle(m_nextButton, lastPage ? QStringLiteral("Finish") : QStringLiteral("Next"), Qt::white);
}

// OnBoardingPageControllerN ---------------------------------------------------------------------------------

OnBoardingPageControllerN::OnBoardingPageControllerN(QObject* parent)
    : OnBoardingPagesBase(parent), m_loginButtonColor(toolkit::secondaryText) {}

QWidget* OnBoardingPageControllerN::loadView() {
    auto* container = new QWidget;
    container->setObjectName(QStringLiteral("welcomePageContainerView"));
    authlook::fillBackground(container, toolkit::windowBackground);
    container->resize(640, 520);
    auto* layout = new QVBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 22);
    layout->setSpacing(0);
    m_pageControl = new NSPageControl;
    m_pageControl->setFixedHeight(36);
    m_loginButton = new LinkButton(tr("Sign In"));
    m_loginButton->setObjectName(QStringLiteral("loginButton"));
    auto* loginStack = new QWidget;
    auto* loginLayout = new QHBoxLayout(loginStack);
    loginLayout->setContentsMargins(0, 0, 0, 0);
    loginLayout->addStretch();
    loginLayout->addWidget(m_loginButton);
    loginLayout->addStretch();
    loginStack->setFixedHeight(28);
    // The area keeps its place when hidden, so the dots do not jump on the last page.
    QSizePolicy keep = loginStack->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    loginStack->setSizePolicy(keep);
    m_loginStackView = loginStack;
    layout->addWidget(pagesView(), 1);
    layout->addWidget(m_pageControl);
    layout->addWidget(loginStack);
    m_welcomePageContainerView = container;
    connect(m_loginButton, &QPushButton::clicked, this, &OnBoardingPageControllerN::loginTap);
    return container;
}

void OnBoardingPageControllerN::viewDidLoad() {
    applyTitleAttributes(m_loginButton, m_loginButtonColor);
    OnBoardingPagesBase::viewDidLoad();
}

void OnBoardingPageControllerN::viewDidDisappear() {
    OnBoardingPagesBase::viewDidDisappear();
    if (OnBoardingItemBase* page = selectedPage()) {
        page->stopAnimation();
    }
}

OnBoardingItemControllerN* OnBoardingPageControllerN::selectedItem() {
    return qobject_cast<OnBoardingItemControllerN*>(selectedPage());
}

std::unique_ptr<OnBoardingItemBase> OnBoardingPageControllerN::makePage(const OnBoardingItemModelPtr& model) {
    auto page = platform::Storyboard::named(QStringLiteral("OnBoardingN"))
                    .instantiate<OnBoardingItemControllerN>(QStringLiteral("OnBoardingItemControllerN"));
    if (page) {
        page->setDelegate(this);
        page->setDataObject(model);
    }
    return page;
}

void OnBoardingPageControllerN::selectedPageChanged() {
    const bool last = isLastPageSelected();
    if (OnBoardingItemControllerN* page = selectedItem()) {
        page->setLastPage(last);
    }
    m_loginStackView->setVisible(!last);
}

void OnBoardingPageControllerN::loginTap() {
    finishOnboarding();
}

void OnBoardingPageControllerN::nextButtonTapped() {
    if (canSelectNext()) {
        navigateForward();
    } else {
        finishOnboarding();
    }
}

void OnBoardingPageControllerN::finishOnboarding() {
    if (AppRouterProtocol* router = appRouter()) {
        router->leaveWelcomePage();
    }
}
