#include "menus/QAUIQuickAccessView.h"

#include "sdk/VeltrixXPC.h"
#include "toolkit/AppKitExtensions.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const QString cellIdentifier = QStringLiteral("QAUIQuickAccessNetworkItemViewCell");
} // namespace

// Cell -----------------------------------------------------------------------------------------------------

QAUIQuickAccessNetworkItemViewCell::QAUIQuickAccessNetworkItemViewCell(QWidget* parent)
    : QAUIIconTitleCell(true, QFont::Light, 20, parent) {
    m_button = qaui::makePillButton();
    m_button->setText(QStringLiteral("Connect"));
    m_button->setMinimumWidth(72);
    QObject::connect(m_button, &QPushButton::clicked, this, [this] { connectButtonTap(); });
    rowLayout()->addWidget(m_button);
    setHighlight(false);
    m_button->hide();
}

void QAUIQuickAccessNetworkItemViewCell::configure(const PDNetworkItemPtr& network) {
    m_network = network;
    qaui::showNetworkImage(iconView(), network);
    titleField()->setText(network ? network->displayTitle() : QString());
}

void QAUIQuickAccessNetworkItemViewCell::hover() {
    HoverableCellView::hover();
    m_button->setHidden(!highlight());
}

void QAUIQuickAccessNetworkItemViewCell::unhover() {
    HoverableCellView::unhover();
    m_button->setHidden(!highlight());
}

void QAUIQuickAccessNetworkItemViewCell::connectButtonTap() {
    unhover();
    if (m_delegate) {
        m_delegate->networkSelected(m_network);
    }
}

// Section --------------------------------------------------------------------------------------------------

QAUIQuickAccessView::QAUIQuickAccessView(QWidget* parent) : QAUIStackMemberView(parent) {
    loadView();
}

QWidget* QAUIQuickAccessView::loadViewFromNib() {
    auto* view = new QWidget;
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 12);
    layout->setSpacing(0);
    QLabel* header = qaui::makeSectionHeader(QStringLiteral("Recent Networks"), 38);
    HoverableTableView* table = makeTableView(1);
    table->setAccessibleName(QStringLiteral("Recent Networks"));
    layout->addWidget(header);
    layout->addWidget(table, 1);
    return view;
}

double QAUIQuickAccessView::sectionHeight(qsizetype rows) {
    if (rows <= 0) {
        return 0.0;
    }
    const auto n = static_cast<double>(rows);
    return 41.0 + 12.0 + 30.0 * n + 3.0 * (n - 1.0);
}

double QAUIQuickAccessView::height() const {
    return sectionHeight(m_lastUsed.size());
}

void QAUIQuickAccessView::rebuild() {
    const PDNetworksModelPtr networks = VeltrixXPC::networks();
    if (!networks) {
        m_lastUsed.clear();
        return;
    }
    QList<PDNetworkItemPtr> list = networks->lastUsedNetworks();
    std::reverse(list.begin(), list.end());
    if (VeltrixXPC::connectionState() != SDVPNConnectionState::disconnected) {
        const PDNetworkItemPtr current = VeltrixXPC::currentNetwork();
        const std::optional<qsizetype> processingIndex =
            m_processing ? firstIndexOfNetwork(list, m_processing) : std::nullopt;
        if (processingIndex) {
            list.removeAt(*processingIndex);
            if (current && qaui::sameNetworkId(current, m_processing)) {
                m_processing.reset();
            }
        } else if (current) {
            if (const std::optional<qsizetype> index = firstIndexOfNetwork(list, current)) {
                list.removeAt(*index);
            }
        }
    }
    m_lastUsed = list;
}

void QAUIQuickAccessView::reloadTableKeepingSelection() {
    if (!tableView()) {
        return;
    }
    tableView()->reloadData();
    // The selection marks the clicked network, never whichever row now sits at its old place.
    const std::optional<qsizetype> row =
        m_processing ? firstIndexOfNetwork(m_lastUsed, m_processing) : std::nullopt;
    if (row) {
        m_reselecting = true;
        tableView()->selectRow(static_cast<int>(*row));
        m_reselecting = false;
    } else {
        tableView()->deselectAll();
    }
}

void QAUIQuickAccessView::reload() {
    rebuild();
    QPointer<QAUIQuickAccessView> self = this;
    runOnMainQueue(0, [self] {
        if (self) {
            self->reloadTableKeepingSelection();
        }
    });
    runOnMainQueue(500, [self] {
        if (self && self->tableView()) {
            self->tableView()->resetHover();
        }
    });
    reportHeight(height(), true);
}

void QAUIQuickAccessView::networkSelected(const PDNetworkItemPtr& network) {
    if (network && delegate()) {
        delegate()->didSelectNetwork(network);
    }
}

int QAUIQuickAccessView::numberOfRows(TableView&) {
    return static_cast<int>(m_lastUsed.size());
}

QWidget* QAUIQuickAccessView::viewForRow(TableView& table, int row) {
    if (row < 0 || row >= m_lastUsed.size()) {
        return nullptr;
    }
    auto* cell = qaui::dequeueCell<QAUIQuickAccessNetworkItemViewCell>(table, cellIdentifier);
    cell->setDelegate(this);
    cell->configure(m_lastUsed.at(row));
    return cell;
}

bool QAUIQuickAccessView::shouldSelectRow(TableView&, int row) {
    if (row < 0 || row >= m_lastUsed.size()) {
        return false;
    }
    if (m_reselecting) {
        return true; // the clicked network's row again after a reload, not a click
    }
    m_processing = m_lastUsed.at(row);
    if (delegate()) {
        delegate()->didSelectNetwork(m_processing);
    }
    QPointer<QAUIQuickAccessView> self = this;
    runOnMainQueue(100, [self] {
        if (self) {
            self->reload();
        }
    });
    return true;
}
