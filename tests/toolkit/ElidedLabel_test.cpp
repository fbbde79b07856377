// The one-line label for outside text, as the main window, the locations and the quick-access rows show it.
#include "toolkit/ElidedLabel.h"
#include "toolkit/TextAttributes.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

const QString ellipsis(QChar(0x2026));

bool shows(const QImage& image, const QColor& color) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) == color) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

TEST(ElidedLabel, OutsideTextStaysOnOneLineAsTypedAndIsCutToTheWidth) {
    ElidedLabel label(toolkit::interFont(14), Qt::white);
    label.resize(220, 20);
    const QString typed = QStringLiteral("<b>Branch</b>\noffice with a name far longer than the label");
    label.setText(typed);
    EXPECT_EQ(label.text(), typed);
    EXPECT_EQ(label.textFormat(), Qt::PlainText);
    EXPECT_TRUE(label.shownText().startsWith(QStringLiteral("<b>Branch</b> office")));
    EXPECT_TRUE(label.shownText().endsWith(ellipsis));
    EXPECT_LE(label.fontMetrics().horizontalAdvance(label.shownText()), label.width());

    label.setText(QStringLiteral("Paris"));
    EXPECT_EQ(label.shownText(), QStringLiteral("Paris"));
    EXPECT_EQ(label.minimumSizeHint().width(), 0) << "a long name never widens its row";
}

TEST(ElidedLabel, AttributedRunsKeepTheirColourUntilPlainTextReplacesThem) {
    const QColor match(0x6A, 0xF4, 0xF8);
    ElidedLabel label(toolkit::interFont(14), Qt::white);
    label.resize(200, 24);
    label.setAttributedText(highlightedString(QStringLiteral("Berlin Office"), QStringLiteral("Ber"),
                                              Qt::white, toolkit::interFont(14), match,
                                              toolkit::interFont(14, QFont::Bold)));
    EXPECT_EQ(label.text(), QStringLiteral("Berlin Office"));
    EXPECT_TRUE(shows(label.grab().toImage(), match));

    label.setText(QStringLiteral("Berlin Office"));
    EXPECT_TRUE(label.attributedText().runs().isEmpty());
    EXPECT_FALSE(shows(label.grab().toImage(), match));
}

TEST(ElidedLabel, TheTextColourIsTheOneItDraws) {
    const QColor secondary(0x6F, 0x9C, 0xD9);
    ElidedLabel label;
    label.setFont(toolkit::interFont(20, QFont::Bold));
    label.resize(200, 30);
    label.setText(QStringLiteral("HHHH"));
    label.setTextColor(secondary);
    EXPECT_EQ(label.textColor(), secondary);
    EXPECT_TRUE(shows(label.grab().toImage(), secondary));
}
