#include "core/UpdateResponse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace updates;

TEST(UpdateResponse, OnlyHttpsFileAndLoopbackAddressesArePackageAddresses) {
    const struct {
        const char* text;
        bool accepted;
    } cases[] = {
        {"https://updates.veltrix.example/veltrix-2.1.0.pkg", true},
        {"HTTPS://updates.veltrix.example/a.pkg", true},
        {"file:///home/user/updates/veltrix-2.1.0.pkg", true},
        {"http://127.0.0.1:8080/package", true},
        {"http://127.3.4.5/package", true},
        {"http://[::1]:9/package", true},
        {"http://localhost/package", true},
        {"http://updates.veltrix.example/veltrix.pkg", false}, // cleartext over a network
        {"http://10.0.0.1/veltrix.pkg", false},
        {"ftp://updates.veltrix.example/veltrix.pkg", false},
        {"https:///no-host.pkg", false},
        {"file:relative/path.pkg", false},
        {"file://server/share/veltrix.pkg", false}, // a remote file share
        {"updates/veltrix-2.1.0.pkg", false},
        {"", false},
        {"https://exa mple.com/a.pkg", false},
        {"javascript:alert(1)", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(packageUrl(QString::fromUtf8(c.text)).has_value(), c.accepted) << c.text;
    }
}

TEST(UpdateResponse, RedirectsNeverLowerTheProtectionOrLeaveForAFile) {
    const struct {
        const char* from;
        const char* to;
        bool allowed;
    } cases[] = {
        {"https://a.example/p", "https://cdn.example/p", true},
        {"https://a.example/p", "/mirror/p", true}, // relative: stays https
        {"https://a.example/p", "http://cdn.example/p", false},
        {"https://a.example/p", "http://127.0.0.1/p", false},
        {"https://a.example/p", "file:///etc/passwd", false},
        {"https://a.example/p", "ftp://a.example/p", false},
        {"http://127.0.0.1:1/p", "http://127.0.0.1:1/q", true},
        {"http://127.0.0.1:1/p", "https://cdn.example/p", true},
        {"http://127.0.0.1:1/p", "http://cdn.example/p", false},
        {"http://127.0.0.1:1/p", "file:///tmp/p", false},
        {"file:///tmp/p", "file:///tmp/q", false},
        {"http://cdn.example/p", "https://cdn.example/p", false}, // never a package address to begin with
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isAllowedRedirect(QUrl(QString::fromUtf8(c.from)), QUrl(QString::fromUtf8(c.to))),
                  c.allowed)
            << c.from << " -> " << c.to;
    }
}

TEST(UpdateResponse, CriticalIsTheWordAsWrittenAnywhereInTheDisposition) {
    EXPECT_TRUE(isCriticalDisposition("attachment; filename=critical-update.pkg"));
    EXPECT_TRUE(isCriticalDisposition("critical"));
    EXPECT_FALSE(isCriticalDisposition("attachment; filename=Critical-update.pkg"));
    EXPECT_FALSE(isCriticalDisposition("attachment; filename=update.pkg"));
    EXPECT_FALSE(isCriticalDisposition({}));
}

TEST(UpdateResponse, TheLengthIsTheFinalAnswersEvenJoinedWithARedirects) {
    const struct {
        QByteArray header;
        qint64 length;
    } cases[] = {
        {"300000", 300000},
        {" 42 ", 42},
        {"0, 300000", 300000}, // a followed redirect's length before it
        {"", 0},
        {"-5", 0},
        {"abc", 0},
        {"300000, ", 0},
        {"99999999999999999999", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(contentLength(c.header), c.length) << c.header.constData();
    }
}

TEST(UpdateResponse, ProgressStaysWithinZeroAndOne) {
    constexpr qint64 most = std::numeric_limits<qint64>::max();
    const struct {
        qint64 received;
        qint64 total;
        double progress;
    } cases[] = {
        {0, 100, 0.0},
        {25, 100, 0.25},
        {100, 100, 1.0},
        {150, 100, 1.0}, // more than announced
        {10, 0, 0.0},
        {10, -1, 0.0},
        {-5, 100, 0.0},
        {most, most, 1.0},
        {1, most, 1.0 / static_cast<double>(most)},
    };
    for (const auto& c : cases) {
        const double progress = progressFraction(c.received, c.total);
        EXPECT_DOUBLE_EQ(progress, c.progress) << c.received << "/" << c.total;
        EXPECT_TRUE(progress >= 0.0 && progress <= 1.0);
    }
}
