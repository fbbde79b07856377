#pragma once

#include "platform/Scheduler.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QDBusVirtualObject;
class QSystemTrayIcon;

namespace platform {

class StatusItem;

// The system status bar: the desktop's tray. A tray is there when the desktop's StatusNotifierWatcher says
// that a host shows items (a watcher without a host is no tray). Qt decides once per process whether a
// tray exists, so no tray icon is made before then. The client counts as being in the tray only once the
// watcher also lists its item; until then it must keep its windows reachable some other way.
class StatusBar : public QObject {
    Q_OBJECT

public:
    static constexpr const char* watcherService = "org.kde.StatusNotifierWatcher";
    static constexpr const char* watcherPath = "/StatusNotifierWatcher";
    static constexpr const char* watcherInterface = "org.kde.StatusNotifierWatcher";

    // The bar on the session bus, made on first use on the GUI thread and destroyed with the application;
    // or the bar a test installed with setSystem().
    static StatusBar& system();
    // Tests that play the desktop on a bus of their own install their bar (not owned; null: the real one).
    static void setSystem(StatusBar* bar);

    // A bar that watches `bus` for the tray (tests pass a private bus).
    explicit StatusBar(const QDBusConnection& bus, QObject* parent = nullptr);
    ~StatusBar() override;

    // A new item in the bar, owned by the bar until removeStatusItem().
    StatusItem* statusItem();
    void removeStatusItem(StatusItem* item);

    // The watcher reports a host: items can be shown.
    bool isTrayAvailable() const { return m_hostRegistered; }
    // ... and it lists an item of this process: the client is in the tray.
    bool isTrayPresent() const { return m_hostRegistered && m_itemRegistered; }

    // Whether clicks on the icon and requests for its menu come with the position the host reports (see
    // listenForClicks()).
    bool hearsClickPositions() const;

signals:
    void trayAvailabilityChanged(bool available);
    void trayPresenceChanged(bool present);

private slots:
    void askWatcher();

private:
    friend class StatusItem;
    void setTrayState(bool hostRegistered, bool itemRegistered);
    void whenAnswered(const QDBusMessage& message, std::function<void(const QDBusMessage&)> answered);
    void listenForClicks();
    // A host's call to a tray icon, as the monitor copied it.
    void heard(const QString& member, const QVariantList& arguments);
    // Qt's icon says it was clicked (or asked for its menu); the host's copy gives the position.
    void activated(StatusItem* item, bool menu);
    void runActivation(StatusItem* item, bool menu, const QPoint& position);
    // A click whose copy did not come: the pointer stands in.
    void runUnpaired(quint64 number);

    // An Activate or ContextMenu copied, waiting for Qt's word that it was addressed to our icon.
    struct HeardCall {
        bool menu = false;
        QPoint position;
        Scheduler::Clock::time_point at;
    };
    // Qt's word of a click whose copy has not come yet.
    struct WaitingActivation {
        QPointer<StatusItem> item;
        bool menu = false;
        quint64 number = 0;
    };

    QDBusConnection m_bus;
    quint64 m_watcherQuestion = 0;
    bool m_hostRegistered = false;
    bool m_itemRegistered = false;
    std::vector<StatusItem*> m_items;
    std::unique_ptr<QDBusVirtualObject> m_clickListener;
    bool m_clicksRefused = false;
    std::deque<HeardCall> m_heardCalls;
    std::optional<std::pair<QString, Scheduler::Clock::time_point>> m_heardToken;
    std::deque<WaitingActivation> m_waiting;
    quint64 m_activations = 0;
};

// One icon in the status bar. All of its state is kept here, so it can be read back whether or not a real
// tray icon exists; the QSystemTrayIcon is made and kept in step once the bar has a tray.
class StatusItem : public QObject {
    Q_OBJECT

public:
    ~StatusItem() override;

    // Loads the bundle image `name`. A template image is a monochrome shape, drawn light inside a thin dark
    // outline so that it reads on dark and light panels alike. A missing image leaves the item as it was
    // and gives false.
    bool setImage(const QString& name, bool isTemplate = true);
    QString imageName() const { return m_imageName; }
    bool isTemplateImage() const { return m_isTemplate; }
    // The icon as the tray shows it.
    QIcon icon() const { return m_icon; }

    void setToolTip(const QString& toolTip);
    QString toolTip() const { return m_toolTip; }

    // Left click on the icon.
    void setAction(std::function<void()> action) { m_action = std::move(action); }
    // Runs the action as a left click would.
    void performClick();

    // The context menu (right click) shows `entries`' items, and follows the items added to it or taken
    // from it later; `entries` is not owned. The tray exports one menu for the item's whole life: Qt's
    // D-Bus export crashes when a tray icon is given back a menu it exported before. `entries` hears the
    // tray menu's aboutToShow and aboutToHide as its own.
    void setMenu(QMenu* entries);
    // The menu the tray shows, kept for the item's life.
    QMenu* menu() const { return m_trayMenu.get(); }
    // The menu whose items it shows; null when none was given or it is gone.
    QMenu* menuEntries() const { return m_entries; }
    // Shows the menu as a popup at `position` (global coordinates), for a host that asks the item to show
    // its menu (ContextMenu) instead of showing the exported one itself.
    void showMenu(const QPoint& position);

    void setVisible(bool visible);
    bool isVisible() const { return m_visible; }

    // Whether the icon is in the tray now: shown, and listed by the desktop's tray.
    bool isTrayIconShown() const;

    // Where the icon is on screen, in global coordinates, for placing windows under it: the tray's word
    // when it gives one, else where the last click on it was, else usualIconGeometry().
    QRect buttonGeometry() const;
    // Where a tray icon usually is: the middle of an icon at the right end of a panel along the top of the
    // primary screen (or along its bottom, when the screen has a panel there only).
    static QRect usualIconGeometry();
    static constexpr int usualPanelHeight = 28;
    // The tray's own word on where the icon is; StatusNotifier trays give none.
    std::optional<QRect> trayGeometry() const;
    // Where the last click on the icon was, as the host reported it (or the pointer, where it reports
    // nothing); none before the first click.
    std::optional<QPoint> lastClickPosition() const { return m_lastClickPosition; }
    // Runs the action as a click at `position` (global coordinates) would.
    void performClick(const QPoint& position);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class StatusBar;
    explicit StatusItem(StatusBar& bar);

    void renderIcon();
    void syncTrayIcon();
    void mirrorEntryChange(QEvent* event);

    StatusBar& m_bar;
    QString m_imageName;
    bool m_isTemplate = false;
    QIcon m_source;
    QIcon m_icon;
    QString m_toolTip;
    std::function<void()> m_action;
    std::unique_ptr<QMenu> m_trayMenu;
    QPointer<QMenu> m_entries;
    const QObject* m_entriesObject = nullptr; // m_entries as the event filter compares it
    bool m_visible = true;
    std::unique_ptr<QSystemTrayIcon> m_tray;
    std::optional<QPoint> m_lastClickPosition;
};

} // namespace platform
