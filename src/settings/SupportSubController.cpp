#include "settings/SupportSubController.h"

#include "core/AppRouterProtocol.h"
#include "core/GlobalConstants.h"
#include "core/Log.h"
#include "platform/Storyboard.h"
#include "sdk/VeltrixXPC.h"
#include "settings/SettingsLook.h"
#include "toolkit/ModalViewController.h"
#include "toolkit/PresentationAnimators.h"
#include "toolkit/TextAttributes.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

constexpr int kAnalyticsCategory = 0;
constexpr int kUserGuideEvent = 43;
constexpr int kLiveChatEvent = 44;
constexpr int rowHeight = 72;
constexpr int iconSize = 28;
const QString cellIdentifier = QStringLiteral("SupportCellView");
const QString unhoveredArrow = QStringLiteral("supportArrowUnhovered");
const QString hoveredArrow = QStringLiteral("supportArrowHovered");

QPixmap bundleImage(const QString& name, int size) {
    return settingslook::icon(name).pixmap(size, size);
}

void sendEvent(int type, SupportTab tab) {
    const QString trigger = supportTabs::title(tab) + QStringLiteral(" / ") + supportTabs::description(tab);
    VeltrixXPC::sendAnalytics(AnalyticsEvent(kAnalyticsCategory, type, std::nullopt,
                                             AnalyticsTrigger::button(trigger), std::nullopt, std::nullopt));
}

} // namespace

namespace supportTabs {

QString title(SupportTab tab) {
    switch (tab) {
    case SupportTab::userGuide:
        return QStringLiteral("User Guides");
    case SupportTab::liveChat:
        return QStringLiteral("Live Chat");
    case SupportTab::runTroubleshooting:
        return QStringLiteral("Send Logs to Support");
    case SupportTab::sendUsAMessage:
        return QStringLiteral("Send Us a Message");
    }
    return {};
}

QString description(SupportTab tab) {
    const QString name = GlobalConstants::appDisplayName();
    switch (tab) {
    case SupportTab::userGuide:
        return QStringLiteral("Read step-by-step guides that walk you through using ") + name +
               QLatin1Char('.');
    case SupportTab::liveChat:
        return QStringLiteral("Start to chat with a ") + name +
               QStringLiteral(" expert about any and all needs.");
    case SupportTab::runTroubleshooting:
        return QStringLiteral("Run a quick network health check and send results to our support team.");
    case SupportTab::sendUsAMessage:
        return QStringLiteral("Email us about anything, and we\u2019ll respond as soon as possible.");
    }
    return {};
}

QString iconName(SupportTab tab) {
    switch (tab) {
    case SupportTab::userGuide:
        return QStringLiteral("guideIcon");
    case SupportTab::liveChat:
        return QStringLiteral("liveChatIcon");
    case SupportTab::runTroubleshooting:
        return QStringLiteral("troubleshootingIcon");
    case SupportTab::sendUsAMessage:
        return QStringLiteral("sendUsMessage");
    }
    return {};
}

const QList<SupportTab>& listed() {
    static const QList<SupportTab> tabs{SupportTab::userGuide, SupportTab::liveChat,
                                        SupportTab::runTroubleshooting};
    return tabs;
}

} // namespace supportTabs

// SupportCellView ------------------------------------------------------------------------------------------

SupportCellView::SupportCellView(QWidget* parent) : HoverableCellView(parent) {
    setHoverColor(toolkit::rowHover);
    setCornerRadius(8);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(18, 0, 18, 0);
    layout->setSpacing(16);
    m_icon = new QLabel;
    m_icon->setFixedSize(iconSize, iconSize);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    m_title = settingslook::makeTitleField();
    m_subtitle = settingslook::makeDescriptionField();
    m_subtitle->setWordWrap(false);
    texts->addStretch();
    texts->addWidget(m_title);
    texts->addWidget(m_subtitle);
    texts->addStretch();
    m_arrow = new QLabel;
    m_arrow->setFixedSize(20, 20);
    layout->addWidget(m_icon);
    layout->addLayout(texts, 1);
    layout->addWidget(m_arrow);
    setHighlight(false);
}

void SupportCellView::configure(SupportTab tab) {
    m_title->setText(supportTabs::title(tab));
    m_subtitle->setText(supportTabs::description(tab));
    m_icon->setPixmap(bundleImage(supportTabs::iconName(tab), iconSize));
}

void SupportCellView::setHighlight(bool highlight) {
    HoverableCellView::setHighlight(highlight);
    m_arrowName = highlight ? hoveredArrow : unhoveredArrow;
    m_arrow->setPixmap(bundleImage(m_arrowName, 20));
}

// ContactInfoView ------------------------------------------------------------------------------------------

ContactInfoView::ContactInfoView(QWidget* parent) : XibView(parent), titleFieldColor(toolkit::secondaryText) {
    loadView();
    for (QLabel* heading : {m_uk.data(), m_us.data(), m_india.data()}) {
        toolkit::setTextColor(heading, titleFieldColor);
    }
}

QWidget* ContactInfoView::loadViewFromNib() {
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(14);
    auto* header = settingslook::makeTitleField();
    header->setText(QStringLiteral("Call Us"));
    layout->addWidget(header);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(40);
    grid->setVerticalSpacing(4);
    const struct {
        QPointer<QLabel>* field;
        const char* country;
        const char* number;
    } countries[] = {{&m_uk, "United Kingdom", "+44 20 7946 0018"},
                     {&m_us, "United States", "+1 202 555 0147"},
                     {&m_india, "India", "+91 80 4719 0660"}};
    int column = 0;
    for (const auto& each : countries) {
        auto* heading = new QLabel(QString::fromUtf8(each.country));
        heading->setFont(toolkit::interFont(12, QFont::Medium));
        *each.field = heading;
        auto* number = new QLabel(QString::fromUtf8(each.number));
        number->setFont(toolkit::interFont(14));
        number->setTextInteractionFlags(Qt::TextSelectableByMouse);
        toolkit::setTextColor(number, Qt::white);
        grid->addWidget(heading, 0, column);
        grid->addWidget(number, 1, column);
        ++column;
    }
    grid->setColumnStretch(column, 1);
    layout->addLayout(grid);
    return content;
}

// SupportSubController -------------------------------------------------------------------------------------

SupportSubController::SupportSubController(QObject* parent) : GeneralSubController(parent) {
    setTitle(QStringLiteral("Support"));
}

SupportSubController::~SupportSubController() = default;

QWidget* SupportSubController::loadView() {
    auto* view = new QWidget;
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(settingslook::pageMargin - 18, 32, settingslook::pageMargin, 32);
    layout->setSpacing(0);
    m_table = new HoverableTableView;
    settingslook::styleTable(*m_table, 8);
    m_table->setAccessibleName(QStringLiteral("Support"));
    m_table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setDataSource(this);
    m_table->setFixedHeight(static_cast<int>(supportTabs::listed().size()) * (rowHeight + 8));
    layout->addWidget(m_table);
    layout->addSpacing(24);
    auto* numbers = new QWidget;
    auto* numbersLayout = new QVBoxLayout(numbers);
    numbersLayout->setContentsMargins(18, 0, 0, 0);
    numbersLayout->setSpacing(24);
    numbersLayout->addWidget(settingslook::makeSeparator());
    m_phoneNumbers = new ContactInfoView;
    numbersLayout->addWidget(m_phoneNumbers);
    layout->addWidget(numbers);
    layout->addStretch();
    m_table->reloadData();
    return view;
}

void SupportSubController::viewDidLoad() {
    GeneralSubController::viewDidLoad();
    m_modal = platform::Storyboard::named(QStringLiteral("Popover"))
                  .instantiate<platform::ViewController>(QStringLiteral("ModalViewController"));
    if (m_modal) {
        m_modal->view()->installEventFilter(this);
    }
}

bool SupportSubController::eventFilter(QObject* watched, QEvent* event) {
    // The overlay took the pointer's leaving of the row it was opened from: the row lets go of its hover
    // once the overlay is gone, and takes it again at the pointer's next move.
    if (m_modal && watched == m_modal->view() && event->type() == QEvent::Hide && m_table) {
        m_table->clearHover();
    }
    return GeneralSubController::eventFilter(watched, event);
}

void SupportSubController::viewWillAppear() {
    GeneralSubController::viewWillAppear();
    // Asked at every showing: the account can change between two.
    m_phoneNumbers->parentWidget()->setVisible(VeltrixXPC::isEnterpriseAccount());
    m_phoneNumbers->setVisible(VeltrixXPC::isEnterpriseAccount());
}

ModalViewController* SupportSubController::modalViewController() const {
    return qobject_cast<ModalViewController*>(m_modal.get());
}

SupportCellView* SupportSubController::cellFor(SupportTab tab) const {
    const int row = static_cast<int>(supportTabs::listed().indexOf(tab));
    return m_table && row >= 0 ? qobject_cast<SupportCellView*>(m_table->viewAtRow(row)) : nullptr;
}

int SupportSubController::numberOfRows(TableView&) {
    return static_cast<int>(supportTabs::listed().size());
}

QWidget* SupportSubController::viewForRow(TableView& table, int row) {
    if (row < 0 || row >= numberOfRows(table)) {
        return nullptr;
    }
    auto* cell = dequeueCell<SupportCellView>(table, cellIdentifier);
    cell->configure(supportTabs::listed().at(row));
    return cell;
}

int SupportSubController::heightOfRow(TableView&, int) {
    return rowHeight;
}

bool SupportSubController::shouldSelectRow(TableView&, int row) {
    if (row >= 0 && row < supportTabs::listed().size()) {
        perform(supportTabs::listed().at(row));
    }
    return false;
}

void SupportSubController::perform(SupportTab tab) {
    switch (tab) {
    case SupportTab::userGuide:
        if (AppRouterProtocol* router = appRouter()) {
            router->openURL(GlobalConstants::userGuideURL());
        }
        sendEvent(kUserGuideEvent, tab);
        return;
    case SupportTab::liveChat:
        vlog::debug(QStringLiteral("SupportSubController: liveChatTap()"));
        // The router opens the workspace's link only when it is a web page or mail.
        if (AppRouterProtocol* router = appRouter()) {
            router->openAppConfigURL();
        }
        sendEvent(kLiveChatEvent, tab);
        return;
    case SupportTab::runTroubleshooting:
        showTroubleshootingPopover();
        return;
    case SupportTab::sendUsAMessage:
        return;
    }
}

void SupportSubController::showTroubleshootingPopover() {
    ModalViewController* modal = modalViewController();
    platform::ViewController* window = parentViewController();
    if (!modal || !window || modal->presentingViewController()) {
        return;
    }
    modal->setControllerType(ModalViewControllerType::runTroubleshooting);
    window->presentViewController(modal,
                                  std::make_shared<TransitionAnimator>(std::nullopt, std::nullopt, 0.2));
}
