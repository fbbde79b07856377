#include "menus/QAUIStatusView.h"

#include "core/ApplicationModel.h"
#include "core/Log.h"
#include "core/ServiceLayer.h"
#include "platform/Bundle.h"
#include "sdk/VeltrixXPC.h"
#include "toolkit/Colors.h"
#include "toolkit/TextAttributes.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

const QString cellIdentifier = QStringLiteral("QAUIStatusOptionViewCell");

QString boolText(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

namespace qauiStatus {

bool twnDisablesAlwaysON() {
    const bool trustedWired = VeltrixXPC::isTrustedWiredNetwork();
    const bool alwaysOn = VeltrixXPC::settings().alwaysOn.value;
    const bool result = trustedWired && alwaysOn;
    vlog::debug(QStringLiteral("isTrustedWiredNetwork = ") + boolText(trustedWired) +
                QStringLiteral(" && alwaysOn = ") + boolText(alwaysOn));
    vlog::debug(QStringLiteral("twnDisablesAlwaysON() = ") + boolText(result));
    return result;
}

QString title(QAUIStatusViewItem item) {
    switch (item) {
    case QAUIStatusViewItem::dpc:
        return QStringLiteral("Device Posture Check");
    case QAUIStatusViewItem::alwaysOn:
        return twnDisablesAlwaysON() ? QStringLiteral("Trusted Network") : QStringLiteral("Always On VPN");
    case QAUIStatusViewItem::splitTunneling:
        return QStringLiteral("Split Tunneling");
    case QAUIStatusViewItem::dnsFiltering:
        return QStringLiteral("DNS Filtering");
    case QAUIStatusViewItem::secureWebGateway:
        return QStringLiteral("Secure Web Gateway");
    }
    return {};
}

bool isOn(QAUIStatusViewItem item) {
    const PDNetworkItemPtr current = VeltrixXPC::currentNetwork();
    switch (item) {
    case QAUIStatusViewItem::dpc:
        return false;
    case QAUIStatusViewItem::alwaysOn:
        return twnDisablesAlwaysON() || VeltrixXPC::enableAlwaysON();
    case QAUIStatusViewItem::splitTunneling:
        return current && current->isSplitTunnelingEnabled();
    case QAUIStatusViewItem::dnsFiltering:
        return current && current->isDNSFilteringEnabled();
    case QAUIStatusViewItem::secureWebGateway:
        return VeltrixXPC::isSWGEnabled();
    }
    return false;
}

QList<QAUIStatusViewItem> shownItems() {
    if (ServiceLayer::appModel().isQAUIStatusViewHidden()) {
        return {QAUIStatusViewItem::dpc, QAUIStatusViewItem::alwaysOn};
    }
    return {QAUIStatusViewItem::dpc, QAUIStatusViewItem::alwaysOn, QAUIStatusViewItem::splitTunneling,
            QAUIStatusViewItem::dnsFiltering, QAUIStatusViewItem::secureWebGateway};
}

} // namespace qauiStatus

// Indicators -----------------------------------------------------------------------------------------------

QAUIStatusOptionIndicator::QAUIStatusOptionIndicator(QWidget* parent)
    : XibView(parent), onColor(colorFromHexString(QStringLiteral("#3ACC73"))),
      offColor(colorFromHexString(QStringLiteral("#FD596F"))) {
    loadView();
}

QWidget* QAUIStatusOptionIndicator::loadViewFromNib() {
    auto* view = new QWidget;
    auto* layout = new QHBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    m_dot = new NSViewLayerBacked;
    m_dot->setFixedSize(8, 8);
    m_dot->setCornerRadius(4.0);
    m_status = new QLabel;
    m_status->setTextFormat(Qt::PlainText);
    m_status->setFont(toolkit::interFont(12));
    toolkit::setTextColor(m_status, Qt::white);
    layout->addStretch();
    layout->addWidget(m_dot, 0, Qt::AlignVCenter);
    layout->addWidget(m_status);
    return view;
}

void QAUIStatusOptionIndicator::update(bool isOn) {
    m_dot->setBgColor(isOn ? onColor : offColor);
    m_status->setText(isOn ? QStringLiteral("On") : QStringLiteral("Off"));
}

QAUIStatusDPCIndicator::QAUIStatusDPCIndicator(QWidget* parent) : XibView(parent) {
    loadView();
}

QWidget* QAUIStatusDPCIndicator::loadViewFromNib() {
    auto* view = new QWidget;
    auto* layout = new QHBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 0);
    m_bg = new NSViewLayerBacked;
    m_bg->setCornerRadius(9.0);
    auto* inner = new QHBoxLayout(m_bg);
    inner->setContentsMargins(8, 0, 8, 0);
    m_title = new QLabel;
    m_title->setTextFormat(Qt::PlainText);
    m_title->setFont(toolkit::interFont(11, QFont::Medium));
    toolkit::setTextColor(m_title, Qt::white);
    inner->addWidget(m_title);
    m_bg->setFixedHeight(18);
    layout->addStretch();
    layout->addWidget(m_bg, 0, Qt::AlignVCenter);
    return view;
}

void QAUIStatusDPCIndicator::update(PD_DevicePostureCheckState state) {
    switch (state) {
    case PD_DevicePostureCheckState::healthy:
        m_bg->setBgColor(toolkit::healthyBadge);
        m_title->setText(QStringLiteral("Healthy"));
        break;
    case PD_DevicePostureCheckState::atRisk:
        m_bg->setBgColor(toolkit::atRiskBadge);
        m_title->setText(QStringLiteral("At Risk"));
        break;
    case PD_DevicePostureCheckState::inactive:
        m_bg->setBgColor(toolkit::inactiveBadge);
        m_title->setText(QStringLiteral("Inactive"));
        break;
    }
}

QAUIStatusOptionViewCell::QAUIStatusOptionViewCell(QWidget* parent) : QWidget(parent) {
    setObjectName(cellIdentifier);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 0, 8, 0);
    m_title = new ElidedLabel(toolkit::interFont(13), Qt::white);
    m_dpc = new QAUIStatusDPCIndicator;
    m_option = new QAUIStatusOptionIndicator;
    layout->addWidget(m_title, 1);
    layout->addWidget(m_dpc);
    layout->addWidget(m_option);
}

void QAUIStatusOptionViewCell::configure(QAUIStatusViewItem item) {
    m_title->setText(qauiStatus::title(item));
    if (item == QAUIStatusViewItem::dpc) {
        m_option->hide();
        m_dpc->show();
        m_dpc->update(VeltrixXPC::dpcState());
        return;
    }
    m_dpc->hide();
    m_option->show();
    m_option->update(qauiStatus::isOn(item));
}

// Section --------------------------------------------------------------------------------------------------

QAUIStatusView::QAUIStatusView(QWidget* parent) : QAUIStackMemberView(parent) {
    loadView();
}

QWidget* QAUIStatusView::loadViewFromNib() {
    auto* view = new QWidget;
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 6);
    layout->setSpacing(0);
    auto* header = new QHBoxLayout;
    header->setContentsMargins(8, 0, 0, 0);
    auto* title = new QLabel(QStringLiteral("Status"));
    title->setFont(toolkit::interFont(12, QFont::Medium));
    toolkit::setTextColor(title, toolkit::secondaryText);
    m_arrow = new NSButtonWithHandCursor;
    m_arrow->setFlat(true);
    m_arrow->setFixedSize(37, 37);
    m_arrow->setAccessibleName(
        QStringLiteral("Show Status")); // the list starts collapsed; reload() follows it
    m_arrow->setIconSize(QSize(14, 14));
    QObject::connect(m_arrow, &QPushButton::clicked, this, [this] { hideStatusViewButtonTap(); });
    header->addWidget(title);
    header->addStretch();
    header->addWidget(m_arrow);
    m_table = new HoverableTableView;
    qaui::styleTable(*m_table);
    m_table->setAccessibleName(QStringLiteral("Status"));
    m_table->setIntercellSpacing(QSize(0, 0));
    m_table->setSelectionHighlightStyle(TableView::SelectionHighlightStyle::none);
    m_table->setDataSource(this);
    layout->addLayout(header);
    layout->addWidget(m_table, 1);
    return view;
}

double QAUIStatusView::height() const {
    if (!m_isVisible) {
        return 0.0;
    }
    return rowHeight * static_cast<double>(qauiStatus::shownItems().size()) + 37.0 + 6.0;
}

void QAUIStatusView::reload() {
    qaui::reloadSoon(m_table);
    const QString arrow = ServiceLayer::appModel().isQAUIStatusViewHidden()
                              ? QStringLiteral("qauiStatusArrowDown")
                              : QStringLiteral("qauiStatusArrowUp");
    if (arrow != m_arrowImage) {
        m_arrowImage = arrow;
        m_arrow->setIcon(platform::Bundle::main().image(m_arrowImage));
        m_arrow->setAccessibleName(ServiceLayer::appModel().isQAUIStatusViewHidden()
                                       ? QStringLiteral("Show Status")
                                       : QStringLiteral("Hide Status"));
    }
    reportHeight(height(), true);
}

void QAUIStatusView::hideStatusViewButtonTap() {
    ApplicationModel& model = ServiceLayer::appModel();
    model.setIsQAUIStatusViewHidden(!model.isQAUIStatusViewHidden());
    reload();
}

int QAUIStatusView::numberOfRows(TableView&) {
    return static_cast<int>(qauiStatus::shownItems().size());
}

QWidget* QAUIStatusView::viewForRow(TableView& table, int row) {
    const QList<QAUIStatusViewItem> items = qauiStatus::shownItems();
    if (row < 0 || row >= items.size()) {
        return nullptr;
    }
    auto* cell = qaui::dequeueCell<QAUIStatusOptionViewCell>(table, cellIdentifier);
    cell->configure(items.at(row));
    return cell;
}

int QAUIStatusView::heightOfRow(TableView&, int) {
    return static_cast<int>(rowHeight);
}

bool QAUIStatusView::shouldSelectRow(TableView&, int) {
    return false;
}
