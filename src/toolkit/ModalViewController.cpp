#include "toolkit/ModalViewController.h"

#include "auth/PopoverConfirmationCodeView.h"
#include "core/AppRouterProtocol.h"
#include "core/GlobalConstants.h"
#include "core/Log.h"
#include "core/Preferences.h"
#include "platform/Bundle.h"
#include "platform/Scheduler.h"
#include "platform/Storyboard.h"
#include "platform/UserDefaults.h"
#include "sdk/VeltrixXPC.h"
#include "settings/PopoverTroubleshootingView.h"
#include "toolkit/Colors.h"

#include <QAbstractButton>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

VELTRIX_STORYBOARD_CONTROLLER("Popover", "ModalViewController", ModalViewController);

namespace {

constexpr int kAnalyticsCategory = 0;
constexpr int kSignOutEvent = 20;
constexpr int kTroubleshootingStartEvent = 45;
constexpr int kTroubleshootingProgressEvent = 46;
constexpr int kTroubleshootingSuccessEvent = 47;

// Popover cards share one look; the overlay gives it to the views it hosts.
const QString kCardStyle = QStringLiteral(
    "#popoverCard { background: #1B2046; border-radius: 12px; }"
    "#popoverCard QLabel { color: white; }"
    "#popoverCard QLabel#descriptionLabel { color: #B4B9D6; }"
    "#popoverCard QLineEdit { color: white; background: #2A3060; border: 1px solid #3C4480; border-radius: "
    "6px;"
    " padding: 6px; }"
    "#popoverCard QCheckBox { color: #B4B9D6; }"
    "#popoverCard QPushButton { color: white; background: #2B7BFA; border: none; border-radius: 6px;"
    " padding: 7px 16px; }");

void styleAsCard(QWidget* view, int width) {
    view->setObjectName(QStringLiteral("popoverCard"));
    view->setAttribute(Qt::WA_StyledBackground);
    view->setStyleSheet(kCardStyle);
    view->setFixedWidth(width);
}

std::optional<QString> buttonTitle(QObject* sender) {
    if (auto* button = qobject_cast<QAbstractButton*>(sender)) {
        return button->text();
    }
    return std::nullopt;
}

} // namespace

// PopoverWarningView
// -----------------------------------------------------------------------------------------

QString PopoverWarningViewContent::title(PopoverWarningViewState state) {
    if (state == PopoverWarningViewState::quit) {
        return QStringLiteral("Quit ") +
               platform::Bundle::main().infoString(QStringLiteral("CFBundleName")).value_or(QString()) +
               QStringLiteral("?");
    }
    return QStringLiteral("Sign Out From Your Workspace?");
}

QString PopoverWarningViewContent::description(PopoverWarningViewState) {
    return QStringLiteral("Note that all traffic encryption will be disabled until you relaunch ") +
           GlobalConstants::productDisplayName() + QStringLiteral(".");
}

QString PopoverWarningViewContent::confirmButtonTitle(PopoverWarningViewState state) {
    return state == PopoverWarningViewState::quit ? QStringLiteral("Quit") : QStringLiteral("Sign Out");
}

QString PopoverWarningViewContent::confirmButtonImage(PopoverWarningViewState state) {
    return state == PopoverWarningViewState::quit ? QStringLiteral("popoverConfirmQuitButton")
                                                  : QStringLiteral("popoverConfirmSignOutButton");
}

double PopoverWarningViewContent::confirmButtonWidth(PopoverWarningViewState state) {
    return state == PopoverWarningViewState::quit ? 76.0 : 106.0;
}

PopoverWarningView::PopoverWarningView(QWidget* parent) : XibView(parent) {
    loadView();
    setupButtons();
}

QWidget* PopoverWarningView::loadViewFromNib() {
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(24, 22, 24, 18);
    layout->setSpacing(10);
    m_title = new QLabel;
    m_title->setObjectName(QStringLiteral("titleLabel"));
    m_title->setWordWrap(true);
    QFont titleFont = m_title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() + 3);
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    m_description = new QLabel;
    m_description->setObjectName(QStringLiteral("descriptionLabel"));
    m_description->setWordWrap(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"));
    m_confirm = new QPushButton;
    m_confirm->setFixedHeight(32);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_confirm);
    layout->addWidget(m_title);
    layout->addWidget(m_description);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    connect(m_confirm, &QPushButton::clicked, this, [this] { confirm(m_confirm); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { cancel(m_cancel); });
    return content;
}

void PopoverWarningView::setupButtons() {
    m_confirm->setStyleSheet(QStringLiteral("color: white; text-align: center;"));
    m_cancel->setStyleSheet(
        QStringLiteral("QPushButton { color: %1; background: transparent; border: none; }")
            .arg(colorFromHexString(QStringLiteral("#5F678E")).name()));
}

void PopoverWarningView::configure(PopoverWarningViewState state) {
    m_title->setText(PopoverWarningViewContent::title(state));
    m_description->setText(PopoverWarningViewContent::description(state));
    m_confirm->setText(PopoverWarningViewContent::confirmButtonTitle(state));
    const QString image =
        platform::Bundle::main().imagePath(PopoverWarningViewContent::confirmButtonImage(state));
    m_confirm->setStyleSheet(QStringLiteral("QPushButton { color: white; text-align: center; border: none;"
                                            " border-image: url(%1); }")
                                 .arg(image));
    m_confirm->setFixedWidth(static_cast<int>(PopoverWarningViewContent::confirmButtonWidth(state)));
}

void PopoverWarningView::confirm(QObject* sender) {
    if (PopoverViewDelegate* delegate = m_delegate.get()) {
        delegate->popoverConfirmed(sender);
    }
}

void PopoverWarningView::cancel(QObject* sender) {
    if (PopoverViewDelegate* delegate = m_delegate.get()) {
        delegate->popoverCanceled(sender);
    }
}

// ModalViewController --------------------------------------------------------------------------------------

ModalViewController::ModalViewController(QObject* parent) : NSViewControllerBase(parent) {}

ModalViewController::~ModalViewController() = default;

PopoverConfirmationCodeView* ModalViewController::popoverConfirmationCodeView() const {
    return m_codeView;
}
PopoverTroubleshootingView* ModalViewController::popoverTroubleshootingView() const {
    return m_troubleshootingView;
}
PopoverAppInfoView* ModalViewController::popoverAppInfoView() const {
    return m_appInfoView;
}

QWidget* ModalViewController::loadView() {
    auto* background = new ClickableView;
    background->setBgColor(colorFromHexString(QStringLiteral("#070A1FB3")));
    m_bgView = background;
    m_warningView = new PopoverWarningView;
    m_codeView = new PopoverConfirmationCodeView;
    m_troubleshootingView = new PopoverTroubleshootingView;
    m_appInfoView = new PopoverAppInfoView;
    auto* layout = new QGridLayout(background);
    const QList<QWidget*> popovers{m_warningView, m_codeView, m_troubleshootingView, m_appInfoView};
    for (QWidget* popover : popovers) {
        styleAsCard(popover, 340);
        layout->addWidget(popover, 0, 0, Qt::AlignCenter);
    }
    return background;
}

void ModalViewController::viewDidLoad() {
    NSViewControllerBase::viewDidLoad();
    m_bgView->setDelegate(this);
    m_warningView->hide();
    m_codeView->hide();
    m_troubleshootingView->hide();
    m_appInfoView->hide();
    m_warningView->setDelegate(this);
    m_codeView->setDelegate(this);
    m_troubleshootingView->setDelegate(this);
    m_appInfoView->setDelegate(this);
}

void ModalViewController::viewWillAppear() {
    NSViewControllerBase::viewWillAppear();
    updateContent();
}

void ModalViewController::viewDidAppear() {
    NSViewControllerBase::viewDidAppear();
    if (m_controllerType == ModalViewControllerType::codeConfirmationSignOut && view()->window()) {
        m_codeView->enterCodeField()->setFocus(Qt::OtherFocusReason);
    }
}

void ModalViewController::updateContent() {
    view();
    m_warningView->hide();
    m_codeView->hide();
    m_troubleshootingView->hide();
    m_appInfoView->hide();
    switch (m_controllerType) {
    case ModalViewControllerType::warningQuit:
    case ModalViewControllerType::codeConfirmationQuit:
        break;
    case ModalViewControllerType::warningSignOut:
        m_warningView->configure(PopoverWarningViewState::logout);
        m_warningView->show();
        break;
    case ModalViewControllerType::codeConfirmationSignOut:
        m_codeView->configure(PopoverConfirmationCodeViewState::logout);
        m_codeView->show();
        break;
    case ModalViewControllerType::runTroubleshooting: {
        const bool runAtOnce =
            platform::UserDefaults::standard().boolForKey(SettingsUserDefaults::showMeTroubleshootingInfo);
        m_troubleshootingView->configure(PopoverTroubleshootingViewState::start());
        if (runAtOnce) {
            popoverConfirmed(this);
        }
        m_troubleshootingView->show();
        break;
    }
    case ModalViewControllerType::appInfoView:
        m_appInfoView->show();
        break;
    }
}

QWidget* ModalViewController::shownPopoverView() const {
    for (QWidget* popover :
         {static_cast<QWidget*>(m_warningView), static_cast<QWidget*>(m_codeView),
          static_cast<QWidget*>(m_troubleshootingView), static_cast<QWidget*>(m_appInfoView)}) {
        if (popover && !popover->isHidden()) {
            return popover;
        }
    }
    return nullptr;
}

void ModalViewController::popoverConfirmed(QObject* sender) {
    const std::optional<QString> title = buttonTitle(sender);
    switch (m_controllerType) {
    case ModalViewControllerType::warningQuit:
    case ModalViewControllerType::codeConfirmationQuit:
    case ModalViewControllerType::appInfoView:
        break;
    case ModalViewControllerType::warningSignOut:
    case ModalViewControllerType::codeConfirmationSignOut:
        vlog::info(QStringLiteral("Sign-out confirmed"));
        VeltrixXPC::sendAnalytics(AnalyticsEvent(kAnalyticsCategory, kSignOutEvent, std::nullopt,
                                                 AnalyticsTrigger::button(title), std::nullopt,
                                                 std::nullopt));
        if (AppRouterProtocol* router = appRouter()) {
            router->performLogout();
        }
        break;
    case ModalViewControllerType::runTroubleshooting: {
        view();
        const PopoverTroubleshootingViewState state = m_troubleshootingView->popoverState();
        m_troubleshootingView->failureReason.reset();
        if (state.kind == PopoverTroubleshootingViewState::Kind::start) {
            m_troubleshootingView->configure(PopoverTroubleshootingViewState::progress());
            startCollection();
            sendTroubleshootingEvent(state, title);
            return;
        }
        stopCollection();
        sendTroubleshootingEvent(state, title);
        break;
    }
    }
    closeOverlay();
}

void ModalViewController::popoverCanceled(QObject* sender) {
    const std::optional<QString> title = buttonTitle(sender);
    switch (m_controllerType) {
    case ModalViewControllerType::runTroubleshooting: {
        stopCollection();
        const PopoverTroubleshootingViewState state = m_troubleshootingView->popoverState();
        if (state.kind != PopoverTroubleshootingViewState::Kind::start) {
            sendTroubleshootingEvent(state, title);
        }
        closeOverlay();
        return;
    }
    case ModalViewControllerType::warningSignOut:
    case ModalViewControllerType::codeConfirmationSignOut:
        // The sign-out window hosts these; it closes, and nothing is dismissed.
        if (AppRouterProtocol* router = appRouter()) {
            router->closeSignOutWindow();
        }
        return;
    default:
        closeOverlay();
        return;
    }
}

void ModalViewController::viewClicked() {
    if (m_controllerType == ModalViewControllerType::runTroubleshooting) {
        stopCollection();
    }
    closeOverlay();
}

void ModalViewController::closeOverlay() {
    dismiss();
}

void ModalViewController::startCollection() {
    const std::uint64_t run = ++m_collectionRun;
    QPointer<ModalViewController> self = this;
    vlog::info(QStringLiteral("Troubleshooting log collection started"));
    VeltrixXPC::collectLogsAndStats([self, run](const std::optional<QString>& text,
                                                const std::optional<PDTroubleshootingHelperError>& error) {
        platform::DispatchQueue::main().async([self, run, text, error] {
            if (self) {
                self->logCollectionCompleted(run, text, error);
            }
        });
    });
}

void ModalViewController::stopCollection() {
    ++m_collectionRun; // whatever the stopped run still delivers is stale
    VeltrixXPC::stopCollectLogsAndStats();
}

void ModalViewController::logCollectionCompleted(std::uint64_t run, const std::optional<QString>& text,
                                                 const std::optional<PDTroubleshootingHelperError>& error) {
    if (run != m_collectionRun || !m_troubleshootingView) {
        vlog::info(QStringLiteral("Dropped the result of a stopped log collection"));
        return;
    }
    if (error) {
        vlog::warning(QStringLiteral("Troubleshooting log collection failed"));
        m_troubleshootingView->failureReason = error;
        m_troubleshootingView->configure(PopoverTroubleshootingViewState::fail());
        return;
    }
    vlog::info(QStringLiteral("Troubleshooting log collection finished"));
    m_troubleshootingView->configure(PopoverTroubleshootingViewState::success(text.value_or(QString())));
}

void ModalViewController::sendTroubleshootingEvent(
    const std::optional<PopoverTroubleshootingViewState>& state, const std::optional<QString>& buttonTitle) {
    if (!state) {
        return;
    }
    using Kind = PopoverTroubleshootingViewState::Kind;
    int type = kTroubleshootingStartEvent;
    std::optional<AnalyticsEvent::Parameters> parameters;
    switch (state->kind) {
    case Kind::start:
        type = kTroubleshootingStartEvent;
        break;
    case Kind::progress:
    case Kind::fail:
        type = kTroubleshootingProgressEvent;
        if (m_troubleshootingView && m_troubleshootingView->failureReason) {
            parameters = AnalyticsEvent::Parameters{
                {AnalyticsParameter::errorCode, m_troubleshootingView->failureReason->description()}};
        }
        break;
    case Kind::success:
        type = kTroubleshootingSuccessEvent;
        break;
    }
    QString trigger = state->title() + QStringLiteral(" => ");
    if (buttonTitle) {
        trigger += buttonTitle->isEmpty() ? QStringLiteral("x") : *buttonTitle;
    }
    VeltrixXPC::sendAnalytics(AnalyticsEvent(kAnalyticsCategory, type, std::nullopt,
                                             AnalyticsTrigger::button(trigger), parameters, std::nullopt));
}
