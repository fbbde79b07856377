#include "platform/StatusBar.h"

#include "platform/Bundle.h"

#include <QActionEvent>
#include <QApplication>
#include <QCursor>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
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
constexpr int fallbackIconSize = 24;

QColor panelTextColor() {
    return QGuiApplication::palette().color(QPalette::Active, QPalette::WindowText);
}

// Keeps the shape's alpha and paints it in one colour. Tinted icons are kept per image and colour, so an
// animation's frames neither re-read their SVG nor repaint it.
QIcon tinted(const QString& name, const QIcon& source, const QColor& color) {
    static QHash<QString, QIcon> cache;
    const QString key = name + QLatin1Char('|') + color.name(QColor::HexArgb);
    if (const auto found = cache.constFind(key); found != cache.constEnd()) {
        return *found;
    }
    QIcon result;
    for (int size : iconSizes) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        source.paint(&painter, image.rect());
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), color);
        painter.end();
        result.addPixmap(QPixmap::fromImage(image));
    }
    cache.insert(key, result);
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

} // namespace

StatusBar& StatusBar::system() {
    static QPointer<StatusBar> bar;
    if (!bar) {
        bar = new StatusBar(QDBusConnection::sessionBus(), QCoreApplication::instance());
    }
    return *bar;
}

StatusBar::StatusBar(const QDBusConnection& bus, QObject* parent) : QObject(parent), m_bus(bus) {
    if (!m_bus.isConnected()) {
        // Without a bus there is no StatusNotifier tray to wait for; what Qt finds (an XEmbed tray) is all.
        m_trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
        qCInfo(lcTray) << "No session bus; system tray available:" << m_trayAvailable;
        return;
    }
    m_watcher = new QDBusServiceWatcher(QString::fromLatin1(watcherService), m_bus,
                                        QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                m_ownerChangeSeen = true;
                setTrayAvailable(!newOwner.isEmpty());
            });

    // Asked without blocking; the watcher, set up first, reports any change that comes after the answer.
    auto message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    message << QString::fromLatin1(watcherService);
    auto* call = new QDBusPendingCallWatcher(m_bus.asyncCall(message, busCallTimeoutMs), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        QDBusPendingReply<bool> reply = *call;
        if (reply.isError()) {
            qCWarning(lcTray) << "Could not ask for the tray host:" << reply.error().message();
            return;
        }
        // The watcher's news may arrive before this answer; the answer then is the older of the two.
        if (m_ownerChangeSeen) {
            return;
        }
        if (!reply.value()) {
            qCInfo(lcTray) << "No tray host yet; waiting for it";
        }
        setTrayAvailable(reply.value());
    });
}

StatusBar::~StatusBar() {
    for (StatusItem* item : m_items) {
        delete item;
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

void StatusBar::setTrayAvailable(bool available) {
    if (available == m_trayAvailable) {
        return;
    }
    m_trayAvailable = available;
    qCInfo(lcTray) << "System tray available:" << available;
    for (StatusItem* item : m_items) {
        item->syncTrayIcon();
    }
    emit trayAvailabilityChanged(available);
}

StatusItem::StatusItem(StatusBar& bar) : m_bar(bar), m_trayMenu(std::make_unique<QMenu>()) {
    if (auto* app = QCoreApplication::instance()) {
        app->installEventFilter(this);
    }
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
    // The filters would otherwise see the events of the menus destroyed below, with this item half gone.
    if (auto* app = QCoreApplication::instance()) {
        app->removeEventFilter(this);
    }
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
    m_icon = m_isTemplate ? tinted(m_imageName, m_source, panelTextColor()) : m_source;
    if (m_tray) {
        m_tray->setIcon(m_icon);
    }
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
    m_trayMenu->setAttribute(Qt::WA_TranslucentBackground,
                             entries->testAttribute(Qt::WA_TranslucentBackground));
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
    // Asking Qt is safe here: the icon, and with it Qt's one look for a tray, exists only once a host does.
    return m_tray && m_bar.isTrayAvailable() && m_tray->isVisible() &&
           QSystemTrayIcon::isSystemTrayAvailable();
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
    // StatusNotifier trays do not tell where the icon is. Panels with a tray sit at the top right on most
    // desktops, so a window placed under this rect lands near the icon and always on screen.
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        return {};
    }
    const QRect available = screen->availableGeometry();
    return {available.right() - fallbackIconSize + 1, available.top(), fallbackIconSize, fallbackIconSize};
}

bool StatusItem::eventFilter(QObject* watched, QEvent* event) {
    // Compared as plain objects: the entries menu may be in its destructor, no longer a QMenu.
    if (!m_entries.isNull() && watched == m_entriesObject &&
        (event->type() == QEvent::ActionAdded || event->type() == QEvent::ActionRemoved)) {
        mirrorEntryChange(event);
    }
    if (watched == QCoreApplication::instance() && event->type() == QEvent::ApplicationPaletteChange &&
        m_isTemplate) {
        renderIcon();
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
                    if (reason == QSystemTrayIcon::Trigger) {
                        performClick(QCursor::pos());
                    }
                });
    }
    m_tray->setVisible(m_visible);
}

} // namespace platform
