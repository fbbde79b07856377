#include "toolkit/NSPageControl.h"

#include "platform/ManualScheduler.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

class PageControlTest : public ::testing::Test {
protected:
    PageControlTest() : scope(scheduler) {
        control.resize(100, 30);
        control.setDotLength(12);
        control.setDotMargin(8);
        control.setPageIndicatorTintColor(Qt::red);
        control.setCurrentPageIndicatorTintColor(Qt::blue);
    }

    QColor pixelOfDot(int index) {
        const QImage image = control.grab().toImage();
        return image.pixelColor(control.dotLayers().at(index).frame.center().toPoint());
    }

    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope;
    NSPageControl control;
};

} // namespace

TEST(NSPageControlLayout, FourOnboardingDotsAreCentredAndHalfADotBelowTheMiddle) {
    const auto frames = NSPageControl::dotFrames(QSizeF(100, 30), 4, 12, 8);
    ASSERT_EQ(frames.size(), 4u);
    const double xs[] = {14, 34, 54, 74};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_DOUBLE_EQ(frames[i].x(), xs[i]);
        // y = 3 upwards in a 30-high view: 15 from the top.
        EXPECT_DOUBLE_EQ(frames[i].y(), 15);
        EXPECT_EQ(frames[i].size(), QSizeF(12, 12));
    }
}

TEST_F(PageControlTest, CurrentPageIsKeptWithinThePagesAndNoPagesMeansNoDots) {
    control.setCurrentPage(5);
    EXPECT_EQ(control.currentPage(), 0); // no pages: never -1
    control.grab();
    EXPECT_TRUE(control.dotLayers().empty());

    control.setNumberOfPages(4);
    control.setCurrentPage(-3);
    EXPECT_EQ(control.currentPage(), 0);
    control.setCurrentPage(7);
    EXPECT_EQ(control.currentPage(), 3);
}

TEST_F(PageControlTest, APageChangeCrossColoursTheTwoDotsAndKeepsTheNewColours) {
    control.setNumberOfPages(4);
    EXPECT_EQ(pixelOfDot(0), QColor(Qt::blue));
    EXPECT_EQ(pixelOfDot(2), QColor(Qt::red));

    control.setCurrentPage(2);
    scheduler.advance(0.02);
    const QColor midway = control.dotLayers()[0].fillColor;
    EXPECT_NE(midway, QColor(Qt::blue));
    EXPECT_NE(midway, QColor(Qt::red));
    scheduler.advance(0.03);
    EXPECT_EQ(control.dotLayers()[0].fillColor, QColor(Qt::red));
    EXPECT_EQ(control.dotLayers()[2].fillColor, QColor(Qt::blue));
    EXPECT_EQ(pixelOfDot(2), QColor(Qt::blue));

    // The same page again starts nothing.
    control.setCurrentPage(2);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(PageControlTest, ColoursAndCountsChangeOnScreenOnlyAtTheNextDrawing) {
    control.setNumberOfPages(3);
    control.grab();
    control.setPageIndicatorTintColor(Qt::green);
    EXPECT_EQ(control.dotLayers()[1].fillColor, QColor(Qt::red));
    EXPECT_EQ(pixelOfDot(1), QColor(Qt::green));
}

TEST_F(PageControlTest, ATooSmallViewStillDrawsEveryDot) {
    control.resize(40, 10);
    control.setNumberOfPages(4);
    testing::internal::CaptureStdout();
    control.grab();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("dirtyRect doesn't have enough space to draw all dots"), std::string::npos);
    EXPECT_NE(out.find("required Size:(72.0, 12.0)"), std::string::npos);
    EXPECT_EQ(control.dotLayers().size(), 4u);
    EXPECT_LT(control.dotLayers().front().frame.x(), 0); // overflowing on both sides
}
