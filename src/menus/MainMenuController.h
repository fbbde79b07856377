#pragma once

#include <QAction>
#include <QMenu>
#include <QPointer>

#include <memory>

// The application menu's About, Hide, Quit and Help items, named after the product. No menu bar shows
// them; Hide, Quit and Help carry the desktop's usual keys and act as shortcuts in the client's windows.
class MainMenuController {
public:
    MainMenuController();

    // Puts the product's display name into the four titles.
    void updateMenuTitles();

    QMenu* applicationMenu() const { return m_menu.get(); }
    QAction* appAboutMenu() const { return m_about; }
    QAction* appHideMenu() const { return m_hide; }
    QAction* appQuitMenu() const { return m_quit; }
    QAction* appHelpMenu() const { return m_help; }

    // The items that answer a key.
    QList<QAction*> shortcutItems() const { return {m_hide, m_quit, m_help}; }

private:
    std::unique_ptr<QMenu> m_menu;
    QPointer<QAction> m_about;
    QPointer<QAction> m_hide;
    QPointer<QAction> m_quit;
    QPointer<QAction> m_help;
};
