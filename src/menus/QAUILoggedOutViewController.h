#pragma once

#include "core/MenuControllerProtocol.h"
#include "menus/QAUIErrorView.h"
#include "menus/QAUIStack.h"
#include "menus/QAUIStatusView.h"
#include "toolkit/HoverableButton.h"
#include "toolkit/NSViewControllerBase.h"
#include "toolkit/PDLottieAnimationView.h"

#include <QLabel>
#include <QPointer>

class QAUIStatusLoggedOutViewDelegate {
public:
    virtual ~QAUIStatusLoggedOutViewDelegate() = default;
    virtual void signInTapped() = 0;
};

// The logo, the sign-in button and the loader that plays while a sign-in runs.
class QAUIStatusLoggedOutView : public QAUIStackMemberView, public QAUILoggedOutMenuProtocol {
    Q_OBJECT
public:
    explicit QAUIStatusLoggedOutView(QWidget* parent = nullptr);

    QAUIStatusLoggedOutViewDelegate* delegate() const { return m_delegate; }
    void setDelegate(QAUIStatusLoggedOutViewDelegate* delegate) { m_delegate = delegate; }

    bool showingLogo() const { return m_showingLogo; }
    void setShowingLogo(bool showing);
    bool isWaving() const { return m_isWaving; }
    double preferredHeight() const { return m_showingLogo ? 175.0 : 80.0; }

    void signIn();
    void showProgressIndicator() override;
    void hideProgressIndicator() override;

    NSButtonWithHandCursor* signInButton() const { return m_signInButton; }
    ImageHoverableButton* signinBtn() const { return m_signinBtn; }
    QLabel* logo() const { return m_logo; }
    PDLottieAnimationView* loaderAnimationView() const { return m_loader; }

protected:
    QWidget* loadViewFromNib() override;

private:
    void setupViews();
    void updateLogoVisibility();

    QAUIStatusLoggedOutViewDelegate* m_delegate = nullptr;
    bool m_isWaving = false;
    bool m_showingLogo = true;
    QPointer<NSButtonWithHandCursor> m_signInButton;
    QPointer<ImageHoverableButton> m_signinBtn;
    QPointer<QLabel> m_logo;
    QPointer<PDLottieAnimationView> m_loader;
};

// The page of a signed-out user: sign-in above the error toasts; the window follows its height.
class QAUILoggedOutViewController : public NSViewControllerBase,
                                    public QAUIStackDelegate,
                                    public QAUIStatusLoggedOutViewDelegate,
                                    public QAUILoggedOutMenuProtocol {
    Q_OBJECT
public:
    explicit QAUILoggedOutViewController(QObject* parent = nullptr);

    QAUIStatusLoggedOutView* loggedOutView() const { return m_loggedOutView; }
    QAUIStatusView* statusView() const { return m_statusView; }
    QAUIErrorView* errorView() const { return m_errorView; }

    // The height the page asks of its window now.
    int preferredWindowHeight() const;
    void updateWindowHeight(bool animated);
    void maximize();

    void signInTapped() override;
    void showProgressIndicator() override;
    void hideProgressIndicator() override;
    void heightWasChanged(QAUIStackMemberView* view, double newHeight, bool animated) override;

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;
    void viewDidAppear() override;

private:
    QPointer<QAUIStatusLoggedOutView> m_loggedOutView;
    QPointer<QAUIStatusView> m_statusView;
    QPointer<QAUIErrorView> m_errorView;
};

// The header both pages share: the product's name and the button that brings the main window back.
QWidget* makeQAUIHeader(const std::function<void()>& maximize);
