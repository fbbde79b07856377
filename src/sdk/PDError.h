#pragma once

#include <QString>

#include <optional>

// A failure reported by the SDK. Failures never cross the SDK boundary as exceptions; they come through
// delegate callbacks as values of this type.
class PDError {
public:
    static const QString DEFAULT_ERROR_DOMAIN;
    static const QString SDP_CHANNEL_ERROR_DOMAIN;

    PDError(int ofType, bool isSDPError, QString errorDomain);
    PDError(int ofType, bool isSDPError, QString errorDomain, std::optional<QString> title,
            std::optional<QString> message);

    int type() const { return m_type; }
    int code() const { return m_type; }
    // The code as decimal text (analytics carry it so).
    QString codeText() const { return QString::number(m_type); }
    bool isSDPError() const { return m_isSDPError; }
    const QString& errorDomain() const { return m_domain; }
    // Texts the service sent for this error, if any.
    const std::optional<QString>& title() const { return m_title; }
    const std::optional<QString>& message() const { return m_message; }
    // The message when there is one, else a generic text naming the code.
    QString messageText() const;
    QString localizedDescription() const { return messageText(); }

    bool operator==(const PDError&) const = default;

private:
    int m_type;
    bool m_isSDPError;
    QString m_domain;
    std::optional<QString> m_title;
    std::optional<QString> m_message;
};
