#pragma once

#include "remotelog/RLHttpClient.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <mutex>
#include <optional>
#include <variant>

namespace remotelog {

inline const QString RLApiClientErrorDomain = QStringLiteral("RLApiClientErrorDomain");
inline const QString RLApiClientErrorInvalidParametersDomain =
    QStringLiteral("RLApiClientErrorInvalidParametersDomain");
// Transport failures and answers that are not what the service sends.
inline const QString RLNetworkErrorDomain = QStringLiteral("RLNetworkErrorDomain");
inline const QString RLJsonErrorDomain = QStringLiteral("RLJsonErrorDomain");

struct RLError {
    QString domain;
    int code = 0;
    QString message;

    // The service refused the item for good: 4xx but for 408 (time-out) and 429 (too many requests).
    bool isFinalRejection() const {
        return domain == RLApiClientErrorDomain && code >= 400 && code <= 499 && code != 408 && code != 429;
    }
};
using RLCompletion = std::function<void(const std::optional<RLError>&)>;

// A log batch as it goes out: the body is built from the log files' own bytes.
struct RLLogBatch {
    qint64 sessionId = 0;
    QByteArray body;
};

// The remote-logging service's client: JSON POSTs against the base URL, answers read as JSON. Runs on the
// library's queue, like the RLHttpClient it sends through; completions run there.
class RLApiClient {
public:
    // REMOTELOG_API_ENDPOINT when set (it must end in "/"), else the built-in base.
    static QUrl defaultHost();
    static constexpr int invalidParametersCode = 1001;

    RLApiClient(QUrl host, RLHttpClient& http);

    // An absent key leaves the one set before.
    void setAppToken(const std::optional<QString>& token);
    std::optional<QString> appToken() const;
    const QUrl& host() const { return m_host; }
    QString userAgent() const;
    void setUserAgent(const QString& agent);

    using Success = std::function<void(const QJsonDocument& answer)>;
    using Failure = std::function<void(const RLError& error)>;
    // POSTs `parameters` as compact JSON to `path` under the base URL.
    void POST(const QString& path, const QJsonObject& parameters, Success success, Failure failure);

    // (logger enabled, error, latest library version for this platform)
    void sendAppToken(const QString& appToken, const QJsonObject& deviceInfo,
                      std::function<void(bool, const std::optional<RLError>&, double)> completion);
    // (error, server session id)
    void sendSession(const QJsonObject& session,
                     std::function<void(const std::optional<RLError>&, qint64)> completion);
    void sendLogs(const std::optional<RLLogBatch>& batch, RLCompletion completion);
    void sendIssue(const QJsonObject& issue, RLCompletion completion);
    void setKeyValue(const QJsonObject& keyValue, RLCompletion completion);

    // The error for absent parameters, else nothing.
    static std::optional<RLError> checkParameter(bool present);

    // What an answer says: its JSON (a 2xx whose body is a JSON object or array), or the error it is.
    static std::variant<QJsonDocument, RLError> readAnswer(const RLHttpResponse& response);
    struct DeviceStatus {
        bool loggerEnabled = false;
        double latestVersion = 0; // for this platform; 0 when the answer names none
    };
    static DeviceStatus readDeviceStatus(const QJsonDocument& answer);
    // The server's id of a session: a whole number from 0; nothing for anything else.
    static std::optional<qint64> readSessionId(const QJsonDocument& answer);

private:
    void postBody(const QString& path, const QByteArray& body, const std::optional<QByteArray>& sessionHeader,
                  Success success, Failure failure);

    const QUrl m_host;
    RLHttpClient& m_http;
    mutable std::mutex m_mutex;
    std::optional<QString> m_appToken;
    QString m_userAgent;
};

} // namespace remotelog
