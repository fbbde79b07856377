#include "toolkit/AppKitExtensions.h"
#include "toolkit/HoverableButton.h"

#include "platform/Bundle.h"
#include "support/ModalOverlayScope.h"

#include <QApplication>
#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QImage imageOf(const QIcon& icon) {
    return icon.pixmap(16, 16).toImage();
}

class RecordingHoverDelegate : public QObject, public HoverableNSViewDelegate {
public:
    QList<bool> changes;
    void hoverStateChanged(bool isHovered) override { changes << isHovered; }
};

} // namespace

TEST(HoverableButtons, LightUpWithTheHandCursorAndFollowResizes) {
    HoverableButton button; // made in code, never from a nib: it still follows the pointer
    button.resize(40, 20);
    EXPECT_FALSE(button.highlight());
    enter(&button);
    EXPECT_TRUE(button.highlight());
    EXPECT_EQ(button.cursor().shape(), Qt::PointingHandCursor);
    leave(&button);
    EXPECT_FALSE(button.highlight());
    EXPECT_EQ(button.cursor().shape(), Qt::ArrowCursor);

    button.resize(200, 60); // bigger now: entering the new area lights it too
    enter(&button);
    EXPECT_TRUE(button.highlight());
    leave(&button);

    button.setHoverCursor(Qt::CrossCursor);
    button.setHighlight(true); // from code, and again with the same value
    button.setHighlight(true);
    EXPECT_EQ(button.cursor().shape(), Qt::CrossCursor);
}

TEST(HoverableButtons, StayDarkWhileDisabledButLeavingAlwaysClears) {
    HoverableButton button;
    button.resize(40, 20);
    button.setEnabled(false);
    enter(&button);
    EXPECT_FALSE(button.highlight());

    button.setEnabled(true);
    enter(&button);
    ASSERT_TRUE(button.highlight());
    button.setEnabled(false);
    leave(&button);
    EXPECT_FALSE(button.highlight());
}

TEST(HoverableButtons, NothingLightsWhileTheModalOverlayIsShown) {
    ModalOverlayScope overlay;
    HoverableButton button;
    HoverableNSView view;
    RecordingHoverDelegate delegate;
    view.setDelegate(&delegate);
    enter(&button);
    enter(&view);
    ASSERT_TRUE(button.highlight());
    ASSERT_TRUE(view.highlight());
    leave(&button);
    leave(&view);

    overlay.present();
    ASSERT_TRUE(isModalViewControllerPresented());
    enter(&button);
    enter(&view);
    EXPECT_FALSE(button.highlight());
    EXPECT_FALSE(view.highlight());
    EXPECT_EQ(delegate.changes, (QList<bool>{true, false}));

    // A light that was on when the overlay came still goes out.
    button.setHighlight(true);
    leave(&button);
    EXPECT_FALSE(button.highlight());

    overlay.dismiss();
    enter(&button);
    EXPECT_TRUE(button.highlight());
}

TEST(HoverableButtons, BackgroundButtonsFillWhileLitOrSelected) {
    HoverableBgButton button;
    button.setFlat(true);
    button.resize(40, 40);
    button.setHoverColor(Qt::red);
    EXPECT_NE(button.grab().toImage().pixelColor(20, 20), QColor(Qt::red));
    button.setHighlight(true);
    QImage lit = button.grab().toImage();
    EXPECT_EQ(lit.pixelColor(20, 20), QColor(Qt::red));
    EXPECT_EQ(lit.pixelColor(0, 0), QColor(Qt::red)); // square corners

    button.setCornerRadius(12);
    lit = button.grab().toImage();
    EXPECT_EQ(lit.pixelColor(20, 20), QColor(Qt::red));
    EXPECT_NE(lit.pixelColor(0, 0), QColor(Qt::red)); // rounded off

    ImageSelectableButton selectable;
    selectable.setFlat(true);
    selectable.resize(40, 40);
    selectable.setHoverColor(Qt::blue);
    EXPECT_TRUE(selectable.icon().isNull()); // creating it shows no image of its own
    selectable.setSelected(true);            // no pointer over it
    EXPECT_EQ(selectable.grab().toImage().pixelColor(2, 2), QColor(Qt::blue));
    EXPECT_EQ(imageOf(selectable.icon()),
              imageOf(platform::Bundle::main().image(QStringLiteral("networksCrossImageHover"))));
    selectable.setSelected(false);
    EXPECT_EQ(imageOf(selectable.icon()),
              imageOf(platform::Bundle::main().image(QStringLiteral("networksCrossImage"))));
    EXPECT_NE(selectable.grab().toImage().pixelColor(2, 2), QColor(Qt::blue));
}

TEST(HoverableButtons, ImageButtonsSwapImageAndTitleColourAndGoDarkAfterAClick) {
    const QImage normal = imageOf(platform::Bundle::main().image(QStringLiteral("networksCrossImage")));
    const QImage hovered = imageOf(platform::Bundle::main().image(QStringLiteral("networksCrossImageHover")));
    ASSERT_FALSE(normal.isNull());
    ASSERT_NE(normal, hovered);

    ImageHoverableButton button;
    button.setText(QStringLiteral("Change"));
    button.resize(120, 30);
    button.setHoverColor(Qt::cyan);
    button.setDefaultColor(Qt::gray);
    EXPECT_TRUE(button.icon().isNull()); // the image given at creation stays until the flag is written

    enter(&button);
    EXPECT_EQ(imageOf(button.icon()), hovered);
    EXPECT_EQ(button.palette().color(QPalette::ButtonText), QColor(Qt::cyan));
    EXPECT_EQ(button.cursor().shape(), Qt::PointingHandCursor);

    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_FALSE(button.highlight()); // pointer still over it
    EXPECT_EQ(imageOf(button.icon()), normal);
    EXPECT_EQ(button.palette().color(QPalette::ButtonText), QColor(Qt::gray));
}

TEST(HoverableButtons, HandCursorButtonAndHoverViewDelegate) {
    QWidget parent; // a window keeps its cursor attribute; a child shows its parent's
    auto& hand = *new NSButtonWithHandCursor(&parent);
    EXPECT_EQ(hand.cursor().shape(), Qt::PointingHandCursor);
    hand.setHandCursor(std::nullopt);
    EXPECT_FALSE(hand.testAttribute(Qt::WA_SetCursor));
    hand.setHandCursor(QCursor(Qt::IBeamCursor));
    EXPECT_EQ(hand.cursor().shape(), Qt::IBeamCursor);

    HoverableNSView view;
    view.resize(50, 50);
    auto* delegate = new RecordingHoverDelegate;
    view.setDelegate(delegate);
    enter(&view);
    view.setHighlight(true); // same value: no news for the delegate
    EXPECT_EQ(view.cursor().shape(), Qt::PointingHandCursor);
    leave(&view);
    EXPECT_EQ(view.cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(delegate->changes, (QList<bool>{true, false}));

    delete delegate; // a released delegate is not called
    EXPECT_EQ(view.delegate(), nullptr);
    enter(&view);
    EXPECT_TRUE(view.highlight());
}
