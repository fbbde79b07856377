#include "mainwindow/GeneralViewController.h"

#include "platform/Storyboard.h"
#include "toolkit/BaseWindowViewController.h"

#include <QHBoxLayout>
#include <QStackedLayout>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr MainMenuBarTab kTabs[] = {MainMenuBarTab::home, MainMenuBarTab::networks, MainMenuBarTab::support,
                                    MainMenuBarTab::settings, MainMenuBarTab::logout};

} // namespace

GeneralViewController::GeneralViewController(QObject* parent) : NSViewControllerBase(parent) {}

QWidget* GeneralViewController::loadView() {
    auto* view = new QWidget;
    view->resize(420, 640);
    auto* layout = new QHBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QVBoxLayout;
    for (MainMenuBarTab tab : kTabs) {
        if (tab == MainMenuBarTab::settings) {
            bar->addStretch(); // the bottom tabs
        }
        auto* button = new QToolButton;
        button->setText(titleOf(tab));
        button->setCheckable(true);
        button->setAutoExclusive(false);
        connect(button, &QToolButton::clicked, this, [this, tab] { selectTab(tab); });
        bar->addWidget(button);
        m_buttons[tab] = button;
    }
    layout->addLayout(bar);
    auto* host = new QWidget;
    m_stack = new QStackedLayout(host);
    layout->addWidget(host, 1);
    return view;
}

void GeneralViewController::viewDidLoad() {
    const auto popover = platform::Storyboard::named(QStringLiteral("Popover"));
    if (popover.contains(QStringLiteral("ModalViewController"))) {
        m_modal = popover.instantiate<platform::ViewController>(QStringLiteral("ModalViewController"));
    }
}

void GeneralViewController::setTabController(MainMenuBarTab tab, platform::ViewController* controller) {
    m_tabs[tab] = controller;
}

platform::ViewController* GeneralViewController::tabController(MainMenuBarTab tab) const {
    const auto it = m_tabs.find(tab);
    return it == m_tabs.end() ? nullptr : it->second.data();
}

void GeneralViewController::selectTab(MainMenuBarTab tab) {
    view();
    m_selected = tab;
    for (auto& [each, button] : m_buttons) {
        if (button) {
            button->setChecked(each == tab);
        }
    }
    platform::ViewController* controller = tabController(tab);
    if (!controller || controller == m_embedded) {
        return;
    }
    if (m_embedded) {
        m_stack->removeWidget(m_embedded->view());
        m_embedded->view()->hide();
        m_embedded->removeFromParentViewController();
    }
    addChildViewController(controller);
    m_stack->addWidget(controller->view());
    m_stack->setCurrentWidget(controller->view());
    m_embedded = controller;
}

bool GeneralViewController::isTabMarked(MainMenuBarTab tab) const {
    const auto it = m_buttons.find(tab);
    return it != m_buttons.end() && it->second && it->second->isChecked();
}

void GeneralViewController::dismissModal() {
    if (m_modal && m_modal->presentingViewController() == this) {
        dismissViewController(m_modal.get());
    }
}
