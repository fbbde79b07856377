// A distributed notification as another process on the session bus may send it: the input describes a
// signal (its arguments and a tree of values), which is marshalled and sent over a private peer-to-peer
// bus, received, and checked as the centre checks every signal. Values that are plain and within the
// limits must arrive whole; everything else must be dropped whole.

#include "FuzzSupport.h"

#include "platform/DistributedNotificationCenter.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusServer>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTemporaryDir>

#include <cmath>
#include <cstring>
#include <optional>

using Center = platform::DistributedNotificationCenter;

namespace {

// A pair of values D-Bus carries as a structure: never plain.
struct Pair {
    QString text;
    int number = 0;
};

QDBusArgument& operator<<(QDBusArgument& argument, const Pair& pair) {
    argument.beginStructure();
    argument << pair.text << pair.number;
    argument.endStructure();
    return argument;
}
const QDBusArgument& operator>>(const QDBusArgument& argument, Pair& pair) {
    argument.beginStructure();
    argument >> pair.text >> pair.number;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(Pair)
using IntKeyedMap = QMap<int, QString>;
Q_DECLARE_METATYPE(IntKeyedMap)

namespace {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool atEnd() const { return m_at >= m_size; }
    std::uint8_t byte() { return atEnd() ? 0 : m_data[m_at++]; }
    template <typename T>
    T number() {
        T value{};
        std::uint8_t raw[sizeof(T)] = {};
        for (std::uint8_t& b : raw) {
            b = byte();
        }
        std::memcpy(&value, raw, sizeof(T));
        return value;
    }
    // D-Bus texts cannot hold NUL.
    QString text() {
        const std::size_t length = std::min<std::size_t>(byte() % 32, m_size - std::min(m_at, m_size));
        QByteArray bytes(reinterpret_cast<const char*>(m_data + m_at), qsizetype(length));
        m_at += length;
        bytes.replace('\0', ' ');
        return QString::fromUtf8(bytes);
    }
    QByteArray data() {
        const std::size_t length = std::min<std::size_t>(byte() % 32, m_size - std::min(m_at, m_size));
        QByteArray bytes(reinterpret_cast<const char*>(m_data + m_at), qsizetype(length));
        m_at += length;
        return bytes;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

// What is sent, and what observers must see of it when it is plain.
struct Value {
    QVariant sent;
    QVariant expected;
    bool plain = true;
    int deepest = 0;     // depth of the deepest value, counted as the centre counts
    int values = 1;      // values in it, itself included
    qsizetype bytes = 0; // characters of text and bytes of data, keys included
};

// `wire` counts every container and variant on the way down: D-Bus refuses messages nested deeper than
// 64, and a peer that receives one drops the connection, so the generator stays well inside.
Value makeValue(Input& in, int depth, int wire);

Value leaf(QVariant sent, QVariant expected, int depth, qsizetype bytes = 0) {
    return {sent, expected, true, depth, 1, bytes};
}

Value makeMap(Input& in, int depth, int wire) {
    Value result{QVariant(), QVariant(), true, depth, 1, 0};
    QVariantMap sent;
    QVariantMap expected;
    for (int n = in.byte() % 6; n > 0 && !in.atEnd(); --n) {
        const QString key = in.text();
        const Value item = makeValue(in, depth + 1, wire + 2);
        if (sent.contains(key)) {
            continue; // a key sent twice: D-Bus keeps both entries, which a map cannot show
        }
        sent.insert(key, item.sent);
        expected.insert(key, item.expected);
        result.plain = result.plain && item.plain;
        result.deepest = std::max(result.deepest, item.deepest);
        result.values += item.values;
        result.bytes += key.size() + item.bytes;
    }
    result.sent = sent;
    result.expected = expected;
    return result;
}

Value makeValue(Input& in, int depth, int wire) {
    const int kind = wire > 40 ? in.byte() % 12 : in.byte() % 19;
    switch (kind) {
    case 0: {
        const bool v = in.byte() & 1;
        return leaf(v, v, depth);
    }
    case 1: {
        const auto v = in.number<uchar>();
        return leaf(QVariant::fromValue(v), int(v), depth);
    }
    case 2: {
        const auto v = in.number<short>();
        return leaf(QVariant::fromValue(v), int(v), depth);
    }
    case 3: {
        const auto v = in.number<ushort>();
        return leaf(QVariant::fromValue(v), int(v), depth);
    }
    case 4: {
        const auto v = in.number<int>();
        return leaf(v, v, depth);
    }
    case 5: {
        const auto v = in.number<uint>();
        return leaf(v, v, depth);
    }
    case 6: {
        const auto v = in.number<qlonglong>();
        return leaf(v, v, depth);
    }
    case 7: {
        const auto v = in.number<qulonglong>();
        return leaf(v, v, depth);
    }
    case 8: {
        const auto v = in.number<double>();
        return leaf(v, v, depth);
    }
    case 9: {
        const QString v = in.text();
        return leaf(v, v, depth, v.size());
    }
    case 10: {
        const QByteArray v = in.data();
        return leaf(v, v, depth, v.size());
    }
    case 11: {
        // A long text, to reach the size limit.
        const QString v(in.number<quint16>(), QLatin1Char('x'));
        return leaf(v, v, depth, v.size());
    }
    case 12: {
        QStringList v;
        for (int n = in.byte() % 5; n > 0; --n) {
            v << in.text();
        }
        Value result = leaf(v, v, depth);
        for (const QString& text : v) {
            result.values += 1;
            result.bytes += text.size();
        }
        return result;
    }
    case 13: {
        // A variant inside the variant: unwrapped, it counts neither as a value nor as a level.
        const Value inner = makeValue(in, depth, wire + 1);
        Value result = inner;
        result.sent = QVariant::fromValue(QDBusVariant(inner.sent));
        return result;
    }
    case 14: {
        Value result{QVariant(), QVariant(), true, depth, 1, 0};
        QVariantList sent;
        QVariantList expected;
        for (int n = in.byte() % 6; n > 0 && !in.atEnd(); --n) {
            const Value item = makeValue(in, depth + 1, wire + 2);
            sent << item.sent;
            expected << item.expected;
            result.plain = result.plain && item.plain;
            result.deepest = std::max(result.deepest, item.deepest);
            result.values += item.values;
            result.bytes += item.bytes;
        }
        result.sent = sent;
        result.expected = expected;
        return result;
    }
    case 15:
        return makeMap(in, depth, wire);
    case 16: {
        // An array of a basic type other than bytes and texts arrives as a list.
        QList<int> sent;
        QVariantList expected;
        for (int n = in.byte() % 5; n > 0; --n) {
            sent << in.number<int>();
            expected << sent.last();
        }
        Value result = leaf(QVariant::fromValue(sent), expected, depth);
        result.values += int(sent.size());
        result.deepest = sent.isEmpty() ? depth : depth + 1;
        return result;
    }
    case 17: {
        IntKeyedMap sent;
        sent.insert(in.number<int>(), in.text());
        Value result = leaf(QVariant::fromValue(sent), {}, depth);
        result.plain = false;
        return result;
    }
    default: {
        Value result = leaf(QVariant::fromValue(Pair{in.text(), in.number<int>()}), {}, depth);
        result.plain = false;
        return result;
    }
    }
}

// Values compare by type and content; NaN equals NaN, as the same bits were sent.
bool same(const QVariant& a, const QVariant& b) {
    if (a.typeId() != b.typeId()) {
        return false;
    }
    switch (a.typeId()) {
    case QMetaType::Double:
        return a.toDouble() == b.toDouble() || (std::isnan(a.toDouble()) && std::isnan(b.toDouble()));
    case QMetaType::QVariantList: {
        const QVariantList x = a.toList();
        const QVariantList y = b.toList();
        return x.size() == y.size() && std::equal(x.begin(), x.end(), y.begin(), same);
    }
    case QMetaType::QVariantMap: {
        const QVariantMap x = a.toMap();
        const QVariantMap y = b.toMap();
        return x.keys() == y.keys() && std::equal(x.begin(), x.end(), y.begin(), same);
    }
    default:
        return a == b;
    }
}

bool isPlainType(const QVariant& value, int depth) {
    if (depth > Center::deepestNesting) {
        return false;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::QString:
    case QMetaType::QByteArray:
    case QMetaType::QStringList:
        return true;
    case QMetaType::QVariantList: {
        const QVariantList list = value.toList();
        return std::all_of(list.begin(), list.end(),
                           [&](const QVariant& v) { return isPlainType(v, depth + 1); });
    }
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        return std::all_of(map.begin(), map.end(),
                           [&](const QVariant& v) { return isPlainType(v, depth + 1); });
    }
    default:
        return false;
    }
}

class Peers : public QObject {
    Q_OBJECT
public:
    Peers() {
        m_server = new QDBusServer(QStringLiteral("unix:dir=") + m_dir.path(), this);
        QObject::connect(m_server, &QDBusServer::newConnection, this,
                         [this](const QDBusConnection& connection) {
                             m_receiving = connection;
                             m_receiving->connect(QString(), QString::fromLatin1(Center::objectPath),
                                                  QString::fromLatin1(Center::interfaceName),
                                                  QString::fromLatin1(Center::signalName), this,
                                                  SLOT(onSignal(QDBusMessage)));
                         });
        m_sending = QDBusConnection::connectToPeer(m_server->address(), QStringLiteral("fuzz-sender"));
        waitFor([this] { return m_receiving.has_value(); });
        if (!m_sending.isConnected() || !m_receiving) {
            std::fprintf(stderr, "no peer-to-peer bus\n");
            std::abort();
        }
    }

    // The message as the centre's receiver gets it; nothing when libdbus would not send it.
    std::optional<QDBusMessage> roundTrip(const QDBusMessage& message) {
        m_received.reset();
        if (!m_sending.send(message)) {
            return std::nullopt;
        }
        waitFor([this] { return m_received.has_value(); });
        FUZZ_CHECK(m_received.has_value());
        return m_received;
    }

public Q_SLOTS:
    void onSignal(const QDBusMessage& message) { m_received = message; }

private:
    template <typename Done>
    void waitFor(Done done) {
        const QDeadlineTimer deadline(5000);
        while (!done() && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        }
    }

    QTemporaryDir m_dir;
    QDBusServer* m_server = nullptr;
    QDBusConnection m_sending{QString()};
    std::optional<QDBusConnection> m_receiving;
    std::optional<QDBusMessage> m_received;
};

Peers* peers = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::quietLogging();
    fuzz::application();
    qDBusRegisterMetaType<Pair>();
    qDBusRegisterMetaType<IntKeyedMap>();
    qDBusRegisterMetaType<QList<int>>();
    peers = new Peers;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const int shape = in.byte() % 8;
    const QString name =
        shape == 7 ? QString(Center::longestName + 1 + in.byte(), QLatin1Char('n')) : in.text();
    const Value userInfo = makeMap(in, 0, 1);

    QDBusMessage message = QDBusMessage::createSignal(QString::fromLatin1(Center::objectPath),
                                                      QString::fromLatin1(Center::interfaceName),
                                                      QString::fromLatin1(Center::signalName));
    switch (shape) {
    case 0: // no name
        message << userInfo.sent;
        break;
    case 1: // one argument too many
        message << name << userInfo.sent << 1;
        break;
    case 2: // a list, not a map
        message << name << QVariant(userInfo.sent.toMap().values());
        break;
    default:
        message << name << userInfo.sent;
        break;
    }
    const std::optional<QDBusMessage> received = peers->roundTrip(message);
    if (!received) {
        return 0;
    }
    const std::optional<platform::Notification> notification = Center::notificationFromMessage(*received);

    const bool wellFormed = shape >= 3 && !name.isEmpty() && name.size() <= Center::longestName;
    const bool withinLimits = userInfo.deepest <= Center::deepestNesting &&
                              userInfo.values <= Center::mostValues &&
                              userInfo.bytes <= Center::largestPayload;
    if (wellFormed && userInfo.plain && withinLimits) {
        FUZZ_CHECK(notification.has_value());
        FUZZ_CHECK(notification->name == name);
        FUZZ_CHECK(same(notification->userInfo, userInfo.expected));
    } else {
        FUZZ_CHECK(!notification.has_value());
    }
    if (notification) {
        FUZZ_CHECK(isPlainType(notification->userInfo, 0));
    }
    return 0;
}

#include "distributed_user_info_fuzz.moc"
