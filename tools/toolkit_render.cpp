// Renders the toolkit's overlay, switch, hover list, page dots and the client's alerts to PNG files for
// review:
//   toolkit_render [output-folder]   (default: <build>/renders)
// Runs on Qt's offscreen platform with virtual time, so every animation is shown at its end.
#include "RenderOutput.h"
#include "app/Alerts.h"
#include "platform/UserDefaults.h"
#include "settings/PopoverTroubleshootingView.h"
#include "toolkit/Alert.h"
#include "toolkit/Colors.h"
#include "toolkit/HoverableTableView.h"
#include "toolkit/ModalViewController.h"
#include "toolkit/NSCenteredTextFieldCell.h"
#include "toolkit/NSPageControl.h"
#include "toolkit/PresentationAnimators.h"
#include "toolkit/SwitchControl.h"
#include "toolkit/TextAttributes.h"
#include "toolkit/TooltipPopover.h"

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <cstdio>

namespace {

// A window's content standing in for the main window, so the overlay has something to cover.
class FakeContent : public platform::ViewController {
protected:
    QWidget* loadView() override {
        auto* view = new QWidget;
        view->setAutoFillBackground(true);
        QPalette palette = view->palette();
        palette.setColor(QPalette::Window, colorFromHexString(QStringLiteral("#10142F")));
        palette.setColor(QPalette::WindowText, Qt::white);
        view->setPalette(palette);
        auto* layout = new QVBoxLayout(view);
        auto* title = new QLabel(QStringLiteral("Home — Connected to Berlin Office"));
        QFont font = title->font();
        font.setPointSize(16);
        title->setFont(font);
        layout->addWidget(title, 0, Qt::AlignHCenter | Qt::AlignTop);
        view->resize(480, 420);
        return view;
    }
};

void renderOverlay(ModalViewControllerType type, const QString& name,
                   std::function<void(ModalViewController&)> prepare = {}) {
    FakeContent content;
    content.view()->show();
    ModalViewController modal;
    modal.setControllerType(type);
    content.presentViewController(&modal,
                                  std::make_shared<TransitionAnimator>(std::nullopt, std::nullopt, 0.2));
    render::virtualTime().advance(0.3);
    if (prepare) {
        prepare(modal);
    }
    // A card's new texts reach the overlay's layout in two rounds: its own, then the overlay's.
    QApplication::processEvents();
    QApplication::processEvents();
    render::save(content.view(), name);
    content.dismissViewController(&modal);
    render::virtualTime().advance(0.3);
}

void renderOverlays() {
    renderOverlay(ModalViewControllerType::warningSignOut, QStringLiteral("overlay-warningSignOut"));
    renderOverlay(ModalViewControllerType::warningQuit, QStringLiteral("overlay-warningQuit"));
    renderOverlay(ModalViewControllerType::codeConfirmationSignOut,
                  QStringLiteral("overlay-codeConfirmationSignOut"));
    renderOverlay(ModalViewControllerType::appInfoView, QStringLiteral("overlay-appInfoView"));
    using State = PopoverTroubleshootingViewState;
    const auto troubleshooting = [](ModalViewController& m) {
        return m.popoverAs<PopoverTroubleshootingView>(ModalViewControllerType::runTroubleshooting);
    };
    renderOverlay(ModalViewControllerType::runTroubleshooting,
                  QStringLiteral("overlay-troubleshooting-start"));
    renderOverlay(ModalViewControllerType::runTroubleshooting,
                  QStringLiteral("overlay-troubleshooting-progress"),
                  [&](ModalViewController& m) { troubleshooting(m)->configure(State::progress()); });
    renderOverlay(ModalViewControllerType::runTroubleshooting,
                  QStringLiteral("overlay-troubleshooting-success"), [&](ModalViewController& m) {
                      QString report =
                          QStringLiteral("Diagnostics report\nWorkspace: Northwind Traders "
                                         "(northwind-traders)\nConnection: connected\nRecent log:\n");
                      for (int line = 0; line < 40; ++line) {
                          report += QStringLiteral("INFO MainSubController.cpp:%1 tunnel keepalive sent to "
                                                   "198.51.100.10\n")
                                        .arg(300 + line);
                      }
                      troubleshooting(m)->configure(State::success(report));
                  });
    renderOverlay(ModalViewControllerType::runTroubleshooting, QStringLiteral("overlay-troubleshooting-fail"),
                  [&](ModalViewController& m) {
                      troubleshooting(m)->failureReason =
                          PDTroubleshootingHelperError{PDTroubleshootingHelperError::Kind::collectionFailed,
                                                       {},
                                                       QStringLiteral("disk full")};
                      troubleshooting(m)->configure(State::fail());
                  });
    renderOverlay(ModalViewControllerType::runTroubleshooting,
                  QStringLiteral("overlay-troubleshooting-fail-archive"), [&](ModalViewController& m) {
                      troubleshooting(m)->failureReason = PDTroubleshootingHelperError{
                          PDTroubleshootingHelperError::Kind::archiveTooLarge,
                          QStringLiteral("/tmp/veltrix-logs/report-2024-05-02.zip"),
                          QStringLiteral("too large")};
                      troubleshooting(m)->configure(State::fail());
                  });
}

void renderSwitches() {
    QWidget panel;
    panel.setAutoFillBackground(true);
    QPalette palette = panel.palette();
    palette.setColor(QPalette::Window, colorFromHexString(QStringLiteral("#10142F")));
    panel.setPalette(palette);
    auto* layout = new QHBoxLayout(&panel);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(16);
    auto* off = new SwitchControl;
    auto* on = new SwitchControl;
    on->setOn(true, false);
    auto* disabledOn = new SwitchControl;
    disabledOn->setOn(true, false);
    disabledOn->setEnabled(false);
    auto* disabledOff = new SwitchControl;
    disabledOff->setEnabled(false);
    for (QWidget* each : {static_cast<QWidget*>(off), static_cast<QWidget*>(on),
                          static_cast<QWidget*>(disabledOn), static_cast<QWidget*>(disabledOff)}) {
        each->setFixedSize(40, 20);
        layout->addWidget(each);
    }
    panel.show();
    render::virtualTime().advance(0.3);
    render::save(&panel, QStringLiteral("switch-off-on-disabledOn-disabledOff"));
}

class ListCell : public HoverableCellView {
public:
    explicit ListCell(const QString& text) {
        setHoverColor(colorFromHexString(QStringLiteral("#FFFFFF33")));
        setCornerRadius(6);
        auto* layout = new QHBoxLayout(this);
        auto* label = new QLabel(text);
        label->setStyleSheet(QStringLiteral("color: white;"));
        layout->addWidget(label);
    }
};

class Locations : public TableViewDataSource {
public:
    QStringList names{QStringLiteral("Berlin Office"), QStringLiteral("Frankfurt"), QStringLiteral("London"),
                      QStringLiteral("New York"),      QStringLiteral("Singapore"), QStringLiteral("Tokyo")};
    int numberOfRows(TableView&) override { return static_cast<int>(names.size()); }
    QWidget* viewForRow(TableView&, int row) override { return new ListCell(names.at(row)); }
    int heightOfRow(TableView&, int) override { return 36; }
    TableRowView* rowViewForRow(TableView&, int) override {
        auto* rowView = new SelectableTableRowView;
        rowView->setCornerRadius(5);
        rowView->setSelectedColor(colorFromHexString(QStringLiteral("#2B7BFA66")));
        return rowView;
    }
};

void renderHoverList() {
    Locations locations;
    HoverableTableView table;
    table.resize(260, 240);
    QPalette palette = table.palette();
    palette.setColor(QPalette::Base, colorFromHexString(QStringLiteral("#10142F")));
    palette.setColor(QPalette::Window, colorFromHexString(QStringLiteral("#10142F")));
    table.setPalette(palette);
    table.viewport()->setPalette(palette);
    table.setDataSource(&locations);
    table.reloadData();
    table.show();
    QApplication::processEvents();
    table.reloadData();
    table.selectRow(1);
    // The offscreen pointer rests at the origin and hovers the first row; move the hover as a pointer would.
    table.clearHover();
    table.hoverRow(3);
    QApplication::processEvents();
    render::save(&table, QStringLiteral("hover-list-selected1-hovered3"));
}

// The client's alerts: a link that no browser opened, and the application's own.
void renderAlerts() {
    const auto save = [](QMessageBox* alert, const QString& name) {
        alert->show();
        render::virtualTime().advance(0.1);
        render::save(alert, name);
        alert->close();
    };
    save(makeLinkNotOpenedAlert(QUrl(QStringLiteral(
             "https://support.veltrix.example/"
             "docs?utm_source=client&utm_medium=Support-Menu-Link&utm_campaign=User-Guides-Link"))),
         QStringLiteral("alert-link-not-opened"));
    save(alerts::makeL2tpNoLongerAvailable(nullptr), QStringLiteral("alert-l2tp-no-longer-available"));
    save(alerts::makeHelperToolInstallError({QStringLiteral("The helper tool could not be installed"),
                                             QStringLiteral("Reinstall the client to connect again.")},
                                            nullptr),
         QStringLiteral("alert-helper-tool-install-error"));
    save(alerts::makeWorkspaceLoadError(
             QStringLiteral("/home/user/workspace.json: line 3, column 12: a value was expected")),
         QStringLiteral("alert-workspace-not-loaded"));
}

void renderPageDotsAndTooltip() {
    NSPageControl dots;
    dots.resize(120, 30);
    dots.setNumberOfPages(4);
    dots.setDotLength(12);
    dots.setDotMargin(8);
    dots.setPageIndicatorTintColor(colorFromHexString(QStringLiteral("#5F678E")));
    dots.setCurrentPageIndicatorTintColor(colorFromHexString(QStringLiteral("#2B7BFA")));
    dots.setAutoFillBackground(true);
    QPalette palette = dots.palette();
    palette.setColor(QPalette::Window, colorFromHexString(QStringLiteral("#10142F")));
    dots.setPalette(palette);
    dots.show();
    dots.grab();
    dots.setCurrentPage(1);
    render::virtualTime().advance(0.1);
    render::save(&dots, QStringLiteral("page-control-4-current1"));

    // The button's window with the tooltip drawn where it opens, so that its arrow shows the button.
    QWidget window;
    window.resize(240, 100);
    window.setAutoFillBackground(true);
    QPalette windowPalette = palette;
    windowPalette.setColor(QPalette::Window, colorFromHexString(QStringLiteral("#1E3073")));
    windowPalette.setColor(QPalette::ButtonText, Qt::white);
    window.setPalette(windowPalette);
    auto* button = new TooltipHoverBgButton(&window);
    button->setText(QStringLiteral("i"));
    button->setGeometry(105, 10, 30, 30);
    button->setPopoverState(PopoverState::alwaysOn);
    window.show();
    button->setHighlight(true);
    render::virtualTime().advance(0.2);
    if (Popover* popover = button->popover(); popover && popover->window()) {
        QImage scene = window.grab().toImage();
        QPainter painter(&scene);
        painter.drawPixmap(popover->window()->pos() - window.pos(), popover->window()->grab());
        painter.end();
        render::save(scene, QStringLiteral("tooltip-alwaysOn"));
    }

    // The centred text cell with a search match highlighted, as the locations rows show it.
    NSCenteredTextFieldCell cell;
    cell.resize(200, 40);
    cell.setAutoFillBackground(true);
    QPalette cellPalette = palette;
    cellPalette.setColor(QPalette::WindowText, Qt::white);
    cell.setPalette(cellPalette);
    setAttributedStringValue(&cell, highlightedString(QStringLiteral("Berlin Office"), QStringLiteral("Ber"),
                                                      Qt::white, toolkit::interFont(14, QFont::Light),
                                                      colorFromHexString(QStringLiteral("#6AF4F8")),
                                                      toolkit::interFont(14, QFont::Medium)));
    render::save(&cell, QStringLiteral("centred-cell-highlighted"));
}

} // namespace

int main(int argc, char** argv) {
    const render::Renderer renderer(argc, argv, QStringLiteral(VELTRIX_RENDER_DIR));
    if (!renderer.isReady()) {
        return 1;
    }
    renderOverlays();
    renderSwitches();
    renderHoverList();
    renderPageDotsAndTooltip();
    renderAlerts();
    return render::exitCode();
}
