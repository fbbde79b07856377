#pragma once

#include "mainwindow/MainMenuBarTab.h"
#include "toolkit/NSViewControllerBase.h"

#include <QButtonGroup>
#include <QPointer>
#include <QStackedLayout>
#include <QToolButton>

#include <map>
#include <memory>
#include <optional>

// The main window's content: the tab bar and the embedded tab.
class GeneralViewController : public NSViewControllerBase {
    Q_OBJECT
public:
    explicit GeneralViewController(QObject* parent = nullptr);

    // The controller shown for `tab` (not owned; the application delegate keeps the tab controllers).
    void setTabController(MainMenuBarTab tab, platform::ViewController* controller);
    platform::ViewController* tabController(MainMenuBarTab tab) const;

    // Marks the tab's button and embeds the tab's controller.
    void selectTab(MainMenuBarTab tab);
    std::optional<MainMenuBarTab> selectedTab() const { return m_selected; }
    bool isTabMarked(MainMenuBarTab tab) const;
    platform::ViewController* embeddedController() const { return m_embedded; }

    // Takes the modal overlay away when it is shown over the window.
    void dismissModal();
    platform::ViewController* modalViewController() const { return m_modal.get(); }

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;

private:
    std::map<MainMenuBarTab, QPointer<platform::ViewController>> m_tabs;
    std::map<MainMenuBarTab, QPointer<QToolButton>> m_buttons;
    QPointer<QStackedLayout> m_stack;
    QPointer<platform::ViewController> m_embedded;
    std::optional<MainMenuBarTab> m_selected;
    std::unique_ptr<platform::ViewController> m_modal;
};
