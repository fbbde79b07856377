#pragma once

#include "sdk/Delegates.h"
#include "toolkit/NSViewControllerBase.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include <functional>
#include <optional>

// The sign-in window's content: the product's title, the sign-in button and the error view. Once its view
// is loaded it is the SDK's login delegate; the callbacks come on the SDK's thread and move to the main
// queue.
class AuthWelcomeController : public NSViewControllerBase, public PDLoginDelegate {
    Q_OBJECT
public:
    explicit AuthWelcomeController(QObject* parent = nullptr);
    ~AuthWelcomeController() override;

    // Asks the SDK whether a sign-in without the browser runs and shows the answer.
    void checkFastLogin();
    void showError(const QString& title, const QString& message);
    void showAccountExpired();
    // `reason`: the SDK's session-timeout reason code, if any.
    void showSessionTimeoutError(std::optional<int> reason);

    // Back to the idle sign-in view: no error, the button enabled.
    void resetViews(bool signingIn = false);
    bool isErrorShown() const;
    QString errorTitle() const;
    QString errorMessage() const;
    QPushButton* signInButton() const { return m_signInButton; }
    // "Signing in…" is shown and the button waits.
    bool isSigningIn() const;

    // PDLoginDelegate (SDK thread)
    void onExtendedAuthFailedWithError(const PDError& error) override;
    void onExtendedAuthSucceed() override;
    void onLoginErrorWithError(const PDError& error) override;
    void onLogoutFinished() override;

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;

private:
    // Runs `f` on the main queue `seconds` later while this controller exists.
    void onMain(std::function<void(AuthWelcomeController&)> f, double seconds = 0);

    QPointer<QLabel> m_titleLabel;
    QPointer<QLabel> m_statusLabel;
    QPointer<QPushButton> m_signInButton;
    QPointer<QWidget> m_errorView;
    QPointer<QLabel> m_errorTitleLabel;
    QPointer<QLabel> m_errorMessageLabel;
};
