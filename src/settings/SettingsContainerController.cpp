#include "settings/SettingsContainerController.h"

#include "core/ApplicationModel.h"
#include "core/Log.h"
#include "core/ServiceLayer.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"
#include "settings/SettingsLook.h"
#include "toolkit/Accessibility.h"
#include "toolkit/PresentationAnimators.h"
#include "toolkit/TextAttributes.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

namespace {

// The bar's place on the page; the pages are shown below it.
constexpr int barTop = 28;
constexpr int barHeight = 40;
constexpr int pageTop = barTop + barHeight + 24;

} // namespace

namespace settingsMenu {

QString title(SettingsMenuTab tab) {
    switch (tab) {
    case SettingsMenuTab::general:
        return QStringLiteral("General");
    case SettingsMenuTab::network:
        return QStringLiteral("Network");
    case SettingsMenuTab::protocols:
        return QStringLiteral("Protocols");
    }
    return {};
}

const QList<SettingsMenuTab>& allTabs() {
    static const QList<SettingsMenuTab> tabs{SettingsMenuTab::general, SettingsMenuTab::network,
                                             SettingsMenuTab::protocols};
    return tabs;
}

} // namespace settingsMenu

// SettingsTabView ------------------------------------------------------------------------------------------

SettingsTabView::SettingsTabView(QWidget* parent)
    : XibView(parent), underlineViewColor(settingslook::tabUnderline),
      unselectedColor(toolkit::secondaryText) {
    loadView();
    m_underlineView->setBgColor(underlineViewColor);
}

QWidget* SettingsTabView::loadViewFromNib() {
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_titleButton = new QPushButton;
    toolkit::markAsPageTab(m_titleButton, false); // before anything asks what it is
    m_titleButton->setFlat(true);
    m_titleButton->setFocusPolicy(Qt::TabFocus);
    m_titleButton->setCursor(Qt::PointingHandCursor);
    m_titleButton->setFont(toolkit::interFont(15, QFont::Medium));
    m_titleButton->setFixedHeight(barHeight - 2);
    m_underlineView = new NSViewLayerBacked;
    m_underlineView->setFixedHeight(2);
    m_underlineView->setCornerRadius(1);
    layout->addWidget(m_titleButton);
    layout->addWidget(m_underlineView);
    connect(m_titleButton, &QPushButton::clicked, this, [this] { notifyTabTapped(); });
    return content;
}

void SettingsTabView::setup(SettingsMenuTab tab, bool isSelected) {
    m_tabType = tab;
    setTitle(m_titleButton, settingsMenu::title(tab), isSelected ? selectedColor : unselectedColor);
    m_titleButton->setFixedWidth(m_titleButton->fontMetrics().horizontalAdvance(m_titleButton->text()) + 8);
    m_underlineView->setVisible(isSelected);
    toolkit::markAsPageTab(m_titleButton, isSelected);
}

void SettingsTabView::notifyTabTapped() {
    if (m_tabType && m_delegate) {
        m_delegate->tabTapped(*m_tabType);
    }
}

// SettingsMenuView -----------------------------------------------------------------------------------------

SettingsMenuView::SettingsMenuView(QWidget* parent) : XibView(parent) {
    loadView();
    for (SettingsTabView* tab : {m_general.data(), m_network.data(), m_protocols.data()}) {
        tab->setDelegate(this);
        tab->titleButton()->installEventFilter(this);
    }
    selectInitialTab();
}

bool SettingsMenuView::eventFilter(QObject* watched, QEvent* event) {
    // As in a tab bar, the arrows go to the tab beside and show it.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const bool forward = key == Qt::Key_Right || key == Qt::Key_Down;
        const bool back = key == Qt::Key_Left || key == Qt::Key_Up;
        const QList<QAbstractButton*> tabs{m_general->titleButton(), m_network->titleButton(),
                                           m_protocols->titleButton()};
        const qsizetype at = tabs.indexOf(qobject_cast<QAbstractButton*>(watched));
        if ((forward || back) && at >= 0) {
            QAbstractButton* next = tabs.at((at + (forward ? 1 : tabs.size() - 1)) % tabs.size());
            next->setFocus(Qt::TabFocusReason);
            next->click();
            return true;
        }
    }
    return XibView::eventFilter(watched, event);
}

QWidget* SettingsMenuView::loadViewFromNib() {
    auto* content = new QWidget;
    auto* layout = new QHBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(28);
    m_general = new SettingsTabView;
    m_network = new SettingsTabView;
    m_protocols = new SettingsTabView;
    layout->addWidget(m_general);
    layout->addWidget(m_network);
    layout->addWidget(m_protocols);
    layout->addStretch();
    return content;
}

void SettingsMenuView::selectInitialTab() {
    m_general->setup(SettingsMenuTab::general, true);
    m_network->setup(SettingsMenuTab::network, false);
    m_protocols->setup(SettingsMenuTab::protocols, false);
}

void SettingsMenuView::tabTapped(SettingsMenuTab tab) {
    m_general->setup(SettingsMenuTab::general, tab == SettingsMenuTab::general);
    m_network->setup(SettingsMenuTab::network, tab == SettingsMenuTab::network);
    m_protocols->setup(SettingsMenuTab::protocols, tab == SettingsMenuTab::protocols);
    if (m_delegate) {
        m_delegate->tabTapped(tab);
    }
}

// SettingsContainerSubController ---------------------------------------------------------------------------

PDSettings SettingsContainerSubController::unappliedSettings() const {
    return ServiceLayer::appModel().unappliedSettings();
}

void SettingsContainerSubController::refreshServiceState() {
    ServiceLayer::appModel().setStartMinimized(false);
}

void SettingsContainerSubController::reloadSettingsPage() {
    platform::DispatchQueue::main().async([self = QPointer<SettingsContainerSubController>(this)] {
        if (self) {
            self->reloadTable();
        }
    });
}

void SettingsContainerSubController::updateSettings() {
    vlog::debug(QStringLiteral("DEBUG: - Updating settings now...."));
    reloadSettingsPage();
}

QWidget* SettingsContainerSubController::makeTableView(TableView* table, int rowSpacing) {
    auto* view = new QWidget;
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 0);
    settingslook::styleTable(*table, rowSpacing);
    if (auto* source = dynamic_cast<TableViewDataSource*>(this)) {
        table->setDataSource(source);
    }
    layout->addWidget(table);
    return view;
}

void SettingsContainerSubController::refreshRows(TableView& table, bool sameRows,
                                                 const std::function<void(int row, QWidget* cell)>& fill) {
    const auto [first, last] = table.rowsInView();
    bool filled = sameRows && first <= last;
    for (int row = first; filled && row <= last; ++row) {
        QWidget* cell = table.viewAtRow(row);
        filled = cell != nullptr;
        if (filled) {
            fill(row, cell);
        }
    }
    if (!filled) {
        table.reloadData();
    }
}

void SettingsContainerSubController::viewWillAppear() {
    NSViewControllerBase::viewWillAppear();
    reloadTable();
    m_settingsObserver = platform::NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("settingsUpdated"), nullptr,
        [this](const platform::Notification&) { updateSettings(); });
}

void SettingsContainerSubController::viewWillDisappear() {
    NSViewControllerBase::viewWillDisappear();
    m_settingsObserver.reset();
}

// SettingsContainerController ------------------------------------------------------------------------------

SettingsContainerController::SettingsContainerController(QObject* parent) : GeneralSubController(parent) {}

void SettingsContainerController::setPages(SettingsContainerSubController* general,
                                           SettingsContainerSubController* network,
                                           SettingsContainerSubController* protocols) {
    m_pages[SettingsMenuTab::general] = general;
    m_pages[SettingsMenuTab::network] = network;
    m_pages[SettingsMenuTab::protocols] = protocols;
}

SettingsContainerSubController* SettingsContainerController::page(SettingsMenuTab tab) const {
    const auto it = m_pages.find(tab);
    return it == m_pages.end() ? nullptr : it->second.data();
}

QWidget* SettingsContainerController::loadView() {
    auto* view = new QWidget;
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(settingslook::pageMargin, barTop, settingslook::pageMargin, 0);
    layout->setSpacing(0);
    m_menuView = new SettingsMenuView;
    m_menuView->setFixedHeight(barHeight);
    layout->addWidget(m_menuView);
    layout->addWidget(settingslook::makeSeparator());
    layout->addStretch();
    return view;
}

void SettingsContainerController::viewDidLoad() {
    GeneralSubController::viewDidLoad();
    m_menuView->setDelegate(this);
}

void SettingsContainerController::viewDidAppear() {
    GeneralSubController::viewDidAppear();
    if (!m_tabType) {
        embedSettingsSubSubController(SettingsMenuTab::general);
    }
}

void SettingsContainerController::refreshEmbeddedPage() {
    if (m_embedded) {
        m_embedded->reloadSettingsPage();
    }
}

void SettingsContainerController::embedSettingsSubSubController(SettingsMenuTab tab) {
    m_tabType = tab;
    vlog::debug(QStringLiteral("embedSettingsSubSubController"));
    SettingsContainerSubController* controller = page(tab);
    if (!controller || controller == m_embedded) {
        return;
    }
    removeEmbeddedControllers();
    view();
    const double margin = settingslook::pageMargin;
    presentViewController(
        controller, std::make_shared<TransitionAnimator>(double(pageTop), 0.0, margin, margin, 0.0, 0.0));
    addChildViewController(controller);
    m_embedded = controller;
}

void SettingsContainerController::removeEmbeddedControllers() {
    for (platform::ViewController* child : childViewControllers()) {
        if (qobject_cast<SettingsContainerSubController*>(child) &&
            child->presentingViewController() == this) {
            dismissViewController(child);
        }
    }
    for (platform::ViewController* child : childViewControllers()) {
        child->removeFromParentViewController();
    }
}

void SettingsContainerController::tabTapped(SettingsMenuTab tab) {
    embedSettingsSubSubController(tab);
}
