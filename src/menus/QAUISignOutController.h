#pragma once

#include "auth/PopoverConfirmationCodeView.h"
#include "toolkit/NSViewControllerBase.h"
#include "toolkit/PopoverViewDelegate.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include <memory>

class BaseWindowViewController;

// The sign-out window's content: a plain confirmation, or the confirmation code while Always-On is on.
class SignOutConfirmationController : public NSViewControllerBase {
    Q_OBJECT
public:
    explicit SignOutConfirmationController(QObject* parent = nullptr);

    void setDelegate(PopoverViewDelegate* delegate);
    // Shows the code view when `needsCode`, else the plain question.
    void configure(bool needsCode);
    bool isAskingForCode() const { return m_askingForCode; }
    PopoverConfirmationCodeView* codeView() const { return m_codeView; }
    // The view being shown.
    QWidget* shownPopoverView() const;

protected:
    QWidget* loadView() override;

private:
    PopoverViewDelegate* m_delegate = nullptr;
    bool m_askingForCode = false;
    QPointer<QWidget> m_warningView;
    QPointer<PopoverConfirmationCodeView> m_codeView;
};

// Asks before signing out, in a window of its own.
class QAUISignOutController : public QObject, public PopoverViewDelegate {
    Q_OBJECT
public:
    explicit QAUISignOutController(QObject* parent = nullptr);
    ~QAUISignOutController() override;

    void showSignOutWindow();
    void closeSignOutWindow();
    BaseWindowViewController* windowController() const { return m_window.get(); }

    void popoverConfirmed(QObject* sender) override;
    void popoverCanceled(QObject* sender) override;

private:
    std::unique_ptr<BaseWindowViewController> m_window;
};
