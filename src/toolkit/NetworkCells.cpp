#include "toolkit/NetworkCells.h"

#include "platform/Bundle.h"
#include "sdk/VeltrixXPC.h"
#include "toolkit/Colors.h"
#include "toolkit/FlagImageCache.h"
#include "toolkit/HoverableButton.h"
#include "toolkit/TextAttributes.h"

#include <QHBoxLayout>

namespace {

// The Connect / Disconnect button: always filled, lit or not.
class StatusButton : public HoverableBgButton {
public:
    using HoverableBgButton::HoverableBgButton;

protected:
    bool showsFill() const override { return true; }
};

bool isSameId(const PDNetworkItemPtr& current, const PDNetworkItemPtr& network, bool bothAbsentCount) {
    if (!current || !network) {
        return false;
    }
    if (!current->id() || !network->id()) {
        return bothAbsentCount && !current->id() && !network->id();
    }
    return *current->id() == *network->id();
}

bool isConnectionUnderWay(SDVPNConnectionState state) {
    return state == SDVPNConnectionState::connecting || state == SDVPNConnectionState::reconnecting;
}

TooltipHoverButton* indicator(const QString& image, PopoverState state) {
    auto* button = new TooltipHoverButton;
    button->setFlat(true);
    button->setIcon(platform::Bundle::main().image(image));
    button->setIconSize(QSize(16, 16));
    button->setFixedSize(20, 20);
    button->setPopoverState(state);
    return button;
}

} // namespace

QColor colorOf(NetworkCellStatusViewState state) {
    switch (state) {
    case NetworkCellStatusViewState::connected:
        return colorFromHexString(QStringLiteral("#3ACC73"));
    case NetworkCellStatusViewState::connecting:
        return colorFromHexString(QStringLiteral("#FFFFFF"));
    case NetworkCellStatusViewState::connectAvailable:
    case NetworkCellStatusViewState::disconnectAvailable:
        return colorFromHexString(QStringLiteral("#FFFFFF33"));
    }
    return {};
}

// NetworkCellStatusView -------------------------------------------------------------------------------------

NetworkCellStatusView::NetworkCellStatusView(QWidget* parent) : XibView(parent) {
    loadView();
    applyTitleAttributes(m_button, Qt::white);
}

QWidget* NetworkCellStatusView::loadViewFromNib() {
    auto* content = new QWidget;
    auto* layout = new QHBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addStretch();

    m_stack = new QWidget;
    auto* stack = new QHBoxLayout(m_stack);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(6);
    m_icon = new QLabel;
    m_icon->setPixmap(
        platform::Bundle::main().image(QStringLiteral("networkCellConnectedIcon")).pixmap(16, 16));
    m_icon->setFixedSize(16, 16);
    m_text = new QLabel;
    m_text->setTextFormat(Qt::PlainText);
    m_text->setFont(toolkit::interFont(12, QFont::Medium));
    stack->addWidget(m_icon);
    stack->addWidget(m_text);
    layout->addWidget(m_stack);

    m_button = new StatusButton;
    m_button->setFlat(true);
    m_button->setFocusPolicy(Qt::TabFocus);
    m_button->setFont(toolkit::interFont(12, QFont::Medium));
    m_button->setFixedSize(92, 28);
    m_button->setCornerRadius(4.0);
    connect(m_button, &QAbstractButton::clicked, this, [this] { notifyDelegate(); });
    layout->addWidget(m_button);
    return content;
}

void NetworkCellStatusView::update(NetworkCellStatusViewState state) {
    m_state = state;
    m_stack->hide();
    m_button->hide();
    m_text->setText(titleOf(state));
    toolkit::setTextColor(m_text, colorOf(state));
    switch (state) {
    case NetworkCellStatusViewState::connectAvailable:
    case NetworkCellStatusViewState::disconnectAvailable:
        m_icon->hide();
        m_stack->hide();
        setTitle(m_button, titleOf(state), Qt::white);
        m_button->setHoverColor(colorOf(state));
        m_button->show();
        break;
    case NetworkCellStatusViewState::connecting:
        m_icon->hide();
        m_stack->show();
        m_button->hide();
        break;
    case NetworkCellStatusViewState::connected:
        m_icon->show();
        m_stack->show();
        m_button->hide();
        break;
    }
}

void NetworkCellStatusView::notifyDelegate() {
    if (m_delegate) {
        m_delegate->networkSelected(nullptr);
    }
}

// NetworkCellView -------------------------------------------------------------------------------------------

NetworkCellView::NetworkCellView(QWidget* parent)
    : HoverableCellView(parent), m_textColor(toolkit::secondaryText) {
    setObjectName(identifier);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 0, 12, 0);
    layout->setSpacing(8);
    m_flag = new NSImageViewLayerBacked;
    m_flag->setFixedSize(flagSize, flagSize);
    m_flag->roundCorners();
    m_flag->setMasksToBounds(true);
    m_title = new ElidedLabel(toolkit::interFont(14, QFont::Light), m_textColor);
    m_splitTunneling = indicator(QStringLiteral("splitTunnelingIndicator"), PopoverState::splitTunneling);
    m_dnsFiltering = indicator(QStringLiteral("dnsFilteringIndicator"), PopoverState::dnsFiltering);
    m_privateDNS = indicator(QStringLiteral("privateDNSIndicator"), PopoverState::privateDNS);
    m_status = new NetworkCellStatusView;
    m_status->setFixedWidth(120);
    // The indicators keep their place whether or not the status line shows.
    QSizePolicy keepPlace = m_status->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    m_status->setSizePolicy(keepPlace);
    m_status->setDelegate(this);
    layout->addWidget(m_flag);
    layout->addSpacing(4);
    layout->addWidget(m_title, 1);
    layout->addWidget(m_splitTunneling);
    layout->addWidget(m_dnsFiltering);
    layout->addWidget(m_privateDNS);
    layout->addWidget(m_status);
    setCornerRadius(5.0);
}

void NetworkCellView::showFlag(const PDNetworkItemPtr& network) {
    const PDCacheableImagePtr& image = network->image();
    const QString key = FlagImageCache::keyOf(image);
    const qreal ratio = std::max<qreal>(1.0, devicePixelRatioF());
    const QSize size(qRound(flagSize * ratio), qRound(flagSize * ratio));
    m_flagKey = key;
    if (const auto cached = FlagImageCache::shared().cached(key, size)) {
        m_flag->setImage(QIcon(QPixmap::fromImage(*cached)));
        return;
    }
    m_flag->setImage(QIcon());
    QPointer<NetworkCellView> self = this;
    FlagImageCache::shared().load(image, size, this, [self, key](const QImage& flag) {
        // The row may have been reused for another network since.
        if (self && self->m_flagKey == key) {
            self->m_flag->setImage(QIcon(QPixmap::fromImage(flag)));
        }
    });
}

void NetworkCellView::configure(const PDNetworkItemPtr& network) {
    if (!network) {
        return;
    }
    showFlag(network);
    m_title->setText(network->title());
    if (isSameId(VeltrixXPC::currentNetwork(), network, false)) {
        switch (VeltrixXPC::connectionState()) {
        case SDVPNConnectionState::connected:
            m_status->update(NetworkCellStatusViewState::connected);
            m_status->show();
            break;
        case SDVPNConnectionState::connecting:
        case SDVPNConnectionState::reconnecting:
            m_status->update(NetworkCellStatusViewState::connecting);
            m_status->show();
            break;
        case SDVPNConnectionState::disconnected:
            m_status->hide();
            break;
        }
    } else if (!highlight()) {
        m_status->hide();
    }
    m_network = network;
    m_splitTunneling->setPopoverState(PopoverState::splitTunneling);
    m_dnsFiltering->setPopoverState(PopoverState::dnsFiltering);
    m_privateDNS->setPopoverState(PopoverState::privateDNS);
    m_splitTunneling->setVisible(network->isSplitTunnelingEnabled());
    m_dnsFiltering->setVisible(network->isDNSFilteringEnabled());
    m_privateDNS->setVisible(network->isPrivateDNSEnabled());
}

void NetworkCellView::configure(const PDNetworkItemPtr& network, bool isSelected) {
    configure(network);
    toolkit::setTextColor(m_title, isSelected ? QColor(Qt::white) : m_textColor);
    m_title->setFont(toolkit::interFont(14, isSelected ? QFont::Normal : QFont::Light));
}

void NetworkCellView::configure(const PDNetworkItemPtr& network, bool isSelected, const QString& searchText) {
    configure(network, isSelected);
    if (network) {
        m_title->setAttributedText(highlightedString(network->title(), searchText, m_textColor,
                                                     toolkit::interFont(14, QFont::Light), Qt::white,
                                                     toolkit::interFont(14, QFont::Medium)));
    }
}

void NetworkCellView::setHighlight(bool highlight) {
    HoverableCellView::setHighlight(highlight);
    updateStatusView();
}

void NetworkCellView::updateStatusView() {
    const SDVPNConnectionState state = VeltrixXPC::connectionState();
    const bool isCurrent = isSameId(VeltrixXPC::currentNetwork(), m_network, true);
    if (highlight()) {
        if (state == SDVPNConnectionState::disconnected || !isCurrent) {
            m_status->update(NetworkCellStatusViewState::connectAvailable);
        } else if (!VeltrixXPC::enableAlwaysON()) {
            m_status->update(NetworkCellStatusViewState::disconnectAvailable);
        }
        m_status->show();
        return;
    }
    if (VeltrixXPC::isConnectedToVPN() && isCurrent) {
        m_status->update(NetworkCellStatusViewState::connected);
        m_status->show();
    } else if (isConnectionUnderWay(state) && isCurrent) {
        m_status->update(NetworkCellStatusViewState::connecting);
        m_status->show();
    } else {
        m_status->hide();
    }
}

void NetworkCellView::networkSelected(const PDNetworkItemPtr& network) {
    if (NetworkCellViewDelegate* delegate = m_delegate.get()) {
        delegate->networkSelected(network ? network : m_network);
    }
}

// NetworkHeaderCellView -------------------------------------------------------------------------------------

NetworkHeaderCellView::NetworkHeaderCellView(QWidget* parent)
    : HoverableCellView(parent),
      m_collapsedIcon(platform::Bundle::main().image(QStringLiteral("collapsibleHiddenIndicator"))),
      m_expandedIcon(platform::Bundle::main().image(QStringLiteral("collapsibleShowIndicator"))) {
    setObjectName(identifier);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 0, 12, 0);
    layout->setSpacing(6);
    m_title = new ElidedLabel(toolkit::interFont(12, QFont::Medium), toolkit::secondaryText);
    m_indicator = new QLabel;
    m_indicator->setFixedSize(20, 20);
    layout->addWidget(m_title, 1);
    layout->addWidget(m_indicator);
}

void NetworkHeaderCellView::configure(const PDNetworkItemPtr& item, bool isCollapsed) {
    if (!item) {
        return;
    }
    m_title->setText(item->title());
    if (item->isCollapsible()) {
        m_indicatorIcon = isCollapsed ? m_collapsedIcon : m_expandedIcon;
        m_indicator->setPixmap(m_indicatorIcon.pixmap(20, 20));
        m_indicator->show();
        setHoveredCursor(Qt::PointingHandCursor);
    } else {
        m_indicatorIcon = QIcon();
        m_indicator->hide();
        setHoveredCursor(Qt::ArrowCursor);
    }
}
