// A bare Qt Widgets window: the floor the client's steady cost is measured against on the same desktop, and
// "another program" that can take the focus from the client. Its title is the first argument. It shows its
// title in a label, as about every Widgets window shows some text: a window that draws nothing would leave
// the text stack (fontconfig, freetype, harfbuzz, a font) out of the floor.
#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    const QString title = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("bare window");
    window.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(title), 0, Qt::AlignCenter);
    window.resize(320, 200);
    window.show();
    return QApplication::exec();
}
