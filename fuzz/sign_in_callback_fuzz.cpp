// The sign-in callback as a browser or a later launch hands it over: one argument, made a URL the way the
// running copy makes it, then checked against the endpoint configuration.

#include "FuzzSupport.h"

#include "core/SignInCallback.h"
#include "platform/UrlEvents.h"
#include "sdk/PDTypes.h"

#include <QRegularExpression>

#include <variant>

namespace {

// The URL's scheme and host as the text writes them, read without QUrl: an accepted URL must name the
// configured ones here too, so no normalisation can let another host through.
struct WrittenAuthority {
    QString scheme;
    QString host;
};

WrittenAuthority writtenAuthority(const QString& text) {
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0 || !text.mid(colon + 1).startsWith(QLatin1String("//"))) {
        return {};
    }
    QString authority = text.mid(colon + 3);
    static const QRegularExpression delimiter(QStringLiteral("[/?#]"));
    static const QRegularExpression portSuffix(QStringLiteral(":[0-9]*$"));
    const qsizetype end = authority.indexOf(delimiter);
    authority.truncate(end < 0 ? authority.size() : end);
    authority = authority.mid(authority.lastIndexOf(QLatin1Char('@')) + 1);
    const QRegularExpressionMatch port = portSuffix.match(authority);
    if (port.hasMatch()) {
        authority.truncate(port.capturedStart());
    }
    return {text.left(colon), authority};
}

bool isKnownFailure(const SignInCallbackFailure& failure) {
    switch (failure.type) {
    case 4:
        return failure.logText == QLatin1String("SCHEME_URL_BUNDLE_ID differs from the URL scheme data");
    case 5:
        return failure.logText == QLatin1String("authData.domain differs from the URL scheme data");
    case 6:
        return failure.logText == QLatin1String("Invalid auth callback url");
    case 7:
        return failure.logText == QLatin1String("failed to get JWT from URL parameters");
    default:
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::quietLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const PDEndpointConfig config;
    const QString scheme = config.urlScheme();
    const QString host = config.authDomain();
    const QString argument = fuzz::text(data, size);
    for (const QUrl& url : platform::UrlEvents::urlsIn({argument})) {
        const auto result = parseSignInCallback(url, scheme, host);
        if (const auto* failure = std::get_if<SignInCallbackFailure>(&result)) {
            // A failure names its cause and never carries the URL or its tokens.
            FUZZ_CHECK(isKnownFailure(*failure));
            continue;
        }
        const auto& auth = std::get<PDExtendedAuthResult>(result);
        FUZZ_CHECK(!auth.token.isEmpty() && !auth.tenant.isEmpty());
        FUZZ_CHECK(url.scheme().compare(scheme, Qt::CaseInsensitive) == 0);
        FUZZ_CHECK(url.host().compare(host, Qt::CaseInsensitive) == 0);
        const WrittenAuthority written = writtenAuthority(argument);
        FUZZ_CHECK(written.scheme.compare(scheme, Qt::CaseInsensitive) == 0);
        // Host names are equal under IDNA mapping (fullwidth letters fold to ASCII), as in every URL parser.
        FUZZ_CHECK(QString::fromLatin1(QUrl::toAce(written.host)).compare(host, Qt::CaseInsensitive) == 0);
    }
    return 0;
}
