#include "core/LocaleData.h"

#include "core/LocalizedStrings.h"
#include "sdk/PDError.h"

#include <gtest/gtest.h>

TEST(LocaleData, PairsComeFromTheTableAndStayTheSame) {
    const auto& first = LocaleData::loginGenericError();
    EXPECT_EQ(first.title, L10n::localized("login_generic_error_title"));
    EXPECT_EQ(first.message, L10n::localized("login_generic_error_msg"));
    EXPECT_EQ(&LocaleData::loginGenericError(), &first);
    EXPECT_NE(LocaleData::autoUpdateDownloadFailed(), LocaleData::autoUpdateVerificationFailed());
}

TEST(LocaleData, SignInErrorsPickTheirPairWithTheChannelDomainLast) {
    const QString other = PDError::DEFAULT_ERROR_DOMAIN;
    const QString channel = PDError::SDP_CHANNEL_ERROR_DOMAIN;
    EXPECT_EQ(LocaleData::forLoginError(PDError(1, false, other)), LocaleData::loginGenericError());
    EXPECT_EQ(LocaleData::forLoginError(PDError(1, true, other)), LocaleData::sdpLoadingError());
    EXPECT_EQ(LocaleData::forLoginError(PDError(1, true, channel)), LocaleData::sdpChannelOnError());
    EXPECT_EQ(LocaleData::forLoginError(PDError(1, false, channel)), LocaleData::sdpChannelOnError());
}

TEST(LocaleData, SessionTimeoutsPickByReasonCode) {
    EXPECT_EQ(LocaleData::forSessionTimeout(3), LocaleData::sdpSessionTimeoutUserDeletedError());
    EXPECT_EQ(LocaleData::forSessionTimeout(4), LocaleData::sdpSessionTimeoutNetworkDeviceDeletedError());
    EXPECT_EQ(LocaleData::forSessionTimeout(5), LocaleData::sdpSessionTimeoutSessionRevokedError());
    for (std::optional<int> other : {std::optional<int>(0), std::optional<int>(6), std::optional<int>()}) {
        EXPECT_EQ(LocaleData::forSessionTimeout(other), LocaleData::sdpSessionTimeoutSessionExpiredError());
    }
}
