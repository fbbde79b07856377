#include "platform/UserNotificationCenter.h"

#include "platform/Application.h"
#include "platform/DBusUserNotificationBackend.h"
#include "platform/Scheduler.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QLoggingCategory>
#include <QMetaObject>
#include <QPointer>
#include <QThread>

#include <algorithm>
#include <mutex>

namespace platform {

namespace {

Q_LOGGING_CATEGORY(lcNotifications, "veltrix.platform.notifications")

template <typename Completion, typename... Args>
void completeOnMain(const Completion& completion, Args... args) {
    if (completion) {
        DispatchQueue::main().async([completion, args...] { completion(args...); });
    }
}

} // namespace

PresentationOptions UserNotificationCenterDelegate::willPresent(UserNotificationCenter&,
                                                                const UserNotificationRequest&) {
    return PresentationOption::banner | PresentationOption::sound;
}

void UserNotificationCenterDelegate::didClose(UserNotificationCenter&, const QString&,
                                              UserNotificationCloseReason) {}

UserNotificationCenter& UserNotificationCenter::current() {
    static std::mutex mutex;
    static QPointer<UserNotificationCenter> center;
    std::lock_guard lock(mutex);
    if (!center) {
        auto* app = QCoreApplication::instance();
        auto backend = std::make_unique<DBusUserNotificationBackend>(QDBusConnection::sessionBus());
        if (app) {
            backend->moveToThread(app->thread());
        }
        center = new UserNotificationCenter(std::move(backend));
        if (app) {
            center->moveToThread(app->thread());
            center->setParent(app);
        }
    }
    return *center;
}

UserNotificationCenter::UserNotificationCenter(std::unique_ptr<UserNotificationBackend> backend,
                                               QObject* parent)
    : QObject(parent), m_backend(std::move(backend)), m_isApplicationActive(&Application::isActive) {
    m_backend->setEvents({
        [this](const QString& identifier, const QString& action) { onActionInvoked(identifier, action); },
        [this](const QString& identifier, UserNotificationCloseReason reason) {
            onClosed(identifier, reason);
        },
    });
}

UserNotificationCenter::~UserNotificationCenter() {
    m_backend->setEvents({});
}

bool UserNotificationCenter::hopToOwnThread(std::function<void()> call) {
    if (QThread::currentThread() == thread()) {
        return false;
    }
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
    return true;
}

void UserNotificationCenter::setDelegate(UserNotificationCenterDelegate* delegate) {
    if (hopToOwnThread([this, delegate] { setDelegate(delegate); })) {
        return;
    }
    m_delegate = delegate;
}

void UserNotificationCenter::setApplicationActiveCheck(std::function<bool()> check) {
    if (hopToOwnThread([this, check] { setApplicationActiveCheck(check); })) {
        return;
    }
    m_isApplicationActive = std::move(check);
}

void UserNotificationCenter::requestAuthorization(AuthorizationCompletion completion) {
    if (hopToOwnThread([this, completion] { requestAuthorization(completion); })) {
        return;
    }
    if (m_authorization) {
        completeOnMain(completion, *m_authorization, UserNotificationResult{});
        return;
    }
    m_authorizationWaiters.push_back(std::move(completion));
    if (m_authorizationWaiters.size() > 1) {
        return; // the question is already out
    }
    QPointer<UserNotificationCenter> self(this);
    m_backend->requestAuthorization([self](bool granted, UserNotificationResult error) {
        if (!self) {
            return;
        }
        if (error) {
            qCWarning(lcNotifications) << "Authorization request failed:" << error->message;
            granted = false;
        } else {
            self->m_authorization = granted;
        }
        for (const auto& waiter : std::exchange(self->m_authorizationWaiters, {})) {
            completeOnMain(waiter, granted, error);
        }
    });
}

void UserNotificationCenter::setNotificationCategories(const QList<UserNotificationCategory>& categories) {
    if (hopToOwnThread([this, categories] { setNotificationCategories(categories); })) {
        return;
    }
    m_categories.clear();
    for (const auto& category : categories) {
        m_categories.insert(category.identifier, category);
    }
}

void UserNotificationCenter::add(const UserNotificationRequest& request, Completion completion) {
    if (hopToOwnThread([this, request, completion] { add(request, completion); })) {
        return;
    }
    if (request.identifier.isEmpty()) {
        completeOnMain(completion,
                       UserNotificationResult{{UserNotificationError::Code::invalidRequest,
                                               QStringLiteral("A notification needs an identifier")}});
        return;
    }
    PresentationOptions options = PresentationOption::banner | PresentationOption::sound;
    if (m_delegate && m_isApplicationActive && m_isApplicationActive()) {
        options = m_delegate->willPresent(*this, request);
    }
    if (!options.testFlag(PresentationOption::banner)) {
        qCDebug(lcNotifications) << "Notification not presented while the application is active";
        completeOnMain(completion, UserNotificationResult{});
        return;
    }

    // A request with a shown notification's identifier replaces it.
    m_delivered.removeIf(
        [&](const UserNotificationRequest& shown) { return shown.identifier == request.identifier; });
    std::erase_if(m_pending,
                  [&](const Pending& pending) { return pending.request.identifier == request.identifier; });
    const std::uint64_t token = m_nextToken++;
    m_pending.push_back({request, token});

    UserNotificationBackend::Delivery delivery{
        request, {}, request.sound && options.testFlag(PresentationOption::sound)};
    if (const auto category = m_categories.constFind(request.categoryIdentifier);
        category != m_categories.constEnd()) {
        delivery.actions = category->actions;
    }
    QPointer<UserNotificationCenter> self(this);
    const QString identifier = request.identifier;
    auto deliver = [self, identifier, token, delivery](const Completion& completion) {
        if (!self) {
            return;
        }
        self->m_backend->deliver(
            delivery, [self, identifier, token, completion](UserNotificationResult error) {
                if (self) {
                    self->finishDelivery(identifier, token, std::move(error), completion);
                }
            });
    };
    if (request.triggerSeconds <= 0.0) {
        deliver(completion);
        return;
    }
    // A timed request is accepted now, as a scheduled one is; what the server says when its time comes is
    // only logged, and one removed before then never reaches the server.
    completeOnMain(completion, UserNotificationResult{});
    DispatchQueue::main().asyncAfter(request.triggerSeconds, [self, identifier, token, deliver] {
        if (!self || std::none_of(self->m_pending.begin(), self->m_pending.end(), [&](const Pending& p) {
                return p.request.identifier == identifier && p.token == token;
            })) {
            return;
        }
        deliver([identifier](UserNotificationResult error) {
            if (error) {
                qCWarning(lcNotifications).noquote()
                    << "A timed notification was not shown:" << error->message;
            }
        });
    });
}

void UserNotificationCenter::finishDelivery(const QString& identifier, std::uint64_t token,
                                            UserNotificationResult error, const Completion& completion) {
    const auto pending = std::find_if(m_pending.begin(), m_pending.end(), [&](const Pending& entry) {
        return entry.request.identifier == identifier && entry.token == token;
    });
    if (pending == m_pending.end()) {
        // Removed while the server was busy with it: take it off the screen again, unless a newer request
        // with the same identifier took its place.
        const bool replaced =
            std::any_of(m_pending.begin(), m_pending.end(),
                        [&](const Pending& p) { return p.request.identifier == identifier; }) ||
            std::any_of(m_delivered.begin(), m_delivered.end(),
                        [&](const auto& r) { return r.identifier == identifier; });
        if (!error && !replaced) {
            m_backend->withdraw(identifier);
        }
        completeOnMain(completion, error);
        return;
    }
    UserNotificationRequest request = std::move(pending->request);
    m_pending.erase(pending);
    if (error) {
        qCWarning(lcNotifications) << "Notification not delivered:" << error->message;
    } else {
        m_delivered.append(std::move(request));
    }
    completeOnMain(completion, error);
}

void UserNotificationCenter::getDeliveredNotifications(RequestsCompletion completion) {
    if (hopToOwnThread([this, completion] { getDeliveredNotifications(completion); })) {
        return;
    }
    completeOnMain(completion, m_delivered);
}

void UserNotificationCenter::getPendingNotificationRequests(RequestsCompletion completion) {
    if (hopToOwnThread([this, completion] { getPendingNotificationRequests(completion); })) {
        return;
    }
    QList<UserNotificationRequest> requests;
    for (const auto& pending : m_pending) {
        requests.append(pending.request);
    }
    completeOnMain(completion, requests);
}

void UserNotificationCenter::removeDeliveredNotifications(const QStringList& identifiers) {
    if (hopToOwnThread([this, identifiers] { removeDeliveredNotifications(identifiers); })) {
        return;
    }
    for (const QString& identifier : identifiers) {
        if (m_delivered.removeIf([&](const auto& shown) { return shown.identifier == identifier; }) > 0) {
            m_backend->withdraw(identifier);
            reportClosed(identifier, UserNotificationCloseReason::removed);
        }
    }
}

void UserNotificationCenter::removePendingNotificationRequests(const QStringList& identifiers) {
    if (hopToOwnThread([this, identifiers] { removePendingNotificationRequests(identifiers); })) {
        return;
    }
    for (const QString& identifier : identifiers) {
        if (std::erase_if(m_pending, [&](const Pending& pending) {
                return pending.request.identifier == identifier;
            }) > 0) {
            reportClosed(identifier, UserNotificationCloseReason::removed);
        }
    }
}

void UserNotificationCenter::removeAllDeliveredNotifications() {
    if (hopToOwnThread([this] { removeAllDeliveredNotifications(); })) {
        return;
    }
    QStringList identifiers;
    for (const auto& shown : m_delivered) {
        identifiers << shown.identifier;
    }
    removeDeliveredNotifications(identifiers);
}

void UserNotificationCenter::removeAllPendingNotificationRequests() {
    if (hopToOwnThread([this] { removeAllPendingNotificationRequests(); })) {
        return;
    }
    QStringList identifiers;
    for (const auto& pending : m_pending) {
        identifiers << pending.request.identifier;
    }
    removePendingNotificationRequests(identifiers);
}

void UserNotificationCenter::onActionInvoked(const QString& shownIdentifier,
                                             const QString& actionIdentifier) {
    // Copied: the backend's record the argument may point into goes when the notification is withdrawn.
    const QString identifier = shownIdentifier;
    const auto shown = std::find_if(m_delivered.cbegin(), m_delivered.cend(),
                                    [&](const auto& request) { return request.identifier == identifier; });
    if (shown == m_delivered.cend()) {
        return;
    }
    if (const auto category = m_categories.constFind(shown->categoryIdentifier);
        category != m_categories.cend()) {
        const bool dismisses =
            std::any_of(category->actions.cbegin(), category->actions.cend(),
                        [&](const auto& a) { return a.identifier == actionIdentifier && a.dismisses; });
        if (dismisses) {
            m_delivered.erase(shown);
            m_backend->withdraw(identifier);
            reportClosed(identifier, UserNotificationCloseReason::dismissed);
            return;
        }
    }
    UserNotificationResponse response{*shown, actionIdentifier};
    QPointer<UserNotificationCenter> self(this);
    DispatchQueue::main().async([self, response] {
        if (self && self->m_delegate) {
            self->m_delegate->didReceive(*self, response);
        }
    });
}

void UserNotificationCenter::onClosed(const QString& identifier, UserNotificationCloseReason reason) {
    if (m_delivered.removeIf([&](const auto& shown) { return shown.identifier == identifier; }) > 0) {
        reportClosed(identifier, reason);
    }
}

void UserNotificationCenter::reportClosed(const QString& identifier, UserNotificationCloseReason reason) {
    QPointer<UserNotificationCenter> self(this);
    DispatchQueue::main().async([self, identifier, reason] {
        if (self && self->m_delegate) {
            self->m_delegate->didClose(*self, identifier, reason);
        }
    });
}

} // namespace platform
