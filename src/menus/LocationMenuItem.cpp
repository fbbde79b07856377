#include "menus/LocationMenuItem.h"

#include "toolkit/FlagImageCache.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QPointer>

namespace {

// The flag an item is waiting for; a flag that arrives after the item was given another location is dropped.
constexpr const char* flagKeyProperty = "veltrixFlagKey";

} // namespace

qreal menuFlagPixelRatio() {
    return qGuiApp ? std::max<qreal>(1.0, qGuiApp->devicePixelRatio()) : 1.0;
}

void showLocation(QAction* action, const PDNetworkItemPtr& item, qreal devicePixelRatio) {
    const QString key = item ? FlagImageCache::keyOf(item->flagImage()) : QString();
    action->setText(item ? menuTitle(item->displayTitle()) : QString());
    action->setProperty(flagKeyProperty, key);
    auto setFlag = [action = QPointer<QAction>(action), key, devicePixelRatio](QImage flag) {
        if (action && action->property(flagKeyProperty).toString() == key) {
            flag.setDevicePixelRatio(devicePixelRatio);
            action->setIcon(flag.isNull() ? QIcon() : QIcon(QPixmap::fromImage(flag)));
        }
    };
    // A flag decoded before is set at once, so a rebuilt menu never shows its items bare; any other comes
    // later, on the main queue, and an item deleted by then gets nothing.
    const int pixels = qRound(menuItemFlagSize * devicePixelRatio);
    const QSize flagSize(pixels, pixels);
    FlagImageCache& flags = FlagImageCache::shared();
    if (const std::optional<QImage> known = flags.cached(key, flagSize)) {
        setFlag(*known);
    } else {
        action->setIcon(QIcon());
        if (!key.isEmpty()) {
            flags.load(item->flagImage(), flagSize, action, setFlag);
        }
    }
}

QAction* menuItem(const PDNetworkItemPtr& item, QObject* receiver, std::function<void()> triggered,
                  QObject* parent) {
    auto* action = new QAction(parent);
    if (!item) {
        return action;
    }
    showLocation(action, item);
    if (receiver && triggered) {
        QObject::connect(action, &QAction::triggered, receiver,
                         [triggered = std::move(triggered)] { triggered(); });
    }
    return action;
}

QString menuTitle(const QString& text) {
    QString title = text;
    for (QChar& c : title) {
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Separator_Line ||
            category == QChar::Separator_Paragraph) {
            c = QLatin1Char(' ');
        }
    }
    if (title.size() > menuTitleLimit) {
        qsizetype cut = menuTitleLimit - 1;
        if (title.at(cut - 1).isHighSurrogate()) {
            --cut; // never split a character in two
        }
        title = title.left(cut) + QChar(0x2026);
    }
    return title.replace(QLatin1Char('&'), QStringLiteral("&&"));
}
