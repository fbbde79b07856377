#pragma once

// What the update download takes from outside: the package's address from the service's configuration,
// the server's redirects and headers, and the byte counts that make its progress. No widgets: the fuzz
// build compiles it on its own.

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

namespace updates {

// The package's address when the client may download from it: https with a host, a file URL with an
// absolute local path, or http to this machine's loopback address (nothing of it crosses a network).
// Anything else, unparsable text included, gives nothing.
std::optional<QUrl> packageUrl(const QString& text);

// Whether a download at `from` may follow a redirect to `to` (relative targets are resolved against
// `from`): the target must be a package address itself and never less protected than `from`, so https
// leads only to https.
bool isAllowedRedirect(const QUrl& from, const QUrl& to);

// The server marks a package critical with "critical" in its Content-Disposition, written just so.
bool isCriticalDisposition(const QByteArray& contentDisposition);

// The package's length from the raw Content-Length header; 0 when it is missing or no length. After a
// followed redirect Qt may join the redirect's header with the final answer's ("0, 300000"): the last
// value is the final answer's.
qint64 contentLength(const QByteArray& header);

// The share of the package received, within [0, 1]; 0 while the total is unknown or not positive.
double progressFraction(qint64 received, qint64 total);

} // namespace updates
