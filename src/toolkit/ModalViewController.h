#pragma once

#include "toolkit/NSViewControllerBase.h"
#include "toolkit/NSViewLayerBacked.h"
#include "toolkit/PopoverViewDelegate.h"
#include "toolkit/XibView.h"

#include "sdk/PDTypes.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include <cstdint>
#include <optional>

class PopoverConfirmationCodeView;
class PopoverTroubleshootingView;
class PopoverAppInfoView;
struct PopoverTroubleshootingViewState;

// What the modal overlay shows and what its buttons do.
enum class ModalViewControllerType : std::uint8_t {
    warningQuit,
    warningSignOut,
    codeConfirmationQuit,
    codeConfirmationSignOut,
    runTroubleshooting,
    appInfoView,
};

enum class PopoverWarningViewState { quit, logout };

// The texts, image and width of the warning's confirm button per state.
struct PopoverWarningViewContent {
    static QString title(PopoverWarningViewState state);
    static QString description(PopoverWarningViewState state);
    static QString confirmButtonTitle(PopoverWarningViewState state);
    static QString confirmButtonImage(PopoverWarningViewState state);
    static double confirmButtonWidth(PopoverWarningViewState state);
};

// Asks before quitting or signing out.
class PopoverWarningView : public XibView {
    Q_OBJECT
public:
    explicit PopoverWarningView(QWidget* parent = nullptr);

    QLabel* warningTitleField() const { return m_title; }
    QLabel* warningDescriptionField() const { return m_description; }
    QPushButton* confirmButton() const { return m_confirm; }
    QPushButton* cancelButton() const { return m_cancel; }

    PopoverViewDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(PopoverViewDelegate* delegate) { m_delegate = delegate; }

    virtual void configure(PopoverWarningViewState state);
    // Report to the delegate with the same sender; nothing without a delegate.
    virtual void confirm(QObject* sender);
    virtual void cancel(QObject* sender);
    virtual void setupButtons();

protected:
    QWidget* loadViewFromNib() override;

private:
    QPointer<QLabel> m_title;
    QPointer<QLabel> m_description;
    QPointer<QPushButton> m_confirm;
    QPointer<QPushButton> m_cancel;
    WeakDelegate<PopoverViewDelegate> m_delegate;
};

// The client's modal overlay: a background that closes on a click, with at most one popover over it, chosen
// by controllerType. Presented over a window's content with a TransitionAnimator, or hosted as a window's
// content (the sign-out window), whose owner calls updateContent() when it reuses it.
class ModalViewController : public NSViewControllerBase,
                            public PopoverViewDelegate,
                            public ClickableViewDelegate {
    Q_OBJECT
public:
    explicit ModalViewController(QObject* parent = nullptr);
    ~ModalViewController() override;

    ClickableView* bgView() const { return m_bgView; }
    PopoverWarningView* popoverWarningView() const { return m_warningView; }
    PopoverConfirmationCodeView* popoverConfirmationCodeView() const;
    PopoverTroubleshootingView* popoverTroubleshootingView() const;
    PopoverAppInfoView* popoverAppInfoView() const;

    ModalViewControllerType controllerType() const { return m_controllerType; }
    // Takes effect at the next updateContent(), which every appearance runs.
    virtual void setControllerType(ModalViewControllerType type) { m_controllerType = type; }
    // Shows the popover of the current type, freshly configured.
    virtual void updateContent();
    // The popover shown now, or null.
    QWidget* shownPopoverView() const;

    void popoverConfirmed(QObject* sender) override;
    void popoverCanceled(QObject* sender) override;
    void viewClicked() override;

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;
    void viewDidAppear() override;

    // What a log collection that has ended shows; one from a run that was stopped or replaced is dropped.
    void logCollectionCompleted(std::uint64_t run, const std::optional<QString>& text,
                                const std::optional<PDTroubleshootingHelperError>& error);
    std::uint64_t currentCollectionRun() const { return m_collectionRun; }

private:
    void startCollection();
    void stopCollection();
    void sendTroubleshootingEvent(const std::optional<PopoverTroubleshootingViewState>& state,
                                  const std::optional<QString>& buttonTitle);
    void closeOverlay();

    QPointer<ClickableView> m_bgView;
    QPointer<PopoverWarningView> m_warningView;
    QPointer<PopoverConfirmationCodeView> m_codeView;
    QPointer<PopoverTroubleshootingView> m_troubleshootingView;
    QPointer<PopoverAppInfoView> m_appInfoView;
    ModalViewControllerType m_controllerType = ModalViewControllerType::warningSignOut;
    std::uint64_t m_collectionRun = 0;
};
