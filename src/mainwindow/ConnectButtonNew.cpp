#include "mainwindow/ConnectButtonNew.h"

#include "core/ApplicationModel.h"
#include "core/LocalizedStrings.h"
#include "core/ServiceLayer.h"
#include "platform/Bundle.h"
#include "sdk/VeltrixXPC.h"
#include "toolkit/Colors.h"
#include "toolkit/TextAttributes.h"

#include <QPainter>

namespace {

QIcon bundleImage(const char* name) {
    return platform::Bundle::main().image(QString::fromLatin1(name));
}

} // namespace

ConnectButtonNew::ConnectButtonNew(QWidget* parent)
    : HoverableButton(parent), m_connectDefaultBgImage(bundleImage("connectDefaultButton")),
      m_connectHoverBgImage(bundleImage("connectHoverButton")),
      m_disconnectDefaultBgImage(m_connectDefaultBgImage), m_disconnectHoverBgImage(m_connectHoverBgImage),
      m_disconnectDisabledBgImage(bundleImage("disconnectDisabledButton")),
      m_connectingDefaultBgImage(bundleImage("connectingDefaultButton")) {
    setCell(std::make_unique<ButtonWithTextAndImageOffsetCell>());
    setFlat(true);
    setFont(toolkit::interFont(16, QFont::DemiBold));
    // A button made in code is awake at once: the forced-update look shows without waiting for a state.
    setState(ConnectButtonStates::connect);
}

ConnectButtonNew::~ConnectButtonNew() = default;

ButtonWithTextAndImageOffsetCell& ConnectButtonNew::offsetCell() const {
    return static_cast<ButtonWithTextAndImageOffsetCell&>(cell());
}

void ConnectButtonNew::setState(ConnectButtonStates state) {
    if (VeltrixXPC::isForcedUpdateAvailable()) {
        setUpdateState();
        return;
    }
    m_currentState = state;
    switch (state) {
    case ConnectButtonStates::connect:
        setConnectState();
        break;
    case ConnectButtonStates::connecting:
        setConnectingState();
        break;
    case ConnectButtonStates::disconnect:
        setDisconnectState();
        break;
    case ConnectButtonStates::update:
        setUpdateState();
        break;
    case ConnectButtonStates::disconnectDisabled:
        setDisconnectDisabledState();
        break;
    }
}

void ConnectButtonNew::setConnectState() {
    setTitle(this, L10n::connect_button_status_connect_label(), Qt::white);
    setIcon(m_connectDefaultBgImage);
    offsetCell().setButtonLabelOffsetX(0);
}

void ConnectButtonNew::setConnectingState() {
    setTitle(this,
             ServiceLayer::appModel().autoReconnectInProgress()
                 ? L10n::connect_button_status_reconnecting_label()
                 : L10n::connect_button_status_connecting_label(),
             Qt::white);
    setIcon(VeltrixXPC::enableAlwaysON() ? m_connectDefaultBgImage : m_connectingDefaultBgImage);
    offsetCell().setButtonLabelOffsetX(0);
}

void ConnectButtonNew::setDisconnectState() {
    setTitle(this, L10n::connect_button_status_disconnect_label(), Qt::white);
    setIcon(m_disconnectDefaultBgImage);
    offsetCell().setButtonLabelOffsetX(0);
}

void ConnectButtonNew::setDisconnectDisabledState() {
    setTitle(this, L10n::connect_button_status_disconnect_disabled_label(),
             colorFromHexString(QStringLiteral("#FFFFFF80")));
    setIcon(m_disconnectDisabledBgImage);
    offsetCell().setButtonLabelOffsetX(0);
}

void ConnectButtonNew::setUpdateState() {
    setTitle(this, QStringLiteral("UPGRADE to ") + ServiceLayer::appModel().offeredAppVersion(), Qt::white);
    setIcon(m_connectDefaultBgImage);
}

void ConnectButtonNew::setHighlight(bool highlight) {
    HoverableButton::setHighlight(highlight);
    update();
    updateCursorRect();
}

void ConnectButtonNew::updateCursorRect() {
    HoverableButton::updateCursorRect();
    switch (m_currentState) {
    case ConnectButtonStates::connect:
        setIcon(highlight() ? m_connectHoverBgImage : m_connectDefaultBgImage);
        break;
    case ConnectButtonStates::disconnect:
        setIcon(highlight() ? m_disconnectHoverBgImage : m_disconnectDefaultBgImage);
        break;
    default:
        break;
    }
}

void ConnectButtonNew::paintEvent(QPaintEvent*) {
    // The image is the button's whole background; the title sits over it.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    if (!icon().isNull()) {
        icon().paint(&painter, rect(), Qt::AlignCenter, QIcon::Normal);
    }
    if (!text().isEmpty()) {
        cell().drawTitle(painter, text(), bounds, *this);
    }
}
