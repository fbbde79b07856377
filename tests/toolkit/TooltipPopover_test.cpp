#include "toolkit/TooltipPopover.h"

#include "core/StringHelpers.h"
#include "platform/ManualScheduler.h"
#include "support/Storyboards.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace {

class TooltipTest : public ::testing::Test {
protected:
    TooltipTest() : scope(scheduler) {
        testsupport::registerController<PopoverController>("Popover", "PopoverController");
        window.resize(300, 200);
        bg = new TooltipHoverBgButton(&window);
        bg->setGeometry(10, 10, 30, 30);
        badge = new TooltipHoverButton(&window);
        badge->setGeometry(50, 10, 30, 30);
        window.show();
    }

    static bool shown(Popover* popover) { return popover && popover->isShown(); }
    static QString shownText(Popover* popover) {
        return popover->contentViewController()->popoverDescriptionField()->text();
    }

    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope;
    QWidget window;
    TooltipHoverBgButton* bg = nullptr;
    TooltipHoverButton* badge = nullptr;
};

} // namespace

TEST(PopoverState, StandardHintsHaveFixedTitlesAndSizes) {
    EXPECT_EQ(titleOf(PopoverState::alwaysOn), "You cannot disconnect when Always-On VPN is enabled");
    EXPECT_EQ(sizeOf(PopoverState::alwaysOn), QSize(188, 50));
    EXPECT_EQ(titleOf(PopoverState::trustedWiredNetwork), "You are connected to Trusted Network");
    EXPECT_EQ(sizeOf(PopoverState::trustedWiredNetwork), QSize(165, 50));
    EXPECT_EQ(sizeOf(PopoverState::splitTunneling), QSize(160, 30));
    EXPECT_EQ(sizeOf(PopoverState::dnsFiltering), QSize(150, 30));
    EXPECT_EQ(titleOf(PopoverState::privateDNS), "Private DNS Enabled");
}

TEST_F(TooltipTest, TheHoverFlagOpensTheTooltipAfterADelayAndClosesItAgain) {
    bg->setPopoverMessage("Settings");
    bg->setHighlight(true);
    EXPECT_FALSE(shown(bg->popover()));
    scheduler.advance(0.14);
    EXPECT_FALSE(shown(bg->popover()));
    scheduler.advance(0.02);
    ASSERT_TRUE(shown(bg->popover()));
    EXPECT_EQ(shownText(bg->popover()), "Settings");
    EXPECT_EQ(bg->popover()->contentViewController()->alignment(), Qt::AlignHCenter);
    EXPECT_EQ(bg->popover()->behavior(), Popover::Behavior::applicationDefined);
    // Below the button.
    EXPECT_GE(bg->popover()->window()->y(), bg->mapToGlobal(QPoint(0, bg->height())).y());

    bg->setHighlight(false);
    scheduler.advance(0.16);
    EXPECT_FALSE(shown(bg->popover()));
}

TEST_F(TooltipTest, EnteringAndLeavingWithinTheDelayEndsClosed) {
    bg->setPopoverMessage("Settings");
    bg->setHighlight(true);
    scheduler.advance(0.05);
    bg->setHighlight(false);
    scheduler.advance(0.5);
    EXPECT_FALSE(shown(bg->popover()));
}

TEST_F(TooltipTest, AHintWinsOverTheFreeTextWithItsFixedSize) {
    bg->setPopoverMessage("ignored");
    bg->setPopoverState(PopoverState::alwaysOn);
    bg->setHighlight(true);
    scheduler.advance(0.2);
    ASSERT_TRUE(shown(bg->popover()));
    EXPECT_EQ(shownText(bg->popover()), titleOf(PopoverState::alwaysOn));
    EXPECT_EQ(bg->popover()->window()->size(), QSize(188, 50 + Popover::arrowHeight)) << "the arrow above";
}

TEST_F(TooltipTest, TheBubbleHasRoundCornersOnATransparentWindowAndAnArrowAtTheButton) {
    bg->setPopoverState(PopoverState::dnsFiltering);
    bg->setHighlight(true);
    scheduler.advance(0.2);
    ASSERT_TRUE(shown(bg->popover()));
    QWidget* window = bg->popover()->window();
    EXPECT_TRUE(window->testAttribute(Qt::WA_TranslucentBackground));
    const QImage image = window->grab().toImage();
    const int top = Popover::arrowHeight;
    EXPECT_EQ(qAlpha(image.pixel(0, top)), 0) << "no light square corner";
    EXPECT_EQ(qAlpha(image.pixel(image.width() - 1, image.height() - 1)), 0);
    EXPECT_EQ(image.pixelColor(image.width() - 4, image.height() / 2 + 2), QColor("#1B2046"))
        << "beside the text";
    const int arrowX = bg->mapToGlobal(QPoint(bg->width() / 2, 0)).x() - window->x();
    EXPECT_GT(qAlpha(image.pixel(arrowX, 2)), 200) << "the arrow points at the button's centre";
    EXPECT_EQ(qAlpha(image.pixel(std::max(0, arrowX - 12), 1)), 0);
}

TEST_F(TooltipTest, AFreeTextIsMeasuredInInterAtTheWidthLessTwenty) {
    QFont inter(QStringLiteral("Inter"));
    inter.setPixelSize(12);
    const QString text = QStringLiteral("Sign out of your workspace and stop protecting this device");
    bg->setPopoverMessage(text);
    EXPECT_EQ(
        bg->tooltip().contentSize(),
        QSize(250, static_cast<int>(std::ceil(strings::heightForWidth(text, 230, inter).height() + 10))));
    bg->setPopoverMessage(text, 300);
    EXPECT_EQ(bg->tooltip().contentSize().width(), 300);
    EXPECT_EQ(bg->tooltip().contentSize().height(),
              static_cast<int>(std::ceil(strings::heightForWidth(text, 280, inter).height() + 10)));
    badge->setPopoverMessage(text);
    EXPECT_EQ(
        badge->tooltip().contentSize(),
        QSize(250, static_cast<int>(std::ceil(strings::heightForWidth(text, 230, inter).height() + 10))));
}

TEST_F(TooltipTest, AnEmptyTextShowsNothing) {
    bg->setHighlight(true);
    scheduler.advance(0.2);
    EXPECT_FALSE(shown(bg->popover()));
}

TEST_F(TooltipTest, NoTooltipForAHiddenButtonOrAWindowThatIsNotShown) {
    bg->setPopoverMessage("Settings");
    bg->setHighlight(true);
    bg->hide();
    scheduler.advance(0.2);
    EXPECT_FALSE(shown(bg->popover()));

    bg->show();
    bg->setHighlight(true);
    window.hide();
    scheduler.advance(0.2);
    EXPECT_FALSE(shown(bg->popover()));
}

TEST_F(TooltipTest, ClickingTheBgButtonClosesItsTooltipAndActs) {
    QSignalSpy clicked(bg, &QAbstractButton::clicked);
    bg->setPopoverMessage("Settings");
    bg->setHighlight(true);
    scheduler.advance(0.2);
    ASSERT_TRUE(shown(bg->popover()));
    QTest::mouseClick(bg, Qt::LeftButton);
    EXPECT_FALSE(shown(bg->popover()));
    EXPECT_EQ(clicked.count(), 1);
}

TEST_F(TooltipTest, TheBadgeIsDisplayOnlyWithALeftAlignedTransientTooltipAndNoRepaintReopensIt) {
    QSignalSpy clicked(badge, &QAbstractButton::clicked);
    badge->setPopoverState(PopoverState::splitTunneling);
    badge->setHighlight(true);
    scheduler.advance(0.2);
    ASSERT_TRUE(shown(badge->popover()));
    EXPECT_EQ(badge->popover()->contentViewController()->alignment(), Qt::AlignLeft);
    EXPECT_EQ(badge->popover()->behavior(), Popover::Behavior::transient);
    EXPECT_EQ(badge->hoverCursor().shape(), Qt::ArrowCursor);

    badge->setHighlight(false);
    scheduler.advance(0.2);
    badge->repaint(); // painting never drives the tooltip
    scheduler.advance(0.2);
    EXPECT_FALSE(shown(badge->popover()));

    QTest::mouseClick(badge, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 0);
}
