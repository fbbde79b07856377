#pragma once

#include "sdk/PDNetworks.h"

#include <QAction>

#include <functional>

// The menu item of a network or location for the tray's menus: its title at once, its flag (19 by 19)
// once loaded. Triggering it calls `triggered` while `receiver` exists. The menus add their own data.
QAction* menuItem(const PDNetworkItemPtr& item, QObject* receiver, std::function<void()> triggered,
                  QObject* parent = nullptr);

// The pixel ratio menu flags are decoded at: the sharpest of the screens, where a menu may open.
qreal menuFlagPixelRatio();

// Makes `action` show `item`: its title at once, its flag at once when decoded before, else once loaded (a
// flag still on its way for the item's previous network is dropped). Menus reuse their items this way. The
// flag is decoded at `devicePixelRatio` times its size, so it stays sharp on a dense screen.
void showLocation(QAction* action, const PDNetworkItemPtr& item,
                  qreal devicePixelRatio = menuFlagPixelRatio());

// A workspace's text made safe for a menu item's title: "&" shows as itself instead of marking a mnemonic,
// tabs, newlines and other control characters become blanks (a tab would open QMenu's shortcut column), and
// a title longer than menuTitleLimit characters ends in an ellipsis.
QString menuTitle(const QString& text);

inline constexpr int menuItemFlagSize = 19;
inline constexpr int menuTitleLimit = 80;
