// The filler of localized formats: the format, then its arguments, separated by NUL bytes. Only "%@" and
// "%n$@" are placeholders; an argument is inserted as it stands, never read as a format itself.

#include "FuzzSupport.h"

#include "core/LocalizedStrings.h"

namespace {

// True when the characters of `part` appear in `whole` in the same order.
bool isSubsequence(const QString& part, const QString& whole) {
    qsizetype at = 0;
    for (const QChar c : part) {
        at = whole.indexOf(c, at);
        if (at < 0) {
            return false;
        }
        ++at;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::quietLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QList<QByteArray> parts = fuzz::bytes(data, size).split('\0');
    const QString format = QString::fromUtf8(parts.first());
    QStringList arguments;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        arguments << QString::fromUtf8(parts[i]);
    }

    // Without arguments every placeholder stays as written.
    FUZZ_CHECK(L10n::format(format, {}) == format);

    // Each placeholder takes at most one argument; the rest of the format is kept in order.
    const qsizetype placeholders = format.count(QLatin1Char('%'));
    qsizetype longest = 0;
    for (const QString& argument : arguments) {
        longest = std::max(longest, argument.size());
    }
    const QString filled = L10n::format(format, arguments);
    FUZZ_CHECK(filled.size() <= format.size() + placeholders * longest);

    // Arguments made of one character the format does not use show where each went.
    QStringList markers;
    for (qsizetype i = 0; i < arguments.size() && i < 0x1000; ++i) {
        markers << QString(QChar(char16_t(0xE000 + i)));
    }
    if (std::none_of(format.begin(), format.end(),
                     [](QChar c) { return c.unicode() >= 0xE000 && c.unicode() < 0xF000; })) {
        QString marked = L10n::format(format, markers);
        const qsizetype inserted = std::count_if(marked.begin(), marked.end(), [](QChar c) {
            return c.unicode() >= 0xE000 && c.unicode() < 0xF000;
        });
        FUZZ_CHECK(inserted <= placeholders);
        marked.removeIf([](QChar c) { return c.unicode() >= 0xE000 && c.unicode() < 0xF000; });
        FUZZ_CHECK(isSubsequence(marked, format));
    }
    return 0;
}
