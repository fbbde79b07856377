#include "core/SignInCallback.h"

#include <QUrlQuery>

std::variant<PDExtendedAuthResult, SignInCallbackFailure>
parseSignInCallback(const QUrl& url, const QString& expectedScheme, const QString& expectedHost) {
    if (!url.isValid() || url.isEmpty()) {
        return SignInCallbackFailure{6, QStringLiteral("Invalid auth callback url")};
    }
    // Schemes and host names are case-insensitive.
    if (url.scheme().compare(expectedScheme, Qt::CaseInsensitive) != 0) {
        return SignInCallbackFailure{4,
                                     QStringLiteral("SCHEME_URL_BUNDLE_ID differs from the URL scheme data")};
    }
    if (url.host().compare(expectedHost, Qt::CaseInsensitive) != 0) {
        return SignInCallbackFailure{5, QStringLiteral("authData.domain differs from the URL scheme data")};
    }
    // Parameters may come as a query, as a fragment, or both: the query's come first.
    QList<std::pair<QString, QString>> items =
        QUrlQuery(url.query(QUrl::FullyEncoded)).queryItems(QUrl::FullyDecoded);
    items += QUrlQuery(url.fragment(QUrl::FullyEncoded)).queryItems(QUrl::FullyDecoded);
    const auto firstValue = [&items](const QString& name) -> QString {
        for (const auto& [key, value] : items) {
            if (key == name) {
                return value;
            }
        }
        return {};
    };
    const QString token = firstValue(QStringLiteral("id_token"));
    const QString tenant = firstValue(QStringLiteral("tenant_id"));
    if (token.isEmpty() || tenant.isEmpty()) {
        return SignInCallbackFailure{7, QStringLiteral("failed to get JWT from URL parameters")};
    }
    const auto tokenType = firstValue(QStringLiteral("tokenType")) == QLatin1String("implicitToken")
                               ? PDTokenType::implicitToken
                               : PDTokenType::standard;
    return PDExtendedAuthResult(tenant, token, tokenType);
}
