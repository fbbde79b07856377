#include "toolkit/Colors.h"

#include "core/Log.h"
#include "platform/AsciiChars.h"

#include <algorithm>
#include <cmath>

namespace {

double nibble(quint64 value, int shift) {
    return static_cast<double>((value >> shift) & 0xF) / 15.0;
}
double byte(quint64 value, int shift) {
    return static_cast<double>((value >> shift) & 0xFF) / 255.0;
}

} // namespace

double contrastRatio(const QColor& foreground, const QColor& background) {
    const auto luminance = [](double r, double g, double b) {
        const auto linear = [](double c) {
            return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(r) + 0.7152 * linear(g) + 0.0722 * linear(b);
    };
    const double alpha = foreground.alphaF();
    const auto over = [alpha](double front, double back) { return front * alpha + back * (1.0 - alpha); };
    const double front =
        luminance(over(foreground.redF(), background.redF()), over(foreground.greenF(), background.greenF()),
                  over(foreground.blueF(), background.blueF()));
    const double back = luminance(background.redF(), background.greenF(), background.blueF());
    return (std::max(front, back) + 0.05) / (std::min(front, back) + 0.05);
}

QColor colorFromHexString(const QString& hex) {
    const QColor black = QColor::fromRgbF(0, 0, 0, 1);
    if (!hex.startsWith(QLatin1Char('#'))) {
        vlog::error(QStringLiteral("Invalid RGB string, missing '#' as prefix"));
        return black;
    }
    const QString digits = hex.mid(1);
    // Every character must be a digit: "#12G" or "#0x12" is a typo, not a shorter colour.
    if (digits.isEmpty() || !std::all_of(digits.begin(), digits.end(), platform::isHexDigit)) {
        vlog::error(QStringLiteral("Scan hex error"));
        return black;
    }
    if (digits.size() != 3 && digits.size() != 4 && digits.size() != 6 && digits.size() != 8) {
        vlog::error(QStringLiteral(
            "Invalid RGB string, number of characters after '#' should be either 3, 4, 6 or 8"));
        return black;
    }
    const quint64 v = digits.toULongLong(nullptr, 16);
    switch (digits.size()) {
    case 3:
        return QColor::fromRgbF(nibble(v, 8), nibble(v, 4), nibble(v, 0), 1.0);
    case 4:
        return QColor::fromRgbF(nibble(v, 12), nibble(v, 8), nibble(v, 4), nibble(v, 0));
    case 6:
        return QColor::fromRgbF(byte(v, 16), byte(v, 8), byte(v, 0), 1.0);
    default:
        return QColor::fromRgbF(byte(v, 24), byte(v, 16), byte(v, 8), byte(v, 0));
    }
}
