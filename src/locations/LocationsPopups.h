#pragma once

#include "toolkit/TooltipPopover.h"

#include <QLabel>
#include <QPointer>

#include <memory>

// Which explanation a location popup shows.
enum class LocationPopupState { automatic, splitTunnel, alwaysOn };

// The content of the rows' information popovers: a title above a description, in a light look.
class LocationsPopupController : public PopoverController {
    Q_OBJECT
public:
    static constexpr int kWidth = 240;

    explicit LocationsPopupController(QObject* parent = nullptr);

    LocationPopupState popupState() const { return m_popupState; }
    void setPopupState(LocationPopupState state) { m_popupState = state; }

    // Fills both fields from the state; runs as the popover appears.
    void showPopupTexts();

    QLabel* popupTitleField() const { return m_titleField; }
    QLabel* popupDescriptionField() const { return m_descriptionField; }

    static QString titleOf(LocationPopupState state);
    static QString descriptionOf(LocationPopupState state);
    // The popover's size for the state's texts at kWidth.
    static QSize contentSize(LocationPopupState state);

    // Shows a new transient popover below `anchor` in `holder`, closing the one the window showed last.
    static void present(std::unique_ptr<Popover>& holder, LocationPopupState state, QWidget* anchor);

protected:
    QWidget* loadView() override;
    void viewWillAppear() override;

private:
    LocationPopupState m_popupState = LocationPopupState::automatic;
    QPointer<QLabel> m_titleField;
    QPointer<QLabel> m_descriptionField;
};
