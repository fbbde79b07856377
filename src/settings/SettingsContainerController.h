#pragma once

#include "platform/NotificationObservers.h"
#include "sdk/PDTypes.h"
#include "toolkit/GeneralSubController.h"
#include "toolkit/NSViewControllerBase.h"
#include "toolkit/NSViewLayerBacked.h"
#include "toolkit/TableView.h"
#include "toolkit/WeakDelegate.h"
#include "toolkit/XibView.h"

#include <QList>
#include <QPointer>
#include <QPushButton>

#include <functional>

#include <map>
#include <optional>

// The settings page's tabs, in their order.
enum class SettingsMenuTab { general, network, protocols };

namespace settingsMenu {
QString title(SettingsMenuTab tab);
const QList<SettingsMenuTab>& allTabs();
} // namespace settingsMenu

class SettingsTabViewDelegate {
public:
    virtual ~SettingsTabViewDelegate() = default;
    virtual void tabTapped(SettingsMenuTab tab) = 0;
};

// One tab of the bar: its title, white and underlined while selected, secondary blue otherwise.
class SettingsTabView : public XibView {
    Q_OBJECT
public:
    explicit SettingsTabView(QWidget* parent = nullptr);

    QColor underlineViewColor;
    QColor unselectedColor;
    QColor selectedColor = Qt::white;

    QPushButton* titleButton() const { return m_titleButton; }
    NSViewLayerBacked* underlineView() const { return m_underlineView; }
    std::optional<SettingsMenuTab> tabType() const { return m_tabType; }
    SettingsTabViewDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(SettingsTabViewDelegate* delegate) { m_delegate = delegate; }

    void setup(SettingsMenuTab tab, bool isSelected);
    // Tells the delegate which tab this is; nothing before setup.
    void notifyTabTapped();

protected:
    QWidget* loadViewFromNib() override;

private:
    QPointer<QPushButton> m_titleButton;
    QPointer<NSViewLayerBacked> m_underlineView;
    std::optional<SettingsMenuTab> m_tabType;
    WeakDelegate<SettingsTabViewDelegate> m_delegate;
};

// The bar of three tabs at the top of the settings page; it marks the tapped tab and passes it on.
class SettingsMenuView : public XibView, public SettingsTabViewDelegate {
    Q_OBJECT
public:
    explicit SettingsMenuView(QWidget* parent = nullptr);

    SettingsTabView* generalTabView() const { return m_general; }
    SettingsTabView* networkTabView() const { return m_network; }
    SettingsTabView* protocolTabView() const { return m_protocols; }
    SettingsTabViewDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(SettingsTabViewDelegate* delegate) { m_delegate = delegate; }

    void selectInitialTab();
    void tabTapped(SettingsMenuTab tab) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    QWidget* loadViewFromNib() override;

private:
    QPointer<SettingsTabView> m_general;
    QPointer<SettingsTabView> m_network;
    QPointer<SettingsTabView> m_protocols;
    WeakDelegate<SettingsTabViewDelegate> m_delegate;
};

// The base of the three pages. A page reloads its list when it appears, on "settingsUpdated" while it is on
// screen, and when the container asks; it keeps no copy of the settings.
class SettingsContainerSubController : public NSViewControllerBase {
    Q_OBJECT
public:
    using NSViewControllerBase::NSViewControllerBase;

    // The SDK's pending settings (changes not yet applied).
    PDSettings unappliedSettings() const;
    // The client's run-time "start minimised" flag goes off: the person is using the window.
    virtual void refreshServiceState();
    // Reloads the list on the main queue.
    virtual void reloadSettingsPage();
    // "settingsUpdated": logged, then reloadSettingsPage().
    virtual void updateSettings();

protected:
    // The page's view: `table` filling it, in the settings look, with this page as its data source.
    QWidget* makeTableView(TableView* table, int rowSpacing);
    // Reloads the page's list now.
    virtual void reloadTable() = 0;
    // A reload that keeps the rows' widgets where they stand: while the table shows the same rows as
    // before (`sameRows`), each row in view is filled again by `fill`; otherwise the table reloads. Moving
    // every cell out and back in would lay out and paint each text again.
    static void refreshRows(TableView& table, bool sameRows,
                            const std::function<void(int row, QWidget* cell)>& fill);
    void viewWillAppear() override;
    void viewWillDisappear() override;

private:
    platform::ObserverToken m_settingsObserver;
};

// The settings page of the main window: the tab bar and, below it, the page of the chosen tab. The pages are
// made and kept by the application and handed over with setPages(); each keeps its state between visits.
class SettingsContainerController : public GeneralSubController, public SettingsTabViewDelegate {
    Q_OBJECT
public:
    explicit SettingsContainerController(QObject* parent = nullptr);

    void setPages(SettingsContainerSubController* general, SettingsContainerSubController* network,
                  SettingsContainerSubController* protocols);
    SettingsContainerSubController* page(SettingsMenuTab tab) const;

    SettingsMenuView* settingsTopMenuView() const { return m_menuView; }
    SettingsContainerSubController* embedViewController() const { return m_embedded; }
    std::optional<SettingsMenuTab> tabType() const { return m_tabType; }

    // Asks the page on screen to reload.
    void refreshEmbeddedPage();
    // Shows the tab's page; nothing more when it is shown already.
    void embedSettingsSubSubController(SettingsMenuTab tab);
    void removeEmbeddedControllers();

    void tabTapped(SettingsMenuTab tab) override;

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    // The first appearance shows General; later ones keep the page last chosen.
    void viewDidAppear() override;

private:
    std::map<SettingsMenuTab, QPointer<SettingsContainerSubController>> m_pages;
    QPointer<SettingsMenuView> m_menuView;
    QPointer<SettingsContainerSubController> m_embedded;
    std::optional<SettingsMenuTab> m_tabType;
};
