#pragma once

#include "platform/UserNotificationCenter.h"

#include <QHash>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The four kinds of user notification; the raw values name their categories.
enum class QAUINotificationCategory { doUpdate, doSignin, connecivity, error };

QString rawValue(QAUINotificationCategory category);
std::optional<QAUINotificationCategory> notificationCategoryFromRawValue(const QString& rawValue);

// Set when the user acts on one of the client's notifications; the reopen handler reads and clears it.
inline bool openedFromNotification = false;

// How many notifications the centre accepted this run, starting at 1.
inline int postedNotificationCount = 1;

// The entry through which the client tells the user about updates, sign-in, connectivity and errors
// outside its windows. Errors become messages of the quick-access window instead. Everything runs on the
// main queue (calls from elsewhere hop there) and nothing waits for the notification server.
class QAUINotifier : public platform::UserNotificationCenterDelegate {
public:
    enum class RemovalScope { pending = 0, delivered = 1, both = 2 };

    struct PostedNotification {
        QAUINotificationCategory category;
        QString title;
    };

    // How long the server gets to answer an authorisation question or a request.
    static constexpr double answerTimeLimitSeconds = 5.0;
    // A notification is shown this long after it was asked for.
    static constexpr double triggerSeconds = 2.0;
    // The user-info key that says which category a notification is of.
    static inline const QString kindKey = QStringLiteral("kind");

    static QAUINotifier& shared();

    static void setUpNotificationCenterDelegate();
    static void showNotification(const QString& title, const QString& description,
                                 QAUINotificationCategory category);
    static void hideNotifications();
    static void removeAllNotifications();
    static void clearMenuErrorMessages(bool animated);
    static void resetNotifiedOnUpdate();

    // The centre notifications go to; tests install one with a recording backend. Another centre starts
    // with no record of posted notifications and asks for authorisation anew.
    static platform::UserNotificationCenter& center();
    static void setCenter(platform::UserNotificationCenter* center);

    // The button of a category, when it has one.
    static std::optional<QString> actionTitle(QAUINotificationCategory category);
    // Every category with its action; registered as a whole so that older notifications keep their buttons.
    static QList<platform::UserNotificationCategory> notificationCategories();

    // Posts unless a gate holds; true when the request went out (the server may still refuse it).
    bool showNativeNotification(const QString& title, const QString& description,
                                QAUINotificationCategory category);
    // Asks the centre once and keeps the answer; `completion` gets false when refused or not answered in
    // time.
    void registerForRichNotificationsIfNeeded(std::function<void(bool granted)> completion);
    // Takes the recorded notifications of `category` off the screen, all but `except`.
    void removeNotifications(QAUINotificationCategory category, RemovalScope scope,
                             const std::optional<QString>& except = std::nullopt);

    platform::PresentationOptions willPresent(platform::UserNotificationCenter& center,
                                              const platform::UserNotificationRequest& request) override;
    void didReceive(platform::UserNotificationCenter& center,
                    const platform::UserNotificationResponse& response) override;
    void didClose(platform::UserNotificationCenter& center, const QString& identifier,
                  platform::UserNotificationCloseReason reason) override;

    bool notifiedOnUpdate() const { return m_notifiedOnUpdate; }
    // The notifications of this run still to be handled, by request identifier.
    const QHash<QString, PostedNotification>& nativeNotificationIDs() const {
        return m_nativeNotificationIDs;
    }

private:
    void forgetEverything();
    void post(const platform::UserNotificationRequest& request, QAUINotificationCategory category);
    void removeFromLists(QAUINotificationCategory category, RemovalScope scope,
                         const std::optional<QString>& except, const QStringList& delivered,
                         const QStringList& pending);

    QHash<QString, PostedNotification> m_nativeNotificationIDs;
    bool m_notifiedOnUpdate = false;
    std::optional<bool> m_authorized;
    struct AuthorizationQuestion {
        bool answered = false;
        std::vector<std::function<void(bool)>> waiters;
    };
    std::shared_ptr<AuthorizationQuestion> m_question;
    // Moves on when the record is cleared, so answers to older requests are not recorded.
    std::uint64_t m_generation = 0;
};

// The older centre of the banners; the application delegate is its delegate.
platform::UserNotificationCenter& olderUserNotificationCenter();
void setOlderUserNotificationCenter(platform::UserNotificationCenter* center);
