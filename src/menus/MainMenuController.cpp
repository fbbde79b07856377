#include "menus/MainMenuController.h"

#include "core/ApplicationModel.h"
#include "core/ServiceLayer.h"

MainMenuController::MainMenuController() : m_menu(std::make_unique<QMenu>()) {
    m_about = m_menu->addAction(QStringLiteral("About"));
    m_hide = m_menu->addAction(QStringLiteral("Hide"));
    m_menu->addSeparator();
    m_help = m_menu->addAction(QStringLiteral("Help"));
    m_quit = m_menu->addAction(QStringLiteral("Quit"));
    m_quit->setMenuRole(QAction::QuitRole);
}

void MainMenuController::setUpMenuTitles() {
    const QString name = ServiceLayer::appModel().appProductName();
    m_about->setText(QStringLiteral("About ") + name);
    m_hide->setText(QStringLiteral("Hide ") + name);
    m_quit->setText(QStringLiteral("Quit ") + name);
    m_help->setText(name + QStringLiteral(" Help"));
}
