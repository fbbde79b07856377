#pragma once

#include <QImage>

namespace platform {

// A painted QImage keeps the paint engine it was drawn with, and the engine's buffers, for as long as it
// lives; an image kept in a cache is a copy without them.
inline QImage withoutPaintEngine(const QImage& painted) {
    return painted.copy();
}

} // namespace platform
