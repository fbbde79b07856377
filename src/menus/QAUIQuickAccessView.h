#pragma once

#include "menus/QAUIStack.h"
#include "toolkit/NetworkCells.h"

#include <QPointer>

class QAUIQuickAccessViewDelegate {
public:
    virtual ~QAUIQuickAccessViewDelegate() = default;
    virtual void didSelectNetwork(const PDNetworkItemPtr& network) = 0;
};

// One last-used network; its connect button shows while hovered.
class QAUIQuickAccessNetworkItemViewCell : public QAUIIconTitleCell {
    Q_OBJECT
public:
    explicit QAUIQuickAccessNetworkItemViewCell(QWidget* parent = nullptr);

    NetworkCellViewDelegate* delegate() const { return m_delegate; }
    void setDelegate(NetworkCellViewDelegate* delegate) { m_delegate = delegate; }
    PDNetworkItemPtr network() const { return m_network; }

    void configure(const PDNetworkItemPtr& network);
    void connectButtonTap();
    void hover() override;
    void unhover() override;

    NSImageViewLayerBacked* networkIconView() const { return iconView(); }
    ElidedLabel* networkTitleField() const { return titleField(); }
    CapsuleButton* connectButton() const { return m_button; }

private:
    NetworkCellViewDelegate* m_delegate = nullptr;
    PDNetworkItemPtr m_network;
    CapsuleButton* m_button;
};

// The last-used networks, newest first, without the one in use; one click connects.
class QAUIQuickAccessView : public QAUIStackMemberView,
                            public QAUIStackMemberDelegate,
                            public NetworkCellViewDelegate,
                            public QAUIList<QAUIQuickAccessViewDelegate> {
    Q_OBJECT
public:
    explicit QAUIQuickAccessView(QWidget* parent = nullptr);

    void reload();
    double height() const override;
    static double sectionHeight(qsizetype rows);

    QList<PDNetworkItemPtr> lastUsedLocations() const { return m_lastUsed; }
    PDNetworkItemPtr processingNetwork() const { return m_processing; }

    void networkSelected(const PDNetworkItemPtr& network) override;

    int numberOfRows(TableView& table) override;
    QWidget* viewForRow(TableView& table, int row) override;
    bool shouldSelectRow(TableView& table, int row) override;

protected:
    QWidget* loadViewFromNib() override;

private:
    void rebuild();
    void reloadTableKeepingSelection();

    QList<PDNetworkItemPtr> m_lastUsed;
    PDNetworkItemPtr m_processing;
    bool m_reselecting = false;
};
