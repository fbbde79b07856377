#pragma once

#include "sdk/PDTypes.h"

#include <QString>
#include <QUrl>

#include <variant>

// The browser's sign-in callback, checked against the endpoint configuration in force.
struct SignInCallbackFailure {
    int type;        // the PDError type the login delegate receives
    QString logText; // never holds the URL or its tokens
};

std::variant<PDExtendedAuthResult, SignInCallbackFailure>
parseSignInCallback(const QUrl& url, const QString& expectedScheme, const QString& expectedHost);
