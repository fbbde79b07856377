#pragma once

#include <QColor>
#include <QString>

// A colour written "#RGB", "#RGBA", "#RRGGBB" or "#RRGGBBAA", alpha last. Anything else logs why and gives
// opaque black, so a typo in a colour never breaks a screen.
QColor colorFromHexString(const QString& hex);
