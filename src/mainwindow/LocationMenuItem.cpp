#include "mainwindow/LocationMenuItem.h"

#include "toolkit/FlagImageCache.h"

#include <QPixmap>
#include <QPointer>

QAction* menuItem(const PDNetworkItemPtr& item, QObject* receiver, std::function<void()> triggered,
                  QObject* parent) {
    auto* action = new QAction(parent);
    if (!item) {
        return action;
    }
    action->setText(menuTitle(item->displayTitle()));
    // The flag comes later, on the main queue; an item deleted by then (a menu rebuilt) gets nothing.
    FlagImageCache::shared().load(item->flagImage(), QSize(menuItemFlagSize, menuItemFlagSize), action,
                                  [action = QPointer<QAction>(action)](const QImage& flag) {
                                      if (action && !flag.isNull()) {
                                          action->setIcon(QIcon(QPixmap::fromImage(flag)));
                                      }
                                  });
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
