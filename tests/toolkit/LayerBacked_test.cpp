#include "toolkit/NSViewLayerBacked.h"

#include "support/ModalOverlayScope.h"

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Paints the view, as a display pass does, and gives the picture.
QImage paint(QWidget* view) {
    return view->grab().toImage();
}

class ClickCounter : public QObject, public ClickableViewDelegate, public NSImageViewClickable {
public:
    int views = 0;
    int images = 0;
    void viewClicked() override { ++views; }
    void imageViewClicked() override { ++images; }
};

// Counts the presses that reach it: what lies under a DisabledView.
class PressCounter : public QWidget {
public:
    using QWidget::QWidget;
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

} // namespace

TEST(LayerBackedViews, PaintSetValuesLazilyAndKeepThemWhenClearedToNilOrZero) {
    NSViewLayerBacked view;
    view.resize(40, 30);
    view.setBgColor(Qt::red);
    view.setCornerRadius(8);
    EXPECT_FALSE(view.layerAppearance().backgroundColor.isValid()); // pushed at the next paint only
    QImage image = paint(&view);
    EXPECT_EQ(view.layerAppearance().backgroundColor, QColor(Qt::red));
    EXPECT_EQ(view.layerAppearance().cornerRadius, 8.0);
    EXPECT_EQ(image.pixelColor(20, 15), QColor(Qt::red));
    EXPECT_NE(image.pixelColor(0, 0), QColor(Qt::red)); // rounded corner

    view.setBgColor(QColor()); // nil: the painted colour stays
    view.setBorderWidth(2);
    view.setBorderColor(Qt::blue);
    image = paint(&view);
    EXPECT_EQ(image.pixelColor(20, 15), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(20, 0), QColor(Qt::blue));
    view.setBorderWidth(0); // zero: the 2-point border stays
    view.setCornerRadius(0);
    paint(&view);
    EXPECT_EQ(view.layerAppearance().borderWidth, 2.0);
    EXPECT_EQ(view.layerAppearance().cornerRadius, 8.0);

    // The explicit clears do take the values away.
    view.clearBorder();
    view.clearCornerRadius();
    image = paint(&view);
    EXPECT_EQ(image.pixelColor(20, 0), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::red));
    view.clearBgColor();
    paint(&view);
    EXPECT_FALSE(view.layerAppearance().backgroundColor.isValid());
}

TEST(LayerBackedViews, ChildrenAreCutAtTheRoundedCornersWhileTheViewsOwnEdgeStaysSmooth) {
    QWidget window;
    window.resize(60, 60);
    window.setAutoFillBackground(true);
    QPalette white = window.palette();
    white.setColor(QPalette::Window, Qt::white);
    window.setPalette(white);
    auto* view = new NSViewLayerBacked(&window);
    view->setGeometry(0, 0, 60, 60);
    view->setBgColor(Qt::black);
    view->setCornerRadius(20.0);
    view->setMasksToBounds(true);
    auto* child = new QWidget(view);
    child->setGeometry(30, 30, 30, 30);
    child->setAutoFillBackground(true);
    QPalette red = child->palette();
    red.setColor(QPalette::Window, Qt::red);
    child->setPalette(red);

    const QImage image = window.grab().toImage();
    EXPECT_EQ(view->graphicsEffect(), nullptr)
        << "clipping is a mask, not an effect that re-renders the view";
    EXPECT_EQ(image.pixelColor(59, 59), QColor(Qt::white)) << "the child is cut at the corner";
    EXPECT_EQ(image.pixelColor(45, 45), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::white));
    // Along the view's own curve some pixels are grey: its edge is antialiased, not cut by the mask.
    int between = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            const int grey = image.pixelColor(x, y).green();
            between += grey > 5 && grey < 250;
        }
    }
    EXPECT_GT(between, 10);
}

TEST(LayerBackedViews, TheClipRegionHoldsEveryPixelTheOutlineTouchesAndNoneBeyond) {
    struct Case {
        QSize size;
        double radius;
    };
    for (const Case& c :
         {Case{{60, 60}, 20.0}, Case{{80, 30}, 15.0}, Case{{7, 40}, 10.0}, Case{{100, 24}, 0.0}}) {
        const QRegion region = roundedClipRegion(c.size, c.radius);
        QImage coverage(c.size, QImage::Format_Alpha8);
        coverage.fill(0);
        QPainter painter(&coverage);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(roundedRectPath(QRectF(QPointF(0, 0), QSizeF(c.size)),
                                         std::min(c.radius, std::min(c.size.width(), c.size.height()) / 2.0)),
                         Qt::black);
        painter.end();
        int wrong = 0;
        for (int y = 0; y < c.size.height(); ++y) {
            for (int x = 0; x < c.size.width(); ++x) {
                wrong += region.contains(QPoint(x, y)) != (coverage.pixelColor(x, y).alpha() > 0);
            }
        }
        EXPECT_EQ(wrong, 0) << c.size.width() << "x" << c.size.height() << " radius " << c.radius;
    }
}

TEST(LayerBackedViews, MasksToBoundsFollowsEveryChangeAndRoundCornersMakesACapsule) {
    NSViewLayerBacked view;
    view.resize(80, 30);
    view.setProperty("cornerRadius", 6.0); // as a form or style sheet would set it
    EXPECT_EQ(view.cornerRadius(), 6.0);
    view.setMasksToBounds(true);
    EXPECT_FALSE(view.mask().contains(QPoint(0, 0)))
        << "children clipped to the corners, set up before any paint";
    view.resize(80, 40);
    paint(&view);
    EXPECT_TRUE(view.mask().contains(QPoint(40, 39))) << "the mask follows the size";
    EXPECT_TRUE(view.layerAppearance().masksToBounds);
    view.resize(80, 30);
    view.setMasksToBounds(false);
    EXPECT_TRUE(view.mask().isEmpty());
    paint(&view);
    EXPECT_FALSE(view.layerAppearance().masksToBounds);

    view.roundCorners();
    EXPECT_EQ(view.cornerRadius(), 15.0);
    paint(&view);
    view.roundCorners(0.0);
    EXPECT_EQ(view.cornerRadius(), 0.0);
    paint(&view);
    EXPECT_EQ(view.layerAppearance().cornerRadius, 15.0);
}

TEST(LayerBackedViews, ImageViewsPaintTheImageBetweenBackgroundAndBorder) {
    NSImageViewLayerBacked view;
    view.resize(20, 20);
    QPixmap green(20, 20);
    green.fill(Qt::green);
    view.setBgColor(Qt::red);
    view.setBorderColor(Qt::blue);
    view.setBorderWidth(2);
    view.setImage(QIcon(green));
    const QImage image = paint(&view);
    EXPECT_EQ(image.pixelColor(10, 10), QColor(Qt::green));
    EXPECT_EQ(image.pixelColor(10, 0), QColor(Qt::blue));
}

TEST(LayerBackedViews, SearchFrameBorderFollowsPointerAndFocus) {
    ModalOverlayScope overlay;
    NSSearchViewLayerBacked frame;
    frame.resize(100, 24);
    frame.setBorderWidth(1);
    frame.setDefaultColor(Qt::white);
    frame.setHoverColor(Qt::blue);
    enter(&frame);
    EXPECT_TRUE(frame.highlight());
    EXPECT_EQ(frame.borderColor(), QColor(Qt::blue));
    leave(&frame);
    EXPECT_EQ(frame.borderColor(), QColor(Qt::white));

    frame.setOnFocus(true); // the border follows at the next hover change
    EXPECT_EQ(frame.borderColor(), QColor(Qt::white));
    EXPECT_EQ(frame.bgColor(), QColor(Qt::transparent));
    enter(&frame);
    leave(&frame);
    EXPECT_EQ(frame.borderColor(), QColor(Qt::blue)); // focus keeps it lit
    frame.setOnFocus(false);
    enter(&frame);
    leave(&frame);
    EXPECT_EQ(frame.borderColor(), QColor(Qt::white));

    overlay.present();
    enter(&frame);
    EXPECT_FALSE(frame.highlight());
}

TEST(LayerBackedViews, DisabledViewsSwallowClicksAndClickableViewsReportThem) {
    PressCounter below;
    below.resize(100, 100);
    auto* shield = new DisabledView(&below);
    shield->setGeometry(0, 0, 50, 100);
    below.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&below));
    // Through the window, which hands the click to the widget under the pointer.
    QTest::mouseClick(below.windowHandle(), Qt::LeftButton, {}, QPoint(20, 50)); // on the shield
    EXPECT_EQ(below.presses, 0);
    QTest::mouseClick(below.windowHandle(), Qt::LeftButton, {}, QPoint(80, 50));
    EXPECT_EQ(below.presses, 1);
    EXPECT_EQ(shield->cursor().shape(), Qt::ArrowCursor);

    ClickableView background;
    background.resize(50, 50);
    auto* counter = new ClickCounter;
    background.setDelegate(counter);
    QTest::mouseClick(&background, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(counter->views, 1);
    delete counter;
    QTest::mouseClick(&background, Qt::LeftButton, {}, QPoint(5, 5)); // released delegate: nothing
    EXPECT_EQ(background.delegate(), nullptr);
}

TEST(LayerBackedViews, ClickableImagesLightUnlessTheOverlayIsShownAndReportEachClickOnce) {
    ModalOverlayScope overlay;
    NSImageViewLayerBackedClickable image;
    image.resize(24, 24);
    ClickCounter counter;
    image.setDelegate(&counter);

    enter(&image);
    EXPECT_TRUE(image.highlight());
    EXPECT_EQ(image.cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(&image, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(counter.images, 1);
    EXPECT_EQ(counter.views, 0);

    overlay.present();
    leave(&image); // leaving always clears
    EXPECT_FALSE(image.highlight());
    EXPECT_EQ(image.cursor().shape(), Qt::ArrowCursor);
    enter(&image);
    EXPECT_FALSE(image.highlight());
}

TEST(LayerBackedViews, InFocusViewsBringTheirWindowForward) {
    QWidget first;
    auto* panel = new NSViewLayerBackedInFocus(&first);
    panel->resize(50, 50);
    QWidget second;
    first.show();
    second.show();
    QApplication::setActiveWindow(&second);
    ASSERT_TRUE(testsupport::waitUntil([&] { return QApplication::activeWindow() == &second; }));
    enter(panel);
    EXPECT_TRUE(testsupport::waitUntil([&] { return QApplication::activeWindow() == &first; }));
}

TEST(LayerBackedViews, AClickableOverlayTakesTheFocusKeepsTabInsideTakesEscAndGivesTheFocusBack) {
    QWidget window;
    window.resize(300, 200);
    auto* behind = new QPushButton(QStringLiteral("Behind"), &window);
    auto* overlay = new ClickableView(&window);
    overlay->setGeometry(window.rect());
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), overlay);
    auto* confirm = new QPushButton(QStringLiteral("Confirm"), overlay);
    confirm->move(0, 40);
    confirm->setDefault(true);
    ClickCounter counter;
    overlay->setDelegate(&counter);
    overlay->hide();
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    behind->setFocus();

    overlay->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), confirm) << "the default button takes the focus";
    const struct {
        Qt::Key key;
        QWidget* focused;
    } tabs[] = {
        {Qt::Key_Tab, cancel}, {Qt::Key_Tab, confirm}, {Qt::Key_Backtab, cancel}, {Qt::Key_Backtab, confirm}};
    for (const auto& tab : tabs) {
        QTest::keyClick(QApplication::focusWidget(), tab.key);
        EXPECT_EQ(QApplication::focusWidget(), tab.focused) << "Tab left the overlay";
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(counter.views, 1) << "Esc is a click on the overlay";

    overlay->hide();
    EXPECT_EQ(QApplication::focusWidget(), behind);
}
