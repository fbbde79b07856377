#include "menus/QAUINetworkView.h"

#include "core/AppRouterProtocol.h"
#include "core/LocalizedStrings.h"
#include "menus/QAUIQuickAccessView.h"
#include "platform/Bundle.h"
#include "sdk/VeltrixXPC.h"
#include "toolkit/AppKitExtensions.h"
#include "toolkit/Colors.h"
#include "toolkit/TextAttributes.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

const QString itemCellIdentifier = QStringLiteral("QAUINetworkItemViewCell");
const QString statusCellIdentifier = QStringLiteral("QAUINetworkStatusViewCell");
constexpr int gapBetweenRows = 2;

bool isActive(SDVPNConnectionState state) {
    return state == SDVPNConnectionState::connecting || state == SDVPNConnectionState::connected ||
           state == SDVPNConnectionState::reconnecting;
}

PDPublicIPInfoPtr refreshingAddress() {
    return std::make_shared<PDPublicIPInfo>(L10n::connection_IP_address_refreshing_label());
}

} // namespace

// VPN state view -------------------------------------------------------------------------------------------

QAUIStatusMenuVPNStateView::QAUIStatusMenuVPNStateView(QWidget* parent) : XibView(parent) {
    loadView();
}

QWidget* QAUIStatusMenuVPNStateView::loadViewFromNib() {
    auto* view = new QWidget;
    auto* layout = new QHBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 0);
    m_stack = new QWidget;
    auto* stack = new QHBoxLayout(m_stack);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(5);
    m_icon = new QLabel;
    m_icon->setPixmap(platform::Bundle::main().image(QStringLiteral("qauiConnectedIcon")).pixmap(12, 12));
    m_status = new QLabel;
    m_status->setTextFormat(Qt::PlainText);
    m_status->setFont(toolkit::interFont(12));
    stack->addWidget(m_icon);
    stack->addWidget(m_status);
    m_button = qaui::makePillButton();
    m_button->setMinimumWidth(84);
    m_button->hide();
    QObject::connect(m_button, &QPushButton::clicked, this, [this] { connectButtonTap(); });
    layout->addStretch();
    layout->addWidget(m_stack);
    layout->addWidget(m_button);
    return view;
}

void QAUIStatusMenuVPNStateView::refresh() {
    const SDVPNConnectionState state = VeltrixXPC::connectionState();
    QString text;
    QString color = QStringLiteral("#6E9DD9");
    switch (state) {
    case SDVPNConnectionState::disconnected:
        text = QStringLiteral("Disconnected");
        break;
    case SDVPNConnectionState::connecting:
        text = QStringLiteral("Connecting...");
        color = QStringLiteral("#FFFFFF");
        break;
    case SDVPNConnectionState::connected:
        text = QStringLiteral("Connected");
        color = QStringLiteral("#3ACC73");
        break;
    case SDVPNConnectionState::reconnecting:
        text = QStringLiteral("Reconnecting...");
        color = QStringLiteral("#FFFFFF");
        break;
    default:
        return; // an unknown state keeps the previous look
    }
    m_icon->setVisible(state == SDVPNConnectionState::connected);
    m_status->setText(text);
    toolkit::setTextColor(m_status, colorFromHexString(color));
}

void QAUIStatusMenuVPNStateView::showStatus() {
    m_button->hide();
    m_stack->show();
    refresh();
}

void QAUIStatusMenuVPNStateView::update(NetworkCellStatusViewState state) {
    m_stack->hide();
    m_button->hide();
    switch (state) {
    case NetworkCellStatusViewState::connectAvailable:
    case NetworkCellStatusViewState::disconnectAvailable:
        m_icon->hide();
        m_button->setText(VeltrixXPC::isForcedUpdateAvailable() ? QStringLiteral("Upgrade") : titleOf(state));
        m_button->show();
        break;
    case NetworkCellStatusViewState::connected:
        m_icon->show();
        m_stack->show();
        break;
    case NetworkCellStatusViewState::connecting:
        m_icon->hide();
        m_stack->show();
        break;
    }
}

void QAUIStatusMenuVPNStateView::connectButtonTap() {
    if (m_delegate) {
        m_delegate->networkSelected(nullptr);
    }
}

// Cells ----------------------------------------------------------------------------------------------------

QAUINetworkStatusViewCell::QAUINetworkStatusViewCell(QWidget* parent) : QWidget(parent) {
    setObjectName(statusCellIdentifier);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 0, 8, 0);
    m_title = new QLabel;
    m_title->setTextFormat(Qt::PlainText);
    m_title->setFont(toolkit::interFont(12));
    toolkit::setTextColor(m_title, toolkit::secondaryText);
    m_value = new ElidedLabel(toolkit::interFont(12), Qt::white);
    m_value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(m_title);
    layout->addWidget(m_value, 1);
}

void QAUINetworkStatusViewCell::configure(QAUINetworkViewItem item, const QString& value) {
    m_title->setText(item == QAUINetworkViewItem::publicIp ? QStringLiteral("Public IP:")
                                                           : QStringLiteral("Time Connected:"));
    m_value->setText(value);
}

QAUINetworkItemViewCell::QAUINetworkItemViewCell(QWidget* parent)
    : QAUIIconTitleCell(true, QFont::Normal, 20, parent) {
    m_state = new QAUIStatusMenuVPNStateView;
    m_state->setMinimumWidth(100); // room for "Reconnecting..." whatever the title's length
    m_state->setDelegate(this);
    rowLayout()->addWidget(m_state);
}

void QAUINetworkItemViewCell::configure(const PDNetworkItemPtr& network) {
    m_network = network;
    qaui::showNetworkImage(iconView(), network);
    titleField()->setText(network ? network->displayTitle() : QStringLiteral("N/A"));
    m_state->showStatus();
}

void QAUINetworkItemViewCell::hover() {
    HoverableCellView::hover();
    applyHoverLook();
}

void QAUINetworkItemViewCell::unhover() {
    HoverableCellView::unhover();
    applyHoverLook();
}

void QAUINetworkItemViewCell::applyHoverLook() {
    if (!highlight()) {
        m_state->showStatus();
        return;
    }
    if (isActive(VeltrixXPC::connectionState())) {
        if (qaui::sameNetworkId(VeltrixXPC::currentNetwork(), m_network)) {
            if (!VeltrixXPC::enableAlwaysON()) {
                m_state->update(NetworkCellStatusViewState::disconnectAvailable);
            }
            return;
        }
    }
    m_state->update(NetworkCellStatusViewState::connectAvailable);
}

void QAUINetworkItemViewCell::networkSelected(const PDNetworkItemPtr& network) {
    if (m_delegate) {
        m_delegate->networkSelected(network ? network : m_network);
    }
}

// Section --------------------------------------------------------------------------------------------------

QAUINetworkView::QAUINetworkView(QWidget* parent)
    : QAUIStackMemberView(parent), m_ipAddress(refreshingAddress()) {
    loadView();
}

QWidget* QAUINetworkView::loadViewFromNib() {
    auto* view = new QWidget;
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 12);
    layout->setSpacing(0);
    QLabel* header = qaui::makeSectionHeader(QStringLiteral("Current Network"), 39);
    HoverableTableView* table = makeTableView(gapBetweenRows);
    table->setAccessibleName(QStringLiteral("Current Network"));
    layout->addWidget(header);
    layout->addWidget(table, 1);
    return view;
}

QList<QAUINetworkViewItem> QAUINetworkView::shownItems() {
    if (VeltrixXPC::connectionState() == SDVPNConnectionState::connected) {
        return {QAUINetworkViewItem::selectedLocation, QAUINetworkViewItem::publicIp,
                QAUINetworkViewItem::timeConnected};
    }
    return {QAUINetworkViewItem::selectedLocation};
}

double QAUINetworkView::rowsHeight(const QList<QAUINetworkViewItem>& items) {
    double total = 0.0;
    for (QAUINetworkViewItem item : items) {
        total += item == QAUINetworkViewItem::selectedLocation ? 32.0 : 24.0;
    }
    return items.isEmpty() ? 0.0 : total + gapBetweenRows * static_cast<double>(items.size() - 1);
}

double QAUINetworkView::height() const {
    if (!isActive(VeltrixXPC::connectionState())) {
        return 0.0;
    }
    return rowsHeight(shownItems()) + 41.0 + 12.0;
}

void QAUINetworkView::reload() {
    qaui::reloadSoon(tableView());
    reportHeight(height(), true);
}

void QAUINetworkView::connectionStateChanged() {
    if (VeltrixXPC::connectionState() != SDVPNConnectionState::connected) {
        m_ipAddress = refreshingAddress();
    }
    reload();
}

void QAUINetworkView::reloadRow(QAUINetworkViewItem item) {
    const int row = static_cast<int>(shownItems().indexOf(item));
    if (row < 0 || row >= tableView()->numberOfRows()) {
        return;
    }
    // Only a row that is on screen has a view to refresh; the next reload configures any other.
    if (auto* cell = qobject_cast<QAUINetworkStatusViewCell*>(tableView()->viewAtRow(row))) {
        cell->configure(item,
                        item == QAUINetworkViewItem::publicIp ? m_ipAddress->ipAddress() : m_timeConnected);
    }
}

void QAUINetworkView::updateIPAddress(const PDPublicIPInfoPtr& info) {
    if (!info) {
        return;
    }
    m_ipAddress = info;
    if (tableView() && shownItems().contains(QAUINetworkViewItem::publicIp)) {
        reloadRow(QAUINetworkViewItem::publicIp);
    }
}

void QAUINetworkView::updateTimeConnected(const QString& time) {
    m_timeConnected = time;
    if (VeltrixXPC::connectionState() != SDVPNConnectionState::connected || !tableView()) {
        return;
    }
    QPointer<QAUINetworkView> self = this;
    runOnMainQueue(0, [self] {
        if (self && self->tableView()) {
            self->reloadRow(QAUINetworkViewItem::timeConnected);
        }
    });
}

void QAUINetworkView::networkSelected(const PDNetworkItemPtr& network) {
    const PDNetworkItemPtr current = VeltrixXPC::currentNetwork();
    if (qaui::sameNetworkId(current, network) && isActive(VeltrixXPC::connectionState())) {
        if (AppRouterProtocol* router = appRouter()) {
            router->toggleConnection(nullptr); // disconnects in these states
        }
        return;
    }
    if (network && delegate()) {
        delegate()->didSelectNetwork(network);
    }
}

int QAUINetworkView::numberOfRows(TableView&) {
    return static_cast<int>(shownItems().size());
}

QWidget* QAUINetworkView::viewForRow(TableView& table, int row) {
    const QList<QAUINetworkViewItem> items = shownItems();
    if (row < 0 || row >= items.size()) {
        return nullptr;
    }
    const QAUINetworkViewItem item = items.at(row);
    if (item == QAUINetworkViewItem::selectedLocation) {
        auto* cell = qaui::dequeueCell<QAUINetworkItemViewCell>(table, itemCellIdentifier);
        cell->setDelegate(this);
        cell->configure(VeltrixXPC::currentNetwork());
        return cell;
    }
    auto* cell = qaui::dequeueCell<QAUINetworkStatusViewCell>(table, statusCellIdentifier);
    cell->configure(item, item == QAUINetworkViewItem::publicIp ? m_ipAddress->ipAddress() : m_timeConnected);
    return cell;
}

int QAUINetworkView::heightOfRow(TableView&, int row) {
    const QList<QAUINetworkViewItem> items = shownItems();
    if (row < 0 || row >= items.size()) {
        return 0;
    }
    return items.at(row) == QAUINetworkViewItem::selectedLocation ? 32 : 24;
}

bool QAUINetworkView::shouldSelectRow(TableView&, int) {
    // A click on a row's body hands the network in use to the location action; no row stays selected.
    if (const PDNetworkItemPtr current = VeltrixXPC::currentNetwork(); current && delegate()) {
        delegate()->didSelectNetwork(current);
    }
    return false;
}
