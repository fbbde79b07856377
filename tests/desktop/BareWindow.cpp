// A bare Qt Widgets window: the floor the client's steady cost is measured against on the same desktop, and
// "another program" that can take the focus from the client. Its title is the first argument.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("bare window"));
    window.resize(320, 200);
    window.show();
    return QApplication::exec();
}
