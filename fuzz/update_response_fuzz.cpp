// What the update download takes from outside: the package address from the service's configuration, a
// server's redirect target, Content-Disposition and Content-Length, and the byte counts of its progress.
// Input: package address, redirect target, Content-Disposition and Content-Length separated by NUL bytes;
// the last 16 bytes, when there are that many, are the received and total counts.

#include "FuzzSupport.h"

#include "core/UpdateResponse.h"

#include <QDir>
#include <QHostAddress>

#include <cstring>

namespace {

bool isLoopback(const QString& host) {
    const QHostAddress address(host);
    return host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
           (!address.isNull() && address.isLoopback());
}

// An accepted address is one the client may fetch a package from, and nothing else.
void checkPackageUrl(const QString& text) {
    const std::optional<QUrl> url = updates::packageUrl(text);
    if (!url) {
        return;
    }
    FUZZ_CHECK(url->isValid());
    const QString scheme = url->scheme();
    if (scheme == QLatin1String("https")) {
        FUZZ_CHECK(!url->host().isEmpty());
    } else if (scheme == QLatin1String("http")) {
        FUZZ_CHECK(isLoopback(url->host()));
    } else {
        FUZZ_CHECK(scheme == QLatin1String("file"));
        FUZZ_CHECK(url->host().isEmpty());
        FUZZ_CHECK(QDir::isAbsolutePath(url->toLocalFile()));
    }
}

// A followed redirect starts at a web address, never ends at a file and never leaves https.
void checkRedirect(const QUrl& from, const QUrl& to) {
    if (!updates::isAllowedRedirect(from, to)) {
        return;
    }
    FUZZ_CHECK(from.isValid());
    FUZZ_CHECK(from.scheme() == QLatin1String("https") || isLoopback(from.host()));
    const QUrl target = from.resolved(to);
    FUZZ_CHECK(!target.isLocalFile());
    if (from.scheme() == QLatin1String("https")) {
        FUZZ_CHECK(target.scheme() == QLatin1String("https"));
    } else {
        FUZZ_CHECK(target.scheme() == QLatin1String("https") ||
                   (target.scheme() == QLatin1String("http") && isLoopback(target.host())));
    }
}

void checkProgress(qint64 received, qint64 total) {
    const double progress = updates::progressFraction(received, total);
    FUZZ_CHECK(progress >= 0.0 && progress <= 1.0);
    if (total <= 0 || received <= 0) {
        FUZZ_CHECK(progress == 0.0);
    }
    if (total > 0 && received >= total) {
        FUZZ_CHECK(progress == 1.0);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::quietLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray input = fuzz::bytes(data, size);
    qint64 counts[2] = {0, 0};
    if (input.size() >= 16) {
        std::memcpy(counts, input.constData() + input.size() - 16, sizeof counts);
        input.chop(16);
    }
    const QList<QByteArray> parts = input.split('\0');
    const QString address = QString::fromUtf8(parts.value(0));
    const QString target = QString::fromUtf8(parts.value(1));
    const QByteArray disposition = parts.value(2);
    const QByteArray length = parts.value(3);

    checkPackageUrl(address);
    checkPackageUrl(target);
    checkRedirect(QUrl(address), QUrl(target));
    if (const auto from = updates::packageUrl(address)) {
        checkRedirect(*from, QUrl(target));
    }
    FUZZ_CHECK(updates::isCriticalDisposition(disposition) == disposition.contains("critical"));
    // A length is never negative, and a redirect's length joined before it changes nothing.
    FUZZ_CHECK(updates::contentLength(length) >= 0);
    FUZZ_CHECK(updates::contentLength("0, " + length) == updates::contentLength(length));
    checkProgress(counts[0], counts[1]);
    checkProgress(counts[1], counts[0]);
    return 0;
}
