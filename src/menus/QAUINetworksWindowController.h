#pragma once

#include "core/MenuControllerProtocol.h"
#include "menus/QAUINetworkGroupsView.h"
#include "menus/QAUIStack.h"
#include "platform/WindowController.h"
#include "toolkit/NSViewControllerBase.h"

#include <QLabel>
#include <QPointer>

#include <optional>

class QAUISubNetworkViewCell : public QAUIIconTitleCell {
    Q_OBJECT
public:
    explicit QAUISubNetworkViewCell(QWidget* parent = nullptr)
        : QAUIIconTitleCell(true, QFont::Light, 20, parent) {}
    void configure(const PDNetworkItemPtr& network);
    NSImageViewLayerBacked* networkIconView() const { return iconView(); }
    ElidedLabel* networkTitleField() const { return titleField(); }
};

// The child window's list of one group's networks.
class QAUINetworksSubViewController : public NSViewControllerBase, public QAUIList<MenuControllerDelegate> {
    Q_OBJECT
public:
    static constexpr double maximumHeight = 314.0;

    explicit QAUINetworksSubViewController(QObject* parent = nullptr);

    MenuControllerDataSource* dataSource() const { return m_dataSource; }
    void setDataSource(MenuControllerDataSource* dataSource) { m_dataSource = dataSource; }

    QAUINetworkGroupsViewItem networkItemType() const { return m_type; }
    // Shows the group's networks, then takes the window's height.
    void setNetworkItemType(QAUINetworkGroupsViewItem type);
    void reload();

    QList<PDNetworkItemPtr> networks() const;
    static double heightFor(qsizetype networks);

    std::function<void()> onNetworkChosen;

    int numberOfRows(TableView& table) override;
    QWidget* viewForRow(TableView& table, int row) override;
    bool shouldSelectRow(TableView& table, int row) override;

protected:
    QWidget* loadView() override;

private:
    MenuControllerDataSource* m_dataSource = nullptr;
    QAUINetworkGroupsViewItem m_type = QAUINetworkGroupsViewItem::privateNetworks;
    QList<PDNetworkItemPtr> m_networks;
    QPointer<QLabel> m_title;
};

// The small window beside the quick-access window that lists one network group.
class QAUINetworksWindowController : public platform::WindowController {
    Q_OBJECT
public:
    explicit QAUINetworksWindowController(QObject* parent = nullptr);
    ~QAUINetworksWindowController() override;

    MenuControllerDataSource* dataSource() const { return m_content->dataSource(); }
    void setDataSource(MenuControllerDataSource* dataSource) { m_content->setDataSource(dataSource); }
    MenuControllerDelegate* delegate() const { return m_content->delegate(); }
    void setDelegate(MenuControllerDelegate* delegate) { m_content->setDelegate(delegate); }

    QWidget* parentView() const { return m_parentView; }
    // The opening group row shows selected while it is the parent view.
    void setParentView(QWidget* view);
    std::optional<QAUINetworkGroupsViewItem> networkItemType() const { return m_type; }
    void setNetworkItemType(QAUINetworkGroupsViewItem type);

    QAUINetworksSubViewController* content() const { return m_content; }
    // Esc in the child window.
    std::function<void()> onCancel;

protected:
    QWidget* loadWindow() override;
    void windowWillClose() override;

private:
    QPointer<QWidget> m_parentView;
    std::optional<QAUINetworkGroupsViewItem> m_type;
    QAUINetworksSubViewController* m_content;
};
