#include "settings/SettingsControllers.h"

#include "core/ApplicationModel.h"
#include "core/Preferences.h"
#include "core/ServiceLayer.h"
#include "platform/Storyboard.h"
#include "sdk/VeltrixXPC.h"

#include <QLabel>

VELTRIX_STORYBOARD_CONTROLLER("SettingsN", "SettingsContainerController", SettingsContainerController);
VELTRIX_STORYBOARD_CONTROLLER("SettingsN", "SettingsGeneralController", SettingsGeneralController);
VELTRIX_STORYBOARD_CONTROLLER("SettingsN", "SettingsProtocolController", SettingsProtocolController);
VELTRIX_STORYBOARD_CONTROLLER("SettingsN", "SettingsNetworkController", SettingsNetworkController);

namespace {

QString valueText(const PDSettingBoolItem& item) {
    const QString value = item.value ? QObject::tr("On") : QObject::tr("Off");
    return item.isEnforced ? QObject::tr("%1 (set by your administrator)").arg(value) : value;
}

} // namespace

QWidget* SettingsPageController::loadView() {
    auto* view = new QWidget;
    m_form = new QFormLayout(view);
    reloadPage();
    return view;
}

void SettingsPageController::reloadPage() {
    if (!m_form) {
        return;
    }
    while (m_form->rowCount() > 0) {
        m_form->removeRow(0);
    }
    for (const auto& [label, value] : currentRows()) {
        m_form->addRow(label, new QLabel(value));
    }
}

std::vector<std::pair<QString, QString>> SettingsPageController::rows() const {
    std::vector<std::pair<QString, QString>> shown;
    if (!m_form) {
        return shown;
    }
    for (int row = 0; row < m_form->rowCount(); ++row) {
        auto* label = qobject_cast<QLabel*>(m_form->itemAt(row, QFormLayout::LabelRole)->widget());
        auto* value = qobject_cast<QLabel*>(m_form->itemAt(row, QFormLayout::FieldRole)->widget());
        shown.emplace_back(label ? label->text() : QString(), value ? value->text() : QString());
    }
    return shown;
}

std::vector<std::pair<QString, QString>> SettingsGeneralController::currentRows() const {
    const PDSettings settings = VeltrixXPC::settings();
    return {{tr("Connect on launch"), valueText(settings.connectOnLaunch)},
            {tr("Notifications"), valueText(settings.notifications)},
            {tr("Automatic updates"), valueText(settings.automaticUpdates)},
            {tr("Send crash reports"), valueText(settings.crashReports)}};
}

std::vector<std::pair<QString, QString>> SettingsNetworkController::currentRows() const {
    const PDSettings settings = VeltrixXPC::settings();
    return {{tr("Always-On VPN"), valueText(settings.alwaysOn)},
            {tr("Kill switch"), valueText(settings.killSwitch)},
            {tr("Wi-Fi security"), valueText(settings.wifiSecurity)},
            {tr("Trusted networks"), valueText(settings.trustedNetworks)}};
}

std::vector<std::pair<QString, QString>> SettingsProtocolController::currentRows() const {
    return {{tr("VPN protocol"), vpnProtocolTitle(toVPNProtocols(ServiceLayer::appModel().vpnProtocol()))}};
}

SettingsContainerController::SettingsContainerController(QObject* parent) : GeneralSubController(parent) {}

QWidget* SettingsContainerController::loadView() {
    auto* view = new QWidget;
    view->resize(480, 420);
    m_host = new QVBoxLayout(view);
    m_tabs = new QTabBar;
    m_host->addWidget(m_tabs);
    for (const auto& page : m_pages) {
        m_tabs->addTab(page ? page->title() : QString());
    }
    connect(m_tabs, &QTabBar::currentChanged, this, &SettingsContainerController::embedPage);
    return view;
}

void SettingsContainerController::viewDidAppear() {
    if (!m_embedded) {
        embedPage(m_tabs ? qMax(0, m_tabs->currentIndex()) : 0);
    }
}

void SettingsContainerController::setPages(const QList<SettingsPageController*>& pages) {
    m_pages.clear();
    for (SettingsPageController* page : pages) {
        m_pages << page;
    }
    if (m_tabs) {
        while (m_tabs->count() > 0) {
            m_tabs->removeTab(0);
        }
        for (const auto& page : m_pages) {
            m_tabs->addTab(page ? page->title() : QString());
        }
    }
}

void SettingsContainerController::embedPage(int index) {
    if (index < 0 || index >= m_pages.size() || !m_pages.at(index)) {
        return;
    }
    view();
    SettingsPageController* page = m_pages.at(index);
    if (page == m_embedded) {
        return;
    }
    if (m_embedded) {
        m_host->removeWidget(m_embedded->view());
        m_embedded->view()->hide();
        m_embedded->removeFromParentViewController();
    }
    addChildViewController(page);
    m_host->addWidget(page->view(), 1);
    page->view()->show();
    m_embedded = page;
}

void SettingsContainerController::reloadEmbeddedPage() {
    if (m_embedded) {
        m_embedded->reloadPage();
    }
}
