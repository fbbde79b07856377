#include "remotelog/RLIssueManager.h"

#include "platform/UserDefaults.h"

#include <QLoggingCategory>

namespace remotelog {

namespace {

Q_LOGGING_CATEGORY(lcIssues, "veltrix.remotelog.issues")

// Delivered, or refused for good: either way the item leaves its queue.
bool isSettled(const std::optional<RLError>& error) {
    return !error || error->isFinalRejection();
}

// A stored value as the queue's JSON would carry it, for comparing with a new one.
QVariant storedForm(const QJsonValue& value) {
    return value.isNull() ? QVariant() : value.toVariant();
}

} // namespace

RLIssueManager::RLIssueManager(QString storageRoot, RLApiClient& api)
    : m_storageRoot(std::move(storageRoot)), m_api(api),
      m_pendingSessionQueue(
          RLPersistedDataQueue::initWithIdentifier(m_storageRoot, QStringLiteral("issues"))) {}

RLIssueManager::~RLIssueManager() {
    m_pendingSessionQueue->cancelDrain();
    for (const auto& [id, queue] : m_sessionQueues) {
        queue->cancelDrain();
    }
}

std::shared_ptr<RLPersistedDataQueue> RLIssueManager::rl_makeQueueForLocalSessionId(quint64 localSessionId) {
    auto& queue = m_sessionQueues[localSessionId];
    if (!queue) {
        queue = RLPersistedDataQueue::initWithIdentifier(m_storageRoot,
                                                         QStringLiteral("issues-%1").arg(localSessionId));
    }
    return queue;
}

void RLIssueManager::storeIssue(const RLIssue& issue) {
    rl_makeQueueForLocalSessionId(issue.localSessionId)->enqueue(issue.toData());
}

void RLIssueManager::sendIssuesWithSessionIdentifier(const RLObjectIdentifier& identifier,
                                                     std::function<void()> completion) {
    const QByteArray item = identifier.toData();
    if (!m_pendingSessionQueue->containsItem(item)) {
        m_pendingSessionQueue->enqueue(item);
    }
    flush(std::move(completion));
}

void RLIssueManager::flush(std::function<void()> completion) {
    m_pendingSessionQueue->dequeueAll(
        [this](const QByteArray& bytes, RLPersistedDataQueue::ItemDone done) {
            const auto identifier = RLObjectIdentifier::initWithData(bytes);
            if (!identifier) {
                qCWarning(lcIssues) << "Dropped a damaged session identifier";
                done(true);
                return;
            }
            rl_flushSessionQueue(identifier->localId, identifier->serverId, std::move(done));
        },
        [completion = std::move(completion)](bool) {
            if (completion) {
                completion();
            }
        });
}

void RLIssueManager::rl_flushSessionQueue(quint64 localSessionId, quint64 serverId,
                                          std::function<void(bool)> done) {
    auto queue = rl_makeQueueForLocalSessionId(localSessionId);
    queue->dequeueAll(
        [this, serverId](const QByteArray& bytes, RLPersistedDataQueue::ItemDone itemDone) {
            auto issue = RLIssue::initWithData(bytes);
            if (!issue) {
                qCWarning(lcIssues) << "Dropped a damaged issue";
                itemDone(true);
                return;
            }
            issue->sessionId = serverId;
            m_api.sendIssue(issue->toJson(),
                            [itemDone](const std::optional<RLError>& error) { itemDone(isSettled(error)); });
        },
        [done = std::move(done)](bool drained) { done(drained); });
}

RLDeviceDetailManager::RLDeviceDetailManager(QString storageRoot, QString appToken, QString deviceIdentifier,
                                             platform::UserDefaults& defaults, RLApiClient& api)
    : m_appToken(std::move(appToken)), m_deviceIdentifier(std::move(deviceIdentifier)), m_defaults(defaults),
      m_api(api), m_queue(RLPersistedDataQueue::initWithIdentifier(std::move(storageRoot),
                                                                   QStringLiteral("device-details"))) {}

void RLDeviceDetailManager::setDeviceKeyValuePair(const RLKeyValuePair& pair) {
    const QString key = defaultsKey(pair.key);
    const QVariant value = storedForm(pair.value);
    const QVariant stored = m_defaults.objectForKey(key);
    if (stored.isValid() != value.isValid() || stored != value) {
        if (value.isValid()) {
            m_defaults.set(key, value);
        } else {
            m_defaults.removeObject(key);
        }
        m_queue->enqueue(pair.toData());
    }
    flush();
}

void RLDeviceDetailManager::flush(std::function<void()> completion) {
    m_queue->dequeueAll(
        [this](const QByteArray& bytes, RLPersistedDataQueue::ItemDone done) {
            const auto pair = RLKeyValuePair::initWithData(bytes);
            if (!pair) {
                qCWarning(lcIssues) << "Dropped a damaged device key-value";
                done(true);
                return;
            }
            QJsonObject body = pair->toJson();
            body.insert(QStringLiteral("app_key"), m_appToken);
            body.insert(QStringLiteral("device_id"), m_deviceIdentifier);
            m_api.setKeyValue(body, [done](const std::optional<RLError>& error) { done(isSettled(error)); });
        },
        [completion = std::move(completion)](bool) {
            if (completion) {
                completion();
            }
        });
}

} // namespace remotelog
