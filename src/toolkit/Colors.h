#pragma once

#include <QColor>
#include <QString>

// A colour written "#RGB", "#RGBA", "#RRGGBB" or "#RRGGBBAA", alpha last. Anything else logs why and gives
// opaque black, so a typo in a colour never breaks a screen.
QColor colorFromHexString(const QString& hex);

// The contrast of `foreground` over the opaque `background` (a translucent foreground laid over it), from
// 1 to 21, as the web's accessibility guidelines reckon it: text needs 4.5, a control's edge 3.
double contrastRatio(const QColor& foreground, const QColor& background);

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
// A switch that is off: the dark track, and the edge that sets it off from the window.
inline constexpr QColor switchOff{0x0E, 0x36, 0x76};
inline constexpr QColor switchOffDisabled{0x0E, 0x36, 0x76, 0x80};
inline constexpr QColor switchOffEdge = secondaryText;
// The fill of a filled button at rest and under the pointer, shades under the accent so that their white
// title reads; the lit one stays the lighter.
inline constexpr QColor buttonFill{0x14, 0x66, 0xE6};
inline constexpr QColor buttonHover{0x17, 0x6E, 0xFA};
// The device-health badges, each a shade under its state's colour for its white title.
inline constexpr QColor healthyBadge{0x23, 0x87, 0x4A};
inline constexpr QColor atRiskBadge{0xDA, 0x37, 0x54};
inline constexpr QColor inactiveBadge{0x70, 0x77, 0x80};
// Badge titles and the small buttons of list rows.
inline constexpr QColor badgeText{0xFF, 0xFF, 0xFF, 0xB3};
// The title of a Cancel beside a primary button, light enough to read on a card.
inline constexpr QColor cancelTitle{0x81, 0x88, 0xAB};
// A row under the pointer, and the lines between sections.
inline constexpr QColor rowHover{0xFF, 0xFF, 0xFF, 0x0D};
inline constexpr QColor separator{0xFF, 0xFF, 0xFF, 0x1A};

} // namespace toolkit
