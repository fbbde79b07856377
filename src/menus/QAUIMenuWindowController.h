#pragma once

#include "core/MenuControllerProtocol.h"
#include "core/ShownWindows.h"
#include "platform/WindowController.h"
#include "toolkit/NSViewControllerBase.h"

#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

// Closes the quick-access window when it is shown.
void closeMenuWindows();

// The quick-access page of a signed-in user: connection state, current network, address and time.
class QAUILoggedInPageController : public NSViewControllerBase {
    Q_OBJECT
public:
    explicit QAUILoggedInPageController(QObject* parent = nullptr);

    void setDataSource(MenuControllerDataSource* dataSource) { m_dataSource = dataSource; }
    void setDelegate(MenuControllerDelegate* delegate) { m_delegate = delegate; }
    void setStatus(const QString& status, const QString& connectTitle);
    void setAddress(const QString& address);
    void setTimeConnected(const QString& time);
    // The current network and the location rows, read anew from the data source.
    void refreshStatusView();

    QString statusText() const { return m_status ? m_status->text() : QString(); }
    QString networkText() const { return m_network ? m_network->text() : QString(); }
    QString addressText() const { return m_address ? m_address->text() : QString(); }
    QString timeText() const { return m_time ? m_time->text() : QString(); }
    QStringList locationTitles() const;

protected:
    QWidget* loadView() override;

private:
    MenuControllerDataSource* m_dataSource = nullptr;
    MenuControllerDelegate* m_delegate = nullptr;
    QPointer<QLabel> m_status;
    QPointer<QLabel> m_network;
    QPointer<QLabel> m_address;
    QPointer<QLabel> m_time;
    QPointer<QPushButton> m_connect;
    QPointer<QListWidget> m_locations;
};

// The quick-access page of a signed-out user: sign-in, a busy indicator and error toasts.
class QAUILoggedOutPageController : public NSViewControllerBase {
    Q_OBJECT
public:
    explicit QAUILoggedOutPageController(QObject* parent = nullptr);

    void setDelegate(MenuControllerDelegate* delegate) { m_delegate = delegate; }
    void setBusy(bool busy);
    bool isBusy() const { return m_busy; }
    // Adds a toast unless one with the same title is shown.
    void addToast(const QString& title, const QString& description);
    void removeAllToasts();
    QStringList toastTitles() const { return m_toastTitles; }
    void reset();

protected:
    QWidget* loadView() override;

private:
    MenuControllerDelegate* m_delegate = nullptr;
    bool m_busy = false;
    QStringList m_toastTitles;
    QPointer<QLabel> m_busyLabel;
    QPointer<QPushButton> m_signIn;
    QPointer<QVBoxLayout> m_toasts;
};

// The quick-access window that the status item opens: one of the three pages as content.
class QAUIMenuWindowController : public platform::WindowController, public MenuControllerProtocol {
    Q_OBJECT
public:
    explicit QAUIMenuWindowController(QObject* parent = nullptr);
    ~QAUIMenuWindowController() override;

    void showWindow() override;

    void showLoggedInPage();
    void showLoggedOutPage();
    void showOnboardingPage();
    // 0.5 s later the signed-out page shows the message as a toast, unless the title is already shown.
    void showErrorMessage(const QString& title, const QString& description, bool animated);
    // 0.5 s later the signed-out page's toasts go.
    void clearErrorMessages(bool animated);

    QAUILoggedInPageController* loggedInPage() const { return m_loggedIn.get(); }
    QAUILoggedOutPageController* loggedOutPage() const { return m_loggedOut.get(); }

    // MenuControllerProtocol
    MenuControllerDataSource* dataSource() const override { return m_dataSource; }
    void setDataSource(MenuControllerDataSource* dataSource) override;
    MenuControllerDelegate* delegate() const override { return m_delegate; }
    void setDelegate(MenuControllerDelegate* delegate) override;
    void showMenu() override;
    void toggleMenu(QWidget* relativeTo) override;
    void setLoggedInState() override { showLoggedInPage(); }
    void setLoggedOutState() override { showLoggedOutPage(); }
    void updateGroupedLocations() override;
    void updateLocationLists() override;
    void setConnectedState() override;
    void setDisconnectedState() override;
    void setConnectingState() override;
    void setUpgradeState() override;
    void updateIPAddress(const PDPublicIPInfoPtr& info) override;
    void updateTimeConnected(const QString& timeConnected) override;
    // The show-application item lives in the Dock menu; this window has none.
    void updateShowApplicationItem() override {}
    void updateStatusView() override;
    void updateStatusOptions() override {}
    void updateStatusOptionStates() override {}
    void updateNetworkGroups() override;
    void showErrorNotification(const QString& title, const QString& message) override {
        showErrorMessage(title, message, true);
    }
    void hideNotifications(bool animated) override { clearErrorMessages(animated); }
    void showProgressIndicator() override;
    void hideProgressIndicator() override;

protected:
    QWidget* loadWindow() override;
    void windowWillClose() override;

private:
    MenuControllerDataSource* m_dataSource = nullptr;
    MenuControllerDelegate* m_delegate = nullptr;
    std::unique_ptr<QAUILoggedInPageController> m_loggedIn;
    std::unique_ptr<QAUILoggedOutPageController> m_loggedOut;
    std::unique_ptr<platform::ViewController> m_onboarding;
};
