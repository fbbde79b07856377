#include "toolkit/MainErrorView.h"

#include "toolkit/Button.h"
#include "toolkit/HoverableButton.h"
#include "toolkit/NSViewLayerBacked.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

class RecordingBannerDelegate : public QObject, public MainErrorViewDelegate {
public:
    QStringList taps;
    QList<double> heights;
    void viewSizeChanged(QWidget*, double height) override { heights << height; }
    void errorViewCloseTapped() override { taps << QStringLiteral("close"); }
    void errorViewTryAgainTapped() override { taps << QStringLiteral("tryAgain"); }
    void errorViewUpdateNowTapped() override { taps << QStringLiteral("updateNow"); }
    void errorViewBannerClicked() override { taps << QStringLiteral("banner"); }
};

// An owner that needs only close and try again, as the sign-in screen does.
class CloseOnlyDelegate : public MainErrorViewDelegate {
public:
    int closes = 0;
    void viewSizeChanged(QWidget*, double) override {}
    void errorViewCloseTapped() override { ++closes; }
    void errorViewTryAgainTapped() override {}
};

QString hex(const QColor& color) {
    return color.name(QColor::HexArgb).toUpper();
}

class MainErrorViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        banner.resize(480, 80);
        banner.setDelegate(&delegate);
    }
    MainErrorView banner;
    RecordingBannerDelegate delegate;
};

} // namespace

TEST(NotificationPopupTypes, AgeClassesColoursCursorsAndEquality) {
    EXPECT_EQ(silentUpdateTimeinterval(-3), SilentUpdateTimeinterval::new_);
    EXPECT_EQ(silentUpdateTimeinterval(0), SilentUpdateTimeinterval::new_);
    EXPECT_EQ(silentUpdateTimeinterval(1), SilentUpdateTimeinterval::new_);
    EXPECT_EQ(silentUpdateTimeinterval(2), SilentUpdateTimeinterval::normal);
    EXPECT_EQ(silentUpdateTimeinterval(3), SilentUpdateTimeinterval::normal);
    EXPECT_EQ(silentUpdateTimeinterval(4), SilentUpdateTimeinterval::old);
    EXPECT_EQ(silentUpdateTimeinterval(400), SilentUpdateTimeinterval::old);

    using T = NotificationPopupType;
    EXPECT_EQ(hex(T::silentUpdate(SilentUpdateTimeinterval::new_).indicatorColor()), "#FF3ACC73");
    EXPECT_EQ(hex(T::silentUpdate(SilentUpdateTimeinterval::normal).indicatorColor()), "#FFFFCA5D");
    EXPECT_EQ(hex(T::silentUpdate(SilentUpdateTimeinterval::old).indicatorColor()), "#FFF66161");
    EXPECT_EQ(hex(T::error().indicatorColor()), "#FFF66161");
    EXPECT_EQ(hex(T::update().indicatorColor()), "#FF3ACC73");
    EXPECT_EQ(hex(T::silentUpdateSucccess().indicatorColor()), "#FF2B7BFA");

    EXPECT_EQ(T::update().cursor(), Qt::PointingHandCursor);
    EXPECT_FALSE(T::error().cursor().has_value());
    EXPECT_FALSE(T::silentUpdate(SilentUpdateTimeinterval::old).cursor().has_value());

    EXPECT_EQ(T::silentUpdate(SilentUpdateTimeinterval::old), T::silentUpdate(SilentUpdateTimeinterval::old));
    EXPECT_NE(T::silentUpdate(SilentUpdateTimeinterval::old),
              T::silentUpdate(SilentUpdateTimeinterval::new_));
    EXPECT_NE(T::error(), T::update());
    EXPECT_EQ(T::error().timeinterval(), std::nullopt);
}

TEST_F(MainErrorViewTest, ShowsEachKindWithItsStripTextsAndButtons) {
    banner.show(NotificationPopupType::error(), std::nullopt, QStringLiteral("The tunnel dropped."));
    EXPECT_EQ(banner.titleText(), QStringLiteral("Something Went Wrong With Your Connection"));
    EXPECT_EQ(banner.descriptionText(), QStringLiteral("The tunnel dropped."));
    EXPECT_EQ(hex(banner.viewIndicatorButton()->bgColor()), "#FFF66161");
    EXPECT_TRUE(banner.tryAgainButton()->isHidden());
    EXPECT_FALSE(banner.closeButton()->isHidden());
    EXPECT_EQ(banner.cursor().shape(), Qt::ArrowCursor);

    banner.show(NotificationPopupType::silentUpdate(SilentUpdateTimeinterval::normal),
                QStringLiteral("Update"), QStringLiteral("Version 2.1.0 is ready."));
    EXPECT_EQ(banner.titleText(), QStringLiteral("Update"));
    EXPECT_EQ(hex(banner.viewIndicatorButton()->bgColor()), "#FFFFCA5D");
    EXPECT_FALSE(banner.tryAgainButton()->isHidden());
    EXPECT_EQ(banner.tryAgainButton()->text(), QStringLiteral("Update Now"));
    EXPECT_EQ(banner.tryAgainButton()->palette().color(QPalette::ButtonText), QColor(Qt::white));
    EXPECT_TRUE(banner.closeButton()->isHidden());

    banner.show(NotificationPopupType::update(), QStringLiteral("Update available"), QStringLiteral("2.1.0"));
    EXPECT_TRUE(banner.tryAgainButton()->isHidden());
    EXPECT_FALSE(banner.closeButton()->isHidden());
    EXPECT_EQ(banner.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(banner.notificationType(), NotificationPopupType::update());

    banner.show(NotificationPopupType::silentUpdateSucccess(), QStringLiteral("Installed"), QString());
    EXPECT_EQ(hex(banner.viewIndicatorButton()->bgColor()), "#FF2B7BFA");
    EXPECT_EQ(banner.cursor().shape(), Qt::ArrowCursor);
    // Showing leaves the banner's visibility to its owner.
    EXPECT_EQ(banner.delegate(), &delegate);
    EXPECT_TRUE(delegate.taps.isEmpty());
}

TEST_F(MainErrorViewTest, ServiceTextsStayPlainAndLongTitlesAreElided) {
    const QString markup = QStringLiteral("<b>Gateway</b> &amp; <a href='x'>more</a>");
    banner.show(NotificationPopupType::error(), markup, markup);
    EXPECT_EQ(banner.titleField()->textFormat(), Qt::PlainText);
    EXPECT_EQ(banner.titleField()->text(), markup);
    EXPECT_EQ(banner.descriptionText(), markup);

    const QString longTitle = QString(300, QLatin1Char('W'));
    banner.show(NotificationPopupType::error(), longTitle, QStringLiteral("x"));
    EXPECT_EQ(banner.titleText(), longTitle);
    EXPECT_TRUE(banner.titleField()->text().endsWith(QChar(0x2026)));
    EXPECT_LE(banner.titleField()->fontMetrics().horizontalAdvance(banner.titleField()->text()),
              banner.titleField()->width());
}

TEST_F(MainErrorViewTest, ReportsTheDescriptionHeightPlusItsChrome) {
    banner.show(NotificationPopupType::error(), std::nullopt, QStringLiteral("One short line."));
    ASSERT_EQ(delegate.heights.size(), 1);
    const double oneLine = delegate.heights.last() - 57.0;
    EXPECT_GT(oneLine, 10.0);
    EXPECT_LT(oneLine, 25.0);
    EXPECT_DOUBLE_EQ(delegate.heights.last(), banner.descriptionHeight() + 57.0);

    // The title does not count.
    banner.show(NotificationPopupType::error(), QString(200, QLatin1Char('T')),
                QStringLiteral("One short line."));
    EXPECT_DOUBLE_EQ(delegate.heights.last(), oneLine + 57.0);

    // An empty message still leaves room for a line; a long one grows with its lines, also when it has
    // no word boundary at all.
    banner.show(NotificationPopupType::error(), std::nullopt, QString());
    EXPECT_GE(delegate.heights.last(), 57.0);
    banner.show(NotificationPopupType::error(), std::nullopt, QString(2000, QLatin1Char('x')));
    EXPECT_GT(delegate.heights.last(), oneLine * 5 + 57.0);

    // A narrower banner on screen wraps into more lines and says so.
    banner.show();
    banner.show(NotificationPopupType::error(), std::nullopt,
                QString(40, QLatin1Char('y')).append(" z z z z"));
    const double wide = delegate.heights.last();
    banner.resize(200, 80);
    EXPECT_GT(delegate.heights.last(), wide);
}

TEST_F(MainErrorViewTest, SendsTapsAndClicksToItsDelegateOnly) {
    banner.show(NotificationPopupType::error(), std::nullopt, QStringLiteral("x"));
    QTest::mouseClick(banner.closeButton(), Qt::LeftButton);
    banner.close();
    QTest::mouseClick(banner.titleField(), Qt::LeftButton); // an error banner ignores clicks
    EXPECT_EQ(delegate.taps, (QStringList{"close", "close"}));

    banner.tryAgainButton()->show(); // an owner may offer try again on an error banner itself
    QTest::mouseClick(banner.tryAgainButton(), Qt::LeftButton);
    EXPECT_EQ(delegate.taps.last(), QStringLiteral("tryAgain"));

    banner.show(NotificationPopupType::silentUpdate(SilentUpdateTimeinterval::old), std::nullopt, "x");
    QTest::mouseClick(banner.tryAgainButton(), Qt::LeftButton);
    QTest::mouseClick(&banner, Qt::LeftButton);
    EXPECT_EQ(delegate.taps.last(), QStringLiteral("updateNow"));

    banner.show(NotificationPopupType::update(), std::nullopt, "x");
    QTest::mouseClick(banner.titleField(), Qt::LeftButton); // anywhere on the banner
    EXPECT_EQ(delegate.taps.last(), QStringLiteral("banner"));
    EXPECT_EQ(delegate.taps.size(), 5);
}

TEST(MainErrorViewDelegates, AreNotOwnedAndMayLeaveTheLastTwoActionsOut) {
    MainErrorView banner;
    banner.resize(400, 80);
    CloseOnlyDelegate closeOnly;
    banner.setDelegate(&closeOnly);
    banner.show(NotificationPopupType::silentUpdate(SilentUpdateTimeinterval::new_), std::nullopt, "x");
    QTest::mouseClick(banner.tryAgainButton(), Qt::LeftButton);
    banner.show(NotificationPopupType::update(), std::nullopt, "x");
    QTest::mouseClick(&banner, Qt::LeftButton);
    banner.close();
    EXPECT_EQ(closeOnly.closes, 1);

    auto recording = std::make_unique<RecordingBannerDelegate>();
    banner.setDelegate(recording.get());
    recording.reset();
    EXPECT_EQ(banner.delegate(), nullptr);
    banner.show(NotificationPopupType::update(), std::nullopt, "x");
    QTest::mouseClick(&banner, Qt::LeftButton);
    banner.close();
}
