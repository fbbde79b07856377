#include "menus/QAUILoggedOutViewController.h"

#include "core/AppRouterProtocol.h"
#include "core/GlobalConstants.h"
#include "core/Log.h"
#include "platform/Bundle.h"
#include "sdk/VeltrixXPC.h"
#include "toolkit/TextAttributes.h"

#include <QHBoxLayout>
#include <QStackedLayout>
#include <QVBoxLayout>

namespace {
constexpr int headerHeight = 40;
} // namespace

QWidget* makeQAUIHeader(const std::function<void()>& maximize) {
    auto* header = new QWidget;
    header->setFixedHeight(headerHeight);
    auto* layout = new QHBoxLayout(header);
    layout->setContentsMargins(8, 0, 0, 0);
    auto* title = new QLabel(GlobalConstants::productDisplayName());
    title->setTextFormat(Qt::PlainText);
    title->setFont(toolkit::interFont(14, QFont::Medium));
    toolkit::setTextColor(title, Qt::white);
    auto* button = new NSButtonWithHandCursor;
    button->setObjectName(QStringLiteral("maximizeButton"));
    button->setFlat(true);
    button->setFocusPolicy(Qt::TabFocus);
    button->setFixedSize(28, 28);
    button->setIcon(platform::Bundle::main().image(QStringLiteral("qauiMaximizeIcon")));
    button->setAccessibleName(QStringLiteral("Open Main Window"));
    button->setIconSize(QSize(16, 16));
    QObject::connect(button, &QPushButton::clicked, button, [maximize] { maximize(); });
    layout->addWidget(title);
    layout->addStretch();
    layout->addWidget(button);
    return header;
}

// Logo section ---------------------------------------------------------------------------------------------

QAUIStatusLoggedOutView::QAUIStatusLoggedOutView(QWidget* parent) : QAUIStackMemberView(parent) {
    loadView();
    setupViews();
    setHeightConstant(preferredHeight(), false);
}

QWidget* QAUIStatusLoggedOutView::loadViewFromNib() {
    auto* view = new QWidget;
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 4);
    layout->setSpacing(0);
    auto* logoArea = new QWidget;
    logoArea->setObjectName(QStringLiteral("logoArea"));
    auto* stacked = new QStackedLayout(logoArea);
    stacked->setStackingMode(QStackedLayout::StackAll);
    m_logo = new QLabel;
    m_logo->setAlignment(Qt::AlignCenter);
    m_logo->setPixmap(platform::Bundle::main().image(QStringLiteral("qauiLogo")).pixmap(64, 64));
    m_loader = new PDLottieAnimationView;
    m_loader->setFixedSize(64, 64);
    auto* loaderBox = new QWidget;
    auto* loaderLayout = new QHBoxLayout(loaderBox);
    loaderLayout->addWidget(m_loader, 0, Qt::AlignCenter);
    stacked->addWidget(m_logo);
    stacked->addWidget(loaderBox);
    m_signinBtn = new ImageHoverableButton;
    m_signinBtn->setFixedHeight(36);
    m_signinBtn->setDefaultImage(platform::Bundle::main().image(QStringLiteral("qauiSignInDefaultButton")));
    m_signinBtn->setHoverImage(platform::Bundle::main().image(QStringLiteral("qauiSignInHoverButton")));
    m_signinBtn->setHighlight(false);
    m_signinBtn->setFlat(true);
    m_signinBtn->setIconSize(QSize(qaui::windowWidth - 2 * qaui::sideMargin, 36));
    // The title on it is the button the keyboard and a screen reader reach; this one is its backdrop.
    m_signinBtn->setFocusPolicy(Qt::NoFocus);
    m_signinBtn->setAccessibleName(QStringLiteral("Sign In"));
    auto* overlay = new QHBoxLayout(m_signinBtn);
    overlay->setContentsMargins(0, 0, 0, 0);
    m_signInButton = new NSButtonWithHandCursor;
    m_signInButton->setText(QStringLiteral("Sign In"));
    m_signInButton->setFlat(true);
    m_signInButton->setFocusPolicy(Qt::TabFocus);
    m_signInButton->setFont(toolkit::interFont(14, QFont::Medium));
    overlay->addWidget(m_signInButton);
    QObject::connect(m_signInButton, &QPushButton::clicked, this, [this] { signIn(); });
    QObject::connect(m_signinBtn, &QPushButton::clicked, this, [this] { signIn(); });
    layout->addWidget(logoArea, 1);
    layout->addWidget(m_signinBtn);
    return view;
}

void QAUIStatusLoggedOutView::setupViews() {
    applyTitleAttributes(m_signInButton, Qt::white);
    m_loader->setAnimation(QStringLiteral("loader"));
    m_loader->hide();
}

void QAUIStatusLoggedOutView::setShowingLogo(bool showing) {
    m_showingLogo = showing;
    updateLogoVisibility();
}

void QAUIStatusLoggedOutView::updateLogoVisibility() {
    m_loader->setVisible(m_showingLogo && m_isWaving);
    m_logo->setVisible(m_showingLogo && !m_isWaving);
    if (QWidget* area = view() ? view()->findChild<QWidget*>(QStringLiteral("logoArea")) : nullptr) {
        area->setVisible(m_showingLogo);
    }
    setHeightConstant(preferredHeight(), false);
}

void QAUIStatusLoggedOutView::signIn() {
    if (m_delegate) {
        m_delegate->signInTapped();
    }
}

void QAUIStatusLoggedOutView::showProgressIndicator() {
    vlog::info(QStringLiteral("QAUIStatusLoggedOutView: showProgressIndicator()"));
    m_isWaving = true;
    m_signinBtn->hide();
    m_logo->hide();
    m_loader->setVisible(m_showingLogo);
}

void QAUIStatusLoggedOutView::hideProgressIndicator() {
    vlog::info(QStringLiteral("QAUIStatusLoggedOutView: hideProgressIndicator()"));
    m_isWaving = false;
    m_signinBtn->show();
    m_loader->hide();
    m_logo->setVisible(m_showingLogo);
}

// Page -----------------------------------------------------------------------------------------------------

QAUILoggedOutViewController::QAUILoggedOutViewController(QObject* parent) : NSViewControllerBase(parent) {}

QWidget* QAUILoggedOutViewController::loadView() {
    auto* view = new QWidget;
    view->setFixedWidth(qaui::windowWidth);
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(qaui::sideMargin, 0, qaui::sideMargin, 0);
    layout->setSpacing(0);
    m_loggedOutView = new QAUIStatusLoggedOutView;
    m_statusView = new QAUIStatusView;
    m_errorView = new QAUIErrorView;
    m_errorView->setFixedWidth(qaui::windowWidth - 2 * qaui::sideMargin);
    // The header is part of the logo section's height.
    if (auto* sectionLayout = qobject_cast<QVBoxLayout*>(m_loggedOutView->view()->layout())) {
        sectionLayout->insertWidget(0, makeQAUIHeader([this] { maximize(); }));
    }
    layout->addWidget(m_loggedOutView);
    layout->addWidget(m_statusView);
    layout->addSpacing(12);
    layout->addWidget(m_errorView);
    layout->addStretch(1);
    return view;
}

void QAUILoggedOutViewController::viewDidLoad() {
    m_loggedOutView->setDelegate(this);
    m_statusView->setSizeChangeDelegate(this);
    m_errorView->setSizeChangeDelegate(this);
    m_statusView->setIsVisible(false);
    m_statusView->setHeightConstant(0.0, false);
    m_errorView->setHeightConstant(0.0, false);
}

void QAUILoggedOutViewController::viewWillAppear() {
    if (!m_loggedOutView->loaderAnimationView()->isHidden()) {
        m_loggedOutView->loaderAnimationView()->setVisible(true); // starts it again
    }
}

void QAUILoggedOutViewController::viewDidAppear() {
    updateWindowHeight(false);
}

int QAUILoggedOutViewController::preferredWindowHeight() const {
    const bool toasts = m_errorView->hasNotifications();
    const double h = m_loggedOutView->preferredHeight() + (toasts ? m_errorView->height() + 56.0 : 61.0);
    return static_cast<int>(std::lround(h));
}

void QAUILoggedOutViewController::updateWindowHeight(bool animated) {
    QWidget* page = view();
    QWidget* window = page->window();
    if (window == page) {
        return; // not in a window yet
    }
    m_loggedOutView->setShowingLogo(!m_errorView->hasNotifications());
    resizeMenuWindow(window, preferredWindowHeight(), animated);
}

void QAUILoggedOutViewController::maximize() {
    if (AppRouterProtocol* router = appRouter()) {
        router->enterForegroundMode();
    }
}

void QAUILoggedOutViewController::signInTapped() {
    m_errorView->removeAllNotifications(false);
    VeltrixXPC::login();
}

void QAUILoggedOutViewController::showProgressIndicator() {
    m_errorView->removeAllNotifications(false);
    m_errorView->setHeightConstant(0.0, false);
    updateWindowHeight(false);
    m_loggedOutView->showProgressIndicator();
}

void QAUILoggedOutViewController::hideProgressIndicator() {
    m_loggedOutView->hideProgressIndicator();
}

void QAUILoggedOutViewController::heightWasChanged(QAUIStackMemberView* member, double newHeight,
                                                   bool animated) {
    if (m_errorView->hasNotifications() == m_loggedOutView->showingLogo()) {
        m_loggedOutView->setShowingLogo(!m_errorView->hasNotifications());
    }
    if (member->heightConstant() != newHeight) {
        member->setHeightConstant(newHeight, animated);
    }
    updateWindowHeight(animated);
}
