#pragma once

#include <QColor>
#include <QString>

// A colour written "#RGB", "#RGBA", "#RRGGBB" or "#RRGGBBAA", alpha last. Anything else logs why and gives
// opaque black, so a typo in a colour never breaks a screen.
QColor colorFromHexString(const QString& hex);

namespace toolkit {

// The colours the client's windows share.
inline constexpr QColor windowBackground{0x1E, 0x30, 0x73};
inline constexpr QColor secondaryText{0x6F, 0x9C, 0xD9};
inline constexpr QColor accent{0x2B, 0x7B, 0xFA};

} // namespace toolkit
