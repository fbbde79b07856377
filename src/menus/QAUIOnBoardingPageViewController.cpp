#include "menus/QAUIOnBoardingPageViewController.h"

#include "core/AppRouterProtocol.h"
#include "core/LocalizedStrings.h"
#include "platform/Storyboard.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

VELTRIX_STORYBOARD_CONTROLLER("QAUIMenu", "QAUIOnBoardingPageViewController", QAUIOnBoardingPageViewController);

QAUIOnBoardingPageViewController::QAUIOnBoardingPageViewController(QObject* parent)
    : NSViewControllerBase(parent) {}

QWidget* QAUIOnBoardingPageViewController::loadView() {
    auto* view = new QWidget;
    auto* layout = new QVBoxLayout(view);
    auto* title = new QLabel(L10n::onBoardingTitle_1());
    title->setWordWrap(true);
    auto* start = new QPushButton(tr("Get Started"));
    layout->addWidget(title);
    layout->addStretch();
    layout->addWidget(start);
    connect(start, &QPushButton::clicked, this, [this] {
        if (AppRouterProtocol* router = appRouter()) {
            router->leaveWelcomePage();
        }
    });
    return view;
}
