#pragma once

#include "sdk/PDNetworks.h"
#include "toolkit/NSViewLayerBacked.h"
#include "toolkit/WeakDelegate.h"
#include "toolkit/XibView.h"

#include <QImage>

// The look of the network view: the tunnel is up, coming up, or down.
enum class FlagAnimationType { connected, connecting, disconnected };

// The home tab's picture of the chosen network: its flag in a hexagon coloured by the connection state.
// A click on the flag goes to the delegate.
class MainNetworkView : public XibView {
    Q_OBJECT
public:
    explicit MainNetworkView(QWidget* parent = nullptr);

    NSImageViewClickable* delegate() const { return m_delegate.get(); }
    void setDelegate(NSImageViewClickable* delegate) { m_delegate = delegate; }

    void setupShadows();
    void setNetwork(const PDNetworkItemPtr& network);
    PDNetworkItemPtr network() const { return m_network; }
    void setState(FlagAnimationType state);
    FlagAnimationType state() const { return m_state; }
    // Draws the current state anew (after the application comes back to the front).
    void refreshStateDrawing();
    // Nothing moves in this view yet; kept for the application's resign-active hook.
    void stopAnimations() {}

protected:
    QWidget* loadViewFromNib() override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QRectF flagRect() const;

    WeakDelegate<NSImageViewClickable> m_delegate;
    PDNetworkItemPtr m_network;
    FlagAnimationType m_state = FlagAnimationType::disconnected;
    QImage m_flag;
    bool m_shadows = false;
};
