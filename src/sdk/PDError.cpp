#include "sdk/PDError.h"

const QString PDError::DEFAULT_ERROR_DOMAIN = QStringLiteral("com.veltrix.sdk.error");
const QString PDError::SDP_CHANNEL_ERROR_DOMAIN = QStringLiteral("com.veltrix.sdk.sdp-channel");

PDError::PDError(int ofType, bool isSDPError, QString errorDomain)
    : PDError(ofType, isSDPError, std::move(errorDomain), std::nullopt, std::nullopt) {}

PDError::PDError(int ofType, bool isSDPError, QString errorDomain, std::optional<QString> title,
                 std::optional<QString> message)
    : m_type(ofType), m_isSDPError(isSDPError), m_domain(std::move(errorDomain)), m_title(std::move(title)),
      m_message(std::move(message)) {}

QString PDError::messageText() const {
    if (m_message && !m_message->isEmpty()) {
        return *m_message;
    }
    return QStringLiteral("The operation failed (error %1).").arg(m_type);
}
