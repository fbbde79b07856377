#include "core/QAUINotifier.h"

#include "core/AppRouterProtocol.h"
#include "core/Log.h"
#include "core/MenuService.h"
#include "core/ServiceLayer.h"
#include "core/ShownWindows.h"
#include "core/UserNotificationHelper.h"
#include "platform/DBusUserNotificationBackend.h"
#include "platform/Scheduler.h"
#include "sdk/VeltrixXPC.h"

#include <QUuid>

#include <algorithm>

namespace {

platform::UserNotificationCenter* installedCenter = nullptr;
platform::UserNotificationCenter* installedOlderCenter = nullptr;

constexpr QAUINotificationCategory allCategories[] = {
    QAUINotificationCategory::doUpdate, QAUINotificationCategory::doSignin,
    QAUINotificationCategory::connecivity, QAUINotificationCategory::error};

// Runs `call` on the main queue later when called elsewhere; true when it hopped.
bool hopToMain(platform::Task call) {
    if (platform::Scheduler::shared().isMainThread()) {
        return false;
    }
    platform::DispatchQueue::main().async(std::move(call));
    return true;
}

QStringList identifiers(const QList<platform::UserNotificationRequest>& requests) {
    QStringList result;
    for (const auto& request : requests) {
        result << request.identifier;
    }
    return result;
}

} // namespace

QString rawValue(QAUINotificationCategory category) {
    switch (category) {
    case QAUINotificationCategory::doUpdate:
        return QStringLiteral("UPDATE");
    case QAUINotificationCategory::doSignin:
        return QStringLiteral("SIGNIN");
    case QAUINotificationCategory::connecivity:
        return QStringLiteral("CONNECTIVITY");
    case QAUINotificationCategory::error:
        return QStringLiteral("ERROR");
    }
    return {};
}

std::optional<QAUINotificationCategory> notificationCategoryFromRawValue(const QString& raw) {
    for (const auto category : allCategories) {
        if (rawValue(category) == raw) {
            return category;
        }
    }
    return std::nullopt;
}

QAUINotifier& QAUINotifier::shared() {
    static QAUINotifier notifier;
    return notifier;
}

platform::UserNotificationCenter& QAUINotifier::center() {
    return installedCenter ? *installedCenter : platform::UserNotificationCenter::current();
}

void QAUINotifier::setCenter(platform::UserNotificationCenter* center) {
    installedCenter = center;
    shared().forgetEverything();
    shared().m_authorized.reset();
}

std::optional<QString> QAUINotifier::actionTitle(QAUINotificationCategory category) {
    switch (category) {
    case QAUINotificationCategory::doUpdate:
        return QStringLiteral("Update Now");
    case QAUINotificationCategory::doSignin:
        return QStringLiteral("Protect Me");
    default:
        return std::nullopt;
    }
}

QList<platform::UserNotificationCategory> QAUINotifier::notificationCategories() {
    QList<platform::UserNotificationCategory> categories;
    for (const auto category : allCategories) {
        platform::UserNotificationCategory registration{rawValue(category), {}};
        if (const auto title = actionTitle(category)) {
            registration.actions.append({rawValue(category), *title});
        }
        categories.append(registration);
    }
    return categories;
}

void QAUINotifier::setUpNotificationCenterDelegate() {
    center().setDelegate(&shared());
}

void QAUINotifier::showNotification(const QString& title, const QString& description,
                                    QAUINotificationCategory category) {
    if (hopToMain([title, description, category] { showNotification(title, description, category); })) {
        return;
    }
    if (category != QAUINotificationCategory::error) {
        shared().showNativeNotification(title, description, category);
        return;
    }
    // Errors are shown inside the quick-access window, which then opens.
    ServiceLayer::shared().menuService().showErrorNotification(title, description);
    ServiceLayer::shared().menuService().showMenu();
}

void QAUINotifier::hideNotifications() {
    if (hopToMain([] { hideNotifications(); })) {
        return;
    }
    removeAllNotifications();
    clearMenuErrorMessages(false);
}

void QAUINotifier::removeAllNotifications() {
    platform::DispatchQueue::main().async([] {
        center().removeAllDeliveredNotifications();
        center().removeAllPendingNotificationRequests();
        shared().forgetEverything();
    });
}

void QAUINotifier::clearMenuErrorMessages(bool animated) {
    if (hopToMain([animated] { clearMenuErrorMessages(animated); })) {
        return;
    }
    ServiceLayer::shared().menuService().hideNotifications(animated);
}

void QAUINotifier::resetNotifiedOnUpdate() {
    if (hopToMain([] { resetNotifiedOnUpdate(); })) {
        return;
    }
    shared().m_notifiedOnUpdate = false;
}

void QAUINotifier::forgetEverything() {
    m_nativeNotificationIDs.clear();
    m_question.reset();
    ++m_generation;
}

bool QAUINotifier::showNativeNotification(const QString& title, const QString& description,
                                          QAUINotificationCategory category) {
    if (category == QAUINotificationCategory::connecivity &&
        !VeltrixXPC::unappliedSettings().notifications.value) {
        return false;
    }
    if ((isMenuWindowShown() || isWindowOpened()) && !actionTitle(category)) {
        return false; // the user sees the news in the window already
    }
    if (!title.contains(QLatin1String("Connected"))) {
        const bool repeated =
            std::any_of(m_nativeNotificationIDs.cbegin(), m_nativeNotificationIDs.cend(),
                        [&](const PostedNotification& posted) { return posted.title == title; });
        if (repeated) {
            return false;
        }
    }
    if (m_notifiedOnUpdate) {
        return false;
    }

    platform::UserNotificationRequest request;
    request.identifier = QUuid::createUuid().toString(QUuid::WithoutBraces);
    request.title = title;
    request.body = description;
    request.categoryIdentifier = rawValue(category);
    request.userInfo.insert(QStringLiteral("notificationObject"), QStringLiteral("Data"));
    request.userInfo.insert(kindKey, rawValue(category));
    request.sound = true;
    request.triggerSeconds = triggerSeconds;

    // Recorded at once, so that a repeat while the server is asked is held back too.
    m_nativeNotificationIDs.insert(request.identifier, {category, title});
    const std::uint64_t generation = m_generation;
    registerForRichNotificationsIfNeeded([this, request, category, generation](bool granted) {
        if (generation != m_generation || !m_nativeNotificationIDs.contains(request.identifier)) {
            return; // removed while authorisation was asked
        }
        if (!granted) {
            m_nativeNotificationIDs.remove(request.identifier);
            return;
        }
        post(request, category);
    });
    return true;
}

void QAUINotifier::post(const platform::UserNotificationRequest& request, QAUINotificationCategory category) {
    struct Answer {
        bool answered = false;
        bool timedOut = false;
    };
    auto answer = std::make_shared<Answer>();
    const std::uint64_t generation = m_generation;
    const QString identifier = request.identifier;

    center().setNotificationCategories(notificationCategories());
    center().add(request, [this, answer, generation, identifier,
                           category](platform::UserNotificationResult error) {
        answer->answered = true;
        if (generation != m_generation) {
            return;
        }
        if (error) {
            vlog::warning(QStringLiteral("Notification center failed to send request: ") + error->message);
            m_nativeNotificationIDs.remove(identifier);
            return;
        }
        if (answer->timedOut || !m_nativeNotificationIDs.contains(identifier)) {
            return; // a late answer keeps its record but removes nothing
        }
        ++postedNotificationCount;
        removeNotifications(category, RemovalScope::both, identifier);
    });
    platform::DispatchQueue::main().asyncAfter(answerTimeLimitSeconds, [answer] {
        if (!answer->answered) {
            answer->timedOut = true;
            vlog::warning(QStringLiteral("Notification center did not answer in time"));
        }
    });
}

void QAUINotifier::registerForRichNotificationsIfNeeded(std::function<void(bool granted)> completion) {
    if (m_authorized) {
        completion(*m_authorized);
        return;
    }
    if (m_question) {
        m_question->waiters.push_back(std::move(completion));
        return;
    }
    auto question = std::make_shared<AuthorizationQuestion>();
    question->waiters.push_back(std::move(completion));
    m_question = question;
    const auto finish = [this, question](bool granted) {
        if (std::exchange(question->answered, true)) {
            return;
        }
        if (m_question == question) {
            m_question.reset();
        }
        for (const auto& waiter : std::exchange(question->waiters, {})) {
            waiter(granted);
        }
    };
    const std::uint64_t generation = m_generation;
    center().requestAuthorization(
        [this, finish, generation](bool granted, platform::UserNotificationResult error) {
            if (error) {
                vlog::warning(QStringLiteral("Notification autorization request failed with error: ") +
                              error->message);
                finish(false);
                return;
            }
            vlog::info(granted ? QStringLiteral("Notification autorization granted")
                               : QStringLiteral("Notification autorization not granted"));
            if (generation == m_generation) {
                m_authorized = granted;
            }
            finish(granted);
        });
    platform::DispatchQueue::main().asyncAfter(answerTimeLimitSeconds, [finish] { finish(false); });
}

void QAUINotifier::removeNotifications(QAUINotificationCategory category, RemovalScope scope,
                                       const std::optional<QString>& except) {
    const std::uint64_t generation = m_generation;
    auto withPending = [this, category, scope, except, generation](QStringList delivered) {
        if (scope == RemovalScope::delivered) {
            removeFromLists(category, scope, except, delivered, {});
            return;
        }
        center().getPendingNotificationRequests([this, category, scope, except, generation, delivered](
                                                    QList<platform::UserNotificationRequest> pending) {
            if (generation == m_generation) {
                removeFromLists(category, scope, except, delivered, identifiers(pending));
            }
        });
    };
    if (scope == RemovalScope::pending) {
        withPending({});
        return;
    }
    center().getDeliveredNotifications(
        [this, generation, withPending](QList<platform::UserNotificationRequest> shown) {
            if (generation == m_generation) {
                withPending(identifiers(shown));
            }
        });
}

void QAUINotifier::removeFromLists(QAUINotificationCategory category, RemovalScope scope,
                                   const std::optional<QString>& except, const QStringList& delivered,
                                   const QStringList& pending) {
    QStringList removeDelivered;
    QStringList removePending;
    QStringList forget;
    for (auto it = m_nativeNotificationIDs.cbegin(); it != m_nativeNotificationIDs.cend(); ++it) {
        const QString& identifier = it.key();
        const bool onScreen = delivered.contains(identifier);
        const bool waiting = pending.contains(identifier);
        if (except && identifier == *except) {
            // Accepted but not shown (the client was active): nothing to close it later, so forget it now.
            if (scope == RemovalScope::both && !onScreen && !waiting) {
                forget << identifier;
            }
            continue;
        }
        if (it->category != category) {
            continue;
        }
        if (onScreen) {
            removeDelivered << identifier;
        } else if (waiting) {
            removePending << identifier;
        } else if (scope == RemovalScope::both) {
            forget << identifier; // superseded before it was shown, or never shown
        }
    }
    for (const QString& identifier : removeDelivered + removePending + forget) {
        m_nativeNotificationIDs.remove(identifier);
    }
    if (!removeDelivered.isEmpty()) {
        center().removeDeliveredNotifications(removeDelivered);
    }
    if (!removePending.isEmpty()) {
        center().removePendingNotificationRequests(removePending);
    }
}

platform::PresentationOptions QAUINotifier::willPresent(platform::UserNotificationCenter&,
                                                        const platform::UserNotificationRequest&) {
    // While the client is the active application its own windows tell the news.
    return platform::PresentationOption::badge;
}

void QAUINotifier::didReceive(platform::UserNotificationCenter&,
                              const platform::UserNotificationResponse& response) {
    const QString identifier = response.request.identifier;
    if (!m_nativeNotificationIDs.remove(identifier)) {
        return; // not one of this run's, or already handled
    }
    const auto kind = notificationCategoryFromRawValue(response.request.userInfo.value(kindKey).toString());
    if (!kind) {
        return;
    }
    switch (*kind) {
    case QAUINotificationCategory::doUpdate:
        // Brings the main window forward on its settings tab, whose General page checks for the update.
        ServiceLayer::shared().menuService().openSettings(nullptr);
        if (auto* router = appRouter()) {
            router->openAutoUpdate();
        }
        m_notifiedOnUpdate = true;
        break;
    case QAUINotificationCategory::doSignin:
        VeltrixXPC::login();
        openedFromNotification = true;
        break;
    case QAUINotificationCategory::connecivity:
    case QAUINotificationCategory::error:
        ServiceLayer::shared().menuService().showMenu();
        openedFromNotification = true;
        break;
    }
}

void QAUINotifier::didClose(platform::UserNotificationCenter&, const QString& identifier,
                            platform::UserNotificationCloseReason) {
    // Gone from the screen: its title may be posted again.
    m_nativeNotificationIDs.remove(identifier);
}

platform::UserNotificationCenter& olderUserNotificationCenter() {
    if (installedOlderCenter) {
        return *installedOlderCenter;
    }
    static platform::UserNotificationCenter* older = new platform::UserNotificationCenter(
        std::make_unique<platform::DBusUserNotificationBackend>(QDBusConnection::sessionBus()));
    return *older;
}

void setOlderUserNotificationCenter(platform::UserNotificationCenter* center) {
    installedOlderCenter = center;
    UserNotificationHelper::forgetAllBanners(); // they were the other centre's
}
