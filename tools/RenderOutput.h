#pragma once

// Where and how the renderers write their PNGs: the folder is the program's first argument (or the
// renderer's default under build/renders), and each picture's path is printed as it is written.

#include <QString>

class QImage;
class QWidget;

namespace render {

// Takes the output folder from argv[1], else `fallback`, and makes it; false, with a message, when it cannot.
bool useOutputFolder(int argc, char** argv, const QString& fallback);
const QString& outputFolder();

// Writes <folder>/<name>.png and prints its path; a failure is printed and remembered for exitCode().
bool save(const QImage& image, const QString& name);
// Saves what the widget draws, itself and its children, once pending events are delivered.
bool save(QWidget* widget, const QString& name);

// 1 when any picture could not be written, for main() to return.
int exitCode();

} // namespace render
