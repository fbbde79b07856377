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
    HoverableTableView* table = makeTableView();
    table->setAccessibleName(QStringLiteral("Services"));
    layout->addWidget(table);
    table->reloadData();
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

bool QAUIServiceView::shouldSelectRow(TableView&, int row) {
    if (row >= 0 && row < qauiServices::items().size() && delegate()) {
        delegate()->serviceItemSelected(qauiServices::items().at(row));
    }
    return false;
}
