#include "mainwindow/LoadingSpinner.h"
#include "mainwindow/MainSmartWidgetView.h"

#include "platform/ManualScheduler.h"
#include "toolkit/TextAttributes.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

class RecordingWidgetDelegate : public MainSmartWidgetViewDelegate {
public:
    QStringList links;
    QList<double> heights;
    void viewSizeChanged(QWidget*, double height) override { heights << height; }
    void smartWidgetLinkTapped(const QString& link) override { links << link; }
};

const PDSmartWidgetProtocol kItem{
    QStringLiteral("Tip:"), QStringLiteral("Turn on Always-On to stay protected."),
    QStringLiteral("https://example.invalid/always-on"), QStringLiteral("Learn more")};

class MainSmartWidgetViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        widget.resize(420, 60);
        widget.show();
        widget.setDelegate(&delegate);
        scheduler.runUntilIdle();
    }

    bool looksLoading() const {
        return widget.loadingIndicator()->isAnimating() && widget.messageField()->isHidden() &&
               widget.linkButton()->isHidden();
    }
    bool looksShowing() const {
        return !widget.loadingIndicator()->isAnimating() && !widget.messageField()->isHidden() &&
               !widget.linkButton()->isHidden();
    }

    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope{scheduler};
    RecordingWidgetDelegate delegate;
    MainSmartWidgetView widget;
};

} // namespace

TEST_F(MainSmartWidgetViewTest, LoadingThenAnItemEndsShowingTheItemWithItsHeight) {
    widget.configure(std::nullopt, true);
    EXPECT_FALSE(widget.loadingIndicator()->isAnimating()) << "the look changes on the main queue";
    scheduler.runUntilIdle();
    EXPECT_TRUE(looksLoading());
    QTest::mouseClick(&widget, Qt::LeftButton);
    EXPECT_TRUE(delegate.links.isEmpty()) << "nothing to open yet";

    widget.configure(kItem, true); // the item's own update hides the loader right after
    EXPECT_EQ(stringValue(widget.messageField()), kItem.title + QLatin1Char(' ') + kItem.message);
    EXPECT_EQ(widget.linkButton()->text(), kItem.linkTitle);
    scheduler.runUntilIdle();
    EXPECT_TRUE(looksShowing());

    const QString line = kItem.title + QLatin1Char(' ') + kItem.message;
    ASSERT_EQ(delegate.heights.size(), 1);
    EXPECT_DOUBLE_EQ(delegate.heights.last(),
                     heightForWidth(line, widget.messageField()->width(), widget.messageField()->font()) +
                         14.0);
    widget.resize(200, 60); // narrower: the text wraps onto more lines
    QApplication::processEvents();
    widget.configure(kItem, false);
    EXPECT_GT(delegate.heights.last(), delegate.heights.first());

    QTest::mouseClick(widget.linkButton(), Qt::LeftButton);
    QTest::mouseClick(&widget, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(delegate.links, (QStringList{kItem.link, kItem.link}));
}

TEST_F(MainSmartWidgetViewTest, NothingLoadedShowsTheLastTextAndOutsideTextStaysPlain) {
    widget.configure(PDSmartWidgetProtocol{QString(), QStringLiteral("<b>plain</b>"), QString(), QString()},
                     false);
    EXPECT_EQ(stringValue(widget.messageField()), QStringLiteral(" <b>plain</b>"))
        << "an empty headline leaves a blank";
    widget.configure(std::nullopt, true);
    scheduler.runUntilIdle();
    widget.configure(std::nullopt, false);
    scheduler.runUntilIdle();
    EXPECT_TRUE(looksShowing());
    EXPECT_EQ(stringValue(widget.messageField()), QStringLiteral(" <b>plain</b>"));
    EXPECT_FALSE(widget.widgetData().has_value());

    widget.setDelegate(nullptr); // dropped silently
    widget.configure(kItem, false);
    QTest::mouseClick(&widget, Qt::LeftButton);
}

TEST_F(MainSmartWidgetViewTest, TheSpinnerTurnsOnlyWhileItIsSeen) {
    widget.configure(std::nullopt, true);
    scheduler.runUntilIdle();
    LoadingSpinner* spinner = widget.loadingIndicator();
    EXPECT_TRUE(spinner->isTicking());
    widget.hide();
    EXPECT_FALSE(spinner->isTicking());
    scheduler.advance(1.0);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    widget.show();
    EXPECT_TRUE(spinner->isTicking()) << "still loading: it turns again";
    widget.configure(std::nullopt, false);
    scheduler.runUntilIdle();
    EXPECT_FALSE(spinner->isTicking());
    EXPECT_TRUE(spinner->isHidden());
}
