#include "toolkit/FrameDelta.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <functional>

namespace {

QImage scene(const QSize& size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(40, 120, 230));
    painter.drawEllipse(QRectF(QPointF(4, 4), QSizeF(size) / 2));
    return image;
}

struct Change {
    const char* name;
    std::function<void(QImage&)> change;
    QRect bounds; // of the changed pixels
};

const Change changes[] = {
    {"nothing", [](QImage&) {}, QRect()},
    {"the last pixel", [](QImage& image) { image.setPixel(39, 29, 0xff00ff00); }, QRect(39, 29, 1, 1)},
    {"the first pixel", [](QImage& image) { image.setPixel(0, 0, 0x80000000); }, QRect(0, 0, 1, 1)},
    {"two pixels close on one row",
     [](QImage& image) {
         image.setPixel(10, 5, 0xffffffff);
         image.setPixel(13, 5, 0xffffffff);
     },
     QRect(10, 5, 4, 1)},
    {"pixels far apart on different rows",
     [](QImage& image) {
         image.setPixel(2, 3, 0xffffffff);
         image.setPixel(35, 20, 0xffffffff);
         image.setPixel(20, 20, 0xff102030);
     },
     QRect(QPoint(2, 3), QPoint(35, 20))},
    {"a moved shape",
     [](QImage& image) {
         QPainter painter(&image);
         painter.setCompositionMode(QPainter::CompositionMode_Source);
         painter.fillRect(QRect(6, 8, 12, 6), QColor(200, 60, 60, 180));
     },
     QRect(6, 8, 12, 6)},
    {"everything", [](QImage& image) { image.fill(0xff203040); }, QRect(0, 0, 40, 30)},
};

} // namespace

TEST(FrameDelta, TurnsTheFrameBeforeIntoTheFrameAfterAndBoundsWhatChanged) {
    const QImage before = scene(QSize(40, 30));
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        QImage after = before.copy();
        change.change(after);
        const FrameDelta delta = frameDelta(before, after);
        EXPECT_EQ(delta.bounds, change.bounds);
        QImage replayed = before.copy();
        applyFrameDelta(delta, replayed);
        EXPECT_EQ(replayed, after);
    }
}

TEST(FrameDelta, KeepsOnlyWhatChanged) {
    const QImage before = scene(QSize(300, 190));
    QImage after = before.copy();
    after.setPixel(150, 100, 0xffffffff);
    EXPECT_LT(frameDelta(before, after).bytes(), 64u);
    EXPECT_EQ(frameDelta(before, before).bytes(), 0u);
}
