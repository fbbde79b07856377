#pragma once

#include <QColor>

// Colours only the main window's views use.
namespace look {

inline const QColor separator{255, 255, 255, 0x1A};

} // namespace look
