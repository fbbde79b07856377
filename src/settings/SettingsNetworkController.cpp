#include "settings/SettingsNetworkController.h"

#include "core/ApplicationModel.h"
#include "core/Log.h"
#include "core/ServiceLayer.h"
#include "sdk/VeltrixXPC.h"
#include "settings/ProtocolIndicatorView.h"
#include "settings/SettingsLook.h"
#include "toolkit/SwitchControl.h"
#include "toolkit/TextAttributes.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

constexpr int kAnalyticsCategory = 0;
const QString switchCellIdentifier = QStringLiteral("SettingsNetworkViewCell");
const QString listCellIdentifier = QStringLiteral("SettingsTrustedNetworksViewCell");

bool notDisconnected() {
    return VeltrixXPC::connectionState() != SDVPNConnectionState::disconnected;
}

std::optional<std::pair<int, int>> analyticsTypes(SettingsNetworkItem item) {
    switch (item) {
    case SettingsNetworkItem::alwaysOn:
        return std::pair{35, 36};
    case SettingsNetworkItem::wiFiSecurity:
        return std::pair{37, 38};
    case SettingsNetworkItem::trustedNetworks:
        return std::pair{41, 42};
    case SettingsNetworkItem::killSwitch:
    case SettingsNetworkItem::trustedNetworksList:
        break;
    }
    return std::nullopt;
}

} // namespace

namespace settingsNetwork {

QString title(SettingsNetworkItem item) {
    switch (item) {
    case SettingsNetworkItem::alwaysOn:
        return QStringLiteral("Always-On VPN");
    case SettingsNetworkItem::killSwitch:
        return QStringLiteral("Kill Switch");
    case SettingsNetworkItem::wiFiSecurity:
        return QStringLiteral("Automatic Wi-Fi Security");
    case SettingsNetworkItem::trustedNetworks:
        return QStringLiteral("Trusted Wi-Fi Networks");
    case SettingsNetworkItem::trustedNetworksList:
        return QStringLiteral("Current WiFi Network");
    }
    return {};
}

QString description(SettingsNetworkItem item) {
    switch (item) {
    case SettingsNetworkItem::alwaysOn:
        return QStringLiteral("Automatically connects the VPN when an Internet connection is available.");
    case SettingsNetworkItem::killSwitch:
        return QStringLiteral(
            "Instantly cuts the Internet connection if the VPN disconnects, protecting data from "
            "temporary exposure.");
    case SettingsNetworkItem::wiFiSecurity:
        return QStringLiteral("Automatically connects the VPN when using unsecured Wi-Fi networks.");
    case SettingsNetworkItem::trustedNetworks:
        return QStringLiteral(
            "Specify Trusted Wi-Fi networks according to specific SSIDs.These Wi-Fi networks will "
            "not trigger our Automatic Wi-Fi Security.");
    case SettingsNetworkItem::trustedNetworksList:
        break;
    }
    return {};
}

bool value(SettingsNetworkItem item) {
    const PDSettings p = VeltrixXPC::unappliedSettings();
    switch (item) {
    case SettingsNetworkItem::alwaysOn:
        return notDisconnected() ? VeltrixXPC::enableAlwaysON() : p.alwaysOn.value;
    case SettingsNetworkItem::killSwitch:
        if (p.alwaysOn.value) {
            return true;
        }
        return notDisconnected() ? VeltrixXPC::enableKillSwitch() : p.killSwitch.value;
    case SettingsNetworkItem::wiFiSecurity:
        return p.alwaysOn.value || p.wifiSecurity.value;
    case SettingsNetworkItem::trustedNetworks:
        if (p.alwaysOn.value || !p.wifiSecurity.value) {
            return false;
        }
        return p.trustedNetworksList.isEnforced || p.trustedNetworks.value;
    case SettingsNetworkItem::trustedNetworksList:
        break;
    }
    return false;
}

bool isEnforced(SettingsNetworkItem item) {
    const PDSettings p = VeltrixXPC::unappliedSettings();
    switch (item) {
    case SettingsNetworkItem::alwaysOn:
        return p.alwaysOn.isEnforced;
    case SettingsNetworkItem::killSwitch:
        return p.killSwitch.isEnforced;
    case SettingsNetworkItem::wiFiSecurity:
        return p.wifiSecurity.isEnforced;
    case SettingsNetworkItem::trustedNetworks:
        return p.trustedNetworksList.isEnforced;
    case SettingsNetworkItem::trustedNetworksList:
        break;
    }
    return false;
}

bool isDisabled(SettingsNetworkItem item) {
    const PDSettings p = VeltrixXPC::unappliedSettings();
    const bool changingDisabled = ServiceLayer::appModel().vpnSettingsChangingDisabled();
    switch (item) {
    case SettingsNetworkItem::alwaysOn:
        return (changingDisabled && !VeltrixXPC::enableAlwaysON()) || p.alwaysOn.isEnforced;
    case SettingsNetworkItem::killSwitch:
        return changingDisabled || p.alwaysOn.value || p.killSwitch.isEnforced;
    case SettingsNetworkItem::wiFiSecurity:
        return p.wifiSecurity.isEnforced || p.alwaysOn.value;
    case SettingsNetworkItem::trustedNetworks:
        return p.alwaysOn.value || p.trustedNetworksList.isEnforced || !p.wifiSecurity.value;
    case SettingsNetworkItem::trustedNetworksList:
        break;
    }
    return false;
}

int height(SettingsNetworkItem item) {
    if (item == SettingsNetworkItem::trustedNetworksList) {
        const auto count = VeltrixXPC::settings().trustedNetworksList.value.size();
        return static_cast<int>(count) * SettingsTrustedNetworksViewCell::itemHeight + 81;
    }
    return 66;
}

QList<SettingsNetworkItem> visibleRows() {
    const PDSettings p = VeltrixXPC::unappliedSettings();
    QList<SettingsNetworkItem> rows{SettingsNetworkItem::alwaysOn, SettingsNetworkItem::wiFiSecurity,
                                    SettingsNetworkItem::trustedNetworks};
    if (!p.alwaysOn.value && p.wifiSecurity.value &&
        (p.trustedNetworksList.isEnforced || p.trustedNetworks.value)) {
        rows.append(SettingsNetworkItem::trustedNetworksList);
    }
    return rows;
}

} // namespace settingsNetwork

// SettingsNetworkViewCell ----------------------------------------------------------------------------------

SettingsNetworkViewCell::SettingsNetworkViewCell(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(24);
    auto* texts = new QVBoxLayout;
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(4);
    m_title = settingslook::makeTitleField();
    m_description = settingslook::makeDescriptionField();
    texts->addStretch();
    texts->addWidget(m_title);
    texts->addWidget(m_description);
    texts->addStretch();
    m_switch = new SwitchControl;
    m_switch->setFixedSize(40, 20);
    settingslook::applySwitchColors(*m_switch);
    m_indicator = new ProtocolIndicatorView;
    m_indicator->hide();
    layout->addLayout(texts, 1);
    layout->addWidget(m_indicator);
    layout->addWidget(m_switch);
    connect(m_switch, &SwitchControl::clicked, this, &SettingsNetworkViewCell::notifySwitchChanged);
}

void SettingsNetworkViewCell::setup(SettingsNetworkItem item) {
    m_tabType = item;
    m_title->setText(settingsNetwork::title(item));
    m_description->setText(settingsNetwork::description(item));
    m_switch->setOn(settingsNetwork::value(item), false);
    const bool disabled = settingsNetwork::isDisabled(item);
    toolkit::setTextColor(m_title, disabled ? toolkit::disabledText : QColor(Qt::white));
    toolkit::setTextColor(m_description, disabled ? toolkit::disabledSecondaryText : toolkit::secondaryText);
    m_switch->setEnabled(!disabled);
    std::optional<ProtocolIndicatorViewState> badge;
    if (item != SettingsNetworkItem::alwaysOn && VeltrixXPC::enableAlwaysON()) {
        badge = ProtocolIndicatorViewState::alwaysOn;
    } else if (settingsNetwork::isEnforced(item)) {
        badge = ProtocolIndicatorViewState::setByAdmin;
    }
    if (badge) {
        m_indicator->configure(*badge);
    }
    m_switch->setVisible(!badge);
    m_indicator->setVisible(badge.has_value());
}

void SettingsNetworkViewCell::notifySwitchChanged() {
    if (m_tabType && m_delegate) {
        m_delegate->switchChanged(*m_tabType, m_switch->on());
    }
}

// SettingsNetworkController --------------------------------------------------------------------------------

SettingsNetworkController::SettingsNetworkController(QObject* parent)
    : SettingsContainerSubController(parent) {
    setTitle(QStringLiteral("Network"));
}

QWidget* SettingsNetworkController::loadView() {
    m_table = new TableView;
    QWidget* view = makeTableView(m_table, 6);
    m_table->setAccessibleName(QStringLiteral("Network"));
    m_table->setFocusPolicy(Qt::NoFocus); // the switches in its rows take the focus
    return view;
}

void SettingsNetworkController::reloadTable() {
    view();
    const QList<SettingsNetworkItem> rows = settingsNetwork::visibleRows();
    const bool sameRows = rows == m_rows && m_table->numberOfRows() == rows.size() &&
                          (rows.isEmpty() || m_lastRowHeight == settingsNetwork::height(rows.back()));
    refreshRows(*m_table, sameRows, [this](int row, QWidget* cell) { fillCell(cell, m_rows.at(row)); });
}

void SettingsNetworkController::fillCell(QWidget* cell, SettingsNetworkItem item) {
    if (auto* list = qobject_cast<SettingsTrustedNetworksViewCell*>(cell)) {
        list->setEditor(&m_editor);
        list->reloadTrustedNetworks();
        list->setDelegate(this);
    } else if (auto* row = qobject_cast<SettingsNetworkViewCell*>(cell)) {
        row->setup(item);
        row->setDelegate(this);
    }
}

QWidget* SettingsNetworkController::cellFor(SettingsNetworkItem item) const {
    const int row = static_cast<int>(m_rows.indexOf(item));
    return m_table && row >= 0 ? m_table->viewAtRow(row) : nullptr;
}

void SettingsNetworkController::refreshServiceState() {
    SettingsContainerSubController::refreshServiceState();
    reloadTable();
}

int SettingsNetworkController::numberOfRows(TableView&) {
    m_rows = settingsNetwork::visibleRows();
    return static_cast<int>(m_rows.size());
}

QWidget* SettingsNetworkController::viewForRow(TableView& table, int row) {
    if (row < 0 || row >= m_rows.size()) {
        return nullptr;
    }
    const SettingsNetworkItem item = m_rows.at(row);
    QWidget* cell =
        item == SettingsNetworkItem::trustedNetworksList
            ? static_cast<QWidget*>(dequeueCell<SettingsTrustedNetworksViewCell>(table, listCellIdentifier))
            : dequeueCell<SettingsNetworkViewCell>(table, switchCellIdentifier);
    fillCell(cell, item);
    return cell;
}

int SettingsNetworkController::heightOfRow(TableView&, int row) {
    if (row < 0 || row >= m_rows.size()) {
        return 0;
    }
    const int height = settingsNetwork::height(m_rows.at(row));
    if (row == m_rows.size() - 1) {
        m_lastRowHeight = height;
    }
    return height;
}

bool SettingsNetworkController::shouldSelectRow(TableView&, int) {
    return false;
}

void SettingsNetworkController::switchChanged(SettingsNetworkItem item, bool isOn) {
    vlog::debug(settingsNetwork::title(item) + QStringLiteral(" - changed - ") +
                (isOn ? QStringLiteral("true") : QStringLiteral("false")));
    changeSetting(item, isOn);
}

void SettingsNetworkController::changeSetting(SettingsNetworkItem item, bool isOn) {
    if (item == SettingsNetworkItem::trustedNetworksList) {
        return;
    }
    VeltrixXPC::setNetworkSetting(static_cast<PDNetworkSettingItem>(static_cast<int>(item)), isOn);
    refreshServiceState();
    if (const auto types = analyticsTypes(item)) {
        VeltrixXPC::sendAnalytics(AnalyticsEvent(
            kAnalyticsCategory, isOn ? types->first : types->second, std::nullopt,
            AnalyticsTrigger::button(settingsNetwork::title(item)), std::nullopt, std::nullopt));
    }
}

void SettingsNetworkController::trustedNetworksDidChange() {
    if (!m_rows.isEmpty() && m_rows.back() == SettingsNetworkItem::trustedNetworksList) {
        reloadTable();
    }
}
