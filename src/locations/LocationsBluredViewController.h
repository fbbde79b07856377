#pragma once

#include "toolkit/NSViewControllerBase.h"

#include <QPointer>

class DisabledView;
class QAbstractButton;
class QLabel;

// Why the locations list is covered.
enum class LocationsBluredState { noLocations, shouldDisconnect, forceUpdateEnabled };

// The translucent overlay over a blurred locations list: one line of message and, when the user can do
// something about it, a go-back button.
class LocationsBluredViewController : public NSViewControllerBase {
    Q_OBJECT
public:
    explicit LocationsBluredViewController(QObject* parent = nullptr);

    LocationsBluredState bluredState() const { return m_state; }
    void setBluredState(LocationsBluredState state) { m_state = state; }

    // Fills the view from the state; runs as the overlay appears.
    void applyBluredState();
    // The go-back button's action: only the list's hover look is reset; the list removes the overlay.
    void goBack();

    static QString messageOf(LocationsBluredState state);

    QLabel* messageField() const { return m_messageField; }
    QAbstractButton* goBackButton() const { return m_goBackButton; }
    DisabledView* bgView() const { return m_bgView; }

protected:
    QWidget* loadView() override;
    void viewWillAppear() override;

private:
    LocationsBluredState m_state = LocationsBluredState::noLocations;
    QPointer<QLabel> m_messageField;
    QPointer<QAbstractButton> m_goBackButton;
    QPointer<DisabledView> m_bgView;
};
