#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QWidget>

// The locations window's fonts and colours, shared by its views.
namespace locationsLook {

inline const QColor kSoftText{0xDD, 0xE6, 0xF2};
inline const QColor kAccent{0x6A, 0xF4, 0xF8};

} // namespace locationsLook
