#pragma once

// How every renderer starts and where it writes its PNGs: the folder is the program's first argument (or
// the renderer's default under build/renders), and each picture's path is printed as it is written.

#include "platform/ManualScheduler.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

class QApplication;
class QImage;
class QWidget;

namespace render {

// A screen of ordinary density, or a sharp one that draws flags and icons at twice their size (unless
// QT_SCALE_FACTOR names another factor).
enum class Screen { plain, sharp };

// What every renderer starts from, made first in main(): the offscreen platform unless QT_QPA_PLATFORM
// names another, the application with the client's own font, virtual time for every timer and animation,
// and the output folder (argv[1], else `fallbackFolder`), made; when it cannot be made, isReady() is false
// and a message says so. Preferences and caches the screens write go to a folder of the renderer's own,
// never the user's.
class Renderer {
public:
    Renderer(int& argc, char** argv, const QString& fallbackFolder, Screen screen = Screen::plain);
    ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    bool isReady() const { return m_ready; }

private:
    QTemporaryDir m_home;
    std::unique_ptr<QApplication> m_application;
    platform::ManualScheduler m_time;
    platform::ScopedScheduler m_scope{m_time};
    bool m_ready = false;
};

// The running renderer's virtual time.
platform::ManualScheduler& virtualTime();

// Writes <folder>/<name>.png and prints its path; a failure is printed and remembered for exitCode().
bool save(const QImage& image, const QString& name);
// Saves what the widget draws, itself and its children, once pending events are delivered.
bool save(QWidget* widget, const QString& name);

// 1 when any picture could not be written, for main() to return.
int exitCode();

} // namespace render
