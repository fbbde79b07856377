#include "menus/MainMenuController.h"

#include "core/ApplicationModel.h"
#include "core/ServiceLayer.h"

MainMenuController::MainMenuController() : m_menu(std::make_unique<QMenu>()) {
    m_about = m_menu->addAction(QStringLiteral("About"));
    m_hide = m_menu->addAction(QStringLiteral("Hide"));
    m_hide->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    m_menu->addSeparator();
    m_help = m_menu->addAction(QStringLiteral("Help"));
    m_help->setShortcut(QKeySequence(Qt::Key_F1));
    m_quit = m_menu->addAction(QStringLiteral("Quit"));
    m_quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_quit->setMenuRole(QAction::QuitRole);
}

void MainMenuController::updateMenuTitles() {
    const QString name = ServiceLayer::appModel().appProductName();
    m_about->setText(QStringLiteral("About ") + name);
    m_hide->setText(QStringLiteral("Hide ") + name);
    m_quit->setText(QStringLiteral("Quit ") + name);
    m_help->setText(name + QStringLiteral(" Help"));
}
