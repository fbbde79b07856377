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
// Cards, popovers and alerts over a window.
inline constexpr QColor card{0x1B, 0x20, 0x46};
// Disabled is the same colour at half strength.
inline constexpr QColor disabledText{0xFF, 0xFF, 0xFF, 0x80};
inline constexpr QColor disabledSecondaryText{0x6F, 0x9C, 0xD9, 0x80};
inline constexpr QColor accentDisabled{0x2B, 0x7B, 0xFA, 0x80};
// A switch that is off.
inline constexpr QColor switchOff{0x0E, 0x36, 0x76};
inline constexpr QColor switchOffDisabled{0x0E, 0x36, 0x76, 0x80};
// Badge titles and the small buttons of list rows.
inline constexpr QColor badgeText{0xFF, 0xFF, 0xFF, 0xB3};
// The title of a Cancel beside a primary button.
inline constexpr QColor cancelTitle{0x5F, 0x67, 0x8E};
// A row under the pointer, and the lines between sections.
inline constexpr QColor rowHover{0xFF, 0xFF, 0xFF, 0x0D};
inline constexpr QColor separator{0xFF, 0xFF, 0xFF, 0x1A};

} // namespace toolkit
