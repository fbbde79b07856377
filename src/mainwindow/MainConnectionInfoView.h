#pragma once

#include "platform/NotificationObservers.h"
#include "toolkit/XibView.h"

#include <QLabel>
#include <QPointer>

#include <memory>
#include <optional>

// While a connection is up: the time connected, the public and internal addresses and the gateway
// location. Showing the view starts the clock and the address lookups; hiding it stops the clock.
class MainConnectionInfoView : public XibView {
    Q_OBJECT
public:
    explicit MainConnectionInfoView(QWidget* parent = nullptr);

    void setVisible(bool visible) override;

protected:
    // Shown and hidden with its window too (closed, minimised): the clock's time is drawn only while shown.
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

public:
    // From any thread; the field changes on the main queue.
    void updateGatewayLocation(const QString& regionName);
    void resetGatewayLocation();
    // The address, or the SDK's internal address, or "Not defined".
    void updateExternalIp(const std::optional<QString>& address);

    QString timeConnectedText() const { return m_timeConnectedField->text(); }
    QString publicIpText() const { return m_publicIpField->text(); }
    QString externalIpText() const { return m_externalIpField->text(); }
    QString gatewayLocationText() const { return m_gatewayLocationField->text(); }

protected:
    QWidget* loadViewFromNib() override;

private:
    void refreshPublicIp();

    QPointer<QLabel> m_timeConnectedField;
    QPointer<QLabel> m_publicIpField;
    QPointer<QLabel> m_externalIpField;
    QPointer<QLabel> m_gatewayLocationField;
    platform::ObserverToken m_tickObservation;
    // The clock's latest time, kept on the SDK's thread: it reaches the field on the main queue only while
    // the field can be seen, and when it can be seen again.
    struct Clock;
    std::shared_ptr<Clock> m_clock;
    void showLatestTime();
};
