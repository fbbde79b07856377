#include "locations/LocationsViewController.h"

#include "locations/NetworkRows.h"
#include "platform/Storyboard.h"
#include "toolkit/AppKitExtensions.h"
#include "toolkit/BaseWindowViewController.h"

#include <QListWidget>
#include <QVBoxLayout>

namespace {

const platform::StoryboardRegistrar
    locationsWindow(QStringLiteral("Location"), QStringLiteral("locationWindow"), [] {
        return std::unique_ptr<QObject>(BaseWindowViewController::withContent(new LocationsViewController));
    });

} // namespace

LocationsViewController::LocationsViewController(QObject* parent) : NSViewControllerBase(parent) {}

QWidget* LocationsViewController::loadView() {
    auto* view = new QWidget;
    view->resize(360, 520);
    auto* layout = new QVBoxLayout(view);
    m_list = new QListWidget;
    layout->addWidget(m_list);
    reloadList();
    return view;
}

void LocationsViewController::setDataObject(const PDNetworksModelPtr& networks) {
    m_networks = networks;
    if (m_networks) {
        m_networks->refresh();
        if (const auto filter = m_networks->defaultFilter()) {
            m_networks->applyFilter(*filter);
        }
    }
    if (isViewLoaded()) {
        reloadList();
    }
}

void LocationsViewController::reloadList() {
    m_list->clear();
    if (!m_networks) {
        return;
    }
    QList<PDNetworkItemPtr> rows;
    for (int row = 0; row < m_networks->numberOfLocationRows(); ++row) {
        rows << m_networks->item(row);
    }
    m_list->addItems(networkRowTitles(rows));
}

void LocationsViewController::appWindowDidShow() {
    enableLayerCoreImageFilters(this);
}
void LocationsViewController::appWillBecomeActive() {
    enableLayerCoreImageFilters(this);
}
void LocationsViewController::appDidResignActive() {
    disableLayerCoreImageFilters(this);
}
void LocationsViewController::appDidReopen() {
    appWindowDidShow();
}

QStringList LocationsViewController::rowTitles() const {
    QStringList titles;
    if (m_list) {
        for (int row = 0; row < m_list->count(); ++row) {
            titles << m_list->item(row)->text();
        }
    }
    return titles;
}
