// The hex-colour initialiser over any text: always a colour, and the written one only when the text is "#"
// and 3, 4, 6 or 8 hexadecimal digits (alpha last).

#include "FuzzSupport.h"

#include "toolkit/Colors.h"

#include <QRegularExpression>

#include <cmath>

namespace {

bool near(float a, double b) {
    return std::abs(double(a) - b) < 1.0 / 512;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::quietLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = fuzz::text(data, size);
    const QColor colour = colorFromHexString(text);
    FUZZ_CHECK(colour.isValid() && colour.spec() == QColor::Rgb);

    static const QRegularExpression written(
        QStringLiteral("\\A#([0-9a-fA-F]{3,4}|[0-9a-fA-F]{6}|[0-9a-fA-F]{8})\\z"));
    if (!written.match(text).hasMatch()) {
        FUZZ_CHECK(colour == QColor::fromRgbF(0, 0, 0, 1));
        return 0;
    }
    // One or two digits a component: red, green, blue, then alpha when present.
    const QString digits = text.mid(1);
    const int width = digits.size() <= 4 ? 1 : 2;
    const double scale = width == 1 ? 15.0 : 255.0;
    double components[4] = {0, 0, 0, 1};
    for (int i = 0; i * width < digits.size(); ++i) {
        components[i] = digits.mid(i * width, width).toUInt(nullptr, 16) / scale;
    }
    FUZZ_CHECK(near(colour.redF(), components[0]) && near(colour.greenF(), components[1]) &&
               near(colour.blueF(), components[2]) && near(colour.alphaF(), components[3]));
    return 0;
}
