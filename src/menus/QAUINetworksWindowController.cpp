#include "menus/QAUINetworksWindowController.h"

#include "sdk/VeltrixXPC.h"
#include "toolkit/TextAttributes.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {
const QString cellIdentifier = QStringLiteral("QAUISubNetworkViewCell");
constexpr int childWidth = 260;
constexpr int rowGap = 4;
} // namespace

// Cell -----------------------------------------------------------------------------------------------------

void QAUISubNetworkViewCell::configure(const PDNetworkItemPtr& network) {
    qaui::showNetworkImage(iconView(), network);
    const QString title =
        network ? (network->locationTitle().isEmpty() ? network->title() : network->locationTitle())
                : QString();
    titleField()->setText(title);
}

// List -----------------------------------------------------------------------------------------------------

QAUINetworksSubViewController::QAUINetworksSubViewController(QObject* parent)
    : NSViewControllerBase(parent) {}

QWidget* QAUINetworksSubViewController::loadView() {
    auto* view = new QWidget;
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(8, 0, 8, 8);
    layout->setSpacing(0);
    m_title = new QLabel;
    m_title->setTextFormat(Qt::PlainText);
    m_title->setFont(toolkit::interFont(14, QFont::Medium));
    toolkit::setTextColor(m_title, Qt::white);
    m_title->setContentsMargins(8, 0, 0, 0);
    m_title->setFixedHeight(68);
    HoverableTableView* table = makeTableView(rowGap, true);
    table->setAccessibleName(QStringLiteral("Networks"));
    table->setMinimumHeight(0); // the window's height comes from the list's length
    table->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    layout->addWidget(m_title);
    layout->addWidget(table, 1);
    return view;
}

QList<PDNetworkItemPtr> QAUINetworksSubViewController::networks() const {
    if (m_type == QAUINetworkGroupsViewItem::sharedNetworks) {
        const PDNetworksModelPtr model = VeltrixXPC::networks();
        return m_dataSource && model ? model->sharedNetworks() : QList<PDNetworkItemPtr>();
    }
    return m_dataSource ? m_dataSource->privateLocations() : QList<PDNetworkItemPtr>();
}

double QAUINetworksSubViewController::heightFor(qsizetype count) {
    const auto n = static_cast<double>(count);
    return std::clamp(n * 32.0 + n * 4.0 + 8.0 + 68.0, 0.0, maximumHeight);
}

void QAUINetworksSubViewController::setNetworkItemType(QAUINetworkGroupsViewItem type) {
    m_type = type;
    reload();
}

void QAUINetworksSubViewController::reload() {
    view();
    m_networks = networks();
    m_title->setText(qauiGroups::title(m_type));
    tableView()->reloadData();
    QWidget* window = view()->window();
    if (window == view()) {
        return;
    }
    // The top edge stays; the window grows downwards.
    const int height = static_cast<int>(std::lround(heightFor(m_networks.size())));
    QRect frame = window->geometry();
    frame.setHeight(height);
    window->setGeometry(frame);
}

int QAUINetworksSubViewController::numberOfRows(TableView&) {
    return static_cast<int>(m_networks.size());
}

QWidget* QAUINetworksSubViewController::viewForRow(TableView& table, int row) {
    if (row < 0 || row >= m_networks.size()) {
        return nullptr;
    }
    auto* cell = qaui::dequeueCell<QAUISubNetworkViewCell>(table, cellIdentifier);
    cell->configure(m_networks.at(row));
    return cell;
}

bool QAUINetworksSubViewController::shouldSelectRow(TableView&, int row) {
    if (row < 0 || row >= m_networks.size()) {
        return false;
    }
    const PDNetworkItemPtr network = m_networks.at(row);
    if (delegate()) {
        delegate()->didSelectLocation(network);
    }
    if (onNetworkChosen) {
        onNetworkChosen();
    }
    return false;
}

// Window ---------------------------------------------------------------------------------------------------

QAUINetworksWindowController::QAUINetworksWindowController(QObject* parent)
    : platform::WindowController(parent), m_content(new QAUINetworksSubViewController(this)) {
    m_content->onNetworkChosen = [this] {
        if (isWindowVisible()) {
            window()->hide(); // the window only: the group row keeps its mark until the groups reload
        }
    };
}

QAUINetworksWindowController::~QAUINetworksWindowController() {
    setContentViewController(nullptr);
}

QWidget* QAUINetworksWindowController::loadWindow() {
    auto* window = new StatusItemMenuWindow;
    window->onCancel = [this] {
        if (onCancel) {
            onCancel();
        }
    };
    window->resize(childWidth, static_cast<int>(QAUINetworksSubViewController::heightFor(0)));
    return window;
}

void QAUINetworksWindowController::windowWillClose() {
    setParentView(nullptr);
}

void QAUINetworksWindowController::setParentView(QWidget* view) {
    if (auto* previous = qobject_cast<TableRowView*>(m_parentView.data())) {
        previous->setSelected(false);
    }
    if (auto* next = qobject_cast<TableRowView*>(view)) {
        next->setSelected(true);
    }
    m_parentView = view;
}

void QAUINetworksWindowController::setNetworkItemType(QAUINetworkGroupsViewItem type) {
    m_type = type;
    if (!contentViewController()) {
        window();
        setContentViewController(m_content);
    }
    m_content->setNetworkItemType(type);
}
