#include "menus/QAUIServiceView.h"

#include "platform/Bundle.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {
const QString cellIdentifier = QStringLiteral("QAUIServiceItemViewCell");
} // namespace

QString qauiServices::title(QAUIServiceViewItem item) {
    switch (item) {
    case QAUIServiceViewItem::support:
        return QStringLiteral("Support");
    case QAUIServiceViewItem::settings:
        return QStringLiteral("Settings");
    case QAUIServiceViewItem::signOut:
        return QStringLiteral("Sign Out");
    }
    return {};
}

QString qauiServices::iconName(QAUIServiceViewItem item) {
    switch (item) {
    case QAUIServiceViewItem::support:
        return QStringLiteral("qauiSupportIcon");
    case QAUIServiceViewItem::settings:
        return QStringLiteral("qauiSettingsIcon");
    case QAUIServiceViewItem::signOut:
        return QStringLiteral("qauiSignOutIcon");
    }
    return {};
}

const QList<QAUIServiceViewItem>& qauiServices::items() {
    static const QList<QAUIServiceViewItem> list{QAUIServiceViewItem::support, QAUIServiceViewItem::settings,
                                                 QAUIServiceViewItem::signOut};
    return list;
}

void QAUIServiceItemViewCell::configure(QAUIServiceViewItem item) {
    iconView()->setImage(platform::Bundle::main().image(qauiServices::iconName(item)));
    titleField()->setText(qauiServices::title(item));
}

QAUIServiceView::QAUIServiceView(QWidget* parent) : QAUIStackMemberView(parent) {
    loadView();
    setHeightConstant(height(), false);
}

QWidget* QAUIServiceView::loadViewFromNib() {
    auto* view = new QWidget;
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 6, 0, 0);
    m_table = new HoverableTableView;
    qaui::styleTable(*m_table);
    m_table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setDataSource(this);
    layout->addWidget(m_table);
    m_table->reloadData();
    return view;
}

int QAUIServiceView::numberOfRows(TableView&) {
    return static_cast<int>(qauiServices::items().size());
}

QWidget* QAUIServiceView::viewForRow(TableView& table, int row) {
    if (row < 0 || row >= qauiServices::items().size()) {
        return nullptr;
    }
    auto* cell = qaui::dequeueCell<QAUIServiceItemViewCell>(table, cellIdentifier);
    cell->configure(qauiServices::items().at(row));
    return cell;
}

int QAUIServiceView::heightOfRow(TableView&, int) {
    return qaui::rowHeight;
}

TableRowView* QAUIServiceView::rowViewForRow(TableView& table, int) {
    return qaui::makeRowView(table, qaui::rowSelectionColor());
}

bool QAUIServiceView::shouldSelectRow(TableView&, int row) {
    if (row >= 0 && row < qauiServices::items().size() && m_delegate) {
        m_delegate->serviceItemSelected(qauiServices::items().at(row));
    }
    return false;
}
