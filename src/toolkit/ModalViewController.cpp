#include "toolkit/ModalViewController.h"

#include "core/AppRouterProtocol.h"
#include "core/GlobalConstants.h"
#include "core/Log.h"
#include "platform/Bundle.h"
#include "sdk/VeltrixXPC.h"
#include "toolkit/Colors.h"

#include <QAbstractButton>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QStyle>
#include <QVBoxLayout>

namespace {

constexpr int kAnalyticsCategory = 0;
constexpr int kSignOutEvent = 20;

// Popover cards share one look; the overlay gives it to the views it hosts. Made on first use: the tick's
// image comes from the bundle.
const QString& cardStyle() {
    static const QString style =
        QStringLiteral(
            "#popoverCard { background: #1B2046; border-radius: 12px; }"
            "#popoverCard QLabel { color: white; }"
            "#popoverCard QLabel#titleLabel { font-size: 16px; font-weight: bold; }"
            "#popoverCard QLabel#descriptionLabel { color: #B4B9D6; }"
            "#popoverCard QLineEdit { color: white; background: #2A3060; border: 1px solid #3C4480; "
            "border-radius: "
            "6px; padding: 6px; }"
            "#popoverCard QCheckBox { color: %3; spacing: 8px; }"
            "#popoverCard QCheckBox::indicator { width: 14px; height: 14px; border: 1px solid %1;"
            " border-radius: 3px; background: transparent; }"
            "#popoverCard QCheckBox::indicator:checked { background: %2; border-color: %2; image: url(%4); }"
            "#popoverCard QPushButton { color: white; background: %5; border: none; border-radius: 6px;"
            " padding: 7px 16px; }"
            "#popoverCard QPushButton, #popoverCard QCheckBox { outline: none; }" // the focus ring marks it
            "#popoverCard QPushButton:hover { background: %6; }"
            "#popoverCard QPushButton:pressed { background: #2664CB; }"
            "#popoverCard QPushButton[secondary=\"true\"] { color: %3; background: transparent; "
            "padding: 7px 10px; }"
            "#popoverCard QPushButton[secondary=\"true\"]:hover { color: %1; background: transparent; }")
            .arg(toolkit::secondaryText.name(), toolkit::accent.name(), toolkit::cancelTitle.name(),
                 platform::Bundle::main().imagePath(QStringLiteral("checkboxTick")),
                 toolkit::buttonFill.name(), toolkit::buttonHover.name());
    return style;
}

void styleAsCard(QWidget* view, int width) {
    view->setObjectName(QStringLiteral("popoverCard"));
    view->setAttribute(Qt::WA_StyledBackground);
    view->setStyleSheet(cardStyle());
    view->setFixedWidth(width);
}

std::optional<QString> buttonTitle(QObject* sender) {
    if (auto* button = qobject_cast<QAbstractButton*>(sender)) {
        return button->text();
    }
    return std::nullopt;
}

} // namespace

void setSecondaryButtonLook(QAbstractButton* button) {
    button->setProperty("secondary", true);
    button->setCursor(Qt::PointingHandCursor);
    button->style()->unpolish(button);
    button->style()->polish(button);
}

// PopoverWarningView
// -----------------------------------------------------------------------------------------

QString PopoverWarningViewContent::title(PopoverWarningViewState state) {
    if (state == PopoverWarningViewState::quit) {
        return QStringLiteral("Quit ") +
               platform::Bundle::main().infoString(QStringLiteral("CFBundleName")).value_or(QString()) +
               QStringLiteral("?");
    }
    return QStringLiteral("Sign Out From Your Workspace?");
}

QString PopoverWarningViewContent::description(PopoverWarningViewState) {
    return QStringLiteral("Note that all traffic encryption will be disabled until you relaunch ") +
           GlobalConstants::productDisplayName() + QStringLiteral(".");
}

QString PopoverWarningViewContent::confirmButtonTitle(PopoverWarningViewState state) {
    return state == PopoverWarningViewState::quit ? QStringLiteral("Quit") : QStringLiteral("Sign Out");
}

QString PopoverWarningViewContent::confirmButtonImage(PopoverWarningViewState state) {
    return state == PopoverWarningViewState::quit ? QStringLiteral("popoverConfirmQuitButton")
                                                  : QStringLiteral("popoverConfirmSignOutButton");
}

double PopoverWarningViewContent::confirmButtonWidth(PopoverWarningViewState state) {
    return state == PopoverWarningViewState::quit ? 76.0 : 106.0;
}

PopoverWarningView::PopoverWarningView(QWidget* parent) : XibView(parent) {
    loadView();
    setupButtons();
}

QWidget* PopoverWarningView::loadViewFromNib() {
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(kCardContentMargins);
    layout->setSpacing(10);
    m_title = new QLabel;
    m_title->setObjectName(QStringLiteral("titleLabel"));
    m_title->setWordWrap(true);
    m_description = new QLabel;
    m_description->setObjectName(QStringLiteral("descriptionLabel"));
    m_description->setWordWrap(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"));
    m_confirm = new QPushButton;
    m_confirm->setFixedHeight(32);
    m_confirm->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_confirm);
    layout->addWidget(m_title);
    layout->addWidget(m_description);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    connect(m_confirm, &QPushButton::clicked, this, [this] { confirm(m_confirm); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { cancel(m_cancel); });
    return content;
}

void PopoverWarningView::setupButtons() {
    m_confirm->setStyleSheet(QStringLiteral("color: white; text-align: center;"));
    setSecondaryButtonLook(m_cancel);
}

void PopoverWarningView::configure(PopoverWarningViewState state) {
    m_title->setText(PopoverWarningViewContent::title(state));
    m_description->setText(PopoverWarningViewContent::description(state));
    m_confirm->setText(PopoverWarningViewContent::confirmButtonTitle(state));
    const QString image =
        platform::Bundle::main().imagePath(PopoverWarningViewContent::confirmButtonImage(state));
    m_confirm->setStyleSheet(QStringLiteral("QPushButton { color: white; text-align: center; border: none;"
                                            " border-image: url(%1); }")
                                 .arg(image));
    m_confirm->setFixedWidth(static_cast<int>(PopoverWarningViewContent::confirmButtonWidth(state)));
}

void PopoverWarningView::confirm(QObject* sender) {
    if (PopoverViewDelegate* delegate = m_delegate.get()) {
        delegate->popoverConfirmed(sender);
    }
}

void PopoverWarningView::cancel(QObject* sender) {
    if (PopoverViewDelegate* delegate = m_delegate.get()) {
        delegate->popoverCanceled(sender);
    }
}

// ModalViewController --------------------------------------------------------------------------------------

namespace {

std::map<ModalViewControllerType, ModalPopoverMaker>& popoverMakers() {
    static std::map<ModalViewControllerType, ModalPopoverMaker> makers;
    return makers;
}

} // namespace

void registerModalPopover(ModalViewControllerType type, ModalPopoverMaker make) {
    popoverMakers()[type] = std::move(make);
}

ModalViewController::ModalViewController(QObject* parent) : NSViewControllerBase(parent) {}

ModalViewController::~ModalViewController() = default;

ModalPopover* ModalViewController::popover(ModalViewControllerType type) const {
    const auto it = m_popovers.find(type);
    return it != m_popovers.end() && it->second.widget ? it->second.popover : nullptr;
}

QWidget* ModalViewController::loadView() {
    auto* background = new ClickableView;
    background->setBgColor(colorFromHexString(QStringLiteral("#070A1FB3")));
    m_bgView = background;
    auto* layout = new QGridLayout(background);
    m_warningView = new PopoverWarningView;
    styleAsCard(m_warningView, 340);
    layout->addWidget(m_warningView, 0, 0, Qt::AlignCenter);
    for (const auto& [type, make] : popoverMakers()) {
        ModalPopover* made = make ? make() : nullptr;
        if (!made || !made->popoverWidget()) {
            continue;
        }
        QWidget* widget = made->popoverWidget();
        styleAsCard(widget, 340);
        layout->addWidget(widget, 0, 0, Qt::AlignCenter);
        m_popovers[type] = {widget, made};
    }
    return background;
}

void ModalViewController::viewDidLoad() {
    NSViewControllerBase::viewDidLoad();
    m_bgView->setDelegate(this);
    m_warningView->hide();
    m_warningView->setDelegate(this);
    for (auto& [type, hosted] : m_popovers) {
        hosted.widget->hide();
        hosted.popover->setPopoverDelegate(this);
    }
}

void ModalViewController::viewWillAppear() {
    NSViewControllerBase::viewWillAppear();
    updateContent();
}

void ModalViewController::viewDidAppear() {
    NSViewControllerBase::viewDidAppear();
    if (ModalPopover* shown = currentPopover()) {
        shown->popoverDidAppear();
    }
}

void ModalViewController::updateContent() {
    view();
    m_warningView->hide();
    for (auto& [type, hosted] : m_popovers) {
        if (hosted.widget) {
            hosted.widget->hide();
        }
    }
    if (m_controllerType == ModalViewControllerType::warningSignOut) {
        m_warningView->configure(PopoverWarningViewState::logout);
        m_warningView->show();
        return;
    }
    // The quit types show the background alone.
    if (ModalPopover* shown = currentPopover()) {
        shown->popoverWidget()->show();
        shown->prepare();
    }
}

QWidget* ModalViewController::shownPopoverView() const {
    if (m_warningView && !m_warningView->isHidden()) {
        return m_warningView;
    }
    for (const auto& [type, hosted] : m_popovers) {
        if (hosted.widget && !hosted.widget->isHidden()) {
            return hosted.widget;
        }
    }
    return nullptr;
}

void ModalViewController::popoverConfirmed(QObject* sender) {
    switch (m_controllerType) {
    case ModalViewControllerType::warningSignOut:
    case ModalViewControllerType::codeConfirmationSignOut:
        vlog::info(QStringLiteral("Sign-out confirmed"));
        VeltrixXPC::sendAnalytics(AnalyticsEvent(kAnalyticsCategory, kSignOutEvent, std::nullopt,
                                                 AnalyticsTrigger::button(buttonTitle(sender)), std::nullopt,
                                                 std::nullopt));
        if (AppRouterProtocol* router = appRouter()) {
            router->performLogout();
        }
        break;
    default:
        if (ModalPopover* shown = currentPopover(); shown && !shown->confirmed(sender)) {
            return;
        }
        break;
    }
    closeOverlay();
}

void ModalViewController::popoverCanceled(QObject* sender) {
    switch (m_controllerType) {
    case ModalViewControllerType::warningSignOut:
    case ModalViewControllerType::codeConfirmationSignOut:
        // The sign-out window hosts these; it closes, and nothing is dismissed.
        if (AppRouterProtocol* router = appRouter()) {
            router->closeSignOutWindow();
        }
        return;
    default:
        if (ModalPopover* shown = currentPopover(); shown && !shown->canceled(sender)) {
            return;
        }
        closeOverlay();
        return;
    }
}

void ModalViewController::viewClicked() {
    if (ModalPopover* shown = currentPopover()) {
        shown->backgroundClicked();
    }
    closeOverlay();
}

void ModalViewController::closeOverlay() {
    dismiss();
}
