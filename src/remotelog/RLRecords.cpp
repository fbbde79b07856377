#include "remotelog/RLRecords.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace remotelog {

namespace {

std::optional<quint64> unsignedValue(const QJsonValue& value) {
    if (!value.isDouble()) {
        return std::nullopt;
    }
    const qint64 number = value.toInteger(-1);
    return number < 0 ? std::nullopt : std::optional<quint64>(quint64(number));
}

QByteArray compact(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

std::optional<QJsonObject> rlJsonObject(const QByteArray& data, qsizetype limit) {
    if (data.size() > limit) {
        return std::nullopt;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return std::nullopt;
    }
    return document.object();
}

QJsonObject RLObjectIdentifier::toJson() const {
    return {{"local_id", qint64(localId)}, {"server_id", qint64(serverId)}};
}

QByteArray RLObjectIdentifier::toData() const {
    return compact(toJson());
}

std::optional<RLObjectIdentifier> RLObjectIdentifier::initWithData(const QByteArray& data) {
    const auto json = rlJsonObject(data);
    return json ? initWithJson(*json) : std::nullopt;
}

std::optional<RLObjectIdentifier> RLObjectIdentifier::initWithJson(const QJsonObject& json) {
    const auto local = unsignedValue(json.value(QStringLiteral("local_id")));
    const auto server = unsignedValue(json.value(QStringLiteral("server_id")));
    if (!local || !server) {
        return std::nullopt;
    }
    return RLObjectIdentifier{*local, *server};
}

QJsonObject RLIssue::toJson() const {
    return {{"title", title},
            {"text", text},
            {"session_id", qint64(sessionId)},
            {"local_session_id", qint64(localSessionId)},
            {"app", QJsonObject{{"key", appToken}}}};
}

QByteArray RLIssue::toData() const {
    return compact(toJson());
}

std::optional<RLIssue> RLIssue::initWithData(const QByteArray& data) {
    const auto json = rlJsonObject(data);
    return json ? initWithJson(*json) : std::nullopt;
}

std::optional<RLIssue> RLIssue::initWithJson(const QJsonObject& json) {
    const QJsonValue title = json.value(QStringLiteral("title"));
    const QJsonValue text = json.value(QStringLiteral("text"));
    const QJsonValue key = json.value(QStringLiteral("app")).toObject().value(QStringLiteral("key"));
    const auto session = unsignedValue(json.value(QStringLiteral("session_id")));
    const auto local = unsignedValue(json.value(QStringLiteral("local_session_id")));
    if (!title.isString() || !text.isString() || !key.isString() || !session || !local) {
        return std::nullopt;
    }
    return RLIssue{title.toString(), text.toString(), *session, *local, key.toString()};
}

QJsonObject RLKeyValuePair::toJson() const {
    return {{"key", key}, {"value", value}};
}

QByteArray RLKeyValuePair::toData() const {
    return compact(toJson());
}

std::optional<RLKeyValuePair> RLKeyValuePair::initWithData(const QByteArray& data) {
    const auto json = rlJsonObject(data);
    return json ? initWithJson(*json) : std::nullopt;
}

std::optional<RLKeyValuePair> RLKeyValuePair::initWithJson(const QJsonObject& json) {
    const QJsonValue key = json.value(QStringLiteral("key"));
    const QJsonValue value = json.value(QStringLiteral("value"));
    const bool plainValue = value.isDouble() || value.isBool() || value.isString() || value.isNull();
    if (!key.isString() || key.toString().isEmpty() || !plainValue) {
        return std::nullopt;
    }
    return RLKeyValuePair{key.toString(), value};
}

QString RLKeyValuePair::valueText() const {
    switch (value.type()) {
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QJsonValue::Double:
        return value.toVariant().toString();
    case QJsonValue::String:
        return value.toString();
    default:
        return QStringLiteral("<null>");
    }
}

} // namespace remotelog
