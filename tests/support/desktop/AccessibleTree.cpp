#include "support/desktop/AccessibleTree.h"

#include "support/PrivateBus.h"
#include "support/desktop/BusCall.h"

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace desktop {

namespace {

// A node that does not answer in this long is passed over: the scenarios read the tree again until what
// they wait for shows.
constexpr int callTimeoutMs = 3000;
constexpr int maxDepth = 40;
const QString rootPath = QStringLiteral("/org/a11y/atspi/accessible/root");
const QString accessibleInterface = QStringLiteral("org.a11y.atspi.Accessible");

// AT-SPI state bits (the first of the two words).
constexpr unsigned stateChecked = 4;
constexpr unsigned stateEnabled = 8;
constexpr unsigned stateFocusable = 11;
constexpr unsigned stateFocused = 12;
constexpr unsigned stateSelected = 23;
constexpr unsigned stateShowing = 25;

// Where applications find the accessibility bus, and that it is on: here it is the desktop's own bus.
class A11yBus : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.a11y.Bus")

public:
    A11yBus(QObject* parent, QString address) : QDBusAbstractAdaptor(parent), m_address(std::move(address)) {}

public slots:
    QString GetAddress() { return m_address; }

private:
    QString m_address;
};

class A11yStatus : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.a11y.Status")
    Q_PROPERTY(bool IsEnabled READ isEnabled)
    Q_PROPERTY(bool ScreenReaderEnabled READ isEnabled)

public:
    explicit A11yStatus(QObject* parent) : QDBusAbstractAdaptor(parent) {}
    bool isEnabled() const { return true; }
};

} // namespace

AccessibleTree::AccessibleTree(PrivateBus& bus, double clientScale)
    : m_serviceBus(bus.connect()), m_readerBus(bus.connect()), m_service(std::make_unique<QObject>()),
      m_clientScale(clientScale) {
    new A11yBus(m_service.get(), bus.address());
    new A11yStatus(m_service.get());
    m_running = m_serviceBus.registerObject(QStringLiteral("/org/a11y/bus"), m_service.get(),
                                            QDBusConnection::ExportAdaptors) &&
                m_serviceBus.registerService(QStringLiteral("org.a11y.Bus"));
}

AccessibleTree::~AccessibleTree() {
    m_serviceBus.unregisterService(QStringLiteral("org.a11y.Bus"));
    m_serviceBus.unregisterObject(QStringLiteral("/org/a11y/bus"));
}

namespace {

QDBusMessage call(QDBusConnection& bus, const QString& service, const QString& path, const QString& interface,
                  const QString& method, const QVariantList& arguments = {}) {
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    // Qt's bridge sends nothing for a node it no longer has.
    return callWithin(bus, message, callTimeoutMs);
}

QVariant property(QDBusConnection& bus, const QString& service, const QString& path, const QString& name) {
    const QDBusMessage reply = call(bus, service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                    QStringLiteral("Get"), {accessibleInterface, name});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return {};
    }
    return reply.arguments().constFirst().value<QDBusVariant>().variant();
}

bool answered(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
}

} // namespace

QString AccessibleTree::applicationOf(qint64 pid) {
    if (pid == m_cachedPid && !m_cachedApplication.isEmpty()) {
        return m_cachedApplication;
    }
    QDBusConnectionInterface* daemon = m_readerBus.interface();
    const QStringList names = daemon->registeredServiceNames().value();
    for (const QString& name : names) {
        if (!name.startsWith(QLatin1Char(':')) ||
            daemon->servicePid(name).value() != static_cast<uint>(pid)) {
            continue;
        }
        // Of the process's connections, the one that serves the accessible root.
        if (property(m_readerBus, name, rootPath, QStringLiteral("ChildCount")).isValid()) {
            m_cachedPid = pid;
            m_cachedApplication = name;
            return name;
        }
    }
    return {};
}

void AccessibleTree::collect(const QString& service, const QString& path, int depth, const QRect& window,
                             std::vector<Node>& nodes) {
    const QDBusMessage children =
        call(m_readerBus, service, path, accessibleInterface, QStringLiteral("GetChildren"));
    if (!answered(children) || depth > maxDepth) {
        return;
    }
    const QDBusArgument list = children.arguments().constFirst().value<QDBusArgument>();
    QStringList paths;
    list.beginArray();
    while (!list.atEnd()) {
        QString childService;
        QDBusObjectPath childPath;
        list.beginStructure();
        list >> childService >> childPath;
        list.endStructure();
        paths << childPath.path();
    }
    list.endArray();

    for (const QString& child : paths) {
        const QDBusMessage state =
            call(m_readerBus, service, child, accessibleInterface, QStringLiteral("GetState"));
        if (!answered(state)) {
            continue;
        }
        const auto bits = qdbus_cast<QList<uint>>(state.arguments().constFirst());
        const uint word = bits.isEmpty() ? 0 : bits.constFirst();
        if (!(word & (1u << stateShowing))) {
            continue;
        }
        Node node;
        node.depth = depth;
        node.enabled = word & (1u << stateEnabled);
        node.focusable = word & (1u << stateFocusable);
        node.focused = word & (1u << stateFocused);
        node.checked = word & (1u << stateChecked);
        node.selected = word & (1u << stateSelected);
        node.name = property(m_readerBus, service, child, QStringLiteral("Name")).toString();
        const QDBusMessage role =
            call(m_readerBus, service, child, accessibleInterface, QStringLiteral("GetRoleName"));
        node.role = answered(role) ? role.arguments().constFirst().toString() : QString();
        const QDBusMessage extents =
            call(m_readerBus, service, child, QStringLiteral("org.a11y.atspi.Component"),
                 QStringLiteral("GetExtents"), {0u /* screen coordinates */});
        if (answered(extents)) {
            const QDBusArgument rect = extents.arguments().constFirst().value<QDBusArgument>();
            int x = 0, y = 0, width = 0, height = 0;
            rect.beginStructure();
            rect >> x >> y >> width >> height;
            rect.endStructure();
            node.extents =
                QRectF(x * m_clientScale, y * m_clientScale, width * m_clientScale, height * m_clientScale)
                    .toRect();
        }
        node.window = depth == 0 ? node.extents : window;
        nodes.push_back(node);
        collect(service, child, depth + 1, node.window, nodes);
    }
}

std::vector<AccessibleTree::Node> AccessibleTree::showing(qint64 pid) {
    std::vector<Node> nodes;
    const QString application = applicationOf(pid);
    if (!application.isEmpty()) {
        collect(application, rootPath, 0, {}, nodes);
    }
    return nodes;
}

std::optional<AccessibleTree::Node> AccessibleTree::find(qint64 pid, const QString& role, const QString& name,
                                                         const QRect& area) {
    for (Node& node : showing(pid)) {
        if ((role.isEmpty() || node.role == role) && node.name == name &&
            (area.isNull() || area.contains(node.extents.center()))) {
            return node;
        }
    }
    return std::nullopt;
}

QStringList AccessibleTree::textsWithin(qint64 pid, const QRect& area) {
    QStringList texts;
    const std::vector<Node> nodes = showing(pid);
    for (size_t i = 0; i < nodes.size(); ++i) {
        const Node& node = nodes[i];
        // Lists and their rows are named for screen readers (a row by what its cell shows): the texts
        // shown count once, where they stand.
        static const QStringList containers{QStringLiteral("list"), QStringLiteral("list item"),
                                            QStringLiteral("page tab list"), QStringLiteral("page tab")};
        const bool holdsItsTexts =
            i + 1 < nodes.size() && nodes[i + 1].depth > node.depth && containers.contains(node.role);
        if (!node.name.isEmpty() && node.depth > 0 && !holdsItsTexts &&
            area.contains(node.extents.center())) {
            texts << node.name;
        }
    }
    return texts;
}

} // namespace desktop

#include "AccessibleTree.moc"
