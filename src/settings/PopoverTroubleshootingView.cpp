#include "settings/PopoverTroubleshootingView.h"

#include "core/GlobalConstants.h"
#include "core/Log.h"
#include "core/Preferences.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "sdk/VeltrixXPC.h"
#include "toolkit/PopoverViewDelegate.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QPointer>
#include <QVBoxLayout>

namespace {

constexpr int kAnalyticsCategory = 0;
constexpr int kStartEvent = 45;
constexpr int kProgressEvent = 46;
constexpr int kSuccessEvent = 47;

const ModalPopoverRegistrar troubleshooting(ModalViewControllerType::runTroubleshooting,
                                            [] { return new PopoverTroubleshootingView; });
const ModalPopoverRegistrar appInfo(ModalViewControllerType::appInfoView,
                                    [] { return new PopoverAppInfoView; });

std::optional<QString> buttonTitle(QObject* sender) {
    if (auto* button = qobject_cast<QAbstractButton*>(sender)) {
        return button->text();
    }
    return std::nullopt;
}

} // namespace

QString PopoverTroubleshootingViewState::title() const {
    switch (kind) {
    case Kind::start:
        return QStringLiteral("Run In-Depth Troubleshooting Script?");
    case Kind::progress:
        return QStringLiteral("Running In-Depth Troubleshooting Script...");
    case Kind::success:
        return QStringLiteral("Troubleshooting Script Completed");
    case Kind::fail:
        return QStringLiteral("Troubleshooting Script Failed");
    }
    return {};
}

PopoverTroubleshootingView::PopoverTroubleshootingView(QWidget* parent) : XibView(parent) {
    loadView();
    configure(PopoverTroubleshootingViewState::start());
}

QWidget* PopoverTroubleshootingView::loadViewFromNib() {
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(kCardContentMargins);
    layout->setSpacing(10);
    m_title = new QLabel;
    m_title->setObjectName(QStringLiteral("titleLabel"));
    m_title->setWordWrap(true);
    m_body = new QLabel;
    m_body->setObjectName(QStringLiteral("descriptionLabel"));
    m_body->setWordWrap(true);
    m_body->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_showMeAgain = new QCheckBox(tr("Don't ask me again"));
    m_confirm = new QPushButton;
    m_cancel = new QPushButton(tr("Cancel"));
    setSecondaryButtonLook(m_cancel);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_confirm);
    layout->addWidget(m_title);
    layout->addWidget(m_body);
    layout->addWidget(m_showMeAgain);
    layout->addLayout(buttons);
    connect(m_confirm, &QPushButton::clicked, this, [this] { confirm(m_confirm); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { cancel(m_cancel); });
    return content;
}

void PopoverTroubleshootingView::configure(const PopoverTroubleshootingViewState& state) {
    m_state = state;
    m_title->setText(state.title());
    using Kind = PopoverTroubleshootingViewState::Kind;
    switch (state.kind) {
    case Kind::start:
        m_body->setText(
            tr("The script collects logs and statistics that help support find the cause of a problem."));
        m_confirm->setText(tr("Run"));
        break;
    case Kind::progress:
        m_body->setText(tr("This can take a few minutes."));
        break;
    case Kind::success:
        m_body->setText(state.text);
        m_confirm->setText(tr("OK"));
        break;
    case Kind::fail:
        m_body->setText(failureReason ? failureReason->description()
                                      : tr("The logs could not be collected."));
        m_confirm->setText(tr("OK"));
        break;
    }
    m_showMeAgain->setVisible(state.kind == Kind::start);
    m_confirm->setVisible(state.kind != Kind::progress);
    m_cancel->setVisible(state.kind == Kind::start || state.kind == Kind::progress);
}

void PopoverTroubleshootingView::confirm(QObject* sender) {
    if (m_state.kind == PopoverTroubleshootingViewState::Kind::start) {
        platform::UserDefaults::standard().set(QStringLiteral("showMeTroubleshootingInfo"),
                                               m_showMeAgain->isChecked());
    }
    if (m_delegate) {
        m_delegate->popoverConfirmed(sender);
    }
}

void PopoverTroubleshootingView::cancel(QObject* sender) {
    if (m_delegate) {
        m_delegate->popoverCanceled(sender);
    }
}

void PopoverTroubleshootingView::prepare() {
    configure(PopoverTroubleshootingViewState::start());
    if (platform::UserDefaults::standard().boolForKey(SettingsUserDefaults::showMeTroubleshootingInfo)) {
        confirmed(this);
    }
}

bool PopoverTroubleshootingView::confirmed(QObject* sender) {
    const PopoverTroubleshootingViewState state = m_state;
    failureReason.reset();
    if (state.kind == PopoverTroubleshootingViewState::Kind::start) {
        configure(PopoverTroubleshootingViewState::progress());
        startCollection();
        sendEvent(state, buttonTitle(sender));
        return false;
    }
    stopCollection();
    sendEvent(state, buttonTitle(sender));
    return true;
}

bool PopoverTroubleshootingView::canceled(QObject* sender) {
    stopCollection();
    if (m_state.kind != PopoverTroubleshootingViewState::Kind::start) {
        sendEvent(m_state, buttonTitle(sender));
    }
    return true;
}

void PopoverTroubleshootingView::backgroundClicked() {
    stopCollection();
}

void PopoverTroubleshootingView::startCollection() {
    const std::uint64_t run = ++m_collectionRun;
    QPointer<PopoverTroubleshootingView> self = this;
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

void PopoverTroubleshootingView::stopCollection() {
    ++m_collectionRun; // whatever the stopped run still delivers is stale
    VeltrixXPC::stopCollectLogsAndStats();
}

void PopoverTroubleshootingView::logCollectionCompleted(
    std::uint64_t run, const std::optional<QString>& text,
    const std::optional<PDTroubleshootingHelperError>& error) {
    if (run != m_collectionRun) {
        vlog::info(QStringLiteral("Dropped the result of a stopped log collection"));
        return;
    }
    if (error) {
        vlog::warning(QStringLiteral("Troubleshooting log collection failed"));
        failureReason = error;
        configure(PopoverTroubleshootingViewState::fail());
        return;
    }
    vlog::info(QStringLiteral("Troubleshooting log collection finished"));
    configure(PopoverTroubleshootingViewState::success(text.value_or(QString())));
}

void PopoverTroubleshootingView::sendEvent(const PopoverTroubleshootingViewState& state,
                                           const std::optional<QString>& title) {
    using Kind = PopoverTroubleshootingViewState::Kind;
    int type = kStartEvent;
    std::optional<AnalyticsEvent::Parameters> parameters;
    switch (state.kind) {
    case Kind::start:
        type = kStartEvent;
        break;
    case Kind::progress:
    case Kind::fail:
        type = kProgressEvent;
        if (failureReason) {
            parameters =
                AnalyticsEvent::Parameters{{AnalyticsParameter::errorCode, failureReason->description()}};
        }
        break;
    case Kind::success:
        type = kSuccessEvent;
        break;
    }
    QString trigger = state.title() + QStringLiteral(" => ");
    if (title) {
        trigger += title->isEmpty() ? QStringLiteral("x") : *title;
    }
    VeltrixXPC::sendAnalytics(AnalyticsEvent(kAnalyticsCategory, type, std::nullopt,
                                             AnalyticsTrigger::button(trigger), parameters, std::nullopt));
}

PopoverAppInfoView::PopoverAppInfoView(QWidget* parent) : XibView(parent) {
    loadView();
}

QWidget* PopoverAppInfoView::loadViewFromNib() {
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(kCardContentMargins);
    auto* title = new QLabel(GlobalConstants::productDisplayName());
    title->setObjectName(QStringLiteral("titleLabel"));
    layout->addWidget(title);
    layout->addWidget(new QLabel(
        tr("Version %1 (%2)").arg(GlobalConstants::bundleShortVersion(), GlobalConstants::bundleVersion())));
    auto* ok = new QPushButton(tr("OK"));
    layout->addWidget(ok, 0, Qt::AlignRight);
    connect(ok, &QPushButton::clicked, this, [this, ok] { this->ok(ok); });
    return content;
}

void PopoverAppInfoView::ok(QObject* sender) {
    if (m_delegate) {
        m_delegate->popoverCanceled(sender);
    }
}
