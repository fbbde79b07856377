#include "core/SignInCallback.h"

#include <gtest/gtest.h>

namespace {

const QString scheme = QStringLiteral("veltrix");
const QString host = QStringLiteral("auth.veltrix.example");

std::variant<PDExtendedAuthResult, SignInCallbackFailure> parse(const char* url) {
    return parseSignInCallback(QUrl(QString::fromUtf8(url)), scheme, host);
}

int failureType(const std::variant<PDExtendedAuthResult, SignInCallbackFailure>& result) {
    const auto* failure = std::get_if<SignInCallbackFailure>(&result);
    return failure ? failure->type : 0;
}

} // namespace

TEST(SignInCallback, AcceptsParametersInTheQueryTheFragmentOrBothWithTheQueryFirst) {
    for (const char* url : {"veltrix://auth.veltrix.example/any/path#id_token=tok&tenant_id=acme",
                            "veltrix://auth.veltrix.example/macos/callback?id_token=tok&tenant_id=acme",
                            "veltrix://auth.veltrix.example/?id_token=tok#tenant_id=acme&id_token=later"}) {
        const auto result = parse(url);
        ASSERT_TRUE(std::holds_alternative<PDExtendedAuthResult>(result)) << url;
        const auto& auth = std::get<PDExtendedAuthResult>(result);
        EXPECT_EQ(auth.token, "tok") << url;
        EXPECT_EQ(auth.tenant, "acme") << url;
        EXPECT_EQ(auth.tokenType, PDTokenType::standard) << url;
    }
}

TEST(SignInCallback, SchemeAndHostCompareWithoutCaseButMustMatch) {
    EXPECT_EQ(failureType(parse("VELTRIX://Auth.Veltrix.Example/?id_token=t&tenant_id=a")), 0);
    EXPECT_EQ(failureType(parse("other://auth.veltrix.example/?id_token=t&tenant_id=a")), 4);
    EXPECT_EQ(failureType(parse("veltrix://evil.example/?id_token=t&tenant_id=a")), 5);
    EXPECT_EQ(failureType(parse("")), 6);
}

TEST(SignInCallback, MissingOrEmptyTokenOrTenantIsRefused) {
    EXPECT_EQ(failureType(parse("veltrix://auth.veltrix.example/")), 7);
    EXPECT_EQ(failureType(parse("veltrix://auth.veltrix.example/?id_token=t")), 7);
    EXPECT_EQ(failureType(parse("veltrix://auth.veltrix.example/?id_token=&tenant_id=a")), 7);
    EXPECT_EQ(failureType(parse("veltrix://auth.veltrix.example/?id_token&tenant_id=a")), 7);
    EXPECT_EQ(failureType(parse("veltrix://auth.veltrix.example/#tenant_id=a")), 7);
}

TEST(SignInCallback, TokenTypeAndDecoding) {
    auto implicit =
        parse("veltrix://auth.veltrix.example/?id_token=a%2Bb&tenant_id=x&tokenType=implicitToken");
    ASSERT_TRUE(std::holds_alternative<PDExtendedAuthResult>(implicit));
    EXPECT_EQ(std::get<PDExtendedAuthResult>(implicit).tokenType, PDTokenType::implicitToken);
    EXPECT_EQ(std::get<PDExtendedAuthResult>(implicit).token, "a+b");
    for (const char* url : {"veltrix://auth.veltrix.example/?id_token=t&tenant_id=x&tokenType=ImplicitToken",
                            "veltrix://auth.veltrix.example/?id_token=t&tenant_id=x&tokenType="}) {
        const auto result = parse(url);
        ASSERT_TRUE(std::holds_alternative<PDExtendedAuthResult>(result)) << url;
        EXPECT_EQ(std::get<PDExtendedAuthResult>(result).tokenType, PDTokenType::standard) << url;
    }
}

TEST(SignInCallback, FailureTextsNeverCarryTheToken) {
    const auto result = parse("other://auth.veltrix.example/?id_token=secret-token&tenant_id=a");
    ASSERT_TRUE(std::holds_alternative<SignInCallbackFailure>(result));
    EXPECT_FALSE(std::get<SignInCallbackFailure>(result).logText.contains("secret"));
}
