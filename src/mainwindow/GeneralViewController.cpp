#include "mainwindow/GeneralViewController.h"

#include "core/AppRouterProtocol.h"
#include "core/ApplicationModel.h"
#include "core/ServiceLayer.h"
#include "platform/Scheduler.h"
#include "platform/Storyboard.h"
#include "sdk/VeltrixXPC.h"
#include "toolkit/Colors.h"
#include "toolkit/ElidedLabel.h"
#include "toolkit/PresentationAnimators.h"
#include "toolkit/TextAttributes.h"

#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace {
constexpr QSize windowSize(880, 600);

// The tabs in the order Ctrl+Tab goes through them.
const std::array<MainMenuBarTab, 4> tabCycle{
    MainMenuBarTab::topTab(MainTopTab::home), MainMenuBarTab::topTab(MainTopTab::networks),
    MainMenuBarTab::topTab(MainTopTab::support), MainMenuBarTab::bottomTab(MainBottomTab::settings)};

QString titleOf(MainMenuBarTab tab) {
    return tab.top() ? titleOf(*tab.top()) : QStringLiteral("Settings");
}
} // namespace

GeneralViewController::GeneralViewController(QObject* parent) : NSViewControllerBase(parent) {}

GeneralViewController::~GeneralViewController() = default;

QWidget* GeneralViewController::loadView() {
    auto* view = new QWidget;
    view->setFixedSize(windowSize);
    view->setAutoFillBackground(true);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Window, toolkit::windowBackground);
    palette.setColor(QPalette::WindowText, Qt::white);
    view->setPalette(palette);

    auto* bar = new QWidget(view);
    bar->setGeometry(0, 0, MainMenuBarView::barWidth, windowSize.height());
    auto* layout = new QVBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_menuBarView = new MainMenuBarView;
    layout->addWidget(m_menuBarView, 1);
    m_appVersionField = new ElidedLabel(toolkit::interFont(12), toolkit::secondaryText);
    m_appVersionField->setContentsMargins(16, 0, 16, 0);
    m_appVersionField->setFixedHeight(32);
    m_appVersionField->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(m_appVersionField);

    // The line between the bar and the tabs.
    auto* line = new QWidget(view);
    line->setGeometry(MainMenuBarView::barWidth - 1, 0, 1, windowSize.height());
    line->setAutoFillBackground(true);
    QPalette linePalette = line->palette();
    linePalette.setColor(QPalette::Window, toolkit::separator);
    line->setPalette(linePalette);

    // As in a tab widget: Ctrl+Tab and Ctrl+PgDn go to the next tab, with Shift or Ctrl+PgUp back.
    const auto cycle = [this, view](QKeySequence key, int step) {
        auto* shortcut = new QShortcut(key, view);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, step] { stepTab(step); });
    };
    cycle(QKeySequence(Qt::CTRL | Qt::Key_Tab), 1);
    cycle(QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1);
    cycle(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1);
    cycle(QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1);
    return view;
}

void GeneralViewController::stepTab(int step) {
    const auto current = std::find_if(tabCycle.begin(), tabCycle.end(), [this](MainMenuBarTab tab) {
        return tabController(tab) && tabController(tab) == m_embedViewController;
    });
    const int at = current == tabCycle.end() ? 0 : int(current - tabCycle.begin());
    const int count = int(tabCycle.size());
    selectTab(tabCycle[size_t(((at + step) % count + count) % count)]);
}

void GeneralViewController::viewDidLoad() {
    m_menuBarView->setDelegate(this);
    const auto popover = platform::Storyboard::named(QStringLiteral("Popover"));
    if (popover.contains(QStringLiteral("ModalViewController"))) {
        m_modal = popover.instantiate<platform::ViewController>(QStringLiteral("ModalViewController"));
    }
}

void GeneralViewController::viewWillAppear() {
    updateVersionLabel();
    nameWindow();
    const auto children = childViewControllers();
    const bool hasTab = std::any_of(children.begin(), children.end(), [](platform::ViewController* child) {
        return qobject_cast<GeneralSubController*>(child) != nullptr;
    });
    if (!hasTab) {
        selectTab(MainMenuBarTab::topTab(MainTopTab::home));
    }
}

void GeneralViewController::setTabController(MainMenuBarTab tab, GeneralSubController* controller) {
    QPointer<GeneralSubController>& held = m_tabs[tab];
    if (held && held != controller) {
        disconnect(held, &GeneralSubController::homeTabRequested, this,
                   &GeneralViewController::selectHomeTab);
    }
    held = controller;
    if (controller) {
        connect(controller, &GeneralSubController::homeTabRequested, this,
                &GeneralViewController::selectHomeTab, Qt::UniqueConnection);
    }
}

GeneralSubController* GeneralViewController::tabController(MainMenuBarTab tab) const {
    const auto it = m_tabs.find(tab);
    return it == m_tabs.end() ? nullptr : it->second.data();
}

void GeneralViewController::selectTab(MainMenuBarTab tab) {
    view();
    if (const auto bottom = tab.bottom()) {
        m_menuBarView->selectBottomTab(*bottom);
    } else if (const auto top = tab.top()) {
        m_menuBarView->selectTopTab(*top);
    }
    embedController(tab);
}

void GeneralViewController::embedController(MainMenuBarTab tab) {
    GeneralSubController* controller = tabController(tab);
    if (!controller || controller == m_embedViewController) {
        return;
    }
    removeCurrentChild();
    presentViewController(controller, std::make_shared<TransitionAnimator>(
                                          std::nullopt, std::nullopt, double(m_menuBarView->width()),
                                          std::nullopt, tabFadeDuration, std::nullopt));
    addChildViewController(controller);
    m_embedViewController = controller;
    m_embeddedTab = tab;
    nameWindow();
}

void GeneralViewController::nameWindow() {
    // Screen readers name the window by its tab, as a title bar would.
    if (QWidget* window = view()->window(); window != view()) {
        window->setAccessibleName(QStringLiteral("Veltrix - ") + titleOf(m_embeddedTab));
    }
}

void GeneralViewController::removeCurrentChild() {
    for (platform::ViewController* child : childViewControllers()) {
        if (qobject_cast<GeneralSubController*>(child) && child->presentingViewController() == this) {
            dismissViewController(child);
        }
    }
    for (platform::ViewController* child : childViewControllers()) {
        child->removeFromParentViewController();
    }
}

void GeneralViewController::dismissModal() {
    if (m_modal && m_modal->presentingViewController()) {
        m_modal->dismiss();
    }
}

void GeneralViewController::updateVersionLabel() {
    view();
    const ApplicationModel& model = ServiceLayer::appModel();
    const QString version = model.appVersion() + QLatin1Char('.') + model.appBuildNumber();
    const auto user = VeltrixXPC::recentUserName();
    m_appVersionField->setText(user ? *user + QStringLiteral(" - ") + version : version);
}

void GeneralViewController::selectHomeTab() {
    selectTab(MainMenuBarTab::topTab(MainTopTab::home));
}

void GeneralViewController::homeTapped() {
    embedController(MainMenuBarTab::topTab(MainTopTab::home));
}

void GeneralViewController::networksTapped() {
    embedController(MainMenuBarTab::topTab(MainTopTab::networks));
}

void GeneralViewController::supportTapped() {
    embedController(MainMenuBarTab::topTab(MainTopTab::support));
}

void GeneralViewController::settingsTapped() {
    embedController(MainMenuBarTab::bottomTab(MainBottomTab::settings));
}

void GeneralViewController::logoutTapped() {
    QPointer<GeneralViewController> self = this;
    platform::DispatchQueue::main().asyncAfter(signOutWindowDelay, [self] {
        if (self) {
            if (AppRouterProtocol* router = self->appRouter()) {
                router->showSignOutWindow();
            }
        }
    });
    if (isViewLoaded()) {
        view()->window()->close();
    }
}
