#pragma once

// The records of the persisted queues, each with its JSON form. Reading refuses anything but the shape that
// writing gives.

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

namespace remotelog {

// The JSON object in `data`, or nothing (not JSON, not an object, nested too deep, longer than `limit`).
std::optional<QJsonObject> rlJsonObject(const QByteArray& data, qsizetype limit = 256 * 1024);

// A pair of a run's local session id and the server's id for it.
struct RLObjectIdentifier {
    quint64 localId = 0;
    quint64 serverId = 0;

    static RLObjectIdentifier objectIdentifierWithLocalId(quint64 localId, quint64 serverId) {
        return {localId, serverId};
    }
    QJsonObject toJson() const;
    QByteArray toData() const;
    static std::optional<RLObjectIdentifier> initWithData(const QByteArray& data);
    static std::optional<RLObjectIdentifier> initWithJson(const QJsonObject& json);

    friend bool operator==(const RLObjectIdentifier&, const RLObjectIdentifier&) = default;
};

struct RLIssue {
    QString title;
    QString text;
    quint64 sessionId = 0;
    quint64 localSessionId = 0;
    QString appToken;

    QJsonObject toJson() const;
    QByteArray toData() const;
    static std::optional<RLIssue> initWithData(const QByteArray& data);
    static std::optional<RLIssue> initWithJson(const QJsonObject& json);
};

// A device key and its value: a number, a Boolean, a text, or null for a removed key.
struct RLKeyValuePair {
    QString key;
    QJsonValue value;

    static RLKeyValuePair keyValuePairWithKey(const QString& key, const QJsonValue& value) {
        return {key, value};
    }
    QJsonObject toJson() const;
    QByteArray toData() const;
    static std::optional<RLKeyValuePair> initWithData(const QByteArray& data);
    static std::optional<RLKeyValuePair> initWithJson(const QJsonObject& json);
    // The value as the log line shows it.
    QString valueText() const;
};

} // namespace remotelog
