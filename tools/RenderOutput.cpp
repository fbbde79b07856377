#include "RenderOutput.h"

#include "app/Composition.h"
#include "toolkit/TextAttributes.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <cstdio>
#include <utility>

namespace render {

namespace {
QString folder;
bool failed = false;
platform::ManualScheduler* running = nullptr;

bool useOutputFolder(int argc, char** argv, const QString& fallback) {
    folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : fallback;
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot make %s\n", qPrintable(folder));
        return false;
    }
    return true;
}

} // namespace

Renderer::Renderer(int& argc, char** argv, const QString& fallbackFolder, Screen screen) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (screen == Screen::sharp && qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR")) {
        qputenv("QT_SCALE_FACTOR", "2");
    }
    for (const auto& [variable, name] :
         {std::pair{"XDG_CONFIG_HOME", "config"}, std::pair{"XDG_CACHE_HOME", "cache"}}) {
        const QString path = QDir(m_home.path()).filePath(QLatin1String(name));
        QDir().mkpath(path);
        qputenv(variable, path.toLocal8Bit());
    }
    m_application = std::make_unique<QApplication>(argc, argv);
    setApplicationFont();
    composeClient();
    running = &m_time;
    m_ready = useOutputFolder(argc, argv, fallbackFolder);
}

Renderer::~Renderer() {
    running = nullptr;
}

platform::ManualScheduler& virtualTime() {
    Q_ASSERT(running);
    return *running;
}

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

int exitCode() {
    return failed ? 1 : 0;
}

} // namespace render
