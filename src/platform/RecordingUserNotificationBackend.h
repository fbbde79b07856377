#pragma once

#include "platform/UserNotificationCenter.h"

#include <vector>

namespace platform {

// A notification server for tests: records every request, answers at once (or when told to), and lets a
// test click an action or close a notification as a user would.
class RecordingUserNotificationBackend : public UserNotificationBackend {
public:
    void requestAuthorization(AuthorizationCompletion completion) override;
    void deliver(const Delivery& delivery, Completion completion) override;
    void withdraw(const QString& identifier) override;

    // The answer to authorization requests, and how many were asked.
    void setAuthorization(bool granted, UserNotificationResult error = {});
    int authorizationRequests() const { return m_authorizationRequests; }

    // Makes later deliveries fail with `error` (none: succeed).
    void setDeliveryError(UserNotificationResult error) { m_deliveryError = std::move(error); }
    // While held, deliveries wait for answerHeldDeliveries().
    void holdDeliveries(bool hold) { m_hold = hold; }
    void answerHeldDeliveries();

    // Every delivery asked for, in order.
    const std::vector<Delivery>& deliveries() const { return m_deliveries; }
    // The identifiers on screen now, in the order shown.
    QStringList shown() const { return m_shown; }
    const QStringList& withdrawn() const { return m_withdrawn; }

    // A user's click on a shown notification; false when it is not on screen.
    bool invokeAction(const QString& identifier, const QString& actionIdentifier);
    bool close(const QString& identifier,
               UserNotificationCloseReason reason = UserNotificationCloseReason::dismissed);

private:
    void answer(const QString& identifier, const Completion& completion);

    bool m_granted = true;
    UserNotificationResult m_authorizationError;
    int m_authorizationRequests = 0;
    UserNotificationResult m_deliveryError;
    bool m_hold = false;
    std::vector<std::pair<QString, Completion>> m_held;
    std::vector<Delivery> m_deliveries;
    QStringList m_shown;
    QStringList m_withdrawn;
};

} // namespace platform
