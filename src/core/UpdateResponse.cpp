#include "core/UpdateResponse.h"

#include <QDir>
#include <QHostAddress>

namespace updates {

namespace {

bool isLoopbackHost(const QString& host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

bool isPackageUrl(const QUrl& url) {
    if (!url.isValid() || url.isRelative()) {
        return false;
    }
    const QString scheme = url.scheme();
    if (scheme == QLatin1String("https")) {
        return !url.host().isEmpty();
    }
    if (scheme == QLatin1String("http")) {
        return isLoopbackHost(url.host());
    }
    if (scheme == QLatin1String("file")) {
        return url.host().isEmpty() && QDir::isAbsolutePath(url.toLocalFile());
    }
    return false;
}

} // namespace

std::optional<QUrl> packageUrl(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    if (!isPackageUrl(url)) {
        return std::nullopt;
    }
    return url;
}

bool isAllowedRedirect(const QUrl& from, const QUrl& to) {
    if (!isPackageUrl(from)) {
        return false;
    }
    const QUrl target = from.resolved(to);
    if (!isPackageUrl(target) || target.isLocalFile() || from.isLocalFile()) {
        return false;
    }
    return from.scheme() != QLatin1String("https") || target.scheme() == QLatin1String("https");
}

bool isCriticalDisposition(const QByteArray& contentDisposition) {
    return contentDisposition.contains("critical");
}

qint64 contentLength(const QByteArray& header) {
    bool ok = false;
    const qint64 length = header.mid(header.lastIndexOf(',') + 1).trimmed().toLongLong(&ok);
    return ok && length > 0 ? length : 0;
}

double progressFraction(qint64 received, qint64 total) {
    if (total <= 0 || received <= 0) {
        return 0.0;
    }
    if (received >= total) {
        return 1.0;
    }
    return static_cast<double>(received) / static_cast<double>(total);
}

} // namespace updates
