#pragma once

#include "toolkit/NSViewControllerBase.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include <optional>

// The sign-in window's content: the product's title, the sign-in button and the error view.
class AuthWelcomeController : public NSViewControllerBase {
    Q_OBJECT
public:
    explicit AuthWelcomeController(QObject* parent = nullptr);

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

protected:
    QWidget* loadView() override;

private:
    QPointer<QLabel> m_titleLabel;
    QPointer<QLabel> m_statusLabel;
    QPointer<QPushButton> m_signInButton;
    QPointer<QWidget> m_errorView;
    QPointer<QLabel> m_errorTitleLabel;
    QPointer<QLabel> m_errorMessageLabel;
};
