#pragma once

#include "menus/QAUIStack.h"

#include <QPointer>

enum class QAUIServiceViewItem { support, settings, signOut };

namespace qauiServices {
QString title(QAUIServiceViewItem item);
QString iconName(QAUIServiceViewItem item);
const QList<QAUIServiceViewItem>& items();
} // namespace qauiServices

class ServiceViewDelegate {
public:
    virtual ~ServiceViewDelegate() = default;
    virtual void serviceItemSelected(QAUIServiceViewItem item) = 0;
};

class QAUIServiceItemViewCell : public QAUIIconTitleCell {
    Q_OBJECT
public:
    explicit QAUIServiceItemViewCell(QWidget* parent = nullptr)
        : QAUIIconTitleCell(false, QFont::Normal, 18, parent) {}
    void configure(QAUIServiceViewItem item);
    NSImageViewLayerBacked* serviceItemIconView() const { return iconView(); }
    ElidedLabel* serviceItemTitleField() const { return titleField(); }
};

// Support, Settings and Sign Out, always in that order.
class QAUIServiceView : public QAUIStackMemberView,
                        public QAUIStackMemberDelegate,
                        public QAUIList<ServiceViewDelegate> {
    Q_OBJECT
public:
    explicit QAUIServiceView(QWidget* parent = nullptr);

    double height() const override { return 108.0; }

    int numberOfRows(TableView& table) override;
    QWidget* viewForRow(TableView& table, int row) override;
    bool shouldSelectRow(TableView& table, int row) override;

protected:
    QWidget* loadViewFromNib() override;
};
