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
    action->setText(item->displayTitle());
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
