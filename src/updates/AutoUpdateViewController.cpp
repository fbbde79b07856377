#include "updates/AutoUpdateViewController.h"

#include "core/AppRouterProtocol.h"
#include "core/ApplicationModel.h"
#include "core/InstalledUpdate.h"
#include "core/LocalizedStrings.h"
#include "core/Log.h"
#include "core/QAUINotifier.h"
#include "core/ServiceLayer.h"
#include "core/SilentUpdateService.h"
#include "platform/Bundle.h"
#include "platform/Scheduler.h"
#include "sdk/VeltrixXPC.h"
#include "toolkit/Colors.h"
#include "toolkit/HoverableButton.h"
#include "toolkit/NSViewLayerBacked.h"

#include <QShortcut>
#include <QStackedLayout>

#include <utility>

namespace {
constexpr QSize kSheetSize(460, 196);
}

AutoUpdateViewController::AutoUpdateViewController(QObject* parent) : NSViewControllerBase(parent) {
    setTitle(QStringLiteral("Software Update"));
}

AutoUpdateViewController::~AutoUpdateViewController() {
    leave();
}

void AutoUpdateViewController::leave() {
    // The transfer must not outlive the sheet that shows it.
    if (m_autoUpdater) {
        m_autoUpdater->cancelUpdateDownload();
    }
    if (std::exchange(m_holdsSilentUpdate, false)) {
        ServiceLayer::shared().silentUpdateService().setUpdateSheetShown(false);
    }
}

QWidget* AutoUpdateViewController::loadView() {
    auto* view = new SheetPanel;
    view->setFixedSize(kSheetSize);
    auto* stack = new QStackedLayout(view);
    stack->setStackingMode(QStackedLayout::StackAll);
    m_updateView = new UpdateTitledView;
    m_updateProgressView = new UpdateProgressView;
    m_updateConfirmView = new UpdateConfirmView;
    for (XibView* subview : {static_cast<XibView*>(m_updateView), static_cast<XibView*>(m_updateProgressView),
                             static_cast<XibView*>(m_updateConfirmView)}) {
        stack->addWidget(subview);
        subview->hide();
    }

    auto* close = new ImageHoverableButton(view);
    close->setFlat(true);
    close->setFixedSize(24, 24);
    close->setIconSize(QSize(16, 16));
    close->setDefaultImage(platform::Bundle::main().image(QStringLiteral("networksCrossImage")));
    close->setHoverImage(platform::Bundle::main().image(QStringLiteral("networksCrossImageHover")));
    close->setIcon(close->defaultImage());
    close->setCursor(Qt::PointingHandCursor);
    close->setFocusPolicy(Qt::TabFocus);
    close->setAccessibleName(QStringLiteral("Close"));
    close->move(kSheetSize.width() - 24 - 12, 12);
    close->hide();
    connect(close, &QAbstractButton::clicked, this, [this] { this->close(); });
    m_closeButton = close;

    auto* escapeKey = new QShortcut(QKeySequence(Qt::Key_Escape), view);
    escapeKey->setContext(Qt::WindowShortcut);
    connect(escapeKey, &QShortcut::activated, this, [this] { escape(); });
    return view;
}

void AutoUpdateViewController::viewDidLoad() {
    setUpSubviews();
    makeUpdater();
}

void AutoUpdateViewController::viewDidAppear() {
    // Only the first time: a sheet shown again with its window goes on where it was.
    if (m_offered) {
        return;
    }
    m_offered = true;
    // The sheet downloads by itself; the silent update waits.
    m_holdsSilentUpdate = true;
    ServiceLayer::shared().silentUpdateService().setUpdateSheetShown(true);
    apply(AutoUpdateStates::confirmUpdate);
}

void AutoUpdateViewController::viewDidDisappear() {
    // Hidden with its window, a sheet is still presented and goes on; dismissed, it is gone.
    if (!presentingViewController()) {
        leave();
    }
}

void AutoUpdateViewController::setUpSubviews() {
    m_subviews = {m_updateView.data(), m_updateProgressView.data(), m_updateConfirmView.data()};
    m_updateView->setDelegate(this);
    m_updateProgressView->setDelegate(this);
    m_updateConfirmView->setDelegate(this);
}

void AutoUpdateViewController::makeUpdater() {
    const ApplicationModel& model = ServiceLayer::appModel();
    m_autoUpdater = AUUpdater::updaterWithBundle(platform::Bundle::main(), model.appUpdateURL(),
                                                 model.appUpdatePackagePath(), QString(), 100);
    m_autoUpdater->setDelegate(this);
}

void AutoUpdateViewController::apply(AutoUpdateStates state) {
    view();
    switch (state) {
    case AutoUpdateStates::confirmUpdate:
        m_updateView->configure(L10n::format(L10n::auto_update_wish_to_update_popup_text(),
                                             {ServiceLayer::appModel().appUpdateVersion()}));
        show(m_updateView);
        break;
    case AutoUpdateStates::downloadingUpdate: {
        const SDVPNConnectionState connection = VeltrixXPC::connectionState();
        if (connection == SDVPNConnectionState::connected || connection == SDVPNConnectionState::connecting) {
            if (AppRouterProtocol* router = appRouter()) {
                router->disconnectFromVPN();
            }
        }
        show(m_updateProgressView);
        m_autoUpdater->downloadUpdate();
        break;
    }
    case AutoUpdateStates::readyToInstallUpdate:
    case AutoUpdateStates::failedToDownloadUpdate:
    case AutoUpdateStates::failedToVerifyUpdate:
    case AutoUpdateStates::failedToInstallUpdate:
        show(m_updateConfirmView);
        m_updateConfirmView->configure(state);
        break;
    }
    m_currentState = state;
}

void AutoUpdateViewController::show(XibView* subview) {
    for (const QPointer<XibView>& each : m_subviews) {
        if (each) {
            each->setVisible(each == subview);
        }
    }
}

void AutoUpdateViewController::showOutcome(AutoUpdateStates state, const QString& reason) {
    show(m_updateConfirmView);
    m_updateConfirmView->configure(state, reason);
    m_currentState = state;
}

void AutoUpdateViewController::prepareToInstall() {
    QPointer<AutoUpdateViewController> self(this);
    VeltrixXPC::prepareToInstallAppAutoUpdate([self](const SDUpdateInstallResult& result) {
        platform::DispatchQueue::main().async([self, result] {
            if (self) {
                self->onInstallAnswer(result);
            }
        });
    });
}

void AutoUpdateViewController::onInstallAnswer(const SDUpdateInstallResult& result) {
    switch (result.outcome) {
    case SDUpdateInstallResult::Outcome::installed:
        vlog::info(installedupdate::describe(result));
        // The SDK starts the new version once this copy has gone.
        installedupdate::finish(ServiceLayer::appModel().appUpdateVersion());
        m_closeButton->show();
        m_closeButton->raise();
        return;
    case SDUpdateInstallResult::Outcome::refused:
        vlog::error(installedupdate::describe(result));
        if (m_autoUpdater) {
            m_autoUpdater->deleteDownloadedUpdate(); // refused: never kept, nor offered again from disk
        }
        showOutcome(AutoUpdateStates::failedToVerifyUpdate);
        return;
    case SDUpdateInstallResult::Outcome::notInstalled:
        vlog::error(installedupdate::describe(result));
        m_autoUpdater->deleteDownloadedUpdate();
        showOutcome(AutoUpdateStates::failedToInstallUpdate, result.reason);
        return;
    }
}

// Esc leaves the sheet as its buttons do: the close button once shown, else the Cancel of the page shown,
// while it may be pressed.
void AutoUpdateViewController::escape() {
    if (m_closeButton && !m_closeButton->isHidden()) {
        close();
        return;
    }
    for (CapsuleButton* cancel : {m_updateView->cancelButton(), m_updateProgressView->cancelButton(),
                                  m_updateConfirmView->cancelButton()}) {
        if (cancel && cancel->isVisibleTo(view()) && cancel->isEnabled()) {
            cancel->click();
            return;
        }
    }
}

void AutoUpdateViewController::close() {
    if (!m_closeButton || m_closeButton->isHidden()) {
        return;
    }
    leave();
    dismiss();
}

// MARK: the user's choices

void AutoUpdateViewController::installUpdateRequested() {
    apply(AutoUpdateStates::downloadingUpdate);
}

void AutoUpdateViewController::cancelUpdateRequested() {
    switch (m_currentState) {
    case AutoUpdateStates::downloadingUpdate:
        m_autoUpdater->cancelUpdateDownload();
        break;
    case AutoUpdateStates::readyToInstallUpdate:
        m_autoUpdater->deleteDownloadedUpdate();
        break;
    default:
        break;
    }
    leave();
    dismiss();
    QAUINotifier::resetNotifiedOnUpdate();
}

void AutoUpdateViewController::restartToInstallRequested() {
    prepareToInstall();
}

void AutoUpdateViewController::retryUpdateRequested() {
    m_updateProgressView->setProgress(0.0);
    apply(AutoUpdateStates::downloadingUpdate);
}

// MARK: the updater's reports, on the main queue

void AutoUpdateViewController::updaterWantsToInstallUpdateWithCriticalStatus(AUUpdater&, bool) {
    showOutcome(AutoUpdateStates::readyToInstallUpdate);
}

void AutoUpdateViewController::updaterDidChangeState(AUUpdater&, int state) {
    if (state == AUUpdater::failed) {
        showOutcome(AutoUpdateStates::failedToDownloadUpdate);
    }
}

void AutoUpdateViewController::updaterDidChangeProgress(AUUpdater&, double progress) {
    m_updateProgressView->setProgress(progress * 100.0);
}
