#pragma once

#include <QFlags>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace platform {

struct UserNotificationAction {
    QString identifier;
    QString title;
    // Only takes the notification away: the centre closes it and the delegate hears nothing of the click.
    bool dismisses = false;
};

// Notifications of one category carry the category's actions as buttons.
struct UserNotificationCategory {
    QString identifier;
    QList<UserNotificationAction> actions;
};

struct UserNotificationRequest {
    QString identifier;
    QString title;
    QString subtitle;
    QString body;
    QString categoryIdentifier;
    // Kept in this process and handed back with the response; never sent to the server.
    QVariantMap userInfo;
    bool sound = true;
    // Seconds after add() at which the notification is shown, on the scheduler's clock; until then it is
    // pending and can be removed unseen. Zero shows it at once.
    double triggerSeconds = 0.0;
};

struct UserNotificationResponse {
    UserNotificationRequest request;
    // defaultActionIdentifier when the notification itself was clicked, else one of its category's actions.
    QString actionIdentifier;
};

struct UserNotificationError {
    enum class Code { noServer, timedOut, failed, invalidRequest };
    Code code;
    QString message;
};
using UserNotificationResult = std::optional<UserNotificationError>;

enum class UserNotificationCloseReason { expired, dismissed, removed, serverGone, undefined };

enum class PresentationOption { none = 0, badge = 1, sound = 2, banner = 4 };
Q_DECLARE_FLAGS(PresentationOptions, PresentationOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(PresentationOptions)

class UserNotificationCenter;

// Calls arrive on the main queue. The delegate is not owned: clear it with setDelegate(nullptr) before it
// goes.
class UserNotificationCenterDelegate {
public:
    virtual ~UserNotificationCenterDelegate() = default;
    // Asked while the application is active, before a notification is shown; without a banner it is not
    // shown.
    virtual PresentationOptions willPresent(UserNotificationCenter& center,
                                            const UserNotificationRequest& request);
    // The user clicked a notification or one of its action buttons.
    virtual void didReceive(UserNotificationCenter& center, const UserNotificationResponse& response) = 0;
    // The notification left the screen (expired, dismissed, removed): its identifier may be forgotten.
    virtual void didClose(UserNotificationCenter& center, const QString& identifier,
                          UserNotificationCloseReason reason);
};

// What a notification server is asked and what it reports, in our identifiers. Called on the main thread;
// completions and events come on the main thread, possibly before the call returns.
class UserNotificationBackend {
public:
    struct Delivery {
        UserNotificationRequest request;
        QList<UserNotificationAction> actions; // of the request's category
        bool playSound = true;
    };
    struct Events {
        std::function<void(const QString& identifier, const QString& actionIdentifier)> actionInvoked;
        std::function<void(const QString& identifier, UserNotificationCloseReason reason)> closed;
    };
    using AuthorizationCompletion = std::function<void(bool granted, UserNotificationResult error)>;
    using Completion = std::function<void(UserNotificationResult error)>;

    virtual ~UserNotificationBackend() = default;

    virtual void requestAuthorization(AuthorizationCompletion completion) = 0;
    // Shows the notification, replacing one shown with the same identifier.
    virtual void deliver(const Delivery& delivery, Completion completion) = 0;
    // Takes a shown notification off the screen; unknown identifiers are ignored.
    virtual void withdraw(const QString& identifier) = 0;

    void setEvents(Events events) { m_events = std::move(events); }

protected:
    Events m_events;
};

// The client's user notifications. Every method may be called from any thread; the work is done on the
// main thread, and completions and delegate calls arrive on the main queue. Nothing ever blocks on the
// server.
class UserNotificationCenter : public QObject {
    Q_OBJECT

public:
    using AuthorizationCompletion = std::function<void(bool granted, UserNotificationResult error)>;
    using Completion = std::function<void(UserNotificationResult error)>;
    using RequestsCompletion = std::function<void(QList<UserNotificationRequest> requests)>;

    static constexpr const char* defaultActionIdentifier = "default";

    // The centre of this application, over the desktop's notification server on the session bus.
    static UserNotificationCenter& current();

    explicit UserNotificationCenter(std::unique_ptr<UserNotificationBackend> backend,
                                    QObject* parent = nullptr);
    ~UserNotificationCenter() override;

    void setDelegate(UserNotificationCenterDelegate* delegate);
    UserNotificationCenterDelegate* delegate() const { return m_delegate; }

    // The first answer that came without an error is kept and given to every later request.
    void requestAuthorization(AuthorizationCompletion completion);
    // Replaces the set of categories.
    void setNotificationCategories(const QList<UserNotificationCategory>& categories);
    void add(const UserNotificationRequest& request, Completion completion = {});

    void getDeliveredNotifications(RequestsCompletion completion);
    // Requests added and not yet answered by the server.
    void getPendingNotificationRequests(RequestsCompletion completion);
    void removeDeliveredNotifications(const QStringList& identifiers);
    void removePendingNotificationRequests(const QStringList& identifiers);
    void removeAllDeliveredNotifications();
    void removeAllPendingNotificationRequests();

    // Whether the application is active, for willPresent; the default: a window of it has the input focus.
    void setApplicationActiveCheck(std::function<bool()> check);

private:
    struct Pending {
        UserNotificationRequest request;
        std::uint64_t token;
    };

    bool hopToOwnThread(std::function<void()> call);
    void finishDelivery(const QString& identifier, std::uint64_t token, UserNotificationResult error,
                        const Completion& completion);
    void onActionInvoked(const QString& identifier, const QString& actionIdentifier);
    void onClosed(const QString& identifier, UserNotificationCloseReason reason);
    void reportClosed(const QString& identifier, UserNotificationCloseReason reason);

    std::unique_ptr<UserNotificationBackend> m_backend;
    UserNotificationCenterDelegate* m_delegate = nullptr;
    std::function<bool()> m_isApplicationActive;
    QHash<QString, UserNotificationCategory> m_categories;
    std::vector<Pending> m_pending;
    QList<UserNotificationRequest> m_delivered;
    std::uint64_t m_nextToken = 1;
    std::optional<bool> m_authorization;
    std::vector<AuthorizationCompletion> m_authorizationWaiters;
};

} // namespace platform
