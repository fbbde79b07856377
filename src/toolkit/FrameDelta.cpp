#include "toolkit/FrameDelta.h"

#include <algorithm>
#include <cstring>

namespace {

// Runs this close together are joined: copying a few equal pixels costs less than another run.
constexpr int joinedGap = 4;
// The area to repaint is made of bands this many rows high, in which changes closer than `areaGap`
// share one rect: each rect costs the repaint and the upload a call of its own.
constexpr int areaBand = 12;
constexpr int areaGap = 12;

// Adds the spans of one band (sorted by start here) to `area`, those close together as one rect.
void addBand(std::vector<std::pair<int, int>>& spans, int top, int bottom, QRegion& area) {
    std::ranges::sort(spans);
    std::pair<int, int> current = spans.front();
    const auto flush = [&] { area += QRect(QPoint(current.first, top), QPoint(current.second, bottom)); };
    for (const auto& span : spans) {
        if (span.first - current.second > areaGap) {
            flush();
            current = span;
        } else {
            current.second = std::max(current.second, span.second);
        }
    }
    flush();
    spans.clear();
}

} // namespace

FrameDelta frameDelta(const QImage& before, const QImage& after) {
    FrameDelta delta;
    const int width = after.width();
    int top = -1;
    int bottom = -1;
    int left = width;
    int right = -1;
    std::vector<std::pair<int, int>> bandSpans; // first and last changed column of each run in the band
    int bandTop = 0;
    int bandBottom = -1;
    for (int y = 0; y < after.height(); ++y) {
        if (y % areaBand == 0 && !bandSpans.empty()) {
            addBand(bandSpans, bandTop, bandBottom, delta.area);
        }
        const auto* a = reinterpret_cast<const std::uint32_t*>(before.constScanLine(y));
        const auto* b = reinterpret_cast<const std::uint32_t*>(after.constScanLine(y));
        if (std::memcmp(a, b, std::size_t(width) * sizeof(std::uint32_t)) == 0) {
            continue;
        }
        top = top < 0 ? y : top;
        bottom = y;
        if (bandSpans.empty()) {
            bandTop = y;
        }
        bandBottom = y;
        int x = 0;
        while (x < width) {
            while (x < width && a[x] == b[x]) {
                ++x;
            }
            if (x == width) {
                break;
            }
            const int start = x;
            int last = x;
            for (; x < width && x - last <= joinedGap; ++x) {
                if (a[x] != b[x]) {
                    last = x;
                }
            }
            x = last + 1;
            left = std::min(left, start);
            right = std::max(right, last);
            bandSpans.emplace_back(start, last);
            delta.runs.push_back(
                {std::uint32_t(y) * std::uint32_t(width) + std::uint32_t(start), std::uint32_t(x - start)});
            delta.pixels.insert(delta.pixels.end(), b + start, b + x);
        }
    }
    if (!bandSpans.empty()) {
        addBand(bandSpans, bandTop, bandBottom, delta.area);
    }
    if (top >= 0) {
        delta.bounds = QRect(QPoint(left, top), QPoint(right, bottom));
    }
    return delta;
}

void applyFrameDelta(const FrameDelta& delta, QImage& image) {
    const auto width = std::uint32_t(image.width());
    const auto bytesPerLine = std::size_t(image.bytesPerLine());
    uchar* bits = image.bits();
    const std::uint32_t* source = delta.pixels.data();
    for (const FrameDelta::Run& run : delta.runs) {
        auto* line = reinterpret_cast<std::uint32_t*>(bits + run.offset / width * bytesPerLine);
        std::memcpy(line + run.offset % width, source, run.length * sizeof(std::uint32_t));
        source += run.length;
    }
}
