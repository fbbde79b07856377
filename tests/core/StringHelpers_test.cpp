#include "support/CoreTestSupport.h"

#include "core/StringHelpers.h"

#include <QFontDatabase>

using strings::ComparisonResult;

TEST(VersionComparisonTest, PadsWithZerosAndComparesComponentsByValue) {
    using strings::compareVersion;
    EXPECT_EQ(compareVersion("2.4.10", "2.4.9"), ComparisonResult::descending);
    EXPECT_EQ(compareVersion("2.4.10", "2.4.9.100"), ComparisonResult::descending) << "10 > 9 after padding";
    EXPECT_EQ(compareVersion("2.4", "2.4.0.0"), ComparisonResult::same);
    EXPECT_EQ(compareVersion("2.4.1", "2.4.1.0"), ComparisonResult::same);
    EXPECT_EQ(compareVersion("2.4.1", "2.4.1.1234"), ComparisonResult::ascending);
    EXPECT_EQ(compareVersion("1.10", "1.9"), ComparisonResult::descending);
    EXPECT_EQ(compareVersion("1.02", "1.2"), ComparisonResult::same) << "leading zeros do not count";
    EXPECT_EQ(compareVersion("", "0"), ComparisonResult::ascending);
    EXPECT_EQ(compareVersion("1.2b", "1.2a"), ComparisonResult::descending);
    EXPECT_EQ(compareVersion("1.2a10", "1.2a9"), ComparisonResult::descending) << "digit runs inside text";
    EXPECT_EQ(compareVersion("1.2B", "1.2a"), ComparisonResult::ascending) << "case-sensitive";
    EXPECT_EQ(compareVersion("99999999999999999999.1", "99999999999999999998.1"),
              ComparisonResult::descending)
        << "no overflow on long digit runs";
}

TEST(VersionComparisonTest, PredicatesFollowTheComparison) {
    EXPECT_TRUE(strings::isNewerVersion("2.4.10", "2.4.9.100"));
    EXPECT_FALSE(strings::isNewerVersion("2.4.1", "2.4.1.0"));
    EXPECT_TRUE(strings::isSameVersion("2.4.1", "2.4.1.0"));
    EXPECT_TRUE(strings::isNewerOrSameVersion("2.4.1", "2.4.1.0"));
    EXPECT_TRUE(strings::isOlderVersion("2.4.1", "2.4.1.1"));
    EXPECT_TRUE(strings::isOlderOrSameVersion("2.4.1", "2.4.1"));
    EXPECT_FALSE(strings::isOlderOrSameVersion("2.5", "2.4.9"));
}

TEST(CharacterAccessTest, CountsGraphemesAndGivesEmptyTextOutOfRange) {
    const QString text = QStringLiteral("ab\u00e9\U0001F1E9\U0001F1EAc"); // a b é flag(DE) c
    EXPECT_EQ(strings::characterAt(text, 0), "a");
    EXPECT_EQ(strings::characterAt(text, 3), QStringLiteral("\U0001F1E9\U0001F1EA"))
        << "a flag is one character";
    EXPECT_EQ(strings::characterAt(text, 4), "c");
    EXPECT_EQ(strings::characterAt(text, 5), "");
    EXPECT_EQ(strings::characterAt(text, -1), "");
    EXPECT_EQ(strings::characterAt("", 0), "");
    EXPECT_EQ(strings::substring(text, 1, 3), QStringLiteral("b\u00e9"));
    EXPECT_EQ(strings::substring(text, 3, 9), "");
    EXPECT_EQ(strings::substring(text, 3, 2), "");
    EXPECT_EQ(strings::offsetOf("abc", "b"), 1);
    EXPECT_EQ(strings::offsetOf(text, "c"), 4);
    EXPECT_FALSE(strings::offsetOf("abc", "x"));
    EXPECT_FALSE(strings::offsetOf("abc", "B"));
    EXPECT_EQ(strings::snakeCased("Open VPN Protocol"), "open_vpn_protocol");
}

TEST(TextMeasurementTest, NarrowerWidthGivesTallerText) {
    const QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    const QString text = QStringLiteral("You cannot disconnect when Always-On VPN is enabled");
    const QRectF wide = strings::heightForWidth(text, 2000, font);
    const QRectF narrow = strings::heightForWidth(text, 80, font);
    EXPECT_GT(wide.height(), 0);
    EXPECT_GT(narrow.height(), wide.height());
    EXPECT_LE(narrow.width(), 80 + 1);
}
