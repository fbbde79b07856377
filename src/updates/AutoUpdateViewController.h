#pragma once

#include "core/AUUpdater.h"
#include "core/AutoUpdateStates.h"
#include "sdk/PDTypes.h"
#include "toolkit/NSViewControllerBase.h"
#include "updates/UpdateViews.h"

#include <QPointer>

#include <memory>

class ImageHoverableButton;

// The update sheet: offers the offered version, downloads it with an updater of its own while showing the
// progress, and on the user's word hands the package to the SDK. One of three views shows at a time. A new
// sheet each time it is asked for; it begins with the offer.
class AutoUpdateViewController : public NSViewControllerBase,
                                 public AppUpdateDelegate,
                                 public AUUpdaterDelegate {
    Q_OBJECT
public:
    explicit AutoUpdateViewController(QObject* parent = nullptr);
    ~AutoUpdateViewController() override;

    AutoUpdateStates currentState() const { return m_currentState; }
    AUUpdater* autoUpdater() const { return m_autoUpdater.get(); }
    UpdateTitledView* updateView() const { return m_updateView; }
    UpdateProgressView* updateProgressView() const { return m_updateProgressView; }
    UpdateConfirmView* updateConfirmView() const { return m_updateConfirmView; }
    // Shown once the SDK accepted the package: the sheet can then be closed, by it or by Esc.
    ImageHoverableButton* closeButton() const { return m_closeButton; }

    void apply(AutoUpdateStates state);

    void installUpdateRequested() override;
    void cancelUpdateRequested() override;
    void restartToInstallRequested() override;
    void retryUpdateRequested() override;

    void updaterWantsToInstallUpdateWithCriticalStatus(AUUpdater& updater, bool critical) override;
    void updaterDidChangeState(AUUpdater& updater, int state) override;
    void updaterDidChangeProgress(AUUpdater& updater, double progress) override;

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    void viewDidAppear() override;
    void viewDidDisappear() override;

private:
    void setUpSubviews();
    void makeUpdater();
    void show(XibView* subview);
    void showOutcome(AutoUpdateStates state, const QString& reason = {});
    void prepareToInstall();
    void onInstallAnswer(const SDUpdateInstallResult& result);
    void close();
    void escape();
    // The sheet is gone, by its own buttons or its presenter: the transfer stops and the silent update
    // may run again.
    void leave();

    QPointer<UpdateTitledView> m_updateView;
    QPointer<UpdateProgressView> m_updateProgressView;
    QPointer<UpdateConfirmView> m_updateConfirmView;
    QPointer<ImageHoverableButton> m_closeButton;
    QList<QPointer<XibView>> m_subviews;
    std::unique_ptr<AUUpdater> m_autoUpdater;
    AutoUpdateStates m_currentState = AutoUpdateStates::confirmUpdate;
    bool m_offered = false;
    bool m_holdsSilentUpdate = false;
};
