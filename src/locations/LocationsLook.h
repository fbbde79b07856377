#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QWidget>

// The locations window's fonts and colours, shared by its views.
namespace locationsLook {

// "Inter" at a weight, sized in pixels.
inline QFont interFont(QFont::Weight weight, int pixelSize) {
    QFont font(QStringLiteral("Inter"));
    font.setWeight(weight);
    font.setPixelSize(pixelSize);
    return font;
}

// Text in the colour, through the palette: style sheets would make every row's widgets slow to reuse.
inline void setTextColor(QWidget* view, const QColor& color) {
    QPalette colors = view->palette();
    colors.setColor(QPalette::WindowText, color);
    colors.setColor(QPalette::Text, color);
    view->setPalette(colors);
}

inline const QColor kWindowBackground{0x1E, 0x30, 0x73};
inline const QColor kSoftText{0xDD, 0xE6, 0xF2};
inline const QColor kSecondaryText{0x6F, 0x9C, 0xD9};
inline const QColor kAccent{0x6A, 0xF4, 0xF8};

} // namespace locationsLook
