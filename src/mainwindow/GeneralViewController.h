#pragma once

#include "mainwindow/MainMenuBarTab.h"
#include "mainwindow/MainMenuBarView.h"
#include "toolkit/GeneralSubController.h"
#include "toolkit/NSViewControllerBase.h"

#include <QLabel>
#include <QPointer>

#include <map>
#include <memory>

// The main window's content: the menu bar on the left, the version label under it, and one tab
// controller at a time to its right. Tab controllers are made and kept by the application; switching
// shows the same instances again, so every tab keeps its state.
class GeneralViewController : public NSViewControllerBase, public MainMenuBarViewDelegate {
    Q_OBJECT
public:
    static constexpr double tabFadeDuration = 0.1;
    static constexpr double signOutWindowDelay = 0.5;

    explicit GeneralViewController(QObject* parent = nullptr);
    ~GeneralViewController() override;

    // The controller shown for `tab` (not owned). The logout tab never has one.
    void setTabController(MainMenuBarTab tab, GeneralSubController* controller);
    GeneralSubController* tabController(MainMenuBarTab tab) const;

    MainMenuBarView* menuBarView() const { return m_menuBarView; }
    QLabel* appVersionField() const { return m_appVersionField; }
    platform::ViewController* modalViewController() const { return m_modal.get(); }
    // The tab controller shown now; null before the first switch.
    platform::ViewController* embeddedController() const { return m_embedViewController; }

    // Marks the tab in the menu bar, then shows its controller.
    virtual void selectTab(MainMenuBarTab tab);
    virtual void dismissModal();
    // Shows the tab's controller, fading it in; nothing when it is shown already.
    virtual void embedController(MainMenuBarTab tab);
    virtual void removeCurrentChild();
    // "<user> - <version>.<build>", or the version alone without a recent user.
    virtual void updateVersionLabel();

    // MainMenuBarViewDelegate: the bar has marked the click itself.
    void homeTapped() override;
    void networksTapped() override;
    void supportTapped() override;
    void settingsTapped() override;
    // Closes the window now and shows the sign-out window half a second later.
    void logoutTapped() override;

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;

private:
    void selectHomeTab();
    void stepTab(int step);
    void nameWindow();

    std::map<MainMenuBarTab, QPointer<GeneralSubController>> m_tabs;
    QPointer<MainMenuBarView> m_menuBarView;
    QPointer<QLabel> m_appVersionField;
    std::unique_ptr<platform::ViewController> m_modal;
    QPointer<platform::ViewController> m_embedViewController;
    MainMenuBarTab m_embeddedTab = MainMenuBarTab::topTab(MainTopTab::home);
};
