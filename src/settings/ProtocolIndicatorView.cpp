#include "settings/ProtocolIndicatorView.h"

#include "settings/SettingsLook.h"
#include "toolkit/Colors.h"
#include "toolkit/NSViewLayerBacked.h"
#include "toolkit/TextAttributes.h"
#include "toolkit/TooltipPopover.h"

#include <QHBoxLayout>
#include <QPainter>

namespace {

constexpr int badgeHeight = 24;
constexpr int iconSize = 14;
constexpr int padding = 10;

const QString alwaysOnMessage = QStringLiteral("Cannot change this setting when Always-On VPN is enabled");

} // namespace

namespace protocolIndicator {

std::optional<QString> title(ProtocolIndicatorViewState state) {
    switch (state) {
    case ProtocolIndicatorViewState::selected:
        return QStringLiteral("Selected");
    case ProtocolIndicatorViewState::alwaysOn:
    case ProtocolIndicatorViewState::setByAdminAlwaysOn:
        return QStringLiteral("Always-On VPN");
    case ProtocolIndicatorViewState::disconnectToEdit:
        return QStringLiteral("Disconnect to Edit");
    case ProtocolIndicatorViewState::setByAdmin:
        return QStringLiteral("Set by Admin");
    case ProtocolIndicatorViewState::notSelected:
        break;
    }
    return std::nullopt;
}

std::optional<QString> iconName(ProtocolIndicatorViewState state) {
    switch (state) {
    case ProtocolIndicatorViewState::selected:
        return QStringLiteral("selectedProtocol");
    case ProtocolIndicatorViewState::alwaysOn:
        return QStringLiteral("alwaysOnProtocol");
    case ProtocolIndicatorViewState::disconnectToEdit:
        return QStringLiteral("predefinedProtocol");
    case ProtocolIndicatorViewState::setByAdmin:
    case ProtocolIndicatorViewState::setByAdminAlwaysOn:
        return QStringLiteral("lockIcon");
    case ProtocolIndicatorViewState::notSelected:
        break;
    }
    return std::nullopt;
}

std::optional<QString> tooltip(ProtocolIndicatorViewState state) {
    switch (state) {
    case ProtocolIndicatorViewState::alwaysOn:
    case ProtocolIndicatorViewState::setByAdminAlwaysOn:
        return alwaysOnMessage;
    case ProtocolIndicatorViewState::disconnectToEdit:
        return QStringLiteral("Disconnect from your network to edit this setting");
    case ProtocolIndicatorViewState::setByAdmin:
        return QStringLiteral("Cannot change settings that were set by admin");
    case ProtocolIndicatorViewState::selected:
    case ProtocolIndicatorViewState::notSelected:
        break;
    }
    return std::nullopt;
}

} // namespace protocolIndicator

ProtocolIndicatorView::ProtocolIndicatorView(QWidget* parent) : XibView(parent) {
    loadView();
    m_indicatorButton->hide();
    m_selectedStack->hide();
}

QWidget* ProtocolIndicatorView::loadViewFromNib() {
    auto* content = new QWidget;
    auto* layout = new QHBoxLayout(content);
    layout->setContentsMargins(0, 0, padding, 0); // room for the pill around the lock look
    layout->setSpacing(0);
    layout->addStretch();

    m_selectedStack = new QWidget;
    auto* stack = new QHBoxLayout(m_selectedStack);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(6);
    m_selectedIcon = new QLabel;
    m_selectedIcon->setFixedSize(iconSize + 2, iconSize + 2);
    m_selectedTitle = new QLabel;
    m_selectedTitle->setFont(toolkit::interFont(12, QFont::Medium));
    toolkit::setTextColor(m_selectedTitle, Qt::white);
    stack->addWidget(m_selectedIcon);
    stack->addWidget(m_selectedTitle);
    layout->addWidget(m_selectedStack, 0, Qt::AlignVCenter);

    m_indicatorButton = new TooltipHoverButton;
    m_indicatorButton->setFlat(true);
    m_indicatorButton->setFocusPolicy(Qt::TabFocus);
    m_indicatorButton->setFont(toolkit::interFont(12));
    m_indicatorButton->setIconSize(QSize(iconSize, iconSize));
    m_indicatorButton->setFixedHeight(badgeHeight);
    layout->addWidget(m_indicatorButton, 0, Qt::AlignVCenter);
    return content;
}

void ProtocolIndicatorView::configure(ProtocolIndicatorViewState state) {
    if (m_indicatorType == state) {
        return; // the look is that of the state alone; reloads ask again and again
    }
    m_indicatorType = state;
    m_indicatorButton->setPopoverMessage(protocolIndicator::tooltip(state).value_or(QString()));
    switch (state) {
    case ProtocolIndicatorViewState::selected:
        m_indicatorButton->hide();
        m_selectedTitle->setText(*protocolIndicator::title(state));
        m_selectedIcon->setPixmap(
            settingslook::icon(*protocolIndicator::iconName(state)).pixmap(iconSize + 2));
        m_selectedStack->show();
        break;
    case ProtocolIndicatorViewState::alwaysOn:
    case ProtocolIndicatorViewState::disconnectToEdit:
    case ProtocolIndicatorViewState::setByAdmin:
    case ProtocolIndicatorViewState::setByAdminAlwaysOn: {
        m_indicatorButton->setIcon(settingslook::icon(*protocolIndicator::iconName(state)));
        setTitle(m_indicatorButton, *protocolIndicator::title(state), Qt::white);
        applyTitleAttributes(m_indicatorButton, toolkit::badgeText, Qt::AlignRight);
        const int text = m_indicatorButton->fontMetrics().horizontalAdvance(m_indicatorButton->text());
        m_indicatorButton->setFixedWidth(iconSize + 6 + text + 2);
        m_selectedStack->hide();
        m_indicatorButton->show();
        break;
    }
    case ProtocolIndicatorViewState::notSelected:
        m_indicatorButton->hide();
        m_selectedStack->hide();
        break;
    }
    update();
}

QSize ProtocolIndicatorView::sizeHint() const {
    return QSize(160, badgeHeight);
}

void ProtocolIndicatorView::paintEvent(QPaintEvent* event) {
    XibView::paintEvent(event);
    if (!m_indicatorButton || m_indicatorButton->isHidden()) {
        return;
    }
    // The lock look sits on a faint pill.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect pill = m_indicatorButton->geometry()
                           .translated(view() ? view()->pos() : QPoint())
                           .adjusted(-padding, 0, padding, 0);
    fillRoundedRect(painter, pill, pill.height() / 2.0, toolkit::separator);
}
