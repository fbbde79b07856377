#pragma once

#include "menus/QAUIStack.h"
#include "sdk/PDTypes.h"
#include "toolkit/HoverableButton.h"

#include <QLabel>
#include <QPointer>

// The rows of the status options list.
enum class QAUIStatusViewItem { dpc, alwaysOn, splitTunneling, dnsFiltering, secureWebGateway };

namespace qauiStatus {
QString title(QAUIStatusViewItem item);
bool isOn(QAUIStatusViewItem item);
// A trusted wired network turns Always-On off while the workspace has it on.
bool twnDisablesAlwaysON();
// The rows shown: two while the list is collapsed, all five otherwise.
QList<QAUIStatusViewItem> shownItems();
} // namespace qauiStatus

// A coloured dot with "On" or "Off".
class QAUIStatusOptionIndicator : public XibView {
    Q_OBJECT
public:
    explicit QAUIStatusOptionIndicator(QWidget* parent = nullptr);

    QColor onColor;
    QColor offColor;

    void update(bool isOn);
    NSViewLayerBacked* dotIndicatorView() const { return m_dot; }
    QLabel* optionStatusField() const { return m_status; }

protected:
    QWidget* loadViewFromNib() override;

private:
    QPointer<NSViewLayerBacked> m_dot;
    QPointer<QLabel> m_status;
};

// The device posture badge.
class QAUIStatusDPCIndicator : public XibView {
    Q_OBJECT
public:
    explicit QAUIStatusDPCIndicator(QWidget* parent = nullptr);

    // A state outside the three known keeps the previous look.
    void update(PD_DevicePostureCheckState state);
    NSViewLayerBacked* bgView() const { return m_bg; }
    QLabel* titleField() const { return m_title; }

protected:
    QWidget* loadViewFromNib() override;

private:
    QPointer<NSViewLayerBacked> m_bg;
    QPointer<QLabel> m_title;
};

class QAUIStatusOptionViewCell : public QWidget {
    Q_OBJECT
public:
    explicit QAUIStatusOptionViewCell(QWidget* parent = nullptr);

    void configure(QAUIStatusViewItem item);
    ElidedLabel* optionTitleField() const { return m_title; }
    QAUIStatusDPCIndicator* dpcIndicator() const { return m_dpc; }
    QAUIStatusOptionIndicator* optionIndicator() const { return m_option; }

private:
    ElidedLabel* m_title;
    QAUIStatusDPCIndicator* m_dpc;
    QAUIStatusOptionIndicator* m_option;
};

// The protection features and whether each is on; collapsed to two rows or expanded to five.
class QAUIStatusView : public QAUIStackMemberView,
                       public QAUIStackMemberDelegate,
                       public TableViewDataSource {
    Q_OBJECT
public:
    static constexpr double rowHeight = 24.0;

    explicit QAUIStatusView(QWidget* parent = nullptr);

    void reload();
    double height() const override;
    void hideStatusViewButtonTap();

    bool isVisible() const { return m_isVisible; }
    void setIsVisible(bool visible) { m_isVisible = visible; }

    HoverableTableView* optionsTableView() const { return m_table; }
    NSButtonWithHandCursor* hideStatusViewButton() const { return m_arrow; }
    // The arrow's image name now.
    QString arrowImageName() const { return m_arrowImage; }

    int numberOfRows(TableView& table) override;
    QWidget* viewForRow(TableView& table, int row) override;
    int heightOfRow(TableView& table, int row) override;
    bool shouldSelectRow(TableView& table, int row) override;

protected:
    QWidget* loadViewFromNib() override;

private:
    QPointer<HoverableTableView> m_table;
    QPointer<NSButtonWithHandCursor> m_arrow;
    QString m_arrowImage;
    bool m_isVisible = true;
};
