// Linked into a build of the client for the installation tests only: it runs as version
// VELTRIX_PROBE_VERSION, the version a test's package brings, and, when VELTRIX_PROBE_TEXTS names a file,
// keeps there the texts of the home tab's banners on screen, one a line, for a test that cannot look at them.
#include "platform/Bundle.h"
#include "toolkit/MainErrorView.h"

#include <QApplication>
#include <QSaveFile>
#include <QTimer>

namespace {

void writeTexts(const QString& path) {
    QStringList texts;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible()) {
            continue;
        }
        for (const MainErrorView* banner : window->findChildren<MainErrorView*>()) {
            if (banner->isVisibleTo(window)) {
                texts << banner->titleText() << banner->descriptionText();
            }
        }
    }
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(texts.join(QLatin1Char('\n')).toUtf8());
        file.commit();
    }
}

void arm() {
    platform::Bundle::main().setInfoValue(QStringLiteral("CFBundleShortVersionString"),
                                          QStringLiteral(VELTRIX_PROBE_VERSION));
    const QString path = qEnvironmentVariable("VELTRIX_PROBE_TEXTS");
    if (path.isEmpty()) {
        return;
    }
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, qApp, [path] { writeTexts(path); });
    timer->start(200);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(arm)
