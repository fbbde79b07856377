#pragma once

#include "toolkit/Colors.h"

#include <QColor>
#include <QIcon>
#include <QString>

class TableView;
class SwitchControl;
class ElidedLabel;
class QLabel;
class QWidget;

// What only the settings and support pages draw.
namespace settingslook {

inline constexpr QColor tabUnderline{0x35, 0x66, 0xCE};
inline constexpr QColor protocolSelection{0x6F, 0x9C, 0xD9, 0x33};
// A text box sunk into a card.
inline constexpr QColor insetBackground{0x00, 0x00, 0x00, 0x40};

// The pages sit this far in from the tab's edges.
inline constexpr int pageMargin = 40;

// A list on the window's own background: no frame, no fill, rows `spacing` apart, a scroll bar only when
// the rows overflow.
void styleTable(TableView& table, int spacing = 0);
// A setting's switch in the settings colours: blue on, navy off, both at half strength while disabled.
void applySwitchColors(SwitchControl& control);
// A row's title (Inter 14, white) and its explanation (Inter 12, secondary blue), wrapping at words.
QLabel* makeTitleField();
QLabel* makeDescriptionField();
// A thin line across a page.
QWidget* makeSeparator();
// The bundle's image of that name, read once: rows set their icons at every reload.
const QIcon& icon(const QString& name);

} // namespace settingslook
