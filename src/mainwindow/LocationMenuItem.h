#pragma once

#include "sdk/PDNetworks.h"

#include <QAction>

#include <functional>

// The menu item of a network or location for the tray's menus: its title at once, its flag (19 by 19)
// once loaded. Triggering it calls `triggered` while `receiver` exists. The menus add their own data.
QAction* menuItem(const PDNetworkItemPtr& item, QObject* receiver, std::function<void()> triggered,
                  QObject* parent = nullptr);

inline constexpr int menuItemFlagSize = 19;
