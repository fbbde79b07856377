#include "mainwindow/MainConnectionOptionsView.h"

#include "platform/Bundle.h"
#include "toolkit/Colors.h"
#include "toolkit/TextAttributes.h"

#include <QHBoxLayout>

namespace {

constexpr int kPillHeight = 26;

TooltipHoverButton* makePill(const QString& title, const QString& icon = {}) {
    auto* button = new TooltipHoverButton;
    button->setFlat(true);
    button->setText(title);
    button->setFont(toolkit::interFont(12));
    button->setFixedHeight(kPillHeight);
    if (!icon.isEmpty()) {
        button->setIcon(platform::Bundle::main().image(icon));
        button->setIconSize(QSize(14, 14));
    }
    button->setMinimumWidth(button->fontMetrics().horizontalAdvance(title) + (icon.isEmpty() ? 20 : 40));
    applyTitleAttributes(button, toolkit::secondaryText);
    return button;
}

} // namespace

MainConnectionOptionsView::MainConnectionOptionsView(QWidget* parent) : XibView(parent) {
    loadView();
    setupUI();
}

QWidget* MainConnectionOptionsView::loadViewFromNib() {
    auto* content = new QWidget;
    auto* row = new QHBoxLayout(content);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addStretch();
    m_alwaysOnBgView = new NSViewLayerBacked;
    m_alwaysOnBgView->setCornerRadius(kPillHeight / 2.0);
    m_alwaysOnBgView->setFixedHeight(kPillHeight);
    auto* pill = new QHBoxLayout(m_alwaysOnBgView);
    pill->setContentsMargins(0, 0, 0, 0);
    m_alwaysOnButton = makePill(QStringLiteral("Always-On VPN"));
    pill->addWidget(m_alwaysOnButton);
    row->addWidget(m_alwaysOnBgView);
    m_splitTunnelingButton =
        makePill(QStringLiteral("Split Tunneling"), QStringLiteral("splitTunnelingIndicator"));
    m_dnsFilteringButton = makePill(QStringLiteral("DNS Filtering"), QStringLiteral("dnsFilteringIndicator"));
    m_privateDNSButton = makePill(QStringLiteral("Private DNS"), QStringLiteral("privateDNSIndicator"));
    row->addWidget(m_splitTunnelingButton);
    row->addWidget(m_dnsFilteringButton);
    row->addWidget(m_privateDNSButton);
    row->addStretch();
    return content;
}

void MainConnectionOptionsView::setupUI() {
    applyTitleAttributes(m_alwaysOnButton, toolkit::secondaryText);
    m_alwaysOnBgView->setBgColor(colorFromHexString(QStringLiteral("#FFFFFF1A")));
}

void MainConnectionOptionsView::setFirstIndicatorWidth(int width) {
    m_alwaysOnBgView->setFixedWidth(width);
    m_alwaysOnButton->setFixedWidth(width);
}

void MainConnectionOptionsView::updateOptions(bool alwaysOn, bool splitTunneling, bool dnsFiltering,
                                              bool privateDNS) {
    if (alwaysOn) {
        m_alwaysOnButton->setText(QStringLiteral("Always-On VPN"));
        setFirstIndicatorWidth(160);
        setupUI();
    }
    m_alwaysOnBgView->setVisible(alwaysOn);
    m_splitTunnelingButton->setVisible(splitTunneling);
    m_dnsFilteringButton->setVisible(dnsFiltering);
    m_privateDNSButton->setVisible(privateDNS);
    m_alwaysOnButton->setPopoverState(PopoverState::alwaysOn);
    m_splitTunnelingButton->setPopoverState(PopoverState::splitTunneling);
    m_dnsFilteringButton->setPopoverState(PopoverState::dnsFiltering);
    m_privateDNSButton->setPopoverState(PopoverState::privateDNS);
}

void MainConnectionOptionsView::updateTrustedNetworkOptions(bool isTrusted, bool splitTunneling,
                                                            bool dnsFiltering, bool privateDNS) {
    updateOptions(false, splitTunneling, dnsFiltering, privateDNS);
    if (!isTrusted) {
        return;
    }
    m_alwaysOnButton->setText(QStringLiteral("Trusted Network is On"));
    setFirstIndicatorWidth(210);
    m_alwaysOnBgView->setVisible(true);
    m_alwaysOnButton->setPopoverState(PopoverState::trustedWiredNetwork);
    setupUI();
}
