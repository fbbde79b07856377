#pragma once

#include <QDBusConnection>
#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QDBusServiceWatcher;
class QSystemTrayIcon;

namespace platform {

class StatusItem;

// The system status bar: the desktop's tray. Qt decides once per process whether a tray host exists, so no
// tray icon is made until the desktop's StatusNotifierWatcher is on the session bus; until then the client
// learns from isTrayAvailable() that it must keep its windows reachable some other way.
class StatusBar : public QObject {
    Q_OBJECT

public:
    static constexpr const char* watcherService = "org.kde.StatusNotifierWatcher";

    // The bar on the session bus, made on first use on the GUI thread and destroyed with the application.
    static StatusBar& system();

    // A bar that watches `bus` for the tray host (tests pass a private bus).
    explicit StatusBar(const QDBusConnection& bus, QObject* parent = nullptr);
    ~StatusBar() override;

    // A new item in the bar, owned by the bar until removeStatusItem().
    StatusItem* statusItem();
    void removeStatusItem(StatusItem* item);

    bool isTrayAvailable() const { return m_trayAvailable; }

signals:
    void trayAvailabilityChanged(bool available);

private:
    void setTrayAvailable(bool available);

    QDBusConnection m_bus;
    bool m_ownerChangeSeen = false; // set by the watcher; makes the first question's answer stale
    QDBusServiceWatcher* m_watcher = nullptr;
    bool m_trayAvailable = false;
    std::vector<StatusItem*> m_items;
};

// One icon in the status bar. All of its state is kept here, so it can be read back whether or not a real
// tray icon exists; the QSystemTrayIcon is made and kept in step once the bar has a tray.
class StatusItem : public QObject {
    Q_OBJECT

public:
    ~StatusItem() override;

    // Loads the bundle image `name`. A template image is a monochrome shape tinted to the panel's text
    // colour. A missing image leaves the item as it was and gives false.
    bool setImage(const QString& name, bool isTemplate = true);
    QString imageName() const { return m_imageName; }
    bool isTemplateImage() const { return m_isTemplate; }
    // The icon as the tray shows it (tinted when the image is a template).
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

    void setVisible(bool visible);
    bool isVisible() const { return m_visible; }

    // Whether a real tray icon is on screen now.
    bool isTrayIconShown() const;

    // Where the icon is on screen, in global coordinates, for placing windows under it: the tray's word
    // when it gives one, else a square at the top right of the primary screen's available area.
    QRect buttonGeometry() const;
    // The tray's own word on where the icon is; StatusNotifier trays give none.
    std::optional<QRect> trayGeometry() const;
    // Where the pointer was when the last click on the icon arrived; none before the first click.
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
