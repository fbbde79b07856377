#include "platform/RecordingUserNotificationBackend.h"

namespace platform {

void RecordingUserNotificationBackend::requestAuthorization(AuthorizationCompletion completion) {
    ++m_authorizationRequests;
    completion(m_granted && !m_authorizationError, m_authorizationError);
}

void RecordingUserNotificationBackend::setAuthorization(bool granted, UserNotificationResult error) {
    m_granted = granted;
    m_authorizationError = std::move(error);
}

void RecordingUserNotificationBackend::deliver(const Delivery& delivery, Completion completion) {
    m_deliveries.push_back(delivery);
    if (m_hold) {
        m_held.emplace_back(delivery.request.identifier, std::move(completion));
        return;
    }
    answer(delivery.request.identifier, completion);
}

void RecordingUserNotificationBackend::answerHeldDeliveries() {
    for (const auto& [identifier, completion] : std::exchange(m_held, {})) {
        answer(identifier, completion);
    }
}

void RecordingUserNotificationBackend::answer(const QString& identifier, const Completion& completion) {
    if (!m_deliveryError) {
        m_shown.removeAll(identifier);
        m_shown.append(identifier);
    }
    completion(m_deliveryError);
}

void RecordingUserNotificationBackend::withdraw(const QString& identifier) {
    m_withdrawn.append(identifier);
    m_shown.removeAll(identifier);
}

bool RecordingUserNotificationBackend::invokeAction(const QString& identifier,
                                                    const QString& actionIdentifier) {
    if (!m_shown.contains(identifier)) {
        return false;
    }
    if (m_events.actionInvoked) {
        m_events.actionInvoked(identifier, actionIdentifier);
    }
    return true;
}

bool RecordingUserNotificationBackend::close(const QString& identifier, UserNotificationCloseReason reason) {
    if (m_shown.removeAll(identifier) == 0) {
        return false;
    }
    if (m_events.closed) {
        m_events.closed(identifier, reason);
    }
    return true;
}

} // namespace platform
