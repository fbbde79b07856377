#include "locations/LocationsSubController.h"

#include "core/LocalizedStrings.h"
#include "locations/NetworkRows.h"
#include "platform/Storyboard.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

VELTRIX_STORYBOARD_CONTROLLER("Networks", "LocationsSubController", LocationsSubController);

LocationsSubController::LocationsSubController(QObject* parent) : GeneralSubController(parent) {}

QWidget* LocationsSubController::loadView() {
    auto* view = new QWidget;
    auto* layout = new QVBoxLayout(view);
    m_list = new QListWidget;
    m_placeholder = new QLabel(L10n::locations_blured_view_force_update());
    m_placeholder->setWordWrap(true);
    m_placeholder->setAlignment(Qt::AlignCenter);
    m_placeholder->setVisible(false);
    layout->addWidget(m_list);
    layout->addWidget(m_placeholder);
    reloadList();
    return view;
}

void LocationsSubController::updateNetworks(const PDNetworksModelPtr& networks) {
    m_networks = networks;
    if (m_networks) {
        m_networks->refresh();
    }
    if (isViewLoaded()) {
        reloadList();
    }
}

void LocationsSubController::reloadSelectedRow() {
    if (isViewLoaded()) {
        reloadList();
    }
}

void LocationsSubController::reloadList() {
    m_list->clear();
    if (!m_networks) {
        return;
    }
    QList<PDNetworkItemPtr> rows;
    for (int row = 0; row < m_networks->numberOfNetworkRows(); ++row) {
        rows << m_networks->networkItem(row);
    }
    m_list->addItems(networkRowTitles(rows));
}

void LocationsSubController::showForcedUpdateState() {
    if (isViewLoaded()) {
        m_list->setVisible(false);
        m_placeholder->setVisible(true);
    }
}

void LocationsSubController::hideForcedUpdateState() {
    if (isViewLoaded()) {
        m_list->setVisible(true);
        m_placeholder->setVisible(false);
    }
}

QStringList LocationsSubController::rowTitles() const {
    QStringList titles;
    if (m_list) {
        for (int row = 0; row < m_list->count(); ++row) {
            titles << m_list->item(row)->text();
        }
    }
    return titles;
}

bool LocationsSubController::isPlaceholderShown() const {
    return m_placeholder && !m_placeholder->isHidden();
}
