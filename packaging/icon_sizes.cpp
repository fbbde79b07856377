// Renders the application icon's SVG to square PNGs of the sizes desktop panels and menus look up in the
// icon theme, so the theme's fixed-size icons always match the one drawing.
// Usage: icon_sizes ICON.svg OUTPUT_DIR SIZE... ; writes OUTPUT_DIR/SIZExSIZE.png.
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fputs("usage: icon_sizes ICON.svg OUTPUT_DIR SIZE...\n", stderr);
        return 2;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "icon_sizes: cannot read %s\n", argv[1]);
        return 1;
    }
    const QDir output(QString::fromLocal8Bit(argv[2]));
    if (!output.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "icon_sizes: cannot make %s\n", argv[2]);
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        bool isNumber = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&isNumber);
        if (!isNumber || size < 1 || size > 1024) {
            std::fprintf(stderr, "icon_sizes: bad size %s\n", argv[i]);
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter);
        painter.end();
        const QString path = output.filePath(QStringLiteral("%1x%1.png").arg(size));
        if (!image.save(path, "PNG")) {
            std::fprintf(stderr, "icon_sizes: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
