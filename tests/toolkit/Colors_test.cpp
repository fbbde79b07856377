#include "toolkit/Button.h"
#include "toolkit/Colors.h"
#include "toolkit/FocusRing.h"
#include "toolkit/TextAttributes.h"

#include "sdk/VeltrixXPC.h"

#include <QLabel>
#include <QLineEdit>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

// Captures the client's log lines for the life of the guard.
class LogCapture {
public:
    LogCapture() {
        VeltrixXPC::logger().setSink(
            [this](const VeltrixLogger::Record& record) { messages << record.message; });
    }
    ~LogCapture() { VeltrixXPC::logger().setSink({}); }
    QStringList messages;
};

QColor rgba(int r, int g, int b, int a) {
    return QColor(r, g, b, a);
}

void expectColor(const QColor& actual, const QColor& expected) {
    EXPECT_NEAR(actual.redF(), expected.redF(), 1e-3);
    EXPECT_NEAR(actual.greenF(), expected.greenF(), 1e-3);
    EXPECT_NEAR(actual.blueF(), expected.blueF(), 1e-3);
    EXPECT_NEAR(actual.alphaF(), expected.alphaF(), 1e-3);
}

const QString kMissingHash = QStringLiteral("Invalid RGB string, missing '#' as prefix");
const QString kScanError = QStringLiteral("Scan hex error");
const QString kBadLength =
    QStringLiteral("Invalid RGB string, number of characters after '#' should be either 3, 4, 6 or 8");

} // namespace

TEST(HexColor, ReadsAllFourFormsWithAlphaLast) {
    LogCapture log;
    expectColor(colorFromHexString(QStringLiteral("#FFF")), rgba(255, 255, 255, 255));
    expectColor(colorFromHexString(QStringLiteral("#0008")), QColor::fromRgbF(0, 0, 0, 8.0f / 15.0f));
    expectColor(colorFromHexString(QStringLiteral("#FF8640")), rgba(255, 134, 64, 255));
    expectColor(colorFromHexString(QStringLiteral("#919191B3")), rgba(0x91, 0x91, 0x91, 0xB3));
    expectColor(colorFromHexString(QStringLiteral("#2B7BFA80")), rgba(0x2B, 0x7B, 0xFA, 0x80));
    expectColor(colorFromHexString(QStringLiteral("#1a3985b3")), rgba(0x1A, 0x39, 0x85, 0xB3)); // lower case
    expectColor(colorFromHexString(QStringLiteral("#F00A")), QColor::fromRgbF(1, 0, 0, 10.0f / 15.0f));
    EXPECT_TRUE(log.messages.isEmpty());
}

TEST(HexColor, MalformedStringsLogWhyAndGiveOpaqueBlack) {
    const struct {
        const char* text;
        QString message;
    } cases[] = {
        {"FFFFFF", kMissingHash},
        {"", kMissingHash},
        {"#", kScanError},
        {"#GG0000", kScanError},
        {"#12G", kScanError},
        {"#0x12", kScanError},
        {"# FFF", kScanError},
        {"#FFF ", kScanError},
        {"#-FFF", kScanError},
        {"#12345", kBadLength},
        {"#1234567", kBadLength},
        {"#12", kBadLength},
        {"#123456789ABCDEF0123", kBadLength},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        LogCapture log;
        expectColor(colorFromHexString(QString::fromLatin1(c.text)), rgba(0, 0, 0, 255));
        EXPECT_EQ(log.messages, QStringList{c.message});
    }
}

TEST(Contrast, RatiosRunFromOneForEqualColoursToTwentyOneForBlackOnWhiteAndTranslucentTextMixesIn) {
    EXPECT_NEAR(contrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
    EXPECT_NEAR(contrastRatio(Qt::white, Qt::black), 21.0, 1e-9);
    EXPECT_NEAR(contrastRatio(toolkit::card, toolkit::card), 1.0, 1e-9);
    // Laid over the background as the painter blends: white at half strength over black is #808080.
    EXPECT_NEAR(contrastRatio(QColor(255, 255, 255, 128), Qt::black),
                contrastRatio(QColor(128, 128, 128), Qt::black), 0.01);
}

// Text needs 4.5:1 against what lies under it, a control's edge and the focus ring 3:1.
TEST(Contrast, TheClientsTextAndControlShadesReachTheirThresholds) {
    const struct {
        const char* what;
        QColor foreground;
        QColor background;
        double atLeast;
    } pairs[] = {
        {"white title on a filled button", Qt::white, toolkit::buttonFill, 4.5},
        {"white title on a filled button under the pointer", Qt::white, toolkit::buttonHover, 4.5},
        {"a card's Cancel", toolkit::cancelTitle, toolkit::card, 4.5},
        {"the Healthy badge's title", Qt::white, toolkit::healthyBadge, 4.5},
        {"the At Risk badge's title", Qt::white, toolkit::atRiskBadge, 4.5},
        {"the Inactive badge's title", Qt::white, toolkit::inactiveBadge, 4.5},
        {"an off switch's edge on the window", toolkit::switchOffEdge, toolkit::windowBackground, 3.0},
        {"the focus ring on the window", FocusRing::color, toolkit::windowBackground, 3.0},
        {"the focus ring on a card", FocusRing::color, toolkit::card, 3.0},
    };
    for (const auto& pair : pairs) {
        EXPECT_GE(contrastRatio(pair.foreground, pair.background), pair.atLeast) << pair.what;
    }
}

TEST(AttributedText, MakesOneRunWithTheParagraphStyle) {
    QFont font(QStringLiteral("Inter"));
    font.setPointSize(14);
    const AttributedString text =
        makeAttributedString(QStringLiteral("Sign in"), Qt::AlignHCenter, font, Qt::red, 18.0);
    EXPECT_EQ(text.string(), QStringLiteral("Sign in"));
    EXPECT_EQ(text.alignment(), Qt::AlignHCenter);
    EXPECT_EQ(text.maximumLineHeight(), 18.0);
    ASSERT_EQ(text.runs().size(), 1);
    EXPECT_EQ(text.runs()[0].length, 7);
    EXPECT_EQ(text.colorAt(6), QColor(Qt::red));

    QLabel label;
    setAttributedStringValue(&label, text);
    EXPECT_EQ(label.textFormat(), Qt::RichText);
    EXPECT_EQ(stringValue(&label), QStringLiteral("Sign in"));
    EXPECT_TRUE(label.text().contains(QStringLiteral("#ff0000"))) << label.text().toStdString();
}

TEST(AttributedText, HighlightsTheFirstMatchIgnoringCaseInTheOriginalText) {
    QFont base(QStringLiteral("Inter"));
    QFont bold = base;
    bold.setBold(true);
    const AttributedString office = highlightedString(QStringLiteral("Berlin Office berlin"),
                                                      QStringLiteral("ber"), Qt::gray, base, Qt::blue, bold);
    EXPECT_EQ(office.colorAt(0), QColor(Qt::blue));
    EXPECT_EQ(office.colorAt(2), QColor(Qt::blue));
    EXPECT_EQ(office.fontAt(1), bold);
    EXPECT_EQ(office.colorAt(3), QColor(Qt::gray));  // only "Ber"
    EXPECT_EQ(office.colorAt(14), QColor(Qt::gray)); // only the first occurrence
    EXPECT_EQ(office.fontAt(14), base);

    // Lower-casing "İ" gives two characters; a range found in a lower-cased copy would be one off.
    const AttributedString istanbul = highlightedString(QStringLiteral("İstanbul Hub"), QStringLiteral("hub"),
                                                        Qt::gray, base, Qt::blue, bold);
    EXPECT_EQ(istanbul.colorAt(8), QColor(Qt::gray)); // the blank
    EXPECT_EQ(istanbul.colorAt(9), QColor(Qt::blue));
    EXPECT_EQ(istanbul.colorAt(11), QColor(Qt::blue));

    // No match, or nothing searched: the base look throughout.
    const AttributedString none =
        highlightedString(QStringLiteral("Paris"), QStringLiteral("xyz"), Qt::gray, base, Qt::blue, bold);
    ASSERT_EQ(none.runs().size(), 1);
    EXPECT_EQ(highlightedString(QStringLiteral("Paris"), {}, Qt::gray, base, Qt::blue, bold).runs().size(),
              1);

    QLabel label(QStringLiteral("Berlin Office"));
    highlightMatch(&label, QStringLiteral("OFF"), Qt::gray, base, Qt::blue, bold);
    EXPECT_EQ(stringValue(&label), QStringLiteral("Berlin Office"));
    highlightMatch(&label, QStringLiteral("lin"), Qt::gray, base, Qt::blue, bold); // again on the shown text
    EXPECT_EQ(stringValue(&label), QStringLiteral("Berlin Office"));
}

TEST(AttributedText, AppliesAFontToTheFirstCaseSensitiveSubstringOnly) {
    QFont bold = defaultSubstringFont();
    EXPECT_TRUE(bold.bold());
    EXPECT_EQ(bold.pixelSize(), 12);
    EXPECT_EQ(bold.families(), QStringList({"Open Sans", "Inter"})) << "Inter where Open Sans is missing";
    const AttributedString code = withFontOnSubstring(QStringLiteral("Type code AB12 to confirm AB12"),
                                                      QStringLiteral("AB12"), Qt::black, bold);
    ASSERT_EQ(code.runs().size(), 1);
    EXPECT_EQ(code.runs()[0].start, 10);
    EXPECT_EQ(code.fontAt(10), bold);
    EXPECT_FALSE(code.fontAt(0).has_value());
    EXPECT_FALSE(code.colorAt(0).isValid()); // the rest carries nothing
    EXPECT_TRUE(withFontOnSubstring(QStringLiteral("Type code"), QStringLiteral("CODE"), Qt::black, bold)
                    .runs()
                    .isEmpty());

    QLabel label(QStringLiteral("Smart widget"));
    QPalette palette = label.palette();
    palette.setColor(label.foregroundRole(), Qt::darkGreen);
    label.setPalette(palette);
    applyFont(&label, QStringLiteral("widget"));
    EXPECT_EQ(stringValue(&label), QStringLiteral("Smart widget"));
    EXPECT_TRUE(label.text().contains(QColor(Qt::darkGreen).name())) << label.text().toStdString();
}

TEST(AttributedText, ButtonTitlesTakeColourAlignmentAndFont) {
    Button button(QStringLiteral("Old"));
    QFont font(QStringLiteral("Inter"));
    font.setPointSize(17);
    applyTitleAttributes(&button, Qt::red, Qt::AlignLeft, font);
    EXPECT_EQ(button.palette().color(QPalette::ButtonText), QColor(Qt::red));
    EXPECT_EQ(button.titleAlignment(), Qt::AlignLeft);
    EXPECT_EQ(button.font().pointSize(), 17);

    setTitle(&button, QStringLiteral("Connect"), Qt::green);
    EXPECT_EQ(button.text(), QStringLiteral("Connect"));
    EXPECT_EQ(button.palette().color(QPalette::ButtonText), QColor(Qt::green));
    EXPECT_EQ(button.titleAlignment(), Qt::AlignHCenter);
    EXPECT_EQ(button.font().pointSize(), 17); // its own font stays

    applyTitleAttributes(&button); // the defaults: white, centred
    EXPECT_EQ(button.palette().color(QPalette::ButtonText), QColor(Qt::white));
    applyTitleAttributes(&button, Qt::white, std::nullopt);
    EXPECT_EQ(button.titleAlignment(), Qt::AlignHCenter);
}

TEST(AttributedText, PlaceholdersTakeColourAlignmentAndFont) {
    QLineEdit field;
    field.setPlaceholderText(QStringLiteral("Search for networks"));
    field.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    field.setFont(toolkit::interFont(13));
    setPlaceholderAttributes(&field); // the defaults: white, centred, its own font
    EXPECT_EQ(field.palette().color(QPalette::PlaceholderText), QColor(Qt::white));
    EXPECT_EQ(field.alignment(), Qt::AlignHCenter | Qt::AlignTop) << "the vertical alignment stays";
    EXPECT_EQ(field.font().pixelSize(), 13);

    setPlaceholderAttributes(&field, colorFromHexString(QStringLiteral("#6F9CD9")), Qt::AlignRight,
                             toolkit::interFont(16, QFont::Medium));
    EXPECT_EQ(field.palette().color(QPalette::PlaceholderText),
              colorFromHexString(QStringLiteral("#6F9CD9")));
    EXPECT_EQ(field.alignment(), Qt::AlignRight | Qt::AlignTop);
    EXPECT_EQ(field.font().pixelSize(), 16);
    EXPECT_EQ(field.font().weight(), QFont::Medium);
    EXPECT_EQ(field.placeholderText(), QStringLiteral("Search for networks"));
}

TEST(FontFitting, StepsBackTwoPointsFromTheFirstOverflowButNeverBelowTheMinimum) {
    QLabel field;
    field.setFont(QFont(QStringLiteral("Inter")));
    const QString text = QStringLiteral("Frankfurt Office");
    auto sizeFor = [&](int points) {
        QFont font = field.font();
        font.setPointSize(points);
        return QFontMetricsF(font).size(0, text);
    };
    auto widthBetween = [&](int fits, int overflows) {
        return static_cast<int>(std::ceil((sizeFor(fits).width() + sizeFor(overflows).width()) / 2.0));
    };

    // First overflow at 15: 13.
    field.resize(widthBetween(14, 15), 200);
    EXPECT_EQ(fitFontSize(&field, text, 10, 20).pointSize(), 13);
    EXPECT_EQ(fitFontSize(&field, text, 10, 20).family(), field.font().family());
    // First overflow at 11 would give 9: held at the minimum.
    field.resize(widthBetween(10, 11), 200);
    EXPECT_EQ(fitFontSize(&field, text, 10, 20).pointSize(), 10);
    // Too big already at the minimum.
    field.resize(5, 200);
    EXPECT_EQ(fitFontSize(&field, text, 10, 20).pointSize(), 10);
    // Fits at the maximum.
    field.resize(2000, 2000);
    EXPECT_EQ(fitFontSize(&field, text, 10, 20).pointSize(), 20);
    // The height counts too.
    field.resize(2000, static_cast<int>(std::ceil((sizeFor(13).height() + sizeFor(14).height()) / 2.0)));
    if (sizeFor(13).height() < sizeFor(14).height()) {
        EXPECT_EQ(fitFontSize(&field, text, 8, 40).pointSize(), 12);
    }
    // A minimum above the maximum: the minimum.
    EXPECT_EQ(fitFontSize(&field, text, 30, 20).pointSize(), 30);
}
