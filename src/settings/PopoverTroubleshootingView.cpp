#include "settings/PopoverTroubleshootingView.h"

#include "core/ApplicationModel.h"
#include "core/GlobalConstants.h"
#include "core/Log.h"
#include "core/Preferences.h"
#include "core/ServiceLayer.h"
#include "platform/Bundle.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "sdk/VeltrixXPC.h"
#include "settings/SettingsLook.h"
#include "toolkit/PDLottieAnimationView.h"
#include "toolkit/PopoverViewDelegate.h"
#include "toolkit/Scrollers.h"
#include "toolkit/TextAttributes.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QPointer>
#include <QTextCursor>
#include <QVBoxLayout>

namespace {

constexpr int kAnalyticsCategory = 0;
constexpr int kStartEvent = 45;
constexpr int kProgressEvent = 46;
constexpr int kSuccessEvent = 47;
constexpr double kConfirmWidth = 76.0;

bool showsStartPage() {
    return !platform::UserDefaults::standard().boolForKey(SettingsUserDefaults::showMeTroubleshootingInfo);
}

// The confirm button draws the overlay's confirm image under its title.
void setConfirmImage(QPushButton* button) {
    const QString image = platform::Bundle::main().imagePath(QStringLiteral("popoverConfirmSignOutButton"));
    button->setStyleSheet(
        QStringLiteral("QPushButton { border: none; padding: 0; border-image: url(%1); }").arg(image));
}

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

QString PopoverTroubleshootingViewState::description() const {
    const QString name = GlobalConstants::productDisplayName();
    switch (kind) {
    case Kind::start:
        return QStringLiteral("This script collects logs and sends them to ") + name +
               QStringLiteral(" Support. All required information will be collected and password protected.\n"
                              "By running the script you consent providing the collected data to the ") +
               name + QStringLiteral(" team for troubleshooting and tracking purposes.");
    case Kind::progress:
        return QStringLiteral("Please don't close the application until script completion.");
    case Kind::success:
        return text;
    case Kind::fail:
        return QStringLiteral("Something went wrong.\n\nPlease, consider contact ") +
               GlobalConstants::supportEmailAddress();
    }
    return {};
}

QString PopoverTroubleshootingViewState::confirmButtonTitle() const {
    switch (kind) {
    case Kind::start:
        return QStringLiteral("Start");
    case Kind::progress:
        return QStringLiteral("Processing...");
    case Kind::success:
    case Kind::fail:
        return QStringLiteral("Close");
    }
    return {};
}

double PopoverTroubleshootingViewState::quitButtonWidth() const {
    return kind == Kind::progress ? 0.0 : kConfirmWidth;
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
    m_title->setTextFormat(Qt::PlainText);
    m_body = new QLabel;
    m_body->setObjectName(QStringLiteral("descriptionLabel"));
    m_body->setWordWrap(true);
    m_body->setTextFormat(Qt::PlainText);
    // The collected text can be megabytes: a plain-text view lays out only what is on screen.
    m_collected = new QPlainTextEdit;
    m_collected->setObjectName(QStringLiteral("collectedText"));
    m_collected->setReadOnly(true);
    m_collected->setFrameShape(QFrame::NoFrame);
    m_collected->setFixedHeight(220);
    m_collected->setFont(toolkit::interFont(11));
    m_collected->setVerticalScrollBar(new TransculentScroller(Qt::Vertical));
    m_collected->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette text = m_collected->palette();
    text.setColor(QPalette::Base, settingslook::insetBackground);
    text.setColor(QPalette::Text, toolkit::secondaryText);
    m_collected->setPalette(text);
    m_collected->hide();
    m_loader = new PDLottieAnimationView;
    m_loader->setFixedHeight(56);
    m_loader->hide();
    m_showMeAgainRow = new QWidget;
    auto* row = new QHBoxLayout(m_showMeAgainRow);
    row->setContentsMargins(0, 0, 0, 0);
    m_showMeAgain = new QCheckBox(QStringLiteral("Don't show this again"));
    applyTitleAttributes(m_showMeAgain, toolkit::cancelTitle);
    row->addWidget(m_showMeAgain);
    m_confirm = new QPushButton;
    m_confirm->setFixedHeight(32);
    m_confirm->setCursor(Qt::PointingHandCursor);
    setConfirmImage(m_confirm);
    applyTitleAttributes(m_confirm, Qt::white);
    m_cancel = new QPushButton(QStringLiteral("Cancel"));
    setSecondaryButtonLook(m_cancel);
    applyTitleAttributes(m_cancel, toolkit::cancelTitle);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_confirm);
    layout->addWidget(m_title);
    layout->addWidget(m_body);
    layout->addWidget(m_collected);
    layout->addWidget(m_loader);
    layout->addWidget(m_showMeAgainRow);
    layout->addSpacing(4);
    layout->addLayout(buttons);
    connect(m_confirm, &QPushButton::clicked, this, [this] { confirm(m_confirm); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { cancel(m_cancel); });
    return content;
}

QString PopoverTroubleshootingView::bodyText() const {
    return m_collected->isHidden() ? m_body->text() : m_collected->toPlainText();
}

void PopoverTroubleshootingView::configure(const PopoverTroubleshootingViewState& state) {
    using Kind = PopoverTroubleshootingViewState::Kind;
    m_state = state;
    m_title->setText(state.title());
    const bool collected = state.kind == Kind::success;
    ++m_textLoad; // a load still under way belongs to the state left
    if (collected) {
        showCollectedText();
        m_body->clear();
    } else {
        m_collected->clear(); // megabytes are not kept once they are off screen
        m_body->setText(state.description());
    }
    m_collected->setVisible(collected);
    m_body->setVisible(!collected);
    m_confirm->setText(state.confirmButtonTitle());
    m_confirm->setFixedWidth(static_cast<int>(state.quitButtonWidth()));
    m_showMeAgainRow->hide();

    bool selectable = false;
    if (failureReason) {
        if (failureReason->kind == PDTroubleshootingHelperError::Kind::archiveTooLarge) {
            m_body->setText(
                QStringLiteral("The file size exceeds the max size. Please copy the zip file from ") +
                failureReason->archivePath + QStringLiteral(" and provide it to our support team (") +
                GlobalConstants::supportEmailAddress() + QLatin1Char(')'));
            selectable = true;
        } else {
            vlog::error(QStringLiteral("exactFailureReason -- default case"));
            selectable = m_body->textInteractionFlags().testFlag(Qt::TextSelectableByMouse);
        }
    }
    m_body->setTextInteractionFlags(selectable ? Qt::TextSelectableByMouse : Qt::NoTextInteraction);

    switch (state.kind) {
    case Kind::start:
        m_loader->setVisible(false);
        m_cancel->show();
        m_confirm->show();
        m_showMeAgainRow->setVisible(showsStartPage());
        break;
    case Kind::progress:
        m_confirm->hide();
        m_cancel->show();
        m_loader->setAnimation(QStringLiteral("troubleshootingLoader"));
        m_loader->setVisible(true);
        break;
    case Kind::success:
    case Kind::fail:
        m_loader->setVisible(false);
        m_cancel->hide();
        m_confirm->show();
        break;
    }
}

// Each piece ends at a line end and lays out in well under a frame; the first shows at once and the rest
// follow one main-queue turn each, so megabytes never hold the window up.
void PopoverTroubleshootingView::showCollectedText() {
    m_collected->setPlainText(QString());
    appendCollectedText(m_textLoad, 0);
}

void PopoverTroubleshootingView::appendCollectedText(std::uint64_t load, qsizetype from) {
    const QString& text = m_state.text;
    if (load != m_textLoad || from >= text.size()) {
        return;
    }
    qsizetype end = std::min(text.size(), from + collectedTextPiece);
    if (end < text.size()) {
        const qsizetype lineEnd = text.lastIndexOf(QLatin1Char('\n'), end - 1);
        end = lineEnd >= from ? lineEnd + 1 : end;
    }
    QTextCursor cursor(m_collected->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringView(text).sliced(from, end - from).toString());
    if (end < text.size()) {
        QPointer<PopoverTroubleshootingView> self = this;
        platform::DispatchQueue::main().async([self, load, end] {
            if (self) {
                self->appendCollectedText(load, end);
            }
        });
    }
}

bool PopoverTroubleshootingView::isCollectedTextComplete() const {
    return m_state.kind == PopoverTroubleshootingViewState::Kind::success &&
           m_collected->document()->characterCount() - 1 == m_state.text.size();
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
    failureReason.reset(); // a failure of an earlier opening says nothing about this one
    configure(PopoverTroubleshootingViewState::start());
    if (!showsStartPage()) {
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
    ++m_textLoad;      // and a closing card shows no more of its text
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
    layout->setSpacing(18);
    const ApplicationModel& model = ServiceLayer::appModel();
    // Version and build joined by a full stop, as the main window shows them.
    m_appVersionField = new QLabel(QStringLiteral("Latest version is installed: ") + model.appVersion() +
                                   QLatin1Char('.') + model.appBuildNumber());
    m_appVersionField->setObjectName(QStringLiteral("titleLabel"));
    m_appVersionField->setWordWrap(true);
    m_appVersionField->setTextFormat(Qt::PlainText);
    m_ok = new QPushButton(QStringLiteral("OK"));
    m_ok->setFixedSize(static_cast<int>(kConfirmWidth), 32);
    m_ok->setCursor(Qt::PointingHandCursor);
    applyTitleAttributes(m_ok, Qt::white);
    layout->addWidget(m_appVersionField);
    layout->addWidget(m_ok, 0, Qt::AlignRight);
    connect(m_ok, &QPushButton::clicked, this, [this] { cancel(m_ok); });
    return content;
}

void PopoverAppInfoView::cancel(QObject* sender) {
    if (m_delegate) {
        m_delegate->popoverCanceled(sender);
    }
}
