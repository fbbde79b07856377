#include "settings/SettingsGeneralController.h"

#include "core/AppRouterProtocol.h"
#include "core/ApplicationModel.h"
#include "core/GlobalConstants.h"
#include "core/Log.h"
#include "core/Preferences.h"
#include "core/ServiceLayer.h"
#include "core/SilentUpdateService.h"
#include "platform/Scheduler.h"
#include "platform/Storyboard.h"
#include "platform/UserDefaults.h"
#include "sdk/VeltrixXPC.h"
#include "settings/ProtocolIndicatorView.h"
#include "settings/SettingsLook.h"
#include "toolkit/CapsuleButton.h"
#include "toolkit/ModalViewController.h"
#include "toolkit/PresentationAnimators.h"
#include "toolkit/SwitchControl.h"
#include "toolkit/TextAttributes.h"
#include "toolkit/TooltipPopover.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace {

constexpr int kAnalyticsCategory = 0;
constexpr int kCheckForUpdatesEvent = 29;
const QString switchCellIdentifier = QStringLiteral("SettingsSwitchViewCell");
const QString updateCellIdentifier = QStringLiteral("SettingsUpdateViewCell");

// The analytics types of a switch turned on and off; none for the rows that send nothing.
std::optional<std::pair<int, int>> analyticsTypes(SettingsGeneralItem item) {
    switch (item) {
    case SettingsGeneralItem::startMinimized:
        return std::pair{23, 24};
    case SettingsGeneralItem::connectOnLaunch:
        return std::pair{25, 26};
    case SettingsGeneralItem::enableNotifications:
        return std::pair{27, 28};
    case SettingsGeneralItem::crashReport:
        return std::pair{30, 31};
    case SettingsGeneralItem::appVersion:
    case SettingsGeneralItem::automaticUpdates:
        break;
    }
    return std::nullopt;
}

// The SDK's general-settings item behind a row.
std::optional<PDGeneralSettingItem> sdkItem(SettingsGeneralItem item) {
    switch (item) {
    case SettingsGeneralItem::connectOnLaunch:
        return PDGeneralSettingItem::connectOnLaunch;
    case SettingsGeneralItem::enableNotifications:
        return PDGeneralSettingItem::notifications;
    case SettingsGeneralItem::automaticUpdates:
        return PDGeneralSettingItem::automaticUpdates;
    case SettingsGeneralItem::crashReport:
        return PDGeneralSettingItem::crashReports;
    case SettingsGeneralItem::startMinimized:
    case SettingsGeneralItem::appVersion:
        break;
    }
    return std::nullopt;
}

} // namespace

namespace settingsGeneral {

const QList<SettingsGeneralItem>& allItems() {
    static const QList<SettingsGeneralItem> items{
        SettingsGeneralItem::startMinimized,      SettingsGeneralItem::connectOnLaunch,
        SettingsGeneralItem::enableNotifications, SettingsGeneralItem::appVersion,
        SettingsGeneralItem::automaticUpdates,    SettingsGeneralItem::crashReport};
    return items;
}

QString title(SettingsGeneralItem item) {
    switch (item) {
    case SettingsGeneralItem::startMinimized:
        return QStringLiteral("Start Minimized");
    case SettingsGeneralItem::connectOnLaunch:
        return QStringLiteral("Connect On Launch");
    case SettingsGeneralItem::enableNotifications:
        return QStringLiteral("Enable Notifications");
    case SettingsGeneralItem::appVersion: {
        const ApplicationModel& model = ServiceLayer::appModel();
        return QStringLiteral("Version ") + model.appVersion() + QStringLiteral(" (") +
               model.appBuildNumber() + QLatin1Char(')');
    }
    case SettingsGeneralItem::automaticUpdates:
        return QStringLiteral("Automatic Updates");
    case SettingsGeneralItem::crashReport:
        return QStringLiteral("Crash Report");
    }
    return {};
}

std::optional<QString> description(SettingsGeneralItem item) {
    const QString name = GlobalConstants::productDisplayName();
    switch (item) {
    case SettingsGeneralItem::startMinimized:
        return QStringLiteral("The ") + name +
               QStringLiteral(" application will be launched in minimized mode as an agent.");
    case SettingsGeneralItem::connectOnLaunch:
        return QStringLiteral("Automatically connect to the VPN on the ") + name +
               QStringLiteral(" application launch.");
    case SettingsGeneralItem::enableNotifications:
        return QStringLiteral("Show notifications when connected or disconnected.");
    case SettingsGeneralItem::appVersion:
        break;
    case SettingsGeneralItem::automaticUpdates:
        return QStringLiteral("Automatically update the ") + name +
               QStringLiteral(" application when a new version becomes available.");
    case SettingsGeneralItem::crashReport:
        return QStringLiteral("Automatically send crash reports to help us improve.");
    }
    return std::nullopt;
}

bool value(SettingsGeneralItem item) {
    if (item == SettingsGeneralItem::startMinimized) {
        return platform::UserDefaults::standard().boolForKey(SettingsUserDefaults::startMinimized);
    }
    const auto which = sdkItem(item);
    return which && VeltrixXPC::unappliedSettings().item(*which).value;
}

bool isEnforced(SettingsGeneralItem item) {
    if (item == SettingsGeneralItem::connectOnLaunch && VeltrixXPC::enableAlwaysON()) {
        return true;
    }
    const auto which = sdkItem(item);
    return which && VeltrixXPC::unappliedSettings().item(*which).isEnforced;
}

int height(SettingsGeneralItem item) {
    return item == SettingsGeneralItem::appVersion ? 104 : 40;
}

} // namespace settingsGeneral

// SettingsSwitchViewCell -----------------------------------------------------------------------------------

SettingsSwitchViewCell::SettingsSwitchViewCell(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    m_title = settingslook::makeTitleField();
    m_info = new TooltipHoverButton;
    m_info->setFlat(true);
    m_info->setIcon(settingslook::icon(QStringLiteral("infoIcon")));
    m_info->setIconSize(QSize(16, 16));
    m_info->setFixedSize(20, 20);
    m_switch = new SwitchControl;
    m_switch->setFixedSize(40, 20);
    settingslook::applySwitchColors(*m_switch);
    m_indicator = new ProtocolIndicatorView;
    m_indicator->hide();
    layout->addWidget(m_title);
    layout->addWidget(m_info);
    layout->addStretch();
    layout->addWidget(m_indicator);
    layout->addWidget(m_switch);
    connect(m_switch, &SwitchControl::clicked, this, &SettingsSwitchViewCell::notifySwitchChanged);
}

void SettingsSwitchViewCell::setup(SettingsGeneralItem item) {
    m_tabType = item;
    m_title->setText(settingsGeneral::title(item));
    m_switch->setAccessibleName(m_title->text());
    m_info->setAccessibleName(QStringLiteral("About ") + m_title->text());
    m_switch->setOn(settingsGeneral::value(item), false);
    const bool locked = settingsGeneral::isEnforced(item);
    if (locked) {
        m_indicator->configure(item == SettingsGeneralItem::connectOnLaunch && VeltrixXPC::enableAlwaysON()
                                   ? ProtocolIndicatorViewState::setByAdminAlwaysOn
                                   : ProtocolIndicatorViewState::setByAdmin);
    }
    m_indicator->setVisible(locked);
    m_switch->setVisible(!locked);
    toolkit::setTextColor(m_title, locked ? toolkit::disabledText : QColor(Qt::white));
    m_switch->setEnabled(!locked);
    m_info->setPopoverMessage(settingsGeneral::description(item).value_or(QString()));
}

void SettingsSwitchViewCell::notifySwitchChanged() {
    if (m_tabType && m_delegate) {
        m_delegate->switchChanged(*m_tabType, m_switch->on());
    }
}

// SettingsUpdateViewCell -----------------------------------------------------------------------------------

SettingsUpdateViewCell::SettingsUpdateViewCell(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 16, 0, 16);
    layout->setSpacing(10);
    m_title = settingslook::makeTitleField();
    auto* button = new CapsuleButton(QStringLiteral("Check for Updates"));
    button->setFont(toolkit::interFont(13, QFont::Medium));
    button->setFixedSize(160, 32);
    button->setFocusPolicy(Qt::TabFocus);
    applyTitleAttributes(button, Qt::white);
    m_button = button;
    layout->addWidget(m_title);
    layout->addWidget(m_button, 0, Qt::AlignLeft);
    connect(m_button, &QPushButton::clicked, this, [this] { checkUpdates(m_button); });
}

// Lines above and below set the version apart from the switches.
void SettingsUpdateViewCell::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(QRect(0, 2, width(), 1), toolkit::separator);
    painter.fillRect(QRect(0, height() - 3, width(), 1), toolkit::separator);
}

void SettingsUpdateViewCell::setup(SettingsGeneralItem item) {
    m_title->setText(settingsGeneral::title(item));
}

void SettingsUpdateViewCell::checkUpdates(QObject* sender) {
    if (m_delegate) {
        m_delegate->checkForUpdatesTapped();
    }
    std::optional<QString> trigger;
    if (auto* button = qobject_cast<QAbstractButton*>(sender)) {
        trigger = button->text();
    }
    VeltrixXPC::sendAnalytics(AnalyticsEvent(kAnalyticsCategory, kCheckForUpdatesEvent, std::nullopt,
                                             AnalyticsTrigger::button(trigger), std::nullopt, std::nullopt));
}

// SettingsGeneralController --------------------------------------------------------------------------------

SettingsGeneralController::SettingsGeneralController(QObject* parent)
    : SettingsContainerSubController(parent) {
    setTitle(QStringLiteral("General"));
}

SettingsGeneralController::~SettingsGeneralController() = default;

QWidget* SettingsGeneralController::loadView() {
    m_table = new TableView;
    QWidget* view = makeTableView(m_table, 8);
    m_table->setAccessibleName(QStringLiteral("General"));
    m_table->setFocusPolicy(Qt::NoFocus); // the switches in its rows take the focus
    return view;
}

void SettingsGeneralController::reloadTable() {
    view();
    refreshRows(*m_table, m_table->numberOfRows() == numberOfRows(*m_table),
                [this](int row, QWidget* cell) { fillCell(cell, settingsGeneral::allItems().at(row)); });
}

void SettingsGeneralController::fillCell(QWidget* cell, SettingsGeneralItem item) {
    if (auto* update = qobject_cast<SettingsUpdateViewCell*>(cell)) {
        update->setup(item);
        update->setDelegate(this);
    } else if (auto* row = qobject_cast<SettingsSwitchViewCell*>(cell)) {
        row->setup(item);
        row->setDelegate(this);
    }
}

QWidget* SettingsGeneralController::cellFor(SettingsGeneralItem item) const {
    const int row = static_cast<int>(settingsGeneral::allItems().indexOf(item));
    return m_table ? m_table->viewAtRow(row) : nullptr;
}

int SettingsGeneralController::numberOfRows(TableView&) {
    return static_cast<int>(settingsGeneral::allItems().size());
}

QWidget* SettingsGeneralController::viewForRow(TableView& table, int row) {
    if (row < 0 || row >= numberOfRows(table)) {
        return nullptr;
    }
    const SettingsGeneralItem item = settingsGeneral::allItems().at(row);
    QWidget* cell =
        item == SettingsGeneralItem::appVersion
            ? static_cast<QWidget*>(dequeueCell<SettingsUpdateViewCell>(table, updateCellIdentifier))
            : dequeueCell<SettingsSwitchViewCell>(table, switchCellIdentifier);
    fillCell(cell, item);
    return cell;
}

int SettingsGeneralController::heightOfRow(TableView& table, int row) {
    return row >= 0 && row < numberOfRows(table)
               ? settingsGeneral::height(settingsGeneral::allItems().at(row))
               : 0;
}

bool SettingsGeneralController::shouldSelectRow(TableView&, int) {
    return false;
}

void SettingsGeneralController::switchChanged(SettingsGeneralItem item, bool isOn) {
    vlog::debug(settingsGeneral::title(item) + QStringLiteral(" - changed - ") +
                (isOn ? QStringLiteral("true") : QStringLiteral("false")));
    changeSetting(item, isOn);
}

void SettingsGeneralController::checkForUpdatesTapped() {
    openAutoUpdate();
}

void SettingsGeneralController::changeSetting(SettingsGeneralItem item, bool isOn) {
    if (item == SettingsGeneralItem::startMinimized) {
        platform::UserDefaults::standard().set(SettingsUserDefaults::startMinimized, isOn);
    } else if (item == SettingsGeneralItem::crashReport) {
        ServiceLayer::appModel().setCrashReportsSetting(PDSettingBoolItem(false, isOn));
    } else if (const auto which = sdkItem(item)) {
        VeltrixXPC::setGeneralSetting(*which, isOn);
    }
    if (item == SettingsGeneralItem::automaticUpdates) {
        ServiceLayer::shared().isNewVersionAvailable(); // asks for the banner when a newer one is offered
        SilentUpdateService& silentUpdate = ServiceLayer::shared().silentUpdateService();
        if (!isOn) {
            silentUpdate.resetTimer();
        } else if (VeltrixXPC::connectionState() == SDVPNConnectionState::disconnected) {
            silentUpdate.startTimer();
        }
    }
    refreshServiceState();
    if (const auto types = analyticsTypes(item)) {
        VeltrixXPC::sendAnalytics(AnalyticsEvent(
            kAnalyticsCategory, isOn ? types->first : types->second, std::nullopt,
            AnalyticsTrigger::button(settingsGeneral::title(item)), std::nullopt, std::nullopt));
    }
}

void SettingsGeneralController::openAutoUpdate() {
    if (ServiceLayer::shared().isNewVersionAvailable()) {
        // One sheet for the whole client: the router raises it when it is open already.
        platform::DispatchQueue::main().asyncAfter(updateSheetDelay, [] {
            if (AppRouterProtocol* router = ::appRouter()) {
                router->showUpdateSheet();
            }
        });
        return;
    }
    platform::ViewController* container = parentViewController();
    platform::ViewController* window = container ? container->parentViewController() : nullptr;
    if (!window) {
        return; // only inside the main window
    }
    if (!m_appInfoModal) {
        m_appInfoModal = platform::Storyboard::named(QStringLiteral("Popover"))
                             .instantiate<platform::ViewController>(QStringLiteral("ModalViewController"));
    }
    auto* modal = qobject_cast<ModalViewController*>(m_appInfoModal.get());
    if (!modal || modal->presentingViewController()) {
        return;
    }
    modal->setControllerType(ModalViewControllerType::appInfoView);
    window->presentViewController(modal, std::make_shared<TransitionAnimator>(0.0, 0.0, 0.2));
}

platform::ViewController* SettingsGeneralController::appInfoModal() const {
    return m_appInfoModal && m_appInfoModal->presentingViewController() ? m_appInfoModal.get() : nullptr;
}
