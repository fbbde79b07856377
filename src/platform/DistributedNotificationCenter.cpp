#include "platform/DistributedNotificationCenter.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QLoggingCategory>
#include <QThread>

namespace platform {

namespace {

Q_LOGGING_CATEGORY(lcDistributed, "veltrix.platform.distributed")

using Center = DistributedNotificationCenter;

// What is left of the size limits while one user info is checked.
struct Budget {
    qsizetype bytes = Center::largestPayload;
    int values = Center::mostValues;

    bool charge(qsizetype size) {
        bytes -= size;
        return bytes >= 0;
    }
};

std::optional<QVariant> plainValue(const QVariant& value, Budget& budget, int depth);

std::optional<QVariant> plainFromArgument(const QDBusArgument& argument, Budget& budget, int depth) {
    const bool container = argument.currentType() == QDBusArgument::MapType ||
                           argument.currentType() == QDBusArgument::ArrayType;
    if (container && (depth > Center::deepestNesting || --budget.values < 0)) {
        return std::nullopt;
    }
    // Every begin needs its end, also when a value is refused: the argument frees its readers only then.
    switch (argument.currentType()) {
    case QDBusArgument::MapType: {
        QVariantMap map;
        bool ok = true;
        argument.beginMap();
        while (ok && !argument.atEnd()) {
            argument.beginMapEntry();
            const QVariant key = argument.asVariant();
            const QVariant item = argument.asVariant();
            argument.endMapEntry();
            auto plain = key.typeId() == QMetaType::QString && budget.charge(key.toString().size())
                             ? plainValue(item, budget, depth + 1)
                             : std::nullopt;
            ok = plain.has_value();
            if (ok) {
                map.insert(key.toString(), *plain);
            }
        }
        argument.endMap();
        return ok ? std::optional<QVariant>(map) : std::nullopt;
    }
    case QDBusArgument::ArrayType: {
        QVariantList list;
        bool ok = true;
        argument.beginArray();
        while (ok && !argument.atEnd()) {
            auto plain = plainValue(argument.asVariant(), budget, depth + 1);
            ok = plain.has_value();
            if (ok) {
                list.append(*plain);
            }
        }
        argument.endArray();
        return ok ? std::optional<QVariant>(list) : std::nullopt;
    }
    case QDBusArgument::BasicType:
    case QDBusArgument::VariantType:
        return plainValue(argument.asVariant(), budget, depth);
    default: // structures and anything unknown
        return std::nullopt;
    }
}

// A value as observers may see it, or nothing when it is too big, too deep or of a type that is not plain.
// Used both for what is posted and for what arrives from the bus.
std::optional<QVariant> plainValue(const QVariant& value, Budget& budget, int depth) {
    // The bus's wrappers are unwrapped first, so they count neither as values nor as nesting.
    if (value.metaType() == QMetaType::fromType<QDBusVariant>()) {
        return plainValue(qvariant_cast<QDBusVariant>(value).variant(), budget, depth);
    }
    if (value.metaType() == QMetaType::fromType<QDBusArgument>()) {
        return plainFromArgument(qvariant_cast<QDBusArgument>(value), budget, depth);
    }
    if (depth > Center::deepestNesting || --budget.values < 0) {
        return std::nullopt;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return value;
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return QVariant(value.toInt()); // D-Bus n, q and y: plain ints for observers
    case QMetaType::QString:
        return budget.charge(value.toString().size()) ? std::optional(value) : std::nullopt;
    case QMetaType::QByteArray:
        return budget.charge(value.toByteArray().size()) ? std::optional(value) : std::nullopt;
    case QMetaType::QStringList: {
        const QStringList texts = value.toStringList();
        for (const QString& text : texts) {
            if (--budget.values < 0 || !budget.charge(text.size())) {
                return std::nullopt;
            }
        }
        return value;
    }
    case QMetaType::QVariantList: {
        QVariantList list;
        for (const QVariant& item : value.toList()) {
            auto plain = plainValue(item, budget, depth + 1);
            if (!plain) {
                return std::nullopt;
            }
            list.append(*plain);
        }
        return list;
    }
    case QMetaType::QVariantMap: {
        QVariantMap map;
        const QVariantMap source = value.toMap();
        for (auto it = source.cbegin(); it != source.cend(); ++it) {
            auto plain =
                budget.charge(it.key().size()) ? plainValue(it.value(), budget, depth + 1) : std::nullopt;
            if (!plain) {
                return std::nullopt;
            }
            map.insert(it.key(), *plain);
        }
        return map;
    }
    default:
        return std::nullopt;
    }
}

bool isAcceptableName(const QString& name) {
    return !name.isEmpty() && name.size() <= Center::longestName;
}

} // namespace

namespace detail {

class DistributedReceiver : public QObject {
    Q_OBJECT
public:
    ObserverList observers;

public Q_SLOTS:
    void onSignal(const QDBusMessage& message) {
        if (auto notification = DistributedNotificationCenter::notificationFromMessage(message)) {
            observers.post(*notification);
        } else {
            qCDebug(lcDistributed) << "Dropped a malformed or oversized distributed notification";
        }
    }
};

} // namespace detail

DistributedNotificationCenter& DistributedNotificationCenter::defaultCenter() {
    // Never destroyed: the bus connection must not be torn down after the application is gone.
    static auto* center = new DistributedNotificationCenter(QDBusConnection::sessionBus());
    return *center;
}

DistributedNotificationCenter::DistributedNotificationCenter(const QDBusConnection& bus)
    : m_bus(bus), m_receiver(new detail::DistributedReceiver) {
    if (auto* app = QCoreApplication::instance()) {
        m_receiver->moveToThread(app->thread());
    }
    if (!m_bus.isConnected()) {
        qCWarning(lcDistributed) << "No session bus: distributed notifications are off";
        return;
    }
    m_connected = m_bus.connect(QString(), objectPath, interfaceName, signalName, m_receiver,
                                SLOT(onSignal(QDBusMessage)));
    if (!m_connected) {
        qCWarning(lcDistributed) << "Could not listen for distributed notifications:"
                                 << m_bus.lastError().message();
    }
}

DistributedNotificationCenter::~DistributedNotificationCenter() {
    if (m_connected) {
        m_bus.disconnect(QString(), objectPath, interfaceName, signalName, m_receiver,
                         SLOT(onSignal(QDBusMessage)));
    }
    if (QThread::currentThread() == m_receiver->thread()) {
        delete m_receiver;
    } else {
        m_receiver->deleteLater();
    }
}

ObserverToken DistributedNotificationCenter::addObserver(const QString& name, NotificationBlock block) {
    return m_receiver->observers.add(name, nullptr, std::move(block), nullptr);
}

void DistributedNotificationCenter::post(const QString& name, const QVariantMap& userInfo) {
    if (!m_connected) {
        return;
    }
    Budget budget;
    const auto plain = plainValue(userInfo, budget, 0);
    if (!isAcceptableName(name) || !plain) {
        qCWarning(lcDistributed)
            << "Refused to post a distributed notification that is oversized or not plain:"
            << name.left(longestName);
        return;
    }
    QDBusMessage message = QDBusMessage::createSignal(objectPath, interfaceName, signalName);
    message << name << *plain;
    if (!m_bus.send(message)) {
        qCWarning(lcDistributed) << "Could not post the distributed notification" << name;
    }
}

std::optional<Notification>
DistributedNotificationCenter::notificationFromMessage(const QDBusMessage& message) {
    if (message.type() != QDBusMessage::SignalMessage || message.signature() != QLatin1String("sa{sv}")) {
        return std::nullopt;
    }
    const QVariantList arguments = message.arguments();
    if (arguments.size() != 2 || arguments[0].typeId() != QMetaType::QString) {
        return std::nullopt;
    }
    const QString name = arguments[0].toString();
    if (!isAcceptableName(name)) {
        return std::nullopt;
    }
    Budget budget;
    const auto userInfo = plainValue(arguments[1], budget, 0);
    if (!userInfo || userInfo->typeId() != QMetaType::QVariantMap) {
        return std::nullopt;
    }
    return Notification{name, nullptr, userInfo->toMap()};
}

} // namespace platform

#include "DistributedNotificationCenter.moc"
