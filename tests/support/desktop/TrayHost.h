#pragma once

// The tray side of a desktop on a test's own bus. A StatusNotifierWatcher that items register with, and a
// host that uses the registered item as a panel does: reads its properties, calls Activate(x, y), reads
// the exported menu (com.canonical.dbusmenu GetLayout, GetGroupProperties), sends AboutToShow and clicks
// entries with Event(id, "clicked"). Every signal the item and its menu send is recorded with its time.
// Host::absent plays a watcher with no tray host behind it (IsStatusNotifierHostRegistered is false);
// for no tray at all, make no TrayHost.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QPoint>
#include <QVariantMap>

#include <memory>
#include <optional>
#include <vector>

class FakeStatusNotifierWatcher;
class PrivateBus;

namespace desktop {

class TrayHost : public QObject {
    Q_OBJECT

public:
    enum class Host { present, absent };

    explicit TrayHost(PrivateBus& bus, Host host = Host::present);
    ~TrayHost() override;

    bool isRunning() const { return m_running; }

    // The item, once an item registered: its bus name, when it registered, and whether it left since.
    bool hasItem() const;
    std::optional<qint64> itemRegisteredNs() const;
    bool itemGone() const { return m_itemGone; }
    QVariant itemProperty(const QString& name);
    // Activate(x, y) as a panel sends it for a left click at `position`; returns when it was sent.
    qint64 activate(QPoint position);
    // ContextMenu(x, y), as a host that shows no exported menu sends it for a right click.
    void contextMenu(QPoint position);

    struct MenuEntry {
        int id = 0;
        QString label; // as exported: mnemonics marked with '_'
        bool enabled = true;
        bool visible = true;
        QString type;       // "standard" or "separator"
        QString toggleType; // "", "checkmark" or "radio"
        int toggleState = -1;
        QVariantMap properties; // everything exported, defaults left out as on the bus
        std::vector<MenuEntry> children;

        QString text() const; // the label without mnemonic marks
        bool isSeparator() const { return type == QLatin1String("separator"); }
        // The first entry, this one or below, whose text is `text`.
        const MenuEntry* find(const QString& text) const;
        // Visible entries' texts at this level, separators as "-".
        QStringList visibleTexts() const;
    };

    // The whole menu as GetLayout returns it (from the root, every level).
    std::optional<MenuEntry> menu();
    QVariantMap entryProperties(int id);
    bool aboutToShow(int id = 0);
    // Event(id, "clicked", 0, time), the way a host reports a click on an entry.
    bool click(int id);
    // Reads the menu and clicks the visible, enabled entry with that text; false when there is none.
    bool clickEntry(const QString& text);

    struct BusSignal {
        QString member; // "LayoutUpdated", "ItemsPropertiesUpdated", "NewIcon", "NewToolTip", ...
        qint64 atNs = 0;
    };
    const std::vector<BusSignal>& recordedSignals() const { return m_signals; }
    int signalCount(const QString& member, qint64 sinceNs = 0) const;

private slots:
    void recordSignal(const QDBusMessage& message);

private:
    QDBusMessage callItem(const QString& interface, const QString& method, const QVariantList& arguments);
    qint64 sendAt(const QString& method, QPoint position);
    QString menuPath();

    std::unique_ptr<FakeStatusNotifierWatcher> m_watcher;
    QDBusConnection m_watcherBus;
    QDBusConnection m_hostBus;
    bool m_running = false;
    bool m_itemGone = false;
    QString m_menuPath;
    std::vector<BusSignal> m_signals;
};

} // namespace desktop
