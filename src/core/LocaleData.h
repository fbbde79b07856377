#pragma once

#include <QString>

#include <optional>

class PDError;

// The title and message of each error dialog of sign-in and the update sheet, picked by situation.
class LocaleData {
public:
    struct Pair {
        QString title;
        QString message;
        bool operator==(const Pair&) const = default;
    };

    LocaleData() = delete;

    static const Pair& loginGenericError();
    static const Pair& sdpLoadingError();
    static const Pair& sdpChannelOnError();
    static const Pair& sdpSessionTimeoutNetworkDeviceDeletedError();
    static const Pair& sdpSessionTimeoutUserDeletedError();
    static const Pair& sdpSessionTimeoutSessionRevokedError();
    static const Pair& sdpSessionTimeoutSessionExpiredError();
    static const Pair& autoUpdateDownloadFailed();
    static const Pair& autoUpdateVerificationFailed();

    // A sign-in error: the generic pair, the SDP pair when the SDK flags it, the channel pair for the
    // channel's domain (tested last, so it wins).
    static const Pair& forLoginError(const PDError& error);
    // A session that ended: by the SDK's reason code, the expired pair for any other code or none.
    static const Pair& forSessionTimeout(std::optional<int> reason);
};
