// What a later launch sends the running copy over the local socket (the JSON after the length), decoded
// as the running copy decodes it, then taken through the same steps as a forwarded URL.

#include "FuzzSupport.h"

#include "core/SignInCallback.h"
#include "platform/UrlEvents.h"
#include "sdk/PDTypes.h"

#include <QtEndian>

using platform::UrlEvents;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::quietLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::optional<QStringList> arguments = UrlEvents::decodeArguments(fuzz::bytes(data, size));
    if (!arguments) {
        return 0;
    }
    // What a launch forwards reads back as it was sent, never longer than the running copy accepts; what
    // does not fit is dropped from the end.
    const QByteArray message = UrlEvents::encodeMessage(*arguments);
    FUZZ_CHECK(message.size() >= 4 && message.size() <= UrlEvents::maxMessageBytes);
    FUZZ_CHECK(qFromBigEndian<quint32>(message.constData()) == quint32(message.size() - 4));
    const std::optional<QStringList> forwarded = UrlEvents::decodeArguments(message.mid(4));
    FUZZ_CHECK(forwarded.has_value());
    FUZZ_CHECK(*forwarded == arguments->mid(0, forwarded->size()));
    // Re-encoding at most triples a text (a stray byte becomes U+FFFD) and its estimate adds a byte.
    if (size <= 8 * 1024) {
        FUZZ_CHECK(forwarded->size() == arguments->size());
    }

    const PDEndpointConfig config;
    for (const QUrl& url : UrlEvents::urlsIn(*forwarded)) {
        // A link that does not parse goes on invalid, to be refused below.
        FUZZ_CHECK(url.isValid() ? !url.scheme().isEmpty() : url.isEmpty());
        const auto result = parseSignInCallback(url, config.urlScheme(), config.authDomain());
        if (const auto* auth = std::get_if<PDExtendedAuthResult>(&result)) {
            FUZZ_CHECK(!auth->token.isEmpty() && !auth->tenant.isEmpty());
            FUZZ_CHECK(url.host().compare(config.authDomain(), Qt::CaseInsensitive) == 0);
        }
    }
    return 0;
}
