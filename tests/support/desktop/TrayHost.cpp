#include "support/desktop/TrayHost.h"

#include "support/FakeStatusNotifierWatcher.h"
#include "support/PrivateBus.h"
#include "support/desktop/BusCall.h"
#include "support/desktop/Wait.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

#include <algorithm>

namespace desktop {

namespace {

constexpr int callTimeoutMs = reactionBoundMs;
const QString itemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString menuInterface = QStringLiteral("com.canonical.dbusmenu");

TrayHost::MenuEntry readEntry(const QDBusArgument& argument) {
    TrayHost::MenuEntry entry;
    argument.beginStructure();
    argument >> entry.id >> entry.properties;
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        entry.children.push_back(readEntry(child.variant().value<QDBusArgument>()));
    }
    argument.endArray();
    argument.endStructure();
    const QVariantMap& p = entry.properties;
    entry.label = p.value(QStringLiteral("label")).toString();
    entry.enabled = p.value(QStringLiteral("enabled"), true).toBool();
    entry.visible = p.value(QStringLiteral("visible"), true).toBool();
    entry.type = p.value(QStringLiteral("type"), QStringLiteral("standard")).toString();
    entry.toggleType = p.value(QStringLiteral("toggle-type")).toString();
    entry.toggleState = p.value(QStringLiteral("toggle-state"), -1).toInt();
    return entry;
}

} // namespace

TrayHost::TrayHost(PrivateBus& bus, Host host)
    : m_watcher(std::make_unique<FakeStatusNotifierWatcher>(host == Host::present)),
      m_watcherBus(bus.connect()), m_hostBus(bus.connect()) {
    m_running = m_watcher->start(m_watcherBus);
    if (host == Host::present) {
        m_running =
            m_running &&
            m_hostBus.registerService(
                QStringLiteral("org.kde.StatusNotifierHost-%1").arg(QCoreApplication::applicationPid()));
    }
    for (const char* member : {"NewIcon", "NewToolTip", "NewTitle", "NewStatus", "NewAttentionIcon",
                               "NewOverlayIcon", "NewMenu"}) {
        m_hostBus.connect({}, {}, itemInterface, QString::fromLatin1(member), this,
                          SLOT(recordSignal(QDBusMessage)));
    }
    for (const char* member : {"LayoutUpdated", "ItemsPropertiesUpdated", "ItemActivationRequested"}) {
        m_hostBus.connect({}, {}, menuInterface, QString::fromLatin1(member), this,
                          SLOT(recordSignal(QDBusMessage)));
    }
    auto* gone = new QDBusServiceWatcher(this);
    gone->setConnection(m_hostBus);
    gone->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(m_watcher.get(), &FakeStatusNotifierWatcher::StatusNotifierItemRegistered, this, [this, gone] {
        m_itemGone = false;
        m_menuPath.clear();
        gone->setWatchedServices({m_watcher->item});
    });
    connect(gone, &QDBusServiceWatcher::serviceUnregistered, this, [this] { m_itemGone = true; });
}

TrayHost::~TrayHost() {
    m_watcher->stop();
}

bool TrayHost::hasItem() const {
    return !m_watcher->item.isEmpty();
}

std::optional<qint64> TrayHost::itemRegisteredNs() const {
    if (!m_watcher->registeredAt) {
        return std::nullopt;
    }
    return std::chrono::duration_cast<std::chrono::nanoseconds>(m_watcher->registeredAt->time_since_epoch())
        .count();
}

QDBusMessage TrayHost::callItem(const QString& interface, const QString& method,
                                const QVariantList& arguments) {
    const QString path = interface == menuInterface ? menuPath() : m_watcher->itemPath;
    if (!hasItem() || path.isEmpty()) {
        return QDBusMessage::createError(QDBusError::ServiceUnknown, QStringLiteral("no item registered"));
    }
    QDBusMessage call = QDBusMessage::createMethodCall(m_watcher->item, path, interface, method);
    call.setArguments(arguments);
    // Events go on while waiting: the item may call the desktop's services in this process meanwhile.
    return callWithin(m_hostBus, call, callTimeoutMs);
}

QVariant TrayHost::itemProperty(const QString& name) {
    if (!hasItem()) {
        return {};
    }
    QDBusMessage call = QDBusMessage::createMethodCall(m_watcher->item, m_watcher->itemPath,
                                                       QStringLiteral("org.freedesktop.DBus.Properties"),
                                                       QStringLiteral("Get"));
    call << itemInterface << name;
    const QDBusMessage reply = callWithin(m_hostBus, call, callTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return {};
    }
    return reply.arguments().constFirst().value<QDBusVariant>().variant();
}

QString TrayHost::menuPath() {
    if (m_menuPath.isEmpty()) {
        m_menuPath = itemProperty(QStringLiteral("Menu")).value<QDBusObjectPath>().path();
    }
    return m_menuPath;
}

qint64 TrayHost::activate(QPoint position) {
    return sendAt(QStringLiteral("Activate"), position);
}

void TrayHost::contextMenu(QPoint position) {
    sendAt(QStringLiteral("ContextMenu"), position);
}

qint64 TrayHost::sendAt(const QString& method, QPoint position) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(m_watcher->item, m_watcher->itemPath, itemInterface, method);
    call << position.x() << position.y();
    const qint64 sent = nowNs();
    m_hostBus.asyncCall(call, callTimeoutMs);
    return sent;
}

std::optional<TrayHost::MenuEntry> TrayHost::menu() {
    const QDBusMessage reply = callItem(menuInterface, QStringLiteral("GetLayout"), {0, -1, QStringList{}});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() < 2) {
        return std::nullopt;
    }
    return readEntry(reply.arguments().at(1).value<QDBusArgument>());
}

QVariantMap TrayHost::entryProperties(int id) {
    const QDBusMessage reply = callItem(menuInterface, QStringLiteral("GetGroupProperties"),
                                        {QVariant::fromValue(QList<int>{id}), QStringList{}});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return {};
    }
    const QDBusArgument items = reply.arguments().constFirst().value<QDBusArgument>();
    QVariantMap properties;
    items.beginArray();
    while (!items.atEnd()) {
        int itemId = 0;
        QVariantMap itemProperties;
        items.beginStructure();
        items >> itemId >> itemProperties;
        items.endStructure();
        if (itemId == id) {
            properties = itemProperties;
        }
    }
    items.endArray();
    return properties;
}

bool TrayHost::aboutToShow(int id) {
    return callItem(menuInterface, QStringLiteral("AboutToShow"), {id}).type() == QDBusMessage::ReplyMessage;
}

bool TrayHost::click(int id) {
    const QDBusMessage reply =
        callItem(menuInterface, QStringLiteral("Event"),
                 {id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
    return reply.type() == QDBusMessage::ReplyMessage;
}

bool TrayHost::clickEntry(const QString& text) {
    const std::optional<MenuEntry> root = menu();
    const MenuEntry* entry = root ? root->find(text) : nullptr;
    return entry && entry->visible && entry->enabled && click(entry->id);
}

int TrayHost::signalCount(const QString& member, qint64 sinceNs) const {
    return static_cast<int>(std::ranges::count_if(m_signals, [&](const BusSignal& recorded) {
        return recorded.member == member && recorded.atNs >= sinceNs;
    }));
}

void TrayHost::recordSignal(const QDBusMessage& message) {
    m_signals.push_back({message.member(), nowNs()});
}

QString TrayHost::MenuEntry::text() const {
    QString text;
    for (qsizetype i = 0; i < label.size(); ++i) {
        if (label.at(i) == QLatin1Char('_')) {
            if (i + 1 < label.size() && label.at(i + 1) == QLatin1Char('_')) {
                text += QLatin1Char('_'); // "__" is a literal underscore
                ++i;
            }
            continue;
        }
        text += label.at(i);
    }
    return text;
}

const TrayHost::MenuEntry* TrayHost::MenuEntry::find(const QString& wanted) const {
    if (text() == wanted) {
        return this;
    }
    for (const MenuEntry& child : children) {
        if (const MenuEntry* found = child.find(wanted)) {
            return found;
        }
    }
    return nullptr;
}

QStringList TrayHost::MenuEntry::visibleTexts() const {
    QStringList texts;
    for (const MenuEntry& child : children) {
        if (child.visible) {
            texts << (child.isSeparator() ? QStringLiteral("-") : child.text());
        }
    }
    return texts;
}

} // namespace desktop
