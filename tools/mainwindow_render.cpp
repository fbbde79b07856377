// Renders the home tab's views in each of their states to PNG files for review:
//   mainwindow_render [output-folder]   (default: <build>/renders/mainwindow)
// Runs on Qt's offscreen platform with virtual time, on the demo workspace.
#include "mainwindow/MainErrorView.h"
#include "mainwindow/MainNetworkView.h"
#include "mainwindow/MainWindowLook.h"
#include "sdk/Workspace.h"
#include "sdk/testing/Driver.h"
#include "platform/ManualScheduler.h"
#include "toolkit/Colors.h"

#include <QApplication>
#include <QPainter>
#include <QDir>
#include <QVBoxLayout>

#include <cstdio>

namespace {

QString outputDir;
platform::ManualScheduler* virtualTime = nullptr;

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

// The network view on the window's background, painted at one instant of virtual time at ratio 2.
void saveNetworkView(MainNetworkView& view, const QString& name) {
    constexpr double ratio = 2.0;
    QImage image(view.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(look::windowBackground);
    {
        QPainter painter(&image);
        view.paintAt(painter, layeranim::now());
        // The flag and its ring are real child views; they paint on top as in the window.
        QWidget* icon = view.networkIconBgView();
        view.networkImageView()->render(&painter, icon->pos() + view.networkImageView()->pos(), QRegion(),
                                        QWidget::DrawChildren);
    }
    const QString path = outputDir + QLatin1Char('/') + name + QStringLiteral(".png");
    if (image.save(path)) {
        std::printf("%s\n", qPrintable(path));
    } else {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    }
}

PDNetworkItemPtr networkWithFlag(const QString& code) {
    PDNetworkItem::Data data;
    data.id = code;
    data.title = code;
    data.countryCode = code;
    data.flagImage = std::make_shared<PDCacheableImage>(
        QUrl::fromLocalFile(QString::fromLatin1(sdk::kFlagDirectory) + QLatin1Char('/') + code + QStringLiteral(".svg")));
    return std::make_shared<PDNetworkItem>(data);
}

// Lets the flag decode and arrive on the main queue.
void settleFlag() {
    for (int i = 0; i < 20; ++i) {
        virtualTime->runUntilIdle();
        QApplication::processEvents();
    }
}

void renderNetworkView() {
    struct Case {
        const char* name;
        FlagAnimationType state;
        double seconds;
        const char* flag;
        bool hovered = false;
    };
    const Case cases[] = {
        {"network_disconnected", FlagAnimationType::disconnected, 0.0, "de"},
        {"network_connecting_0.3s", FlagAnimationType::connecting, 0.3, "de"},
        {"network_connecting_0.9s", FlagAnimationType::connecting, 0.9, "de"},
        {"network_connected_rest", FlagAnimationType::connected, 0.0, "us"},
        {"network_connected_1s", FlagAnimationType::connected, 1.0, "us"},
        {"network_connected_hovered", FlagAnimationType::connected, 0.2, "us", true},
        {"network_disconnected_hovered", FlagAnimationType::disconnected, 0.2, "fr", true},
        {"network_no_flag", FlagAnimationType::disconnected, 0.0, nullptr},
    };
    // The hover reads the SDK's live state.
    sdk::testing::Driver sdk;
    for (const Case& c : cases) {
        sdk.setConnectionState(c.state == FlagAnimationType::connected ? SDVPNConnectionState::connected
                                                                         : SDVPNConnectionState::disconnected);
        MainNetworkView view;
        view.setupShadows();
        view.refreshStateDrawing();
        view.setNetwork(c.flag ? networkWithFlag(QString::fromLatin1(c.flag)) : nullptr);
        settleFlag();
        view.setState(c.state);
        if (c.hovered) {
            view.hoverChanged(true);
        }
        virtualTime->advance(c.seconds);
        saveNetworkView(view, QString::fromLatin1(c.name));
    }
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Drawn as on a sharp screen, flags and icons at twice their size.
    if (qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR")) {
        qputenv("QT_SCALE_FACTOR", "2");
    }
    QApplication app(argc, argv);
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope(scheduler);
    virtualTime = &scheduler;
    outputDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(VELTRIX_RENDER_DIR "/mainwindow");
    QDir().mkpath(outputDir);
    renderBanners();
    renderNetworkView();
    return 0;
}
