#include "auth/QAUIOnBoardingPageViewController.h"

#include "auth/AuthLook.h"
#include "core/AppRouterProtocol.h"
#include "platform/Storyboard.h"
#include "toolkit/Colors.h"
#include "toolkit/NSPageControl.h"
#include "toolkit/PDLottieAnimationView.h"
#include "toolkit/TextAttributes.h"

#include <QLabel>
#include <QVBoxLayout>

QAUIOnBoardingItemViewController::QAUIOnBoardingItemViewController(QObject* parent)
    : OnBoardingItemBase(parent) {}

QWidget* QAUIOnBoardingItemViewController::loadView() {
    auto* view = new QWidget;
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(24, 20, 24, 0);
    layout->setSpacing(0);
    m_animationView = new PDLottieAnimationView;
    m_animationView->setFixedSize(220, 140);
    m_titleTextField = authlook::makeLabel(toolkit::interFont(18, QFont::Medium), Qt::white, true);
    m_titleTextField->setAlignment(Qt::AlignCenter);
    m_descriptionTextField = authlook::makeLabel(toolkit::interFont(13), toolkit::secondaryText, true);
    m_descriptionTextField->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    layout->addWidget(m_animationView, 0, Qt::AlignHCenter);
    layout->addSpacing(18);
    layout->addWidget(m_titleTextField);
    layout->addSpacing(8);
    layout->addWidget(m_descriptionTextField);
    layout->addStretch();
    return view;
}

QAUIOnBoardingPageViewController::QAUIOnBoardingPageViewController(QObject* parent)
    : OnBoardingPagesBase(parent) {}

QWidget* QAUIOnBoardingPageViewController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("qauiOnBoarding"));
    authlook::fillBackground(view, toolkit::windowBackground);
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 20);
    layout->setSpacing(0);
    m_pageControl = new NSPageControl;
    m_pageControl->setFixedHeight(32);
    m_nextButton = authlook::makeCapsuleButton(tr("Next"));
    m_nextButton->setObjectName(QStringLiteral("nextButton"));
    m_nextButton->setFixedWidth(200);
    layout->addWidget(pagesView(), 1);
    layout->addWidget(m_pageControl);
    layout->addSpacing(6);
    layout->addWidget(m_nextButton, 0, Qt::AlignHCenter);
    connect(m_nextButton, &QPushButton::clicked, this, &QAUIOnBoardingPageViewController::nextTap);
    return view;
}

void QAUIOnBoardingPageViewController::viewDidLoad() {
    applyTitleAttributes(m_nextButton, Qt::white);
    OnBoardingPagesBase::viewDidLoad();
}

std::unique_ptr<OnBoardingItemBase>
QAUIOnBoardingPageViewController::makePage(const OnBoardingItemModelPtr& model) {
    auto page = platform::Storyboard::named(QStringLiteral("QAUIMenu"))
                    .instantiate<QAUIOnBoardingItemViewController>(
                        QStringLiteral("QAUIOnBoardingItemViewController"));
    if (page) {
        page->setDataObject(model);
    }
    return page;
}

void QAUIOnBoardingPageViewController::selectedPageChanged() {
    ::setTitle(m_nextButton, isLastPageSelected() ? QStringLiteral("Finish") : QStringLiteral("Next"),
               Qt::white);
}

void QAUIOnBoardingPageViewController::nextTap() {
    if (canSelectNext()) {
        navigateForward();
    } else if (AppRouterProtocol* router = appRouter()) {
        router->leaveWelcomePage();
    }
}
