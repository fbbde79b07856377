#include "menus/QAUILoggedInViewController.h"

#include "core/AppRouterProtocol.h"
#include "menus/QAUILoggedOutViewController.h"
#include "toolkit/Colors.h"

#include <QScopedValueRollback>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr int shownNetworkGap = 12;
constexpr int collapsedNetworkGap = 1;

// A thin line above the services.
QWidget* makeSeparator() {
    auto* box = new QWidget;
    box->setFixedHeight(25);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(8, 12, 8, 12);
    auto* line = new NSViewLayerBacked;
    line->setFixedHeight(1);
    line->setBgColor(colorFromHexString(QStringLiteral("#FFFFFF1A")));
    layout->addWidget(line);
    return box;
}

} // namespace

QAUILoggedInViewController::QAUILoggedInViewController(QObject* parent) : NSViewControllerBase(parent) {}

QWidget* QAUILoggedInViewController::loadView() {
    auto* view = new QWidget;
    view->setFixedWidth(qaui::windowWidth);
    auto* layout = new QVBoxLayout(view);
    // Header 44 + top 8 + network gap 12 + separator 25 + services 108 + bottom 16 stay within the fixed
    // 229; the services sit at the bottom and the rest of the fixed room is shared above and below the
    // separator, so that no wide gap opens under the last group.
    layout->setContentsMargins(qaui::sideMargin, 8, qaui::sideMargin, 16);
    layout->setSpacing(0);
    QWidget* header = makeQAUIHeader([this] { maximize(); });
    header->setFixedHeight(44);
    m_statusView = new QAUIStatusView;
    m_networkGap = new QWidget;
    m_networkGap->setFixedHeight(collapsedNetworkGap);
    m_networkView = new QAUINetworkView;
    m_quickAccessView = new QAUIQuickAccessView;
    m_groupsView = new QAUINetworkGroupsView;
    m_serviceView = new QAUIServiceView;
    layout->addWidget(header);
    layout->addWidget(m_statusView);
    layout->addWidget(m_networkGap);
    layout->addWidget(m_networkView);
    layout->addWidget(m_quickAccessView);
    layout->addWidget(m_groupsView);
    layout->addStretch(1);
    layout->addWidget(makeSeparator());
    layout->addStretch(1);
    layout->addWidget(m_serviceView);
    return view;
}

void QAUILoggedInViewController::viewDidLoad() {
    m_quickAccessView->setDelegate(this);
    m_networkView->setDelegate(this);
    m_serviceView->setDelegate(this);
    m_groupsView->setDelegate(this);
    m_statusView->setSizeChangeDelegate(this);
    m_networkView->setSizeChangeDelegate(this);
    m_quickAccessView->setSizeChangeDelegate(this);
    m_groupsView->setSizeChangeDelegate(this);
}

void QAUILoggedInViewController::viewWillAppear() {
    // The window maps right after this: it shows at its final layout, nothing slides into place then.
    const QScopedValueRollback appearing(m_appearing, true);
    refreshStatusView();
    refreshNetworkView();
    m_groupsView->reload();
    updateWindowHeight(false);
}

void QAUILoggedInViewController::refreshStatusView() {
    view();
    m_statusView->reload();
}

void QAUILoggedInViewController::refreshNetworkView() {
    view();
    m_networkView->reload();
}

int QAUILoggedInViewController::preferredWindowHeight() const {
    const double h = m_statusView->height() + m_networkView->height() + m_quickAccessView->height() +
                     m_groupsView->height() + fixedHeight;
    return static_cast<int>(std::lround(h));
}

void QAUILoggedInViewController::updateWindowHeight(bool animated) {
    QWidget* page = view();
    QWidget* window = page->window();
    if (window == page) {
        return;
    }
    resizeMenuWindow(window, preferredWindowHeight(), animated);
}

void QAUILoggedInViewController::maximize() {
    if (AppRouterProtocol* router = appRouter()) {
        router->enterForegroundMode();
    }
}

void QAUILoggedInViewController::updateGroupedLocations() {
    view();
    m_quickAccessView->reload();
}

void QAUILoggedInViewController::updateLocationLists() {
    view();
    m_groupsView->reload();
}

void QAUILoggedInViewController::setConnectedState() {
    view();
    m_networkView->connectionStateChanged();
}

void QAUILoggedInViewController::setConnectingState() {
    setConnectedState();
}

void QAUILoggedInViewController::setDisconnectedState() {
    view();
    m_networkView->connectionStateChanged();
    m_quickAccessView->reload();
}

void QAUILoggedInViewController::updateIPAddress(const PDPublicIPInfoPtr& info) {
    view();
    m_networkView->updateIPAddress(info);
}

void QAUILoggedInViewController::updateTimeConnected(const QString& timeConnected) {
    view();
    m_networkView->updateTimeConnected(timeConnected);
}

void QAUILoggedInViewController::updateNetworkGroups() {
    view();
    m_groupsView->deselectAndReload();
}

void QAUILoggedInViewController::didSelectNetwork(const PDNetworkItemPtr& network) {
    if (m_delegate) {
        m_delegate->didSelectLocation(network);
    }
}

void QAUILoggedInViewController::serviceItemSelected(QAUIServiceViewItem item) {
    if (!m_delegate) {
        return;
    }
    switch (item) {
    case QAUIServiceViewItem::support:
        m_delegate->openSupport(this);
        break;
    case QAUIServiceViewItem::settings:
        m_delegate->openSettings(this);
        break;
    case QAUIServiceViewItem::signOut:
        m_delegate->signOut(this);
        break;
    }
}

void QAUILoggedInViewController::networkGroupSelected(QAUINetworkGroupsViewItem item, QWidget* sender) {
    if (m_routingDelegate) {
        m_routingDelegate->networkGroupSelected(item, sender);
    }
}

void QAUILoggedInViewController::heightWasChanged(QAUIStackMemberView* member, double newHeight,
                                                  bool animated) {
    if (member->heightConstant() == newHeight) {
        return;
    }
    if (member == m_networkView) {
        const int gap = m_networkGap->height();
        if (newHeight <= 1.0 && gap > 1) {
            m_networkGap->setFixedHeight(collapsedNetworkGap);
        } else if (newHeight > 1.0 && gap <= 1) {
            m_networkGap->setFixedHeight(shownNetworkGap);
        }
    }
    // Only a window on screen animates; a hidden or appearing one takes its heights at once.
    const bool onScreen = !m_appearing && view()->window()->isVisible();
    member->setHeightConstant(newHeight, animated && onScreen);
    updateWindowHeight(animated && onScreen);
}
