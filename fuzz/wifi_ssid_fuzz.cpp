// An SSID's bytes as NetworkManager hands them over, turned into the text the trusted-networks list shows
// (always one line of valid text, the same for the same bytes) and the key it stores: the bytes themselves
// whenever they were already such text, and never the key of other bytes.

#include "FuzzSupport.h"

#include "platform/WiFiSsidReader.h"

namespace {

// Strict UTF-8 (no overlong forms, surrogates or values past U+10FFFF) without control characters: the
// bytes the client must keep exactly as they are.
bool isPlainUtf8(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto* end = p + bytes.size();
    while (p < end) {
        const unsigned char lead = *p;
        int length = 0;
        char32_t value = 0;
        if (lead < 0x80) {
            if (lead < 0x20 || lead == 0x7F) {
                return false;
            }
            ++p;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            value = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            value = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            value = lead & 0x07;
        } else {
            return false;
        }
        if (end - p < length) {
            return false;
        }
        for (int i = 1; i < length; ++i) {
            if ((p[i] & 0xC0) != 0x80) {
                return false;
            }
            value = (value << 6) | (p[i] & 0x3F);
        }
        const char32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF) ||
            (value >= 0x80 && value <= 0x9F)) {
            return false;
        }
        p += length;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::quietLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray ssid = fuzz::bytes(data, size);
    const QString text = platform::ssidText(ssid);

    FUZZ_CHECK(text.isValidUtf16());
    FUZZ_CHECK(text.size() <= ssid.size());
    for (const QChar character : text) {
        FUZZ_CHECK(character.category() != QChar::Other_Control);
    }
    FUZZ_CHECK(platform::ssidText(ssid) == text);
    if (isPlainUtf8(ssid)) {
        FUZZ_CHECK(text.toUtf8() == ssid);
    } else {
        FUZZ_CHECK(text.contains(QChar::ReplacementCharacter));
    }

    // The key is plain text, and the halves of the input share one only when they are equal.
    const QString key = platform::ssidKey(ssid);
    FUZZ_CHECK(isPlainUtf8(key.toUtf8()));
    FUZZ_CHECK(!isPlainUtf8(ssid) || (ssid.contains("\\x") || key.toUtf8() == ssid));
    const QByteArray first = ssid.first(ssid.size() / 2);
    const QByteArray second = ssid.sliced(ssid.size() / 2);
    FUZZ_CHECK((platform::ssidKey(first) == platform::ssidKey(second)) == (first == second));
    return 0;
}
