// Renders the home tab's views in each of their states to PNG files for review:
//   mainwindow_render [output-folder]   (default: <build>/renders/mainwindow)
// Runs on Qt's offscreen platform with virtual time, on the demo workspace.
#include "mainwindow/MainErrorView.h"
#include "platform/ManualScheduler.h"
#include "toolkit/Colors.h"

#include <QApplication>
#include <QDir>
#include <QVBoxLayout>

#include <cstdio>

namespace {

QString outputDir;

void save(QWidget* widget, const QString& name) {
    const QString path = outputDir + QLatin1Char('/') + name + QStringLiteral(".png");
    if (widget->grab().save(path)) {
        std::printf("%s\n", qPrintable(path));
    } else {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    }
}

// The banner's owner: takes the height the banner asks for.
class BannerHost : public QWidget, public MainErrorViewDelegate {
public:
    BannerHost() {
        setAutoFillBackground(true);
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, colorFromHexString(QStringLiteral("#16245A")));
        setPalette(palette);
        banner = new MainErrorView(this);
        banner->setDelegate(this);
        resize(380, 140);
        banner->setGeometry(16, 16, width() - 32, 80);
    }
    void viewSizeChanged(QWidget*, double height) override {
        banner->resize(banner->width(), int(height));
        resize(width(), int(height) + 32);
    }
    void errorViewCloseTapped() override {}
    void errorViewTryAgainTapped() override {}

    MainErrorView* banner;
};

void renderBanners() {
    struct Case {
        const char* name;
        NotificationPopupType type;
        std::optional<QString> title;
        QString text;
    };
    const Case cases[] = {
        {"banner_error", NotificationPopupType::error(), std::nullopt,
         QStringLiteral("The gateway did not answer in time. Check your connection and try again.")},
        {"banner_update", NotificationPopupType::update(), QStringLiteral("Update available"),
         QStringLiteral("Version 2.1.0 is available. Update now to get the latest improvements.")},
        {"banner_silent_update_new", NotificationPopupType::silentUpdate(SilentUpdateTimeinterval::new_),
         QStringLiteral("Update available"), QStringLiteral("Version 2.1.0 is ready to install.")},
        {"banner_silent_update_normal", NotificationPopupType::silentUpdate(SilentUpdateTimeinterval::normal),
         QStringLiteral("Update available"), QStringLiteral("Version 2.1.0 has been waiting for 3 days.")},
        {"banner_silent_update_old", NotificationPopupType::silentUpdate(SilentUpdateTimeinterval::old),
         QStringLiteral("Update available"), QStringLiteral("Version 2.1.0 has been waiting for a week.")},
        {"banner_silent_update_success", NotificationPopupType::silentUpdateSucccess(),
         QStringLiteral("New Version has been Installed!"),
         QStringLiteral("Version 2.1.0.7 has been successfully installed.")},
        {"banner_long_text", NotificationPopupType::error(), QString(120, QLatin1Char('W')),
         QString(600, QLatin1Char('x'))},
    };
    for (const Case& c : cases) {
        BannerHost host;
        host.show();
        host.banner->show(c.type, c.title, c.text);
        QApplication::processEvents();
        save(&host, QString::fromLatin1(c.name));
    }
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope(scheduler);
    outputDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(VELTRIX_RENDER_DIR "/mainwindow");
    QDir().mkpath(outputDir);
    renderBanners();
    return 0;
}
