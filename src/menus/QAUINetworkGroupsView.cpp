#include "menus/QAUINetworkGroupsView.h"

#include "platform/Bundle.h"
#include "sdk/VeltrixXPC.h"
#include "toolkit/Colors.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {
const QString cellIdentifier = QStringLiteral("QAUINetworkGroupsViewCell");
} // namespace

QString qauiGroups::title(QAUINetworkGroupsViewItem item) {
    return item == QAUINetworkGroupsViewItem::sharedNetworks ? QStringLiteral("Shared Networks")
                                                             : QStringLiteral("Private Networks");
}

QString qauiGroups::iconName(QAUINetworkGroupsViewItem item) {
    return item == QAUINetworkGroupsViewItem::sharedNetworks ? QStringLiteral("qauiSharedNetworksIcon")
                                                             : QStringLiteral("qauiPrivateNetworksIcon");
}

QList<QAUINetworkGroupsViewItem> qauiGroups::items() {
    const PDNetworksModelPtr networks = VeltrixXPC::networks();
    if (!networks) {
        return {};
    }
    if (networks->sharedNetworks().isEmpty()) {
        return {QAUINetworkGroupsViewItem::privateNetworks};
    }
    return {QAUINetworkGroupsViewItem::privateNetworks, QAUINetworkGroupsViewItem::sharedNetworks};
}

QAUINetworkGroupsViewCell::QAUINetworkGroupsViewCell(QWidget* parent)
    : QAUIIconTitleCell(false, QFont::Normal, 20, parent) {
    auto* chevron = new NSImageViewLayerBacked;
    chevron->setFixedSize(12, 12);
    chevron->setImage(platform::Bundle::main().image(QStringLiteral("qauiChevronRight")));
    rowLayout()->addWidget(chevron);
}

void QAUINetworkGroupsViewCell::configure(QAUINetworkGroupsViewItem item) {
    titleField()->setText(qauiGroups::title(item));
    iconView()->setImage(platform::Bundle::main().image(qauiGroups::iconName(item)));
}

QAUINetworkGroupsView::QAUINetworkGroupsView(QWidget* parent) : QAUIStackMemberView(parent) {
    loadView();
}

QWidget* QAUINetworkGroupsView::loadViewFromNib() {
    auto* view = new QWidget;
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 0);
    HoverableTableView* groups = makeTableView();
    groups->setAccessibleName(QStringLiteral("Networks"));
    layout->addWidget(groups);
    return view;
}

double QAUINetworkGroupsView::height() const {
    return 34.0 * static_cast<double>(qauiGroups::items().size());
}

void QAUINetworkGroupsView::reload() {
    qaui::reloadSoon(tableView());
    reportHeight(height(), false);
}

void QAUINetworkGroupsView::deselectAndReload() {
    tableView()->deselectAll();
    // The child window marks its group's row; that mark goes too.
    for (int row = 0; row < tableView()->numberOfRows(); ++row) {
        if (TableRowView* rowView = tableView()->rowViewAtRow(row)) {
            rowView->setSelected(false);
        }
    }
    reload();
}

int QAUINetworkGroupsView::numberOfRows(TableView&) {
    return static_cast<int>(qauiGroups::items().size());
}

QWidget* QAUINetworkGroupsView::viewForRow(TableView& table, int row) {
    const QList<QAUINetworkGroupsViewItem> items = qauiGroups::items();
    if (row < 0 || row >= items.size()) {
        return nullptr;
    }
    auto* cell = qaui::dequeueCell<QAUINetworkGroupsViewCell>(table, cellIdentifier);
    cell->configure(items.at(row));
    return cell;
}

TableRowView* QAUINetworkGroupsView::rowViewForRow(TableView& table, int) {
    return qaui::makeRowView(table, colorFromHexString(QStringLiteral("#266FE2")));
}

bool QAUINetworkGroupsView::shouldSelectRow(TableView& table, int row) {
    const QList<QAUINetworkGroupsViewItem> items = qauiGroups::items();
    if (row < 0 || row >= items.size()) {
        return false;
    }
    if (TableRowView* rowView = table.rowViewAtRow(row); rowView && delegate()) {
        delegate()->networkGroupSelected(items.at(row), rowView);
    }
    return false;
}
