#include "toolkit/SwitchControl.h"

#include "platform/ManualScheduler.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

struct RecordingSwitchDelegate : NSSwitchDelegate {
    std::vector<bool> values;
    void switchValueChanged(NSSwitchCustom* sender) override { values.push_back(sender->on()); }
};

class SwitchTest : public ::testing::Test {
protected:
    SwitchTest() : scope(scheduler) {
        control.delegate = &delegate;
        control.show();
    }
    QColor track() const { return control.backgroundView()->layerBackgroundColor(); }
    QPoint thumb() const { return control.thumbView()->pos(); }

    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope;
    RecordingSwitchDelegate delegate;
    SwitchControl control;
};

} // namespace

TEST_F(SwitchTest, ANewSwitchIsAGreyCapsuleWithItsThumbAtTheOffPosition) {
    EXPECT_FALSE(control.on());
    EXPECT_EQ(control.backgroundView()->geometry(), QRect(0, 0, 40, 20));
    EXPECT_EQ(control.backgroundView()->cornerRadius(), 10.0);
    EXPECT_EQ(track(), QColor(114, 114, 114));
    EXPECT_EQ(control.thumbView()->geometry(), QRect(2, 2, 16, 16));
    EXPECT_EQ(control.thumbView()->cornerRadius(), 8.0);
    EXPECT_EQ(control.thumbView()->layerBackgroundColor(), QColor(Qt::white));
    // The thumb is round and white where it is drawn.
    const QImage image = control.grab().toImage();
    EXPECT_EQ(image.pixelColor(10, 10), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(30, 10), QColor(114, 114, 114));
}

TEST_F(SwitchTest, SetOnMovesTheThumbAtOnceOrSlidesItAndTellsTheDelegateEveryTime) {
    control.setOn(true, false);
    EXPECT_EQ(track(), QColor(40, 150, 245));
    EXPECT_EQ(thumb(), QPoint(22, 2));

    control.setOn(false, true);
    EXPECT_EQ(track(), QColor(114, 114, 114)); // the colour does not animate
    EXPECT_EQ(thumb(), QPoint(22, 2));
    scheduler.advance(0.1);
    EXPECT_GT(thumb().x(), 2);
    EXPECT_LT(thumb().x(), 22);
    EXPECT_GT(thumb().x(), 12); // ease-in: slow at first
    scheduler.advance(0.11);
    EXPECT_EQ(thumb(), QPoint(2, 2));

    control.setOn(false, false); // the same value: repainted, re-placed and told again
    EXPECT_EQ(delegate.values, (std::vector<bool>{true, false, false}));
}

TEST_F(SwitchTest, AClickOrSpaceOrReturnFlipsWithTheSlideThenSendsTheActionOnce) {
    const struct {
        const char* how;
        std::function<void(SwitchControl&)> press;
    } presses[] = {
        {"click", [](SwitchControl& s) { QTest::mouseClick(&s, Qt::LeftButton, {}, QPoint(10, 10)); }},
        {"Space", [](SwitchControl& s) { QTest::keyClick(&s, Qt::Key_Space); }},
        {"Return", [](SwitchControl& s) { QTest::keyClick(&s, Qt::Key_Return); }},
    };
    for (const auto& press : presses) {
        SwitchControl flipped;
        RecordingSwitchDelegate told;
        flipped.delegate = &told;
        flipped.show();
        QSignalSpy clicked(&flipped, &NSSwitchCustom::clicked);
        bool onWhenClicked = false;
        QObject::connect(&flipped, &NSSwitchCustom::clicked, [&] { onWhenClicked = flipped.on(); });
        press.press(flipped);
        EXPECT_TRUE(flipped.on()) << press.how;
        EXPECT_TRUE(onWhenClicked) << press.how;
        EXPECT_EQ(clicked.count(), 1) << press.how;
        EXPECT_EQ(told.values, std::vector<bool>{true}) << press.how;
        EXPECT_TRUE(flipped.isAnimated) << press.how;
        scheduler.advance(0.21);
        EXPECT_EQ(flipped.thumbView()->pos(), QPoint(22, 2)) << press.how;
    }
}

TEST_F(SwitchTest, ADisabledSwitchIgnoresClicksAndShowsItsDimmedColour) {
    control.setOn(true, false);
    delegate.values.clear();
    control.setEnabled(false);
    EXPECT_EQ(track(), QColor(0x2B, 0x7B, 0xFA, 0x80));
    EXPECT_TRUE(delegate.values.empty()); // enabling and disabling report no value change

    QSignalSpy clicked(&control, &NSSwitchCustom::clicked);
    QTest::mouseClick(&control, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(control.on());
    EXPECT_EQ(clicked.count(), 0);

    control.setOn(false, false);
    EXPECT_EQ(track(), QColor(0x0E, 0x36, 0x76, 0x80));
    control.setEnabled(true);
    EXPECT_EQ(track(), QColor(114, 114, 114));
    control.setOn(true, false);
    EXPECT_EQ(track(), QColor(40, 150, 245));
    EXPECT_EQ(delegate.values, (std::vector<bool>{false, true}));
}

TEST_F(SwitchTest, ColourSettersPaintOffAndThumbAtOnceAndOnOnlyAtTheNextChange) {
    control.setOn(true, false);
    control.setOffColor(Qt::red);
    EXPECT_EQ(track(), QColor(Qt::red)); // whatever the state
    control.setThumbColor(Qt::black);
    EXPECT_EQ(control.thumbView()->layerBackgroundColor(), QColor(Qt::black));
    control.setOnColor(Qt::green);
    EXPECT_EQ(track(), QColor(Qt::red));
    control.setOn(true, false);
    EXPECT_EQ(track(), QColor(Qt::green));
}
