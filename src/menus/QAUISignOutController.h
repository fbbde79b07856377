#pragma once

#include "toolkit/ModalViewController.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class BaseWindowViewController;

// True while a sign-out window is on screen; the quick-access window stays shut meanwhile.
bool isSignOutWindowVisible();

// The overlay as the sign-out window's content: confirming closes the window (onClose); its cancel, Esc and
// a click on its background cancel (onCancel).
class QAUISignOutModalViewController : public ModalViewController {
    Q_OBJECT
public:
    using ModalViewController::ModalViewController;

    // The sign-out window around a new overlay: a window of its own above the others.
    static std::unique_ptr<BaseWindowViewController> makeWindow();

    std::function<void()> onClose;
    std::function<void()> onCancel;

    void popoverConfirmed(QObject* sender) override;
    void popoverCanceled(QObject* sender) override;
    void viewClicked() override;
};

// Asks before signing out, in a window of its own above the others: the plain question, or the
// confirmation code while Always-On is on.
class QAUISignOutController : public QObject {
    Q_OBJECT
public:
    explicit QAUISignOutController(QObject* parent = nullptr);
    ~QAUISignOutController() override;

    // Loads the window on first use; null for good when the scene does not give one.
    BaseWindowViewController* signOutWindowController();
    ModalViewController* modalViewController() const { return m_modal; }
    QWidget* window() const { return m_window; }

    bool isVisible() const;
    // `returnTo` brings back the window the question came from when the person cancels.
    void show(std::function<void()> returnTo = {});
    void close();

private:
    void fitWindowToCard();

    std::function<void()> m_returnTo;
    bool m_loaded = false;
    std::unique_ptr<BaseWindowViewController> m_controller;
    QPointer<ModalViewController> m_modal;
    QPointer<QWidget> m_window;
};
