#include "RenderOutput.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <cstdio>

namespace render {

namespace {
QString folder;
bool failed = false;
} // namespace

bool useOutputFolder(int argc, char** argv, const QString& fallback) {
    folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : fallback;
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot make %s\n", qPrintable(folder));
        return false;
    }
    return true;
}

const QString& outputFolder() { return folder; }

bool save(const QImage& image, const QString& name) {
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!image.save(path)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        failed = true;
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

bool save(QWidget* widget, const QString& name) {
    QApplication::processEvents(); // pending layouts and updates first
    return save(widget->grab().toImage(), name);
}

int exitCode() { return failed ? 1 : 0; }

} // namespace render
