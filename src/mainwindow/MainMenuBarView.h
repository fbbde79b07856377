#pragma once

#include "mainwindow/MainMenuBarTab.h"
#include "toolkit/HoverableTableView.h"
#include "toolkit/TooltipPopover.h"
#include "toolkit/WeakDelegate.h"
#include "toolkit/XibView.h"

#include <QLabel>
#include <QPointer>

#include <optional>

class MainTopButtonsViewDelegate {
public:
    virtual ~MainTopButtonsViewDelegate() = default;
    virtual void homeTapped() = 0;
    virtual void networksTapped() = 0;
    virtual void supportTapped() = 0;
};

class MainBottomButtonsViewDelegate {
public:
    virtual ~MainBottomButtonsViewDelegate() = default;
    virtual void settingsTapped() = 0;
    virtual void logoutTapped() = 0;
};

class MainMenuBarViewDelegate : public MainBottomButtonsViewDelegate, public MainTopButtonsViewDelegate {};

// One row of the top bar: icon and title over the hover fill.
class MainMenuTopCellView : public HoverableCellView {
    Q_OBJECT
public:
    static inline const QString identifier = QStringLiteral("MainMenuTopCellViewItem");

    explicit MainMenuTopCellView(QWidget* parent = nullptr);

    QLabel* iconImageView() const { return m_icon; }
    QLabel* titleLabel() const { return m_title; }

    void configure(MainTopTab tab, bool isSelected);

private:
    QPointer<QLabel> m_icon;
    QPointer<QLabel> m_title;
};

// The top bar: a table of the top tabs, the selected one filled, the hovered one tinted.
class MainTopButtonsView : public XibView, public TableViewDataSource {
    Q_OBJECT
public:
    static constexpr int rowHeight = 40;
    static constexpr double rowCornerRadius = 4.0;

    explicit MainTopButtonsView(QWidget* parent = nullptr);

    QColor hoverColor() const { return m_hoverColor; }
    void setHoverColor(const QColor& color) { m_hoverColor = color; }
    QColor selectedColor() const { return m_selectedColor; }
    void setSelectedColor(const QColor& color) { m_selectedColor = color; }

    HoverableTableView* topMenuTableView() const { return m_table; }
    MainTopButtonsViewDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(MainTopButtonsViewDelegate* delegate) { m_delegate = delegate; }

    // Nothing: no top tab is selected.
    std::optional<MainTopTab> selectedButton() const { return m_selectedButton; }
    virtual void select(std::optional<MainTopTab> tab);

    // TableViewDataSource
    int numberOfRows(TableView& table) override;
    QWidget* viewForRow(TableView& table, int row) override;
    int heightOfRow(TableView& table, int row) override;
    TableRowView* rowViewForRow(TableView& table, int row) override;
    bool shouldSelectRow(TableView& table, int row) override;

protected:
    QWidget* loadViewFromNib() override;

private:
    QColor m_hoverColor;
    QColor m_selectedColor;
    QPointer<HoverableTableView> m_table;
    WeakDelegate<MainTopButtonsViewDelegate> m_delegate;
    std::optional<MainTopTab> m_selectedButton = MainTopTab::home;
};

// The settings and sign-out icon buttons, side by side.
class MainBottomHButtonsView : public XibView {
    Q_OBJECT
public:
    explicit MainBottomHButtonsView(QWidget* parent = nullptr);

    ImageSelectableTooltipButton* settingsButton() const { return m_settingsButton; }
    TooltipHoverBgButton* logoutButton() const { return m_logoutButton; }
    std::optional<MainBottomTab> selectedButton() const { return m_selectedButton; }
    MainBottomButtonsViewDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(MainBottomButtonsViewDelegate* delegate) { m_delegate = delegate; }

    virtual void select(std::optional<MainBottomTab> tab);
    virtual void settingButtonTap();
    virtual void logoutButtonTap();

protected:
    QWidget* loadViewFromNib() override;

private:
    QPointer<ImageSelectableTooltipButton> m_settingsButton;
    QPointer<TooltipHoverBgButton> m_logoutButton;
    std::optional<MainBottomTab> m_selectedButton;
    WeakDelegate<MainBottomButtonsViewDelegate> m_delegate;
};

// The main window's left bar: the top bar and the bottom buttons. It keeps the two bars' selections apart
// and passes clicks up to its delegate, the window's content controller.
class MainMenuBarView : public XibView,
                        public MainTopButtonsViewDelegate,
                        public MainBottomButtonsViewDelegate {
    Q_OBJECT
public:
    static constexpr int barWidth = 200;

    explicit MainMenuBarView(QWidget* parent = nullptr);

    MainTopButtonsView* topButtonsView() const { return m_topButtonsView; }
    MainBottomHButtonsView* bottomHButtonsView() const { return m_bottomHButtonsView; }
    QLabel* swPoweredByVTXField() const { return m_poweredBy; }
    MainMenuBarViewDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(MainMenuBarViewDelegate* delegate) { m_delegate = delegate; }

    virtual void selectTopTab(MainTopTab tab);
    virtual void selectBottomTab(MainBottomTab tab);

    void homeTapped() override;
    void networksTapped() override;
    void supportTapped() override;
    void settingsTapped() override;
    void logoutTapped() override;

protected:
    QWidget* loadViewFromNib() override;

private:
    QPointer<MainTopButtonsView> m_topButtonsView;
    QPointer<MainBottomHButtonsView> m_bottomHButtonsView;
    QPointer<QLabel> m_poweredBy;
    WeakDelegate<MainMenuBarViewDelegate> m_delegate;
};
