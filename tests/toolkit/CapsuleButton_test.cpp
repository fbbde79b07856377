// The capsule buttons of the sign-in screens, the main window and the quick-access rows.
#include "toolkit/CapsuleButton.h"
#include "toolkit/Colors.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// The button alone, drawn on nothing, so that a translucent fill keeps its own alpha.
QImage drawn(CapsuleButton& button) {
    QImage image(button.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    button.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// The colour, allowing for the rounding of blending a translucent fill.
::testing::AssertionResult isColor(const QColor& drawn, const char* expected) {
    const QColor wanted = colorFromHexString(QString::fromLatin1(expected));
    const bool near =
        std::abs(drawn.red() - wanted.red()) <= 2 && std::abs(drawn.green() - wanted.green()) <= 2 &&
        std::abs(drawn.blue() - wanted.blue()) <= 2 && std::abs(drawn.alpha() - wanted.alpha()) <= 2;
    if (near) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "drew " << drawn.name(QColor::HexArgb).toStdString() << ", not " << expected << " (#RRGGBBAA)";
}

// Left of any title, inside the rounded end.
QColor fillOf(CapsuleButton& button) {
    return drawn(button).pixelColor(button.height() / 2, button.height() / 2);
}

} // namespace

TEST(CapsuleButton, AFilledCapsuleShowsEachStateInItsOwnColour) {
    CapsuleButton button(QStringLiteral("Got it"));
    button.resize(140, 40);
    EXPECT_TRUE(isColor(fillOf(button), "#1466E6FF"));
    button.setHighlight(true);
    EXPECT_TRUE(isColor(fillOf(button), "#176EFAFF"));
    button.setDown(true);
    EXPECT_TRUE(isColor(fillOf(button), "#2664CBFF")) << "pressed wins over lit";
    button.setEnabled(false);
    EXPECT_TRUE(isColor(fillOf(button), "#2B7BFA80")) << "disabled wins over all";

    // The quick-access pill: its own colours in the same states.
    CapsuleButton pill;
    pill.resize(84, 22);
    pill.setDefaultColor(colorFromHexString(QStringLiteral("#FFFFFF33")));
    pill.setHoverColor(colorFromHexString(QStringLiteral("#FFFFFF4D")));
    pill.setPressedColor(colorFromHexString(QStringLiteral("#FFFFFF66")));
    pill.setDisabledColor(colorFromHexString(QStringLiteral("#FFFFFF1A")));
    EXPECT_TRUE(isColor(fillOf(pill), "#FFFFFF33"));
    pill.setHighlight(true);
    EXPECT_TRUE(isColor(fillOf(pill), "#FFFFFF4D"));
    pill.setDown(true);
    EXPECT_TRUE(isColor(fillOf(pill), "#FFFFFF66"));
    pill.setEnabled(false);
    EXPECT_TRUE(isColor(fillOf(pill), "#FFFFFF1A"));
}

TEST(CapsuleButton, TheFillReachesTheEdgesAndTheOutlineLeavesTheInsideClear) {
    CapsuleButton filled;
    filled.resize(200, 40);
    const QImage fill = drawn(filled);
    EXPECT_TRUE(isColor(fill.pixelColor(100, 0), "#1466E6FF")) << "no soft rim";
    EXPECT_TRUE(isColor(fill.pixelColor(100, 39), "#1466E6FF"));
    EXPECT_EQ(fill.pixelColor(0, 0).alpha(), 0) << "rounded corners";

    CapsuleButton outlined(QString(), CapsuleButton::Style::outlined);
    outlined.resize(220, 40);
    QPalette palette = outlined.palette();
    palette.setColor(QPalette::ButtonText, QColor(0xB8, 0xBC, 0xD0));
    outlined.setPalette(palette);
    const QImage outline = drawn(outlined);
    EXPECT_EQ(outline.pixelColor(110, 20).alpha(), 0);
    QColor rim = outline.pixelColor(110, 0);
    EXPECT_GT(rim.alpha(), 0);
    rim.setAlpha(255);
    EXPECT_TRUE(isColor(rim, "#B8BCD0"));
}
