#include "toolkit/Colors.h"

#include "core/Log.h"
#include "platform/AsciiChars.h"

#include <algorithm>

namespace {

double nibble(quint64 value, int shift) {
    return static_cast<double>((value >> shift) & 0xF) / 15.0;
}
double byte(quint64 value, int shift) {
    return static_cast<double>((value >> shift) & 0xFF) / 255.0;
}

} // namespace

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
