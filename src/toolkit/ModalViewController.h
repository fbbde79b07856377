#pragma once

#include "toolkit/NSViewControllerBase.h"
#include "toolkit/NSViewLayerBacked.h"
#include "toolkit/PopoverViewDelegate.h"
#include "toolkit/XibView.h"

#include <QLabel>
#include <QMargins>
#include <QPointer>
#include <QPushButton>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>

// What the modal overlay shows and what its buttons do.
enum class ModalViewControllerType : std::uint8_t {
    warningQuit,
    warningSignOut,
    codeConfirmationQuit,
    codeConfirmationSignOut,
    runTroubleshooting,
    appInfoView,
};

// The parts of an overlay card's look that its views set themselves: a title label named "titleLabel" is
// bold, the card's content keeps these margins, and a secondary button (Cancel) is drawn as text beside the
// primary action.
inline constexpr QMargins kCardContentMargins{24, 22, 24, 18};
void setSecondaryButtonLook(QAbstractButton* button);

// A popover of the overlay that belongs to a screen (the sign-out code, troubleshooting, the app's info).
// The composition root registers a maker for its type with registerModalPopover; every overlay then makes
// its own and shows it for that type, with the overlay as the delegate of its buttons.
class ModalPopover {
public:
    virtual ~ModalPopover() = default;
    // The card itself; the overlay takes it into its view.
    virtual QWidget* popoverWidget() = 0;
    virtual void setPopoverDelegate(PopoverViewDelegate* delegate) = 0;
    // Fresh content at each appearance, before it is shown.
    virtual void prepare() {}
    virtual void popoverDidAppear() {}
    // What the popover does when its buttons reach the overlay; answers whether the overlay closes.
    virtual bool confirmed(QObject* sender) {
        (void)sender;
        return true;
    }
    virtual bool canceled(QObject* sender) {
        (void)sender;
        return true;
    }
    // A click on the overlay's background, which closes it.
    virtual void backgroundClicked() {}
};

// How the popover of `type` is made, for the overlays made from now on.
using ModalPopoverMaker = std::function<ModalPopover*()>;
void registerModalPopover(ModalViewControllerType type, ModalPopoverMaker make);

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
    // The registered popover of `type` in this overlay (its view loaded), or null.
    ModalPopover* popover(ModalViewControllerType type) const;
    template <class P>
    P* popoverAs(ModalViewControllerType type) const {
        return dynamic_cast<P*>(popover(type));
    }

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

private:
    // The registered popover of the current type, or null.
    ModalPopover* currentPopover() const { return popover(m_controllerType); }
    void closeOverlay();

    struct Hosted {
        QPointer<QWidget> widget; // owned by the overlay's view
        ModalPopover* popover = nullptr;
    };
    QPointer<ClickableView> m_bgView;
    QPointer<PopoverWarningView> m_warningView;
    std::map<ModalViewControllerType, Hosted> m_popovers;
    ModalViewControllerType m_controllerType = ModalViewControllerType::warningSignOut;
};
