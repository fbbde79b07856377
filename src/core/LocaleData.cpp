#include "core/LocaleData.h"

#include "core/LocalizedStrings.h"
#include "sdk/PDError.h"

// Built on first use, once, from the table; later reads return the same texts.
#define LOCALE_PAIR(name, key)                                                                               \
    const LocaleData::Pair& LocaleData::name() {                                                             \
        static const Pair pair{L10n::localized(QStringLiteral(key "_title")),                                \
                               L10n::localized(QStringLiteral(key "_msg"))};                                 \
        return pair;                                                                                         \
    }

LOCALE_PAIR(loginGenericError, "login_generic_error")
LOCALE_PAIR(sdpLoadingError, "sdp_loading_error")
LOCALE_PAIR(sdpChannelOnError, "sdp_channel_on_error")
LOCALE_PAIR(sdpSessionTimeoutNetworkDeviceDeletedError, "sdp_session_timeout_network_device_deleted_error")
LOCALE_PAIR(sdpSessionTimeoutUserDeletedError, "sdp_session_timeout_user_deleted_error")
LOCALE_PAIR(sdpSessionTimeoutSessionRevokedError, "sdp_session_timeout_session_revoked_error")
LOCALE_PAIR(sdpSessionTimeoutSessionExpiredError, "sdp_session_timeout_session_expired_error")
LOCALE_PAIR(autoUpdateDownloadFailed, "auto_update_download_failed")
LOCALE_PAIR(autoUpdateVerificationFailed, "auto_update_verification_failed")

#undef LOCALE_PAIR

const LocaleData::Pair& LocaleData::forLoginError(const PDError& error) {
    const Pair* pair = &loginGenericError();
    if (error.isSDPError()) {
        pair = &sdpLoadingError();
    }
    if (error.errorDomain() == PDError::SDP_CHANNEL_ERROR_DOMAIN) {
        pair = &sdpChannelOnError();
    }
    return *pair;
}

const LocaleData::Pair& LocaleData::forSessionTimeout(std::optional<int> reason) {
    switch (reason.value_or(-1)) {
    case 3:
        return sdpSessionTimeoutUserDeletedError();
    case 4:
        return sdpSessionTimeoutNetworkDeviceDeletedError();
    case 5:
        return sdpSessionTimeoutSessionRevokedError();
    default:
        return sdpSessionTimeoutSessionExpiredError();
    }
}
