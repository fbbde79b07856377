#pragma once

#include "toolkit/HoverableButton.h"

#include <QIcon>

class ButtonWithTextAndImageOffsetCell;

// The looks of the home tab's connect button.
enum class ConnectButtonStates {
    connect,           // not connected; a click connects
    connecting,        // connecting or reconnecting
    disconnect,        // connected; a click disconnects
    update,            // a forced update must be installed first
    disconnectDisabled // connected under Always-On; disconnecting is not offered
};

// The home tab's connect button. It only draws the state it is told; a pending forced update overrides
// every requested look with the upgrade look. The connect and disconnect looks follow the pointer with
// their background image. Its clicks go wherever its owner connects them.
class ConnectButtonNew : public HoverableButton {
    Q_OBJECT
public:
    explicit ConnectButtonNew(QWidget* parent = nullptr);
    ~ConnectButtonNew() override;

    ConnectButtonStates currentState() const { return m_currentState; }
    void setCurrentState(ConnectButtonStates state) { m_currentState = state; }
    // Shows `state`, or the upgrade look while a forced update is pending (the state is then dropped).
    void setState(ConnectButtonStates state);

    void setHighlight(bool highlight) override;
    void updateCursorRect() override;

    ButtonWithTextAndImageOffsetCell& offsetCell() const;

    // The background images, loaded once.
    const QIcon& connectDefaultBgImage() const { return m_connectDefaultBgImage; }
    const QIcon& connectHoverBgImage() const { return m_connectHoverBgImage; }
    const QIcon& disconnectDefaultBgImage() const { return m_disconnectDefaultBgImage; }
    const QIcon& disconnectHoverBgImage() const { return m_disconnectHoverBgImage; }
    const QIcon& disconnectDisabledBgImage() const { return m_disconnectDisabledBgImage; }
    const QIcon& connectingDefaultBgImage() const { return m_connectingDefaultBgImage; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setConnectState();
    void setConnectingState();
    void setDisconnectState();
    void setDisconnectDisabledState();
    void setUpdateState();

    const QIcon m_connectDefaultBgImage;
    const QIcon m_connectHoverBgImage;
    const QIcon m_disconnectDefaultBgImage;
    const QIcon m_disconnectHoverBgImage;
    const QIcon m_disconnectDisabledBgImage;
    const QIcon m_connectingDefaultBgImage;
    ConnectButtonStates m_currentState = ConnectButtonStates::connect;
};
