#pragma once

#include <QImage>
#include <QRect>
#include <QRegion>

#include <cstdint>
#include <vector>

// What changed from one 32-bit image to the next of the same size, kept as runs of new pixels row by row,
// so a looping animation replays from its changes instead of rendering every frame again.
struct FrameDelta {
    struct Run {
        std::uint32_t offset; // of the first pixel, counted row by row from the top left
        std::uint32_t length;
    };
    std::vector<Run> runs;
    std::vector<std::uint32_t> pixels; // the runs' new pixels, one run after another
    QRect bounds;                      // null when nothing changed
    // A few rects around the changed pixels (bands of rows, runs close together joined), so a repaint
    // and its upload to the display stay near what changed rather than the whole bounds.
    QRegion area;

    std::size_t bytes() const {
        return runs.size() * sizeof(Run) + pixels.size() * sizeof(std::uint32_t) +
               std::size_t(area.rectCount()) * sizeof(QRect);
    }
};

// The changes that turn `before` into `after`; both 32-bit images of the same size.
FrameDelta frameDelta(const QImage& before, const QImage& after);
// Turns the `before` a delta was taken from into its `after`.
void applyFrameDelta(const FrameDelta& delta, QImage& image);
