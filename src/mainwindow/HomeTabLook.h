#pragma once

#include <QColor>
#include <QFont>
#include <QString>

// Fonts and colours the home tab's views share.
namespace hometab {

// The application's face at a pixel size.
inline QFont interFont(int pixelSize, QFont::Weight weight = QFont::Normal) {
    QFont font(QStringLiteral("Inter"));
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

} // namespace hometab
