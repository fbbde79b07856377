// Renders the main window's tabs, bar and panels on the demo workspace to PNG files for review:
//   mainwindow_tabs_render [output-folder]   (default: <build>/renders)
// Runs on Qt's offscreen platform with virtual time, so every fade is shown at its end.
#include "mainwindow/GeneralViewController.h"
#include "mainwindow/GeneralWindowController.h"
#include "mainwindow/MainSubController.h"
#include "mainwindow/MainWindowLook.h"
#include "platform/ManualScheduler.h"
#include "sdk/testing/Driver.h"
#include "settings/SettingsControllers.h"
#include "settings/SupportSubController.h"

#include "locations/LocationsSubController.h"

#include <QApplication>
#include <QDir>

#include <cstdio>
#include <functional>

namespace {

QString outputDir;
platform::ManualScheduler* virtualTime = nullptr;

void save(QWidget* widget, const QString& name) {
    QApplication::processEvents();
    const QString path = outputDir + QLatin1Char('/') + name + QStringLiteral(".png");
    if (widget->grab().save(path)) {
        std::printf("%s\n", qPrintable(path));
    } else {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    }
}

void settle() {
    virtualTime->advance(1.0);
    QApplication::processEvents();
}

// The main window with the real tab controllers over the demo workspace.
struct MainWindow {
    MainWindow() {
        general.setTabController(MainMenuBarTab::topTab(MainTopTab::home), &home);
        general.setTabController(MainMenuBarTab::topTab(MainTopTab::networks), &networks);
        general.setTabController(MainMenuBarTab::topTab(MainTopTab::support), &support);
        general.setTabController(MainMenuBarTab::bottomTab(MainBottomTab::settings), &settings);
        window.showWindow();
        settle();
    }
    ~MainWindow() { window.close(); }

    void show(MainMenuBarTab tab) {
        general.selectTab(tab);
        settle();
    }

    MainSubController home;
    LocationsSubController networks;
    SupportSubController support;
    SettingsContainerController settings;
    GeneralWindowController window;
    GeneralViewController& general = *qobject_cast<GeneralViewController*>(window.contentViewController());
};

void renderTabs(sdk::testing::Driver& driver) {
    driver.editState([](sdk::SimulationState& state) { state.recentUserName = QStringLiteral("Alex Morgan"); });
    MainWindow main;
    save(main.general.view(), QStringLiteral("mainwindow-home"));
    main.show(MainMenuBarTab::topTab(MainTopTab::networks));
    save(main.general.view(), QStringLiteral("mainwindow-networks"));
    main.show(MainMenuBarTab::topTab(MainTopTab::support));
    HoverableTableView* rows = main.general.menuBarView()->topButtonsView()->topMenuTableView();
    rows->hoverRow(0);
    save(main.general.view(), QStringLiteral("mainwindow-support-home-hovered"));
    rows->clearHover();
    main.show(MainMenuBarTab::bottomTab(MainBottomTab::settings));
    save(main.general.view(), QStringLiteral("mainwindow-settings"));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setFont(look::inter(14));
    outputDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(VELTRIX_RENDER_DIR);
    if (!QDir().mkpath(outputDir)) {
        std::fprintf(stderr, "cannot make %s\n", qPrintable(outputDir));
        return 1;
    }
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope(scheduler);
    virtualTime = &scheduler;
    sdk::testing::Driver driver;
    driver.setLoggedIn(true);
    renderTabs(driver);
    return 0;
}
