#pragma once

#include "platform/UserNotificationCenter.h"

#include <QString>

#include <optional>

// The four kinds of user notification; the raw values name their categories.
enum class QAUINotificationCategory { doUpdate, doSignin, connecivity, error };

QString rawValue(QAUINotificationCategory category);
std::optional<QAUINotificationCategory> notificationCategoryFromRawValue(const QString& rawValue);

// Set when the user acts on one of the client's notifications; the reopen handler reads and clears it.
inline bool openedFromNotification = false;

// The entry through which the client tells the user about updates, sign-in, connectivity and errors
// outside its windows. Errors become messages of the quick-access window instead.
class QAUINotifier : public platform::UserNotificationCenterDelegate {
public:
    static QAUINotifier& shared();

    static void setUpNotificationCenterDelegate();
    static void showNotification(const QString& title, const QString& description, QAUINotificationCategory category);
    static void hideNotifications();
    static void removeAllNotifications();
    static void clearMenuErrorMessages(bool animated);
    static void resetNotifiedOnUpdate();

    // The centre notifications go to; tests install one with a recording backend.
    static platform::UserNotificationCenter& center();
    static void setCenter(platform::UserNotificationCenter* center);

    void didReceive(platform::UserNotificationCenter& center, const platform::UserNotificationResponse& response) override;

    bool notifiedOnUpdate() const { return m_notifiedOnUpdate; }

private:
    bool m_notifiedOnUpdate = false;
};

// The older centre of the banners; the application delegate is its delegate.
platform::UserNotificationCenter& olderUserNotificationCenter();
void setOlderUserNotificationCenter(platform::UserNotificationCenter* center);
