#include "toolkit/Button.h"
#include "toolkit/Colors.h"
#include "toolkit/NSCenteredTextFieldCell.h"
#include "toolkit/Scrollers.h"

#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace {

// Rows of the image that hold any pixel of `color` (for black: any dark pixel, text is smoothed).
// Black text on a white field, so that drawn rows can be told.
void blackOnWhite(QWidget& field) {
    QPalette palette = field.palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::Window, Qt::white);
    field.setPalette(palette);
    field.setAutoFillBackground(true);
}

std::pair<int, int> rowsWith(const QImage& image, const QColor& color) {
    int first = -1;
    int last = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (color == QColor(Qt::black) ? pixel.lightness() < 100 : pixel == color) {
                first = first < 0 ? y : first;
                last = y;
                break;
            }
        }
    }
    return {first, last};
}

QImage titleOf(ButtonCell& cell, const QRectF& frame, QRectF* covered = nullptr) {
    QImage image(100, 40, QImage::Format_ARGB32);
    image.fill(Qt::white);
    Button view(QStringLiteral("Go"));
    QPalette palette = view.palette();
    palette.setColor(QPalette::ButtonText, Qt::black);
    view.setPalette(palette);
    QPainter painter(&image);
    const QRectF drawn = cell.drawTitle(painter, QStringLiteral("Go"), frame, view);
    if (covered) {
        *covered = drawn;
    }
    return image;
}

class FixedHeightCell : public NSCenteredTextFieldCell {
public:
    int textHeight = 17;
    QSize cellSizeForBounds(const QRect& bounds) const override { return QSize(bounds.width(), textHeight); }
};

// Counts the wheel events that reach it.
class WheelCounter : public QWidget {
public:
    int wheels = 0;

protected:
    void wheelEvent(QWheelEvent* event) override {
        ++wheels;
        event->accept();
    }
};

void wheel(QWidget* target) {
    const QPointF at(5, 5);
    QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    // As the platform sends it: unaccepted, it goes on to the parents.
    QSpontaneKeyEvent::setSpontaneous(&event);
    qApp->notify(target, &event);
}

} // namespace

TEST(ToolkitButton, DrawsNoDesktopBevelUnlessAskedFor) {
    QWidget window;
    window.setAutoFillBackground(true);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, Qt::white);
    window.setPalette(palette);
    window.resize(100, 40);
    auto* button = new Button(&window);
    button->setGeometry(10, 5, 80, 30);
    auto onlyBackground = [&] {
        const QImage image = window.grab().toImage();
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixelColor(x, y) != QColor(Qt::white)) {
                    return false;
                }
            }
        }
        return true;
    };
    EXPECT_TRUE(onlyBackground());
    button->setFlat(false);
    EXPECT_FALSE(onlyBackground()) << "a bevel when one is asked for";
}

TEST(OffsetButtonCell, MovesTheTitleUpTwoPointsByDefaultAndTheImageNot) {
    ButtonCell plain;
    ButtonWithTextAndImageOffsetCell offset;
    EXPECT_EQ(offset.buttonLabelOffsetY(), 2.0);
    EXPECT_EQ(offset.buttonLabelOffsetX(), 0.0);
    EXPECT_EQ(offset.buttonImageOffsetY(), 0.0);

    const QRectF frame(0, 0, 100, 40);
    QRectF plainRect;
    QRectF offsetRect;
    const auto plainRows = rowsWith(titleOf(plain, frame, &plainRect), Qt::black);
    const auto offsetRows = rowsWith(titleOf(offset, frame, &offsetRect), Qt::black);
    ASSERT_GE(plainRows.first, 0);
    EXPECT_EQ(offsetRows.first, plainRows.first - 2);
    EXPECT_DOUBLE_EQ(offsetRect.y(), plainRect.y() - 2.0);

    offset.setButtonLabelOffsetY(0);
    EXPECT_EQ(rowsWith(titleOf(offset, frame), Qt::black), plainRows);
    offset.setButtonLabelOffsetY(-3); // the other way
    offset.setButtonLabelOffsetX(-4);
    titleOf(offset, frame, &offsetRect);
    EXPECT_DOUBLE_EQ(offsetRect.y(), plainRect.y() + 3.0);
    EXPECT_DOUBLE_EQ(offsetRect.x(), plainRect.x() + 4.0);
}

TEST(OffsetButtonCell, ShiftsTheImageInAButton) {
    QPixmap square(10, 10);
    square.fill(Qt::red);
    Button button;
    button.setFlat(true);
    button.setIcon(QIcon(square));
    button.setIconSize(QSize(10, 10));
    button.resize(40, 40);
    const auto plainRows = rowsWith(button.grab().toImage(), Qt::red);
    auto cell = std::make_unique<ButtonWithTextAndImageOffsetCell>();
    cell->setButtonImageOffsetY(5);
    button.setCell(std::move(cell));
    const auto shifted = rowsWith(button.grab().toImage(), Qt::red);
    ASSERT_GE(plainRows.first, 0);
    EXPECT_EQ(shifted.first, plainRows.first - 5);
    EXPECT_EQ(shifted.second, plainRows.second - 5);
}

TEST(Scrollers, AreEightWideWithTheirColoursAndAKnobThatFollowsTheValue) {
    TransculentScroller blue;
    TransculentScrollerSW orange;
    EXPECT_EQ(TransculentScroller::scrollerWidth(), 8);
    EXPECT_EQ(blue.sizeHint().width(), 8);
    EXPECT_EQ(blue.scrollBgColor(), colorFromHexString(QStringLiteral("#1A3985B3")));
    EXPECT_EQ(blue.scrollKnobColor(), colorFromHexString(QStringLiteral("#6F9CD9")));
    EXPECT_EQ(orange.scrollBgColor(), colorFromHexString(QStringLiteral("#919191B3")));
    EXPECT_EQ(orange.scrollKnobColor(), colorFromHexString(QStringLiteral("#FF8640")));
    EXPECT_EQ(orange.scrollBgColor().alpha(), 0xB3);

    orange.resize(8, 200);
    orange.setRange(0, 100);
    orange.setPageStep(100); // the knob covers half the track
    const QRect top = orange.knobRect();
    EXPECT_EQ(top.top(), 0);
    EXPECT_NEAR(top.height(), 100, 1);
    orange.setValue(100);
    EXPECT_NEAR(orange.knobRect().bottom(), 199, 1);

    const QImage picture = orange.grab().toImage();
    EXPECT_EQ(picture.pixelColor(4, 150), orange.scrollKnobColor());
    EXPECT_NE(picture.pixelColor(4, 50), orange.scrollKnobColor()); // the track shows above the knob

    // A scroll view takes the slim width for its scroller.
    QScrollArea area;
    area.setVerticalScrollBar(new TransculentScroller);
    area.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    area.resize(100, 100);
    area.show();
    EXPECT_EQ(area.verticalScrollBar()->width(), 8);
}

TEST(DisabledScrollView, PassesWheelEventsOnWhileDisabled) {
    WheelCounter outer;
    auto* layout = new QVBoxLayout(&outer);
    auto* view = new DisabledScrollView;
    layout->addWidget(view);
    auto* content = new QWidget;
    content->setMinimumSize(100, 1000);
    view->setWidget(content);
    outer.resize(120, 120);
    outer.show();

    wheel(view->viewport());
    EXPECT_GT(view->verticalScrollBar()->value(), 0);
    EXPECT_EQ(outer.wheels, 0);

    view->verticalScrollBar()->setValue(0);
    view->setScrollEnabled(false);
    wheel(view->viewport());
    EXPECT_EQ(view->verticalScrollBar()->value(), 0); // its content did not move
    EXPECT_EQ(outer.wheels, 1);                       // the view behind it got the event
}

TEST(CentredTextField, RichAndHighlightedTextShowsAsTextNotItsMarkup) {
    NSCenteredTextFieldCell rich(QStringLiteral("<span style=\"color:#ff0000\">Ber</span>lin"));
    NSCenteredTextFieldCell plain(QStringLiteral("Berlin"));
    const QRect bounds(0, 0, 300, 40);
    EXPECT_LE(rich.cellSizeForBounds(bounds).width(), plain.cellSizeForBounds(bounds).width() + 2)
        << "measured as the words, not the tags";
    EXPECT_EQ(rich.cellSizeForBounds(bounds).height(), plain.cellSizeForBounds(bounds).height());

    blackOnWhite(rich);
    rich.resize(120, 40);
    const QImage image = rich.grab().toImage();
    const auto red = rowsWith(image, QColor(0xff, 0, 0));
    const auto black = rowsWith(image, Qt::black);
    ASSERT_GE(red.first, 0) << "the highlighted run is drawn in its colour";
    ASSERT_GE(black.first, 0) << "the rest in the field's";
    const QRect title = rich.titleRectForBounds(rich.rect());
    EXPECT_GE(red.first, title.top());
    EXPECT_LE(red.second, title.bottom());
}

TEST(CentredTextField, CentresTheTextHeightRoundedDownAndOnePointUp) {
    FixedHeightCell field;
    EXPECT_EQ(field.titleRectForBounds(QRect(0, 0, 120, 30)), QRect(0, 5, 120, 17));
    EXPECT_EQ(field.titleRectForBounds(QRect(0, 0, 120, 31)), QRect(0, 6, 120, 17));
    field.textHeight = 40; // taller than the field: overflows both edges
    EXPECT_EQ(field.titleRectForBounds(QRect(0, 0, 120, 30)), QRect(0, -6, 120, 40));

    // What it draws lies in that rectangle.
    NSCenteredTextFieldCell real(QStringLiteral("Frankfurt"));
    blackOnWhite(real);
    real.resize(120, 60);
    const QRect title = real.titleRectForBounds(real.rect());
    EXPECT_EQ(title.height(), real.fontMetrics().height());
    const auto rows = rowsWith(real.grab().toImage(), Qt::black);
    ASSERT_GE(rows.first, 0);
    EXPECT_GE(rows.first, title.top());
    EXPECT_LE(rows.second, title.bottom());
    EXPECT_LT(rows.first, 30); // above the middle, not at the top
    EXPECT_GT(rows.first, 10);

    RateStarsView stars;
    stars.loadView();
    EXPECT_NE(stars.view(), nullptr);
}
