#include "platform/StatusBar.h"

#include "platform/Application.h"
#include "platform/Bundle.h"
#include "platform/Compositing.h"
#include "platform/PaintedImage.h"

#include <QActionEvent>
#include <QApplication>
#include <QCursor>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVirtualObject>
#include <QHash>
#include <QLoggingCategory>
#include <QPainter>
#include <QPalette>
#include <QScreen>
#include <QSystemTrayIcon>

#include <algorithm>

namespace platform {

namespace {

Q_LOGGING_CATEGORY(lcTray, "veltrix.platform.tray")

constexpr int busCallTimeoutMs = 5000;
// Sizes panels ask for, at 1x and 2x.
constexpr int iconSizes[] = {16, 22, 24, 32, 44, 48, 64};

// Trays show the pixmaps as given, on panels dark or light: a template shape is drawn light inside a thin
// dark outline, which reads on both.
const QColor templateFill(0xFF, 0xFF, 0xFF);
const QColor templateOutline(0x10, 0x14, 0x2C, 0xD0);

// The shape's alpha painted in one colour.
QImage shapeIn(const QIcon& source, int size, const QColor& color) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    source.paint(&painter, image.rect());
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), color);
    return image;
}

// Template icons are kept per image, so an animation's frames neither re-read their SVG nor repaint it.
QIcon templateIcon(const QString& name, const QIcon& source) {
    static QHash<QString, QIcon> cache;
    if (const auto found = cache.constFind(name); found != cache.constEnd()) {
        return *found;
    }
    QIcon result;
    for (int size : iconSizes) {
        const QImage outline = shapeIn(source, size, templateOutline);
        const int width = std::max(1, qRound(size / 22.0)); // one pixel at the panels' usual 22
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        for (int dx = -width; dx <= width; ++dx) {
            for (int dy = -width; dy <= width; ++dy) {
                if ((dx != 0 || dy != 0) && dx * dx + dy * dy <= width * width + 1) {
                    painter.drawImage(dx, dy, outline);
                }
            }
        }
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.drawImage(0, 0, shapeIn(source, size, templateFill));
        painter.end();
        result.addPixmap(QPixmap::fromImage(withoutPaintEngine(image)));
    }
    cache.insert(name, result);
    return result;
}

// The bundle's images by name, each read once.
QIcon bundleImage(const QString& name) {
    static QHash<QString, QIcon> cache;
    if (const auto found = cache.constFind(name); found != cache.constEnd()) {
        return *found;
    }
    QIcon image = Bundle::main().image(name);
    if (!image.isNull()) {
        cache.insert(name, image);
    }
    return image;
}

// On X the host reports the screen's own pixels; under a scale factor Qt's coordinates are fewer. Qt keeps
// each screen's top left corner and scales from there. (X screens have no ratio of their own, so the
// screen's whole ratio is Qt's scale; a Wayland compositor's positions are not the client's to place by.)
QPoint fromScreenPixels(const QPoint& position) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return position;
    }
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect logical = screen->geometry();
        const qreal ratio = screen->devicePixelRatio();
        if (QRect(logical.topLeft(), logical.size() * ratio).contains(position)) {
            return logical.topLeft() + (position - logical.topLeft()) / ratio;
        }
    }
    return position;
}

// Qt's tray icon answers the host's Activate(x, y) and ContextMenu(x, y) but drops the position (and
// shows no menu for the latter), and it does not know ProvideXdgActivationToken(token), which a host sends
// before a click so that the window the click opens may take the focus. A second connection of the
// client's, made a monitor of the calls to tray icons, reads them: the bus copies each call to it, and it
// never answers (a monitor may not send).
class ClickListener : public QDBusVirtualObject {
public:
    using Heard = std::function<void(const QString& member, const QVariantList& arguments)>;
    explicit ClickListener(Heard heard) : m_heard(std::move(heard)) {}
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
        m_heard(message.member(), message.arguments());
        return true;
    }

private:
    Heard m_heard;
};

// How long a copied call and Qt's word of the same click wait for each other: they come on two
// connections, in either order, within milliseconds.
constexpr auto pairingBound = std::chrono::milliseconds(250);

constexpr const char* clickMonitorName = "veltrix-tray-clicks";

} // namespace

namespace {
QPointer<StatusBar> installedSystemBar;
}

StatusBar& StatusBar::system() {
    if (installedSystemBar) {
        return *installedSystemBar;
    }
    static QPointer<StatusBar> bar;
    if (!bar) {
        bar = new StatusBar(QDBusConnection::sessionBus(), QCoreApplication::instance());
    }
    return *bar;
}

void StatusBar::setSystem(StatusBar* bar) {
    installedSystemBar = bar;
}

StatusBar::StatusBar(const QDBusConnection& bus, QObject* parent) : QObject(parent), m_bus(bus) {
    if (!m_bus.isConnected()) {
        // Without a bus there is no StatusNotifier tray to wait for; what Qt finds (an XEmbed tray) is all.
        const bool available = QSystemTrayIcon::isSystemTrayAvailable();
        qCInfo(lcTray) << "No session bus; system tray available:" << available;
        m_hostRegistered = available;
        m_itemRegistered = available;
        return;
    }
    auto* owner = new QDBusServiceWatcher(QString::fromLatin1(watcherService), m_bus,
                                          QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(owner, &QDBusServiceWatcher::serviceOwnerChanged, this, &StatusBar::askWatcher);
    for (const char* news : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered",
                             "StatusNotifierItemRegistered", "StatusNotifierItemUnregistered"}) {
        m_bus.connect(QString::fromLatin1(watcherService), QString::fromLatin1(watcherPath),
                      QString::fromLatin1(watcherInterface), QString::fromLatin1(news), this,
                      SLOT(askWatcher()));
    }
    listenForClicks();
    askWatcher();
}

void StatusBar::askWatcher() {
    // Asked without blocking; only the answers to the latest question count, so news that arrives while a
    // question is out is never overtaken by an older answer.
    const quint64 question = ++m_watcherQuestion;
    auto message = QDBusMessage::createMethodCall(
        QString::fromLatin1(watcherService), QString::fromLatin1(watcherPath),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"));
    message << QString::fromLatin1(watcherInterface);
    whenAnswered(message, [this, question](const QDBusMessage& reply) {
        if (question != m_watcherQuestion) {
            return;
        }
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            setTrayState(false, false); // no watcher, or one that does not answer: no tray
            return;
        }
        const QVariantMap properties = qdbus_cast<QVariantMap>(reply.arguments().constFirst());
        const bool host = properties.value(QStringLiteral("IsStatusNotifierHostRegistered")).toBool();
        const QStringList items =
            properties.value(QStringLiteral("RegisteredStatusNotifierItems")).toStringList();
        // Items register by a bus name made of the process's id, or by the name of the connection they
        // use, which the bus can tie to its process.
        const QString ownName =
            QStringLiteral("org.kde.StatusNotifierItem-%1-").arg(QCoreApplication::applicationPid());
        QStringList connections;
        for (const QString& item : items) {
            if (item.startsWith(ownName)) {
                setTrayState(host, true);
                return;
            }
            if (item.startsWith(QLatin1Char(':'))) {
                connections << item.section(QLatin1Char('/'), 0, 0);
            }
        }
        if (connections.isEmpty()) {
            setTrayState(host, false);
            return;
        }
        // Decided once a connection is found to be this process's, or all of them are found not to be.
        auto unanswered = std::make_shared<qsizetype>(connections.size());
        for (const QString& connection : connections) {
            auto asked = QDBusMessage::createMethodCall(
                QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetConnectionUnixProcessID"));
            asked << connection;
            whenAnswered(asked, [this, question, host, unanswered](const QDBusMessage& pid) {
                if (question != m_watcherQuestion || *unanswered == 0) {
                    return;
                }
                const bool own =
                    pid.type() == QDBusMessage::ReplyMessage && !pid.arguments().isEmpty() &&
                    pid.arguments().constFirst().toLongLong() == QCoreApplication::applicationPid();
                --*unanswered;
                if (own) {
                    *unanswered = 0;
                    setTrayState(host, true);
                } else if (*unanswered == 0) {
                    setTrayState(host, false);
                }
            });
        }
    });
}

void StatusBar::whenAnswered(const QDBusMessage& message, std::function<void(const QDBusMessage&)> answered) {
    auto* call = new QDBusPendingCallWatcher(m_bus.asyncCall(message, busCallTimeoutMs), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
            [answered = std::move(answered)](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                answered(call->reply());
            });
}

StatusBar::~StatusBar() {
    for (StatusItem* item : m_items) {
        delete item;
    }
    if (m_clickListener) {
        QDBusConnection::disconnectFromBus(QString::fromLatin1(clickMonitorName));
    }
}

void StatusBar::listenForClicks() {
    // Only on the session bus, where Qt's icon is. Made before the icon exists, so the bus copies every
    // call a host can make to it. The icon's own connection is not known until Qt registers it, so the
    // calls to any icon are copied; only those Qt also reports for ours are used.
    if (m_bus.name() != QDBusConnection::sessionBus().name()) {
        m_clicksRefused = true;
        return;
    }
    m_clickListener = std::make_unique<ClickListener>(
        [this](const QString& member, const QVariantList& arguments) { heard(member, arguments); });
    QDBusConnection monitor =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QString::fromLatin1(clickMonitorName));
    if (!monitor.registerVirtualObject(QStringLiteral("/StatusNotifierItem"), m_clickListener.get())) {
        m_clicksRefused = true;
        return;
    }
    auto become = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus.Monitoring"), QStringLiteral("BecomeMonitor"));
    QStringList rules;
    for (const char* member : {"Activate", "ContextMenu", "ProvideXdgActivationToken"}) {
        rules << QStringLiteral("type='method_call',path='/StatusNotifierItem',"
                                "interface='org.kde.StatusNotifierItem',member='%1'")
                     .arg(QLatin1String(member));
    }
    become << rules << 0u;
    auto* call = new QDBusPendingCallWatcher(monitor.asyncCall(become, busCallTimeoutMs), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        // Refused (another user's bus, a bus without monitors): the pointer stands in for the position.
        m_clicksRefused = call->isError();
        qCDebug(lcTray) << "Click positions heard:" << !m_clicksRefused << call->error().message();
        while (m_clicksRefused && !m_waiting.empty()) {
            runUnpaired(m_waiting.front().number);
        }
    });
}

bool StatusBar::hearsClickPositions() const {
    return !m_clicksRefused && QDBusConnection(QString::fromLatin1(clickMonitorName)).isConnected();
}

void StatusBar::heard(const QString& member, const QVariantList& arguments) {
    const auto now = Scheduler::shared().now();
    if (member == QLatin1String("ProvideXdgActivationToken") && arguments.size() == 1) {
        m_heardToken = {arguments[0].toString(), now};
        return;
    }
    if (arguments.size() != 2) {
        return;
    }
    const HeardCall call{member == QLatin1String("ContextMenu"),
                         fromScreenPixels(QPoint(arguments[0].toInt(), arguments[1].toInt())), now};
    if (!m_waiting.empty() && m_waiting.front().menu == call.menu) {
        const WaitingActivation waiting = m_waiting.front();
        m_waiting.pop_front();
        if (waiting.item) {
            runActivation(waiting.item, call.menu, call.position);
        }
        return;
    }
    std::erase_if(m_heardCalls, [&](const HeardCall& old) { return now - old.at > pairingBound; });
    m_heardCalls.push_back(call);
}

void StatusBar::activated(StatusItem* item, bool menu) {
    const auto now = Scheduler::shared().now();
    std::erase_if(m_heardCalls, [&](const HeardCall& old) { return now - old.at > pairingBound; });
    if (!m_heardCalls.empty() && m_heardCalls.front().menu == menu) {
        const QPoint position = m_heardCalls.front().position;
        m_heardCalls.pop_front();
        runActivation(item, menu, position);
        return;
    }
    if (!hearsClickPositions()) {
        runActivation(item, menu, QCursor::pos());
        return;
    }
    // The copy is on its way on the monitor's connection; the pointer stands in if it never comes.
    const quint64 number = ++m_activations;
    m_waiting.push_back({item, menu, number});
    DispatchQueue::main().asyncAfter(std::chrono::duration<double>(pairingBound).count(),
                                     [self = QPointer<StatusBar>(this), number] {
                                         if (self) {
                                             self->runUnpaired(number);
                                         }
                                     });
}

void StatusBar::runUnpaired(quint64 number) {
    const auto found = std::ranges::find(m_waiting, number, &WaitingActivation::number);
    if (found == m_waiting.end()) {
        return;
    }
    const WaitingActivation waiting = *found;
    m_waiting.erase(found);
    if (waiting.item) {
        runActivation(waiting.item, waiting.menu, QCursor::pos());
    }
}

void StatusBar::runActivation(StatusItem* item, bool menu, const QPoint& position) {
    // A host sends the token just before the click it is for.
    if (m_heardToken && Scheduler::shared().now() - m_heardToken->second <= pairingBound) {
        if (auto* app = Application::instance()) {
            app->setActivationToken(m_heardToken->first);
        }
    }
    m_heardToken.reset();
    if (menu) {
        item->showMenu(position);
    } else {
        item->performClick(position);
    }
}

StatusItem* StatusBar::statusItem() {
    auto* item = new StatusItem(*this);
    m_items.push_back(item);
    return item;
}

void StatusBar::removeStatusItem(StatusItem* item) {
    const auto found = std::find(m_items.begin(), m_items.end(), item);
    if (found == m_items.end()) {
        return;
    }
    m_items.erase(found);
    delete item;
}

void StatusBar::setTrayState(bool hostRegistered, bool itemRegistered) {
    const bool wasAvailable = isTrayAvailable();
    const bool wasPresent = isTrayPresent();
    m_hostRegistered = hostRegistered;
    m_itemRegistered = itemRegistered;
    if (wasAvailable != isTrayAvailable()) {
        qCInfo(lcTray) << "Tray host:" << isTrayAvailable();
        for (StatusItem* item : m_items) {
            item->syncTrayIcon();
        }
        emit trayAvailabilityChanged(isTrayAvailable());
    }
    if (wasPresent != isTrayPresent()) {
        qCInfo(lcTray) << "In the tray:" << isTrayPresent();
        emit trayPresenceChanged(isTrayPresent());
    }
}

StatusItem::StatusItem(StatusBar& bar) : m_bar(bar), m_trayMenu(std::make_unique<QMenu>()) {
    // The owner of the entries hears when the host shows and closes the menu, to bring its lines up to date.
    connect(m_trayMenu.get(), &QMenu::aboutToShow, this, [this] {
        if (m_entries) {
            emit m_entries->aboutToShow();
        }
    });
    connect(m_trayMenu.get(), &QMenu::aboutToHide, this, [this] {
        if (m_entries) {
            emit m_entries->aboutToHide();
        }
    });
    syncTrayIcon();
}

StatusItem::~StatusItem() {
    // The filter would otherwise see the events of the menus destroyed below, with this item half gone.
    if (m_entries) {
        m_entries->removeEventFilter(this);
    }
}

bool StatusItem::setImage(const QString& name, bool isTemplate) {
    QIcon source = bundleImage(name);
    if (source.isNull()) {
        qCWarning(lcTray) << "No status image named" << name;
        return false;
    }
    m_imageName = name;
    m_isTemplate = isTemplate;
    m_source = std::move(source);
    renderIcon();
    return true;
}

void StatusItem::renderIcon() {
    m_icon = m_isTemplate ? templateIcon(m_imageName, m_source) : m_source;
    if (m_tray) {
        m_tray->setIcon(m_icon);
    }
    syncTrayIcon(); // shown once it has an icon
}

void StatusItem::setToolTip(const QString& toolTip) {
    m_toolTip = toolTip;
    if (m_tray) {
        m_tray->setToolTip(toolTip);
    }
}

void StatusItem::performClick() {
    if (m_action) {
        m_action();
    }
}

void StatusItem::performClick(const QPoint& position) {
    m_lastClickPosition = position;
    performClick();
}

void StatusItem::showMenu(const QPoint& position) {
    if (!m_trayMenu->actions().isEmpty()) {
        m_trayMenu->popup(position);
    }
}

void StatusItem::setMenu(QMenu* entries) {
    if (m_entries) {
        m_entries->removeEventFilter(this);
    }
    m_entries = entries;
    m_entriesObject = entries;
    for (QAction* item : m_trayMenu->actions()) {
        m_trayMenu->removeAction(item);
    }
    if (!entries) {
        return;
    }
    // Drawn like the given menu where Qt draws it (a tray without its own menus).
    m_trayMenu->setStyleSheet(entries->styleSheet());
    m_trayMenu->setSeparatorsCollapsible(entries->separatorsCollapsible());
    if (Compositing::followsInMenu(entries)) {
        Compositing::followInMenu(m_trayMenu.get());
    }
    m_trayMenu->addActions(entries->actions());
    entries->installEventFilter(this);
}

void StatusItem::mirrorEntryChange(QEvent* event) {
    auto* change = static_cast<QActionEvent*>(event);
    if (event->type() == QEvent::ActionRemoved) {
        m_trayMenu->removeAction(change->action());
        return;
    }
    QAction* before = change->before();
    m_trayMenu->insertAction(before && m_trayMenu->actions().contains(before) ? before : nullptr,
                             change->action());
}

void StatusItem::setVisible(bool visible) {
    m_visible = visible;
    syncTrayIcon();
}

bool StatusItem::isTrayIconShown() const {
    return m_visible && !m_icon.isNull() && m_bar.isTrayPresent();
}

std::optional<QRect> StatusItem::trayGeometry() const {
    if (m_tray) {
        const QRect geometry = m_tray->geometry();
        if (!geometry.isEmpty()) {
            return geometry;
        }
    }
    return std::nullopt;
}

QRect StatusItem::buttonGeometry() const {
    if (const std::optional<QRect> geometry = trayGeometry()) {
        return *geometry;
    }
    if (m_lastClickPosition) {
        // A click lands about the middle of a usual panel's icon.
        constexpr int half = usualPanelHeight / 2;
        return {*m_lastClickPosition - QPoint(half, half), QSize(usualPanelHeight, usualPanelHeight)};
    }
    return usualIconGeometry();
}

QRect StatusItem::usualIconGeometry() {
    // StatusNotifier trays do not tell where the icon is. Panels with a tray run along the top (or the
    // bottom) of the screen with the tray at their right end: the icon is taken as a usual panel's square
    // just beyond the available area, or over the screen's top when the panel reserves no room.
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        return {};
    }
    const QRect full = screen->geometry();
    const QRect available = screen->availableGeometry();
    const bool panelAtTheBottom = available.top() == full.top() && available.bottom() < full.bottom();
    const bool panelAtTheTop = available.top() > full.top();
    const int top = panelAtTheBottom ? available.bottom() + 1
                    : panelAtTheTop  ? available.top() - usualPanelHeight
                                     : full.top();
    return {available.right() - usualPanelHeight + 1, top, usualPanelHeight, usualPanelHeight};
}

bool StatusItem::eventFilter(QObject* watched, QEvent* event) {
    // Compared as plain objects: the entries menu may be in its destructor, no longer a QMenu.
    if (!m_entries.isNull() && watched == m_entriesObject &&
        (event->type() == QEvent::ActionAdded || event->type() == QEvent::ActionRemoved)) {
        mirrorEntryChange(event);
    }
    return QObject::eventFilter(watched, event);
}

void StatusItem::syncTrayIcon() {
    if (!m_bar.isTrayAvailable()) {
        return;
    }
    if (!m_tray) {
        m_tray = std::make_unique<QSystemTrayIcon>();
        m_tray->setIcon(m_icon);
        m_tray->setToolTip(m_toolTip);
        // Given once: the entries change, the menu never does.
        m_tray->setContextMenu(m_trayMenu.get());
        connect(m_tray.get(), &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context) {
                        m_bar.activated(this, reason == QSystemTrayIcon::Context);
                    }
                });
    }
    // A tray icon without an image is no icon at all; it appears with the first one.
    m_tray->setVisible(m_visible && !m_icon.isNull());
}

} // namespace platform
