#include "remotelog/RLApiClient.h"

#include "remotelog/RLSystemUtils.h"

#include <QJsonArray>
#include <QJsonParseError>
#include <QJsonValue>

#include <cmath>

namespace remotelog {

namespace {

// The build's base (by default a host that never resolves), unless REMOTELOG_API_ENDPOINT says where.
constexpr char builtInHost[] = VELTRIX_REMOTELOG_API_ENDPOINT;

RLError jsonError(const QString& message) {
    return {RLJsonErrorDomain, 1, message};
}

// An integer the answer gives as a JSON number, or nothing.
std::optional<qint64> integerValue(const QJsonValue& value) {
    if (!value.isDouble()) {
        return std::nullopt;
    }
    const double number = value.toDouble();
    if (!std::isfinite(number) || number != std::floor(number) || number < 0 || number > 9.0e15) {
        return std::nullopt;
    }
    return value.toInteger();
}

} // namespace

QUrl RLApiClient::defaultHost() {
    QString configured = qEnvironmentVariable("REMOTELOG_API_ENDPOINT");
    if (configured.isEmpty()) {
        return QUrl(QString::fromLatin1(builtInHost));
    }
    // Paths resolve against the base: without its last "/" they would replace its last segment.
    if (!configured.endsWith(QLatin1Char('/'))) {
        configured += QLatin1Char('/');
    }
    return QUrl(configured);
}

RLApiClient::RLApiClient(QUrl host, RLHttpClient& http)
    : m_host(std::move(host)), m_http(http),
      m_userAgent(RLSystemUtils::systemUserAgent() +
                  QStringLiteral(" remotelog-%1/%2").arg(RLSystemUtils::platformName()).arg(libraryVersion)) {
}

void RLApiClient::setAppToken(const std::optional<QString>& token) {
    if (!token) {
        return;
    }
    std::lock_guard lock(m_mutex);
    m_appToken = token;
}

std::optional<QString> RLApiClient::appToken() const {
    std::lock_guard lock(m_mutex);
    return m_appToken;
}

QString RLApiClient::userAgent() const {
    std::lock_guard lock(m_mutex);
    return m_userAgent;
}

void RLApiClient::setUserAgent(const QString& agent) {
    std::lock_guard lock(m_mutex);
    m_userAgent = agent;
}

std::optional<RLError> RLApiClient::checkParameter(bool present) {
    if (present) {
        return std::nullopt;
    }
    return RLError{RLApiClientErrorInvalidParametersDomain, invalidParametersCode,
                   QStringLiteral("Invalid parameters")};
}

void RLApiClient::POST(const QString& path, const QJsonObject& parameters, Success success, Failure failure) {
    std::optional<QByteArray> sessionHeader;
    if (parameters.contains(QStringLiteral("session_id"))) {
        const QJsonValue id = parameters.value(QStringLiteral("session_id"));
        sessionHeader =
            id.isDouble() ? QByteArray::number(id.toInteger()) : id.toVariant().toString().toUtf8();
    }
    postBody(path, QJsonDocument(parameters).toJson(QJsonDocument::Compact), sessionHeader,
             std::move(success), std::move(failure));
}

void RLApiClient::postBody(const QString& path, const QByteArray& body,
                           const std::optional<QByteArray>& sessionHeader, Success success, Failure failure) {
    RLHttpClient::Headers headers{{"User-Agent", userAgent().toUtf8()},
                                  {"Content-Type", "application/json"},
                                  {"Accept", "application/json"}};
    if (const auto token = appToken()) {
        headers.append({"X-App-Token", token->toUtf8()});
    }
    if (sessionHeader) {
        headers.append({"X-App-Session", *sessionHeader});
    }
    m_http.post(m_host.resolved(QUrl(path)), headers, body,
                [success = std::move(success), failure = std::move(failure)](const RLHttpResponse& response) {
                    auto answer = readAnswer(response);
                    if (auto* error = std::get_if<RLError>(&answer)) {
                        failure(*error);
                        return;
                    }
                    success(std::get<QJsonDocument>(answer));
                });
}

std::variant<QJsonDocument, RLError> RLApiClient::readAnswer(const RLHttpResponse& response) {
    if (!response.completed()) {
        return RLError{RLNetworkErrorDomain, 0, response.transportError};
    }
    if (!response.succeeded()) {
        return RLError{RLApiClientErrorDomain, response.status,
                       QStringLiteral("HTTP status %1").arg(response.status)};
    }
    QJsonParseError parseError;
    QJsonDocument answer = QJsonDocument::fromJson(response.body, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return jsonError(parseError.errorString());
    }
    return answer;
}

RLApiClient::DeviceStatus RLApiClient::readDeviceStatus(const QJsonDocument& answer) {
    const QJsonObject object = answer.object();
    const QJsonValue enabled = object.value(QStringLiteral("logger_enabled"));
    const QJsonValue latest =
        object.value(QStringLiteral("latest_sdk_version")).toObject().value(RLSystemUtils::platformName());
    const double version = latest.isString() ? latest.toString().toDouble() : latest.toDouble();
    return {enabled.isBool() ? enabled.toBool() : enabled.toInt() != 0, std::isfinite(version) ? version : 0};
}

std::optional<qint64> RLApiClient::readSessionId(const QJsonDocument& answer) {
    return integerValue(answer.object().value(QStringLiteral("id")));
}

void RLApiClient::sendAppToken(const QString& appToken, const QJsonObject& deviceInfo,
                               std::function<void(bool, const std::optional<RLError>&, double)> completion) {
    POST(
        QStringLiteral("app/device-status"), {{"app_token", appToken}, {"device", deviceInfo}},
        [completion](const QJsonDocument& answer) {
            const DeviceStatus status = readDeviceStatus(answer);
            completion(status.loggerEnabled, std::nullopt, status.latestVersion);
        },
        [completion](const RLError& error) { completion(false, error, 0); });
}

void RLApiClient::sendSession(const QJsonObject& session,
                              std::function<void(const std::optional<RLError>&, qint64)> completion) {
    POST(
        QStringLiteral("session"), session,
        [completion](const QJsonDocument& answer) {
            const auto id = readSessionId(answer);
            if (!id) {
                completion(jsonError(QStringLiteral("The session answer has no id")), 0);
                return;
            }
            completion(std::nullopt, *id);
        },
        [completion](const RLError& error) { completion(error, 0); });
}

void RLApiClient::sendLogs(const std::optional<RLLogBatch>& batch, RLCompletion completion) {
    if (auto invalid = checkParameter(batch.has_value())) {
        completion(invalid);
        return;
    }
    postBody(
        QStringLiteral("log/batch"), batch->body, QByteArray::number(batch->sessionId),
        [completion](const QJsonDocument&) { completion(std::nullopt); },
        [completion](const RLError& error) { completion(error); });
}

void RLApiClient::sendIssue(const QJsonObject& issue, RLCompletion completion) {
    POST(
        QStringLiteral("issue"), issue, [completion](const QJsonDocument&) { completion(std::nullopt); },
        [completion](const RLError& error) { completion(error); });
}

void RLApiClient::setKeyValue(const QJsonObject& keyValue, RLCompletion completion) {
    POST(
        QStringLiteral("device/keyvalue"), keyValue,
        [completion](const QJsonDocument&) { completion(std::nullopt); },
        [completion](const RLError& error) { completion(error); });
}

} // namespace remotelog
