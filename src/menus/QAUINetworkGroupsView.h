#pragma once

#include "menus/QAUIStack.h"

#include <QPointer>

// The two network groups of the logged-in page.
enum class QAUINetworkGroupsViewItem { sharedNetworks, privateNetworks };

namespace qauiGroups {
QString title(QAUINetworkGroupsViewItem item);
QString iconName(QAUINetworkGroupsViewItem item);
// From the SDK's model: none without one; Private Networks, then Shared Networks when there are any.
QList<QAUINetworkGroupsViewItem> items();
} // namespace qauiGroups

class QAUINetworkGroupsViewDelegate {
public:
    virtual ~QAUINetworkGroupsViewDelegate() = default;
    // `sender` is the chosen row's view.
    virtual void networkGroupSelected(QAUINetworkGroupsViewItem item, QWidget* sender) = 0;
};

class QAUINetworkGroupsViewCell : public QAUIIconTitleCell {
    Q_OBJECT
public:
    explicit QAUINetworkGroupsViewCell(QWidget* parent = nullptr);
    void configure(QAUINetworkGroupsViewItem item);
};

// Rows that open the child window listing a group's networks.
class QAUINetworkGroupsView : public QAUIStackMemberView,
                              public QAUIStackMemberDelegate,
                              public QAUIList<QAUINetworkGroupsViewDelegate> {
    Q_OBJECT
public:
    explicit QAUINetworkGroupsView(QWidget* parent = nullptr);

    void reload();
    void deselectAndReload();
    double height() const override;

    int numberOfRows(TableView& table) override;
    QWidget* viewForRow(TableView& table, int row) override;
    TableRowView* rowViewForRow(TableView& table, int row) override;
    bool shouldSelectRow(TableView& table, int row) override;

protected:
    QWidget* loadViewFromNib() override;
};
