#pragma once

#include "toolkit/NSViewLayerBacked.h"
#include "toolkit/TooltipPopover.h"
#include "toolkit/XibView.h"

#include <QPointer>

// The strip of indicators of the options in force for the connection: Always-On (or the trusted
// network), split tunnelling, DNS filtering and private DNS, each with its tooltip.
class MainConnectionOptionsView : public XibView {
    Q_OBJECT
public:
    explicit MainConnectionOptionsView(QWidget* parent = nullptr);

    void updateOptions(bool alwaysOn, bool splitTunneling, bool dnsFiltering, bool privateDNS);
    void updateTrustedNetworkOptions(bool isTrusted, bool splitTunneling, bool dnsFiltering, bool privateDNS);

    NSViewLayerBacked* alwaysOnBgView() const { return m_alwaysOnBgView; }
    TooltipHoverButton* alwaysOnButton() const { return m_alwaysOnButton; }
    TooltipHoverButton* splitTunnelingButton() const { return m_splitTunnelingButton; }
    TooltipHoverButton* dnsFilteringButton() const { return m_dnsFilteringButton; }
    TooltipHoverButton* privateDNSButton() const { return m_privateDNSButton; }

protected:
    QWidget* loadViewFromNib() override;

private:
    void setupUI();
    void setFirstIndicatorWidth(int width);

    QPointer<NSViewLayerBacked> m_alwaysOnBgView;
    QPointer<TooltipHoverButton> m_alwaysOnButton;
    QPointer<TooltipHoverButton> m_splitTunnelingButton;
    QPointer<TooltipHoverButton> m_dnsFilteringButton;
    QPointer<TooltipHoverButton> m_privateDNSButton;
};
