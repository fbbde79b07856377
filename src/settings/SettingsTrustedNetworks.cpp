#include "settings/SettingsTrustedNetworks.h"

#include "core/Log.h"
#include "platform/Scheduler.h"
#include "platform/WiFiSsidReader.h"
#include "sdk/VeltrixXPC.h"
#include "settings/SettingsLook.h"
#include "toolkit/Alert.h"
#include "toolkit/CapsuleButton.h"
#include "toolkit/ElidedLabel.h"
#include "toolkit/NSViewLayerBacked.h"
#include "toolkit/TextAttributes.h"

#include <QHBoxLayout>
#include <QMessageBox>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kAnalyticsCategory = 0;
constexpr int kTrustedNetworkAddedEvent = 39;
constexpr int kTrustedNetworkRemovedEvent = 40;
const QString itemCellIdentifier = QStringLiteral("SettingsTrustedItemViewCell");

// The small outlined buttons of the list: Add and Remove.
CapsuleButton* makeListButton(const QString& title) {
    auto* button = new CapsuleButton(title, CapsuleButton::Style::outlined);
    button->setFont(toolkit::interFont(12, QFont::Medium));
    applyTitleAttributes(button, toolkit::badgeText);
    // Disabled is the same title at half strength.
    QPalette palette = button->palette();
    QColor disabled = toolkit::badgeText;
    disabled.setAlpha(toolkit::badgeText.alpha() / 2);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, disabled);
    button->setPalette(palette);
    button->setFocusPolicy(Qt::TabFocus);
    button->setFixedSize(button->fontMetrics().horizontalAdvance(title) + 28, 24);
    return button;
}

// The refusal of a duplicate, opened over `window` without blocking.
QMessageBox* makeDuplicateAlert(QWidget* window) {
    QMessageBox* alert =
        makeAlert(window, QStringLiteral("Trusted Networks Notification"),
                  QStringLiteral("Network with provided SSID already added to trusted networks list"));
    addAlertButton(alert, QStringLiteral("OK"), QMessageBox::AcceptRole);
    return alert;
}

void sendEvent(int type, const QString& trigger, const QString& ssid) {
    VeltrixXPC::sendAnalytics(
        AnalyticsEvent(kAnalyticsCategory, type, std::nullopt, AnalyticsTrigger::button(trigger),
                       AnalyticsEvent::Parameters{{AnalyticsParameter::wifiSSID, ssid}}, std::nullopt));
}

} // namespace

// TrustedNetworksEditor ------------------------------------------------------------------------------------

TrustedNetworksEditor::TrustedNetworksEditor(QObject* parent) : QObject(parent) {}

QList<PDWiFiNetwork> TrustedNetworksEditor::currentList() {
    return VeltrixXPC::settings().trustedNetworksList.value;
}

bool TrustedNetworksEditor::isLocked() {
    return VeltrixXPC::settings().trustedNetworksList.isEnforced;
}

// Applying a change twice gives what applying it once gives, so a change the SDK has applied but not yet
// reported back is not doubled.
QList<PDWiFiNetwork> TrustedNetworksEditor::applied(QList<PDWiFiNetwork> list, const Change& change) {
    const auto sameSsid = [&](const PDWiFiNetwork& each) { return each.ssid == change.network.ssid; };
    if (!change.add) {
        list.removeIf(sameSsid);
    } else if (std::none_of(list.cbegin(), list.cend(), sameSsid)) {
        list.append(change.network);
    }
    return list;
}

QList<PDWiFiNetwork> TrustedNetworksEditor::expectedList() const {
    QList<PDWiFiNetwork> list = currentList();
    for (const Change& change : m_queue) {
        list = applied(std::move(list), change);
    }
    return list;
}

bool TrustedNetworksEditor::containsSsid(const QString& ssid) const {
    const QList<PDWiFiNetwork> list = expectedList();
    return std::any_of(list.cbegin(), list.cend(),
                       [&](const PDWiFiNetwork& each) { return each.ssid == ssid; });
}

void TrustedNetworksEditor::add(const PDWiFiNetwork& network) {
    m_queue.push_back({true, network});
    sendNext();
}

void TrustedNetworksEditor::remove(const QString& ssid) {
    m_queue.push_back({false, PDWiFiNetwork(ssid, ssid)});
    sendNext();
}

void TrustedNetworksEditor::sendNext() {
    if (m_sent || m_queue.empty()) {
        return;
    }
    m_sent = true;
    QPointer<TrustedNetworksEditor> self = this;
    VeltrixXPC::userUpdateTrustedNetworks(applied(currentList(), m_queue.front()), [self] {
        platform::DispatchQueue::main().async([self] {
            if (!self) {
                return;
            }
            self->m_sent = false;
            if (!self->m_queue.empty()) {
                self->m_queue.pop_front();
            }
            emit self->listChanged();
            self->sendNext();
        });
    });
}

// SettingsTrustedItemViewCell ------------------------------------------------------------------------------

SettingsTrustedItemViewCell::SettingsTrustedItemViewCell(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 0, 10, 0);
    layout->setSpacing(12);
    m_title = new ElidedLabel(toolkit::interFont(14), Qt::white);
    m_remove = makeListButton(QStringLiteral("Remove"));
    layout->addWidget(m_title, 1);
    layout->addWidget(m_remove);
    connect(m_remove, &QPushButton::clicked, this, &SettingsTrustedItemViewCell::removeButtonTap);
}

void SettingsTrustedItemViewCell::configure(const PDWiFiNetwork& network) {
    m_network = network;
    m_title->setText(network.bssid);
    m_remove->setVisible(!TrustedNetworksEditor::isLocked());
}

void SettingsTrustedItemViewCell::removeButtonTap() {
    if (m_network && m_delegate) {
        m_delegate->removeTrustedNetwork(*m_network);
    }
}

void SettingsTrustedItemViewCell::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    fillRoundedRect(painter, QRectF(rect()).adjusted(0, 2, 0, -2), 5, toolkit::rowHover);
}

// SettingsTrustedNetworksViewCell --------------------------------------------------------------------------

SettingsTrustedNetworksViewCell::SettingsTrustedNetworksViewCell(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    // 81 above the list: margin, header, the current network, the list's header.
    layout->setContentsMargins(0, 8, 0, 0);
    layout->setSpacing(0);
    auto* header = new QLabel(QStringLiteral("Current WiFi Network"));
    header->setFont(toolkit::interFont(12, QFont::Medium));
    toolkit::setTextColor(header, toolkit::secondaryText);
    header->setFixedHeight(18);
    layout->addWidget(header);

    auto* current = new QWidget;
    current->setFixedHeight(itemHeight);
    auto* row = new QHBoxLayout(current);
    row->setContentsMargins(14, 0, 10, 0);
    row->setSpacing(12);
    m_currentName = new ElidedLabel(toolkit::interFont(14, QFont::Medium), Qt::white);
    m_add = makeListButton(QStringLiteral("Add to Trusted"));
    row->addWidget(m_currentName, 1);
    row->addWidget(m_add);
    layout->addWidget(current);

    auto* listHeader = new QLabel(QStringLiteral("Trusted Networks"));
    listHeader->setFont(toolkit::interFont(12, QFont::Medium));
    toolkit::setTextColor(listHeader, toolkit::secondaryText);
    listHeader->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    listHeader->setFixedHeight(17);
    layout->addWidget(listHeader);

    m_table = new TableView;
    settingslook::styleTable(*m_table);
    m_table->setAccessibleName(QStringLiteral("Trusted Networks"));
    m_table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setDataSource(this);
    m_table->setFixedHeight(0);
    layout->addWidget(m_table);
    layout->addStretch();
    connect(m_add, &QPushButton::clicked, this, &SettingsTrustedNetworksViewCell::addCurrentNetwork);
}

void SettingsTrustedNetworksViewCell::setEditor(TrustedNetworksEditor* editor) {
    if (m_editor == editor) {
        return;
    }
    if (m_editor) {
        disconnect(m_editor, nullptr, this, nullptr);
    }
    m_editor = editor;
    if (m_editor) {
        connect(m_editor, &TrustedNetworksEditor::listChanged, this,
                &SettingsTrustedNetworksViewCell::listChanged);
    }
}

void SettingsTrustedNetworksViewCell::reloadTrustedNetworks() {
    m_shown = TrustedNetworksEditor::currentList();
    updateTableHeight();
    m_currentSsid = platform::WiFiSsidReader::shared().currentSsid();
    if (m_currentSsid && m_currentSsid->isEmpty()) {
        m_currentSsid.reset();
    }
    m_currentSsidText = m_currentSsid
                            ? platform::WiFiSsidReader::shared().currentSsidText().value_or(QString())
                            : notDetectedSSID;
    m_currentName->setText(m_currentSsidText);
    m_currentName->setTextColor(m_currentSsid ? QColor(Qt::white) : toolkit::secondaryText);
    m_add->setVisible(!TrustedNetworksEditor::isLocked());
    m_add->setEnabled(m_currentSsid.has_value());
    m_table->reloadData();
}

void SettingsTrustedNetworksViewCell::updateTableHeight() {
    m_table->setFixedHeight(static_cast<int>(m_shown.size()) * itemHeight);
}

void SettingsTrustedNetworksViewCell::addCurrentNetwork() {
    if (TrustedNetworksEditor::isLocked() || !m_currentSsid || m_currentSsid->isEmpty() || !m_editor) {
        return;
    }
    // The SSID as read, never the label's text, which may be elided.
    const QString ssid = *m_currentSsid;
    if (m_editor->containsSsid(ssid)) {
        if (!m_alert) {
            m_alert = makeDuplicateAlert(window());
        }
        m_alert->open();
        return;
    }
    m_editor->add(PDWiFiNetwork(ssid, m_currentSsidText));
    sendEvent(kTrustedNetworkAddedEvent, m_currentSsidText, ssid);
}

void SettingsTrustedNetworksViewCell::removeNetwork(const PDWiFiNetwork& network) {
    if (TrustedNetworksEditor::isLocked() || !m_editor) {
        return;
    }
    m_editor->remove(network.ssid);
    sendEvent(kTrustedNetworkRemovedEvent, network.bssid, network.ssid);
}

void SettingsTrustedNetworksViewCell::listChanged() {
    m_shown = TrustedNetworksEditor::currentList();
    updateTableHeight();
    m_table->reloadData();
    if (m_delegate) {
        m_delegate->trustedNetworksDidChange();
    }
}

int SettingsTrustedNetworksViewCell::numberOfRows(TableView&) {
    return static_cast<int>(m_shown.size());
}

QWidget* SettingsTrustedNetworksViewCell::viewForRow(TableView& table, int row) {
    if (row < 0 || row >= m_shown.size()) {
        return nullptr;
    }
    auto* cell = dequeueCell<SettingsTrustedItemViewCell>(table, itemCellIdentifier);
    cell->configure(m_shown.at(row));
    cell->setDelegate(this);
    return cell;
}

int SettingsTrustedNetworksViewCell::heightOfRow(TableView&, int row) {
    return row >= 0 && row < m_shown.size() ? itemHeight : 0;
}

bool SettingsTrustedNetworksViewCell::shouldSelectRow(TableView&, int) {
    return false;
}

void SettingsTrustedNetworksViewCell::removeTrustedNetwork(const PDWiFiNetwork& network) {
    removeNetwork(network);
}
