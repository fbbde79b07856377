// Renders the sign-in screens in each of their states to PNG files for review:
//   auth_render [output-folder]   (default: <build>/renders/auth)
// Runs on Qt's offscreen platform with virtual time, on the demo workspace: the sign-in window idle, signing
// in, during the posture check and with an error banner; the four onboarding pages of the welcome window and
// of the quick-access window; the sign-out code panel in the overlay, normal and after a wrong code.
#include "RenderOutput.h"
#include "auth/AuthWelcomeController.h"
#include "auth/OnBoardingPageControllerN.h"
#include "auth/PopoverConfirmationCodeView.h"
#include "auth/QAUIOnBoardingPageViewController.h"
#include "sdk/testing/Driver.h"
#include "toolkit/ModalViewController.h"
#include "toolkit/PresentationAnimators.h"

#include <QApplication>
#include <QDir>
#include <QVBoxLayout>

#include <cstdio>

namespace {

void settle(double seconds) {
    render::virtualTime().advance(seconds);
    QApplication::processEvents();
}

// A top-level window of `size` holding the controller's view, as its window controller would.
std::unique_ptr<QWidget> windowFor(platform::ViewController& controller, QSize size) {
    auto window = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(controller.view());
    window->resize(size);
    window->show();
    QApplication::processEvents();
    return window;
}

void renderSignIn() {
    AuthWelcomeController controller;
    auto window = windowFor(controller, QSize(640, 520));
    settle(1.2);
    render::save(window.get(), QStringLiteral("signin_idle"));

    controller.onExtendedAuthSucceed();
    settle(0.6);
    render::save(window.get(), QStringLiteral("signin_signing_in"));

    controller.onDPCProcessingStarted();
    settle(0.4);
    render::save(window.get(), QStringLiteral("signin_posture_check"));

    controller.onLoginErrorWithError(
        PDError(401, false, PDError::DEFAULT_ERROR_DOMAIN, QStringLiteral("Sign-in failed"),
                QStringLiteral("The workspace did not accept the sign-in. Please try again.")));
    settle(0.8);
    render::save(window.get(), QStringLiteral("signin_error"));

    controller.onDPCFailedWithResult(
        {QStringLiteral("Device Posture Check Failed"),
         QStringLiteral(
             "Your device does not meet your workspace's security requirements. The disk is not encrypted. "
             "Please consult the security policy of your company. Encrypt the disk and sign in again.")});
    settle(1.2);
    render::save(window.get(), QStringLiteral("signin_posture_failed"));
}

template <class Controller, class Next>
void renderOnboarding(const QString& prefix, QSize size, Next next) {
    Controller controller;
    auto window = windowFor(controller, size);
    settle(1.0);
    for (int page = 0; page < 4; ++page) {
        render::save(window.get(), prefix + QString::number(page + 1));
        if (page < 3) {
            next(controller);
            settle(PageController::transitionDuration + 0.6);
        }
    }
}

void renderCodePanel() {
    platform::ViewController host;
    host.view()->resize(480, 460);
    QPalette palette = host.view()->palette();
    palette.setColor(QPalette::Window, QColor(0x1E, 0x30, 0x73));
    host.view()->setPalette(palette);
    host.view()->setAutoFillBackground(true);
    host.view()->show();
    ModalViewController modal;
    modal.setControllerType(ModalViewControllerType::codeConfirmationSignOut);
    host.presentViewController(&modal, std::make_shared<TransitionAnimator>(std::nullopt, std::nullopt, 0.2));
    settle(0.3);
    render::save(host.view(), QStringLiteral("code_normal"));
    auto* code =
        modal.popoverAs<PopoverConfirmationCodeView>(ModalViewControllerType::codeConfirmationSignOut);
    if (code) {
        code->enterCodeField()->setText(QStringLiteral("123"));
        code->verifyCode(code->logOutButton());
        settle(0.1);
        render::save(host.view(), QStringLiteral("code_error"));
    }
    host.dismissViewController(&modal);
    settle(0.3);
}

} // namespace

int main(int argc, char** argv) {
    const render::Renderer renderer(argc, argv, QStringLiteral(VELTRIX_RENDER_DIR "/auth"));
    if (!renderer.isReady()) {
        return 1;
    }
    sdk::testing::Driver driver; // the demo workspace

    renderSignIn();
    renderOnboarding<OnBoardingPageControllerN>(
        QStringLiteral("welcome_page"), QSize(640, 520),
        [](OnBoardingPageControllerN& c) { c.selectedItem()->nextTap(); });
    renderOnboarding<QAUIOnBoardingPageViewController>(
        QStringLiteral("quickaccess_page"), QSize(300, 400),
        [](QAUIOnBoardingPageViewController& c) { c.nextTap(); });
    renderCodePanel();
    return render::exitCode();
}
