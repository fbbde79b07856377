#include "mainwindow/MainMenuBarView.h"

#include "platform/Bundle.h"
#include "toolkit/Colors.h"
#include "toolkit/TextAttributes.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

constexpr int iconSize = 20;

MainTopTab tabAtRow(int row) {
    return allMainTopTabs.at(static_cast<size_t>(row));
}

} // namespace

QString titleOf(MainTopTab tab) {
    switch (tab) {
    case MainTopTab::home:
        return QStringLiteral("Home");
    case MainTopTab::networks:
        return QStringLiteral("Networks");
    case MainTopTab::support:
        return QStringLiteral("Support");
    }
    return {};
}

QString selectedIconOf(MainTopTab tab) {
    switch (tab) {
    case MainTopTab::home:
        return QStringLiteral("homeMenuBarItemSelected");
    case MainTopTab::networks:
        return QStringLiteral("networksMenuBarItemSelected");
    case MainTopTab::support:
        return QStringLiteral("supportMenuBarItemSelected");
    }
    return {};
}

QString iconOf(MainTopTab tab) {
    return selectedIconOf(tab);
}

QColor selectedTextColorOf(MainTopTab) {
    return Qt::white;
}

QColor textColorOf(MainTopTab) {
    return Qt::white;
}

// MainMenuTopCellView ---------------------------------------------------------------------------------------

MainMenuTopCellView::MainMenuTopCellView(QWidget* parent) : HoverableCellView(parent) {
    setObjectName(identifier);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 0, 12, 0);
    layout->setSpacing(12);
    m_icon = new QLabel;
    m_icon->setFixedSize(iconSize, iconSize);
    m_title = new QLabel;
    m_title->setTextFormat(Qt::PlainText);
    m_title->setFont(toolkit::interFont(14, QFont::Medium));
    layout->addWidget(m_icon);
    layout->addWidget(m_title, 1);
}

void MainMenuTopCellView::configure(MainTopTab tab, bool isSelected) {
    m_title->setText(titleOf(tab));
    const QString icon = isSelected ? selectedIconOf(tab) : iconOf(tab);
    m_icon->setPixmap(platform::Bundle::main().image(icon).pixmap(iconSize, iconSize));
    toolkit::setTextColor(m_title, isSelected ? selectedTextColorOf(tab) : textColorOf(tab));
}

// MainTopButtonsView ----------------------------------------------------------------------------------------

MainTopButtonsView::MainTopButtonsView(QWidget* parent)
    : XibView(parent), m_hoverColor(colorFromHexString(QStringLiteral("#2664CB40"))),
      m_selectedColor(colorFromHexString(QStringLiteral("#2664CB"))) {
    loadView();
}

QWidget* MainTopButtonsView::loadViewFromNib() {
    m_table = new HoverableTableView;
    m_table->setFrameShape(QFrame::NoFrame);
    m_table->setIntercellSpacing(QSize(0, 4));
    m_table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->viewport()->setAutoFillBackground(false);
    m_table->setFixedHeight(static_cast<int>(allMainTopTabs.size()) * (rowHeight + 4));
    m_table->setSelectionFollowsFocus(true);
    m_table->setAccessibleName(QStringLiteral("Sections"));
    m_table->setDataSource(this);
    m_table->reloadData();
    return m_table;
}

void MainTopButtonsView::select(std::optional<MainTopTab> tab) {
    m_selectedButton = tab;
    m_table->deselectAll();
    m_table->reloadData();
}

int MainTopButtonsView::numberOfRows(TableView&) {
    return static_cast<int>(allMainTopTabs.size());
}

QWidget* MainTopButtonsView::viewForRow(TableView& table, int row) {
    auto* cell = qobject_cast<MainMenuTopCellView*>(table.makeView(MainMenuTopCellView::identifier));
    if (!cell) {
        cell = new MainMenuTopCellView;
    }
    cell->setHighlight(false);
    cell->setCornerRadius(rowCornerRadius);
    cell->setHoverColor(m_hoverColor);
    const MainTopTab tab = tabAtRow(row);
    const bool isSelected = m_selectedButton == tab;
    if (TableRowView* rowView = table.rowViewAtRow(row)) {
        rowView->setSelected(isSelected);
    }
    cell->configure(tab, isSelected);
    return cell;
}

int MainTopButtonsView::heightOfRow(TableView&, int) {
    return rowHeight;
}

TableRowView* MainTopButtonsView::rowViewForRow(TableView& table, int) {
    auto* rowView = new SelectableTableRowView;
    rowView->setSelectedColor(m_selectedColor);
    rowView->setTableViewIntercellSpacing(table.intercellSpacing());
    rowView->setCornerRadius(rowCornerRadius);
    return rowView;
}

bool MainTopButtonsView::shouldSelectRow(TableView&, int row) {
    const MainTopTab tab = tabAtRow(row);
    select(tab);
    if (MainTopButtonsViewDelegate* delegate = m_delegate.get()) {
        switch (tab) {
        case MainTopTab::home:
            delegate->homeTapped();
            break;
        case MainTopTab::networks:
            delegate->networksTapped();
            break;
        case MainTopTab::support:
            delegate->supportTapped();
            break;
        }
    }
    return true;
}

// MainBottomHButtonsView ------------------------------------------------------------------------------------

MainBottomHButtonsView::MainBottomHButtonsView(QWidget* parent) : XibView(parent) {
    loadView();
    m_logoutButton->setPopoverMessage(QStringLiteral("Sign Out"), 80.0);
    m_settingsButton->setPopoverMessage(QStringLiteral("Settings"), 80.0);
    // Icons only: screen readers say what the tooltips say.
    m_logoutButton->setAccessibleName(QStringLiteral("Sign Out"));
    m_settingsButton->setAccessibleName(QStringLiteral("Settings"));
}

QWidget* MainBottomHButtonsView::loadViewFromNib() {
    auto* content = new QWidget;
    auto* layout = new QHBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    const QColor fill = colorFromHexString(QStringLiteral("#2664CB40"));
    const auto& bundle = platform::Bundle::main();

    m_settingsButton = new ImageSelectableTooltipButton;
    m_settingsButton->setDefaultImage(bundle.image(QStringLiteral("mainMenuSettingsButton")));
    m_settingsButton->setSelectedImage(bundle.image(QStringLiteral("mainMenuSettingsButtonSelected")));
    m_settingsButton->setIcon(m_settingsButton->defaultImage());
    m_settingsButton->setHoverColor(fill);
    connect(m_settingsButton, &QAbstractButton::clicked, this, [this] { settingButtonTap(); });

    m_logoutButton = new TooltipHoverBgButton;
    m_logoutButton->setIcon(bundle.image(QStringLiteral("mainMenuSignOutButton")));
    m_logoutButton->setHoverColor(fill);
    connect(m_logoutButton, &QAbstractButton::clicked, this, [this] { logoutButtonTap(); });

    for (HoverableBgButton* button : {static_cast<HoverableBgButton*>(m_settingsButton),
                                      static_cast<HoverableBgButton*>(m_logoutButton)}) {
        button->setFlat(true);
        button->setFocusPolicy(Qt::TabFocus);
        button->setFixedSize(36, 36);
        button->setIconSize(QSize(iconSize, iconSize));
        button->setCornerRadius(MainTopButtonsView::rowCornerRadius);
        layout->addWidget(button);
    }
    layout->addStretch();
    return content;
}

void MainBottomHButtonsView::select(std::optional<MainBottomTab> tab) {
    m_selectedButton = tab;
    const bool settingsSelected = tab == MainBottomTab::settings;
    if (!settingsSelected) {
        m_settingsButton->setHighlight(false);
    }
    m_settingsButton->setSelected(settingsSelected);
}

void MainBottomHButtonsView::settingButtonTap() {
    select(MainBottomTab::settings);
    if (MainBottomButtonsViewDelegate* delegate = m_delegate.get()) {
        delegate->settingsTapped();
    }
}

void MainBottomHButtonsView::logoutButtonTap() {
    if (MainBottomButtonsViewDelegate* delegate = m_delegate.get()) {
        delegate->logoutTapped();
    }
}

// MainMenuBarView -------------------------------------------------------------------------------------------

MainMenuBarView::MainMenuBarView(QWidget* parent) : XibView(parent) {
    loadView();
    m_topButtonsView->setDelegate(this);
    m_bottomHButtonsView->setDelegate(this);
    m_poweredBy->setHidden(true);
}

QWidget* MainMenuBarView::loadViewFromNib() {
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(16, 24, 16, 16);
    layout->setSpacing(0);
    m_topButtonsView = new MainTopButtonsView;
    m_bottomHButtonsView = new MainBottomHButtonsView;
    m_poweredBy = new QLabel;
    m_topButtonsView->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    layout->addWidget(m_topButtonsView);
    layout->addStretch();
    layout->addWidget(m_bottomHButtonsView);
    layout->addWidget(m_poweredBy);
    setFixedWidth(barWidth);
    return content;
}

void MainMenuBarView::selectTopTab(MainTopTab tab) {
    m_bottomHButtonsView->select(std::nullopt);
    m_topButtonsView->select(tab);
}

void MainMenuBarView::selectBottomTab(MainBottomTab tab) {
    m_topButtonsView->select(std::nullopt);
    m_bottomHButtonsView->select(tab);
}

void MainMenuBarView::homeTapped() {
    if (MainMenuBarViewDelegate* delegate = m_delegate.get()) {
        delegate->homeTapped();
    }
    m_bottomHButtonsView->select(std::nullopt);
}

void MainMenuBarView::networksTapped() {
    if (MainMenuBarViewDelegate* delegate = m_delegate.get()) {
        delegate->networksTapped();
    }
    m_bottomHButtonsView->select(std::nullopt);
}

void MainMenuBarView::supportTapped() {
    if (MainMenuBarViewDelegate* delegate = m_delegate.get()) {
        delegate->supportTapped();
    }
    m_bottomHButtonsView->select(std::nullopt);
}

void MainMenuBarView::settingsTapped() {
    if (MainMenuBarViewDelegate* delegate = m_delegate.get()) {
        delegate->settingsTapped();
    }
    m_topButtonsView->select(std::nullopt);
}

void MainMenuBarView::logoutTapped() {
    if (MainMenuBarViewDelegate* delegate = m_delegate.get()) {
        delegate->logoutTapped();
    }
}
