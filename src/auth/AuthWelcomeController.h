#pragma once

#include "sdk/Delegates.h"
#include "toolkit/CapsuleButton.h"
#include "toolkit/HoverableButton.h"
#include "toolkit/MainErrorView.h"
#include "toolkit/NSViewControllerBase.h"
#include "toolkit/PDLottieAnimationView.h"

#include <QColor>
#include <QLabel>
#include <QPointer>
#include <QString>

#include <optional>

// The title and message of a refused sign-in, and whether the secure-access channel refused it.
struct LoginErrorTexts {
    QString title;
    QString message;
    bool channelError = false;
    bool operator==(const LoginErrorTexts&) const = default;
};
// The generic texts, replaced by the secure-access ones for an error the SDK flags so, by the channel's
// for the channel's domain, and last by the service's own title and message when it sent both.
LoginErrorTexts loginErrorTexts(const PDError& error);

// The message shown for a failed device posture check: the raw message's sentences longer than two
// characters that do not send the user to "Please consult" someone, then a line naming the workspace
// administrator. Linear in the length of the message.
QString devicePostureMessage(const QString& rawMessage);
inline const QString kDevicePostureDefaultTitle = QStringLiteral("Device Posture Check Failure:");
inline const QString kDevicePostureDefaultMessage = QStringLiteral(
    "Please try to login again. If the problem perisist contact your company administrator for assistance.");

// The sign-in window's content and the SDK's one login delegate. It turns the sign-in callbacks into log
// lines, analytics, the loader, error banners, quick-access messages and menu updates. The SDK calls on
// its own thread: only log lines and analytics happen there; everything else follows on the main queue in
// the callback's order, the delays counted from the callback.
class AuthWelcomeController : public NSViewControllerBase,
                              public PDLoginDelegate,
                              public MainErrorViewDelegate {
    Q_OBJECT
public:
    explicit AuthWelcomeController(QObject* parent = nullptr);
    ~AuthWelcomeController() override;

    // The SDK reports sign-ins to this screen from now on, its view made or not (a report that shows
    // something makes it).
    void registerAsLoginDelegate();

    // Outlets, for the screen's owner and for tests.
    CapsuleButton* signInButton() const { return m_signInButton; }
    NSButtonWithHandCursor* signUpButton() const { return m_signUpButton; }
    PDLottieAnimationView* signInAnimationView() const { return m_signInAnimationView; }
    QLabel* titleField() const { return m_titleField; }
    QLabel* subtitleField() const { return m_subtitleField; }
    QWidget* controllerContentView() const { return m_controllerContentView; }
    PDLottieAnimationView* loaderAnimationView() const { return m_loaderAnimationView; }
    QLabel* loaderStatusInfoLabel() const { return m_loaderStatusInfoLabel; }
    MainErrorView* errorView() const { return m_errorView; }
    QWidget* signUpStackView() const { return m_signUpStackView; }
    // The banner's height as its owner sets it.
    int errorViewHeight() const;
    // The signing-in look: the loader in place of the controls.
    bool isSigningIn() const;
    bool isErrorShown() const;

    // Asks the SDK again whether a sign-in without the browser runs and shows its answer.
    virtual void checkFastLogin();
    // `sender`: the pressed control; its title goes with the analytics event when it is a button.
    virtual void signIn(QObject* sender);
    // The sign-in window was closed: a sign-in under way is dropped and the window offers it again.
    void cancelSignIn();
    virtual void signUp();
    virtual void resetViews();
    // `reason`: the SDK's session time-out reason code, if any.
    virtual void showSessionTimeoutError(std::optional<int> reason);
    virtual void showError(const QString& title, const QString& message);
    virtual void showAccountExpired();

    // PDLoginDelegate (the SDK's thread).
    void onExtendedAuthFailedWithError(const PDError& error) override;
    void onExtendedAuthSucceed() override;
    void onDeviceRegisterStart() override;
    void onLoginSuccess() override;
    void onLoginErrorWithError(const PDError& error) override;
    void onAccountExpired() override;
    void onSDPLoginStarted() override;
    void onSDPLoginSuccess() override;
    void onSDPLoginErrorWithError(const PDError& error) override;
    void onSDPDropped() override;
    void onLogoutFinished() override;
    void onDPCProcessingStarted() override;
    void onDPCFailedWithResult(const PD_DPCResult& result) override;
    void onDPCResultChanged() override;
    void onSWGStatusChanged() override;

    // MainErrorViewDelegate
    void errorViewCloseTapped() override;
    void errorViewTryAgainTapped() override;
    void viewSizeChanged(QWidget* view, double height) override;

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;
    void viewDidDisappear() override;
    virtual void setupViews();

private:
    // Banner, quick-access message and the banner shown, on the main thread.
    void presentError(const QString& title, const QString& message);
    // Runs `step` on the main queue `seconds` after now, only while this controller exists.
    void onMain(double seconds, std::function<void(AuthWelcomeController&)> step);

    const QColor m_signUpButtonColor;
    QPointer<CapsuleButton> m_signInButton;
    QPointer<NSButtonWithHandCursor> m_signUpButton;
    QPointer<PDLottieAnimationView> m_signInAnimationView;
    QPointer<QLabel> m_titleField;
    QPointer<QLabel> m_subtitleField;
    QPointer<QWidget> m_controllerContentView;
    QPointer<PDLottieAnimationView> m_loaderAnimationView;
    QPointer<QLabel> m_loaderStatusInfoLabel;
    QPointer<MainErrorView> m_errorView;
    QPointer<QWidget> m_signUpStackView;
};
