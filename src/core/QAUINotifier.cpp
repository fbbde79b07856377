#include "core/QAUINotifier.h"

#include "core/AppDelegate.h"
#include "core/AppRouterProtocol.h"
#include "core/Log.h"
#include "core/MenuService.h"
#include "core/ServiceLayer.h"
#include "menus/QAUIMenuWindowController.h"
#include "platform/DBusUserNotificationBackend.h"
#include "platform/Scheduler.h"

#include <QUuid>

namespace {

platform::UserNotificationCenter* installedCenter = nullptr;
platform::UserNotificationCenter* installedOlderCenter = nullptr;

QString actionTitle(QAUINotificationCategory category) {
    switch (category) {
    case QAUINotificationCategory::doUpdate:
        return QStringLiteral("Update Now");
    case QAUINotificationCategory::doSignin:
        return QStringLiteral("Protect Me");
    default:
        return {};
    }
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
    for (auto category : {QAUINotificationCategory::doUpdate, QAUINotificationCategory::doSignin,
                          QAUINotificationCategory::connecivity, QAUINotificationCategory::error}) {
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

void QAUINotifier::setCenter(platform::UserNotificationCenter* center) { installedCenter = center; }

void QAUINotifier::setUpNotificationCenterDelegate() { center().setDelegate(&shared()); }

void QAUINotifier::showNotification(const QString& title, const QString& description,
                                    QAUINotificationCategory category) {
    if (category == QAUINotificationCategory::error) {
        // Errors are shown inside the quick-access window, which then opens.
        if (auto* delegate = AppDelegate::shared()) {
            if (auto* window = delegate->generalQAUIWindowViewController()) {
                window->showErrorMessage(title, description, true);
            }
        }
        ServiceLayer::shared().menuService().showMenu();
        return;
    }
    if (shared().m_notifiedOnUpdate && category == QAUINotificationCategory::doUpdate) {
        return;
    }
    platform::UserNotificationCategory registration;
    registration.identifier = rawValue(category);
    if (const QString action = actionTitle(category); !action.isEmpty()) {
        registration.actions.append({rawValue(category), action});
    }
    center().setNotificationCategories({registration});

    platform::UserNotificationRequest request;
    request.identifier = QUuid::createUuid().toString(QUuid::WithoutBraces);
    request.title = title;
    request.body = description;
    request.categoryIdentifier = rawValue(category);
    request.userInfo.insert(QStringLiteral("notificationObject"), QStringLiteral("Data"));
    center().add(request, [](const platform::UserNotificationResult& error) {
        if (error) {
            vlog::warning("Notification not shown: " + error->message);
        }
    });
}

void QAUINotifier::hideNotifications() {
    removeAllNotifications();
    clearMenuErrorMessages(false);
}

void QAUINotifier::removeAllNotifications() {
    platform::DispatchQueue::main().async([] {
        center().removeAllDeliveredNotifications();
        center().removeAllPendingNotificationRequests();
    });
}

void QAUINotifier::clearMenuErrorMessages(bool animated) {
    if (auto* delegate = AppDelegate::shared()) {
        if (auto* window = delegate->generalQAUIWindowViewController()) {
            window->clearErrorMessages(animated);
        }
    }
}

void QAUINotifier::resetNotifiedOnUpdate() { shared().m_notifiedOnUpdate = false; }

void QAUINotifier::didReceive(platform::UserNotificationCenter&, const platform::UserNotificationResponse& response) {
    openedFromNotification = true;
    auto* router = appRouter();
    const auto category = notificationCategoryFromRawValue(response.request.categoryIdentifier);
    if (!router || !category) {
        return;
    }
    switch (*category) {
    case QAUINotificationCategory::doUpdate:
        m_notifiedOnUpdate = true;
        router->showUpdateSheet();
        break;
    case QAUINotificationCategory::doSignin:
        router->enterForegroundMode();
        router->presentSignInWindow();
        break;
    default:
        ServiceLayer::shared().menuService().showMenu();
        break;
    }
}

platform::UserNotificationCenter& olderUserNotificationCenter() {
    if (installedOlderCenter) {
        return *installedOlderCenter;
    }
    static platform::UserNotificationCenter* older = new platform::UserNotificationCenter(
        std::make_unique<platform::DBusUserNotificationBackend>(QDBusConnection::sessionBus()));
    return *older;
}

void setOlderUserNotificationCenter(platform::UserNotificationCenter* center) { installedOlderCenter = center; }
