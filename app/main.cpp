// Starts the client. Until the application core lands this brings up the SDK stand-in on the demo
// workspace and a tray icon, so that the build and `scripts/run` are real from the first step.
#include "platform/Bundle.h"

#include <QApplication>
#include <QDebug>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Veltrix");
    QApplication::setWindowIcon(platform::Bundle::main().image("AppIcon"));
    qInfo().noquote() << "Application version" << platform::Bundle::main().infoString("CFBundleShortVersionString").value_or("?");
    return app.exec();
}
