#pragma once

#include "remotelog/RLApiClient.h"
#include "remotelog/RLPersistedDataQueue.h"
#include "remotelog/RLRecords.h"

#include <map>
#include <memory>

namespace platform {
class UserDefaults;
}

namespace remotelog {

// Issues wait per run in the queue "issues-<local session id>" until a log batch of that run goes out with
// the server's session id; the queue "issues" remembers which runs have a server id. Runs on the library's
// queue.
class RLIssueManager {
public:
    RLIssueManager(QString storageRoot, RLApiClient& api);
    ~RLIssueManager();
    RLIssueManager(const RLIssueManager&) = delete;
    RLIssueManager& operator=(const RLIssueManager&) = delete;

    void storeIssue(const RLIssue& issue);
    // Records the run's server id (once) and sends what waits.
    void sendIssuesWithSessionIdentifier(const RLObjectIdentifier& identifier,
                                         std::function<void()> completion);
    // Sends every run's waiting issues; `completion` runs when all were tried.
    void flush(std::function<void()> completion);

private:
    std::shared_ptr<RLPersistedDataQueue> rl_makeQueueForLocalSessionId(quint64 localSessionId);
    void rl_flushSessionQueue(quint64 localSessionId, quint64 serverId, std::function<void(bool)> done);

    const QString m_storageRoot;
    RLApiClient& m_api;
    std::shared_ptr<RLPersistedDataQueue> m_pendingSessionQueue;
    // The runs' queues this manager drained, so that its going cancels their drains.
    std::map<quint64, std::shared_ptr<RLPersistedDataQueue>> m_sessionQueues;
};

// Device key-values: a value equal to the last one set is not queued again; queued pairs go out one by one,
// each kept until the service takes it (or refuses it for good). Runs on the library's queue.
class RLDeviceDetailManager {
public:
    RLDeviceDetailManager(QString storageRoot, QString appToken, QString deviceIdentifier,
                          platform::UserDefaults& defaults, RLApiClient& api);
    ~RLDeviceDetailManager() { m_queue->cancelDrain(); }
    RLDeviceDetailManager(const RLDeviceDetailManager&) = delete;
    RLDeviceDetailManager& operator=(const RLDeviceDetailManager&) = delete;

    void setDeviceKeyValuePair(const RLKeyValuePair& pair);
    // Sends what waits; without anything waiting it touches neither disk nor network.
    void flush(std::function<void()> completion = {});
    bool hasPending() const { return !m_queue->isEmpty(); }

    static QString defaultsKey(const QString& key) { return QStringLiteral("RLDeviceDetailManager.") + key; }

private:
    const QString m_appToken;
    const QString m_deviceIdentifier;
    platform::UserDefaults& m_defaults;
    RLApiClient& m_api;
    std::shared_ptr<RLPersistedDataQueue> m_queue;
};

} // namespace remotelog
