#pragma once

#include "core/Preferences.h"
#include "settings/ProtocolIndicatorView.h"
#include "settings/SettingsContainerController.h"
#include "toolkit/HoverableButton.h"
#include "toolkit/HoverableTableView.h"
#include "toolkit/WeakDelegate.h"

#include <QLabel>
#include <QPointer>

#include <optional>

class SettingsProtocolViewCellDelegate {
public:
    virtual ~SettingsProtocolViewCellDelegate() = default;
    virtual void protocolSelected(VPNProtocols protocol) = 0;
};

// One protocol: title, description and badge; under the pointer a row that can be chosen shows Select. A
// click on the row or on Select chooses it.
class SettingsProtocolViewCell : public HoverableCellView {
    Q_OBJECT
public:
    explicit SettingsProtocolViewCell(QWidget* parent = nullptr);

    QLabel* protocolTitleField() const { return m_title; }
    QLabel* protocolDescriptionField() const { return m_description; }
    ProtocolIndicatorView* indicatorView() const { return m_indicator; }
    NSButtonWithHandCursor* selectButton() const { return m_selectButton; }
    QLabel* selectField() const { return m_selectField; }
    std::optional<VPNProtocols> protocolType() const { return m_protocolType; }
    std::optional<ProtocolIndicatorViewState> indicatorViewType() const { return m_indicatorType; }
    void setDelegate(SettingsProtocolViewCellDelegate* delegate) { m_delegate = delegate; }

    void configure(VPNProtocols protocol, ProtocolIndicatorViewState state);
    void setHighlight(bool highlight) override;
    void selectTap();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void updateSelectControls();

    QPointer<QLabel> m_title;
    QPointer<QLabel> m_description;
    QPointer<ProtocolIndicatorView> m_indicator;
    QPointer<NSButtonWithHandCursor> m_selectButton;
    QPointer<QLabel> m_selectField;
    WeakDelegate<SettingsProtocolViewCellDelegate> m_delegate;
    std::optional<VPNProtocols> m_protocolType;
    std::optional<ProtocolIndicatorViewState> m_indicatorType;
    bool m_pressed = false;
};

// The Protocols page: the offered protocols, the chosen one marked. Choosing is refused while Always-On VPN
// is on or the tunnel is up; the badges say which.
class SettingsProtocolController : public SettingsContainerSubController,
                                   public TableViewDataSource,
                                   public SettingsProtocolViewCellDelegate {
    Q_OBJECT
public:
    explicit SettingsProtocolController(QObject* parent = nullptr);

    QColor selectedCellColor;

    HoverableTableView* protocolsTableView() const { return m_table; }
    SettingsProtocolViewCell* cellFor(VPNProtocols protocol) const;

    // The stored choice, when it is one of the offered protocols' raw values.
    static std::optional<VPNProtocols> storedProtocol();
    // The badge a row shows now.
    static ProtocolIndicatorViewState indicatorState(VPNProtocols protocol);
    // Chooses the protocol unless Always-On VPN or a connection forbids it; answers whether it did.
    bool selectIfAllowed(VPNProtocols protocol);
    void selectProtocol(VPNProtocols protocol);

    int numberOfRows(TableView& table) override;
    QWidget* viewForRow(TableView& table, int row) override;
    int heightOfRow(TableView& table, int row) override;
    TableRowView* rowViewForRow(TableView& table, int row) override;
    // Selecting by the table (focus, a programmatic selection) chooses nothing.
    bool shouldSelectRow(TableView& table, int row) override;
    bool activateRow(TableView& table, int row) override;
    void protocolSelected(VPNProtocols protocol) override;

    void reloadSettingsPage() override;

    static constexpr double trackingAreasDelay = 0.5;

protected:
    QWidget* loadView() override;
    void reloadTable() override;
    void viewWillAppear() override;

private:
    void fillCell(TableView& table, int row, SettingsProtocolViewCell* cell);

    QPointer<HoverableTableView> m_table;
};
