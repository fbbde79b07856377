// Renders the locations window on the demo workspace, in each of its states, to PNG files for review:
//   locations_render [output-folder]   (default: <build>/renders)
// Runs on Qt's offscreen platform with virtual time; flags are decoded before each picture is taken.
#include "RenderOutput.h"
#include "locations/LocationsPopups.h"
#include "locations/LocationsViewController.h"
#include "sdk/VeltrixSDK.h"
#include "sdk/testing/Driver.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QScrollBar>
#include <QThread>

#include <cstdio>

namespace {

// Virtual time for the client's own animations and queues, real time for Qt's (the blur's radius).
void settle(double seconds = 0.6) {
    render::virtualTime().advance(seconds);
    QDeadlineTimer deadline(static_cast<qint64>(seconds * 1000));
    while (!deadline.hasExpired()) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        render::virtualTime().runUntilIdle();
        QThread::msleep(5);
    }
    QApplication::processEvents();
}

int rowOf(const PDNetworksModelPtr& model, const QString& id) {
    for (int row = 0; row < model->numberOfLocationRows(); ++row) {
        if (const auto item = model->item(row); item && item->id() == id && !item->isAutomatic()) {
            return row;
        }
    }
    return -1;
}

void tapFilter(LocationsViewController& window, PDLocationFilterType filter) {
    for (FilterButton* button : window.locationFilterView()->buttons()) {
        if (button->filter() == filter) {
            button->sendTap();
        }
    }
}

void renderAll() {
    sdk::testing::Driver driver;
    driver.setLoggedIn(true);
    const PDNetworksModelPtr model = VeltrixXPC::networks();
    driver.setCurrentNetwork(model->networkWithId(QStringLiteral("pub-fr-par")));

    LocationsViewController window;
    window.view()->resize(LocationsViewController::kWindowSize);
    window.view()->show();
    window.appWindowDidShow();
    window.setDataObject(model);
    settle();
    render::save(window.view(), QStringLiteral("locations-public"));

    LocationsTableView* table = window.locationsTableView();
    table->hoverRow(4);
    settle(0.1);
    render::save(window.view(), QStringLiteral("locations-public-hovered"));
    table->clearHover();
    table->selectRow(rowOf(model, QStringLiteral("pub-de-ber")));
    settle(0.4);
    render::save(window.view(), QStringLiteral("locations-public-chosen"));

    tapFilter(window, PDLocationFilterType::privateNetworks);
    settle();
    render::save(window.view(), QStringLiteral("locations-private"));

    tapFilter(window, PDLocationFilterType::favorites);
    settle();
    render::save(window.view(), QStringLiteral("locations-favorites"));

    tapFilter(window, PDLocationFilterType::publicLocations);
    window.searchBarView()->searchField()->setText(QStringLiteral("united"));
    settle();
    render::save(window.view(), QStringLiteral("locations-searching"));
    window.searchBarView()->searchField()->setText(QStringLiteral("Atlantis"));
    settle();
    render::save(window.view(), QStringLiteral("locations-search-no-match"));
    window.searchBarView()->clearButtonTap();
    settle();
    // A search from another tab finds public locations as well.
    tapFilter(window, PDLocationFilterType::privateNetworks);
    window.searchBarView()->searchField()->setText(QStringLiteral("lo"));
    settle();
    render::save(window.view(), QStringLiteral("locations-searching-from-private"));
    window.searchBarView()->clearButtonTap();
    tapFilter(window, PDLocationFilterType::publicLocations);
    settle();

    for (auto [state, name] :
         {std::pair{LocationsBluredState::shouldDisconnect, "locations-overlay-disconnect"},
          std::pair{LocationsBluredState::forceUpdateEnabled, "locations-overlay-update"}}) {
        window.presentBlurredState(state);
        settle();
        render::save(window.view(), QString::fromLatin1(name));
        window.removeBlurredState();
        settle();
    }
    window.setDataObject(std::make_shared<PDNetworksModel>(PDNetworksModel::Content{}));
    settle();
    render::save(window.view(), QStringLiteral("locations-overlay-no-locations"));
    window.setDataObject(model);
    settle();

    // The popups, each below its button.
    if (auto* automatic = qobject_cast<AutomaticLocationCellView*>(table->viewAtRow(0))) {
        automatic->infoButton()->click();
        settle(0.1);
        if (automatic->popover() && automatic->popover()->window()) {
            render::save(automatic->popover()->window(), QStringLiteral("locations-popup-automatic"));
        }
        automatic->closePopover();
    }
    tapFilter(window, PDLocationFilterType::privateNetworks);
    settle();
    for (int row = 0; row < table->numberOfRows(); ++row) {
        auto* cell = qobject_cast<LocationCellView*>(table->viewAtRow(row));
        if (cell && !cell->isSplitTunnelButton()->isHidden()) {
            cell->isSplitTunnelButton()->click();
            settle(0.1);
            if (cell->popover() && cell->popover()->window()) {
                render::save(cell->popover()->window(), QStringLiteral("locations-popup-split-tunnel"));
            }
            break;
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    const render::Renderer renderer(argc, argv, QStringLiteral(VELTRIX_RENDER_DIR));
    if (!renderer.isReady()) {
        return 1;
    }
    renderAll();
    return render::exitCode();
}
