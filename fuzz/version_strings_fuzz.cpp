// Version comparison and the text helpers over texts from the workspace (offered versions, names).
// Input: up to three texts separated by NUL bytes.

#include "FuzzSupport.h"

#include "core/StringHelpers.h"

#include <QRegularExpression>

using strings::ComparisonResult;

namespace {

int order(const QString& a, const QString& b) {
    return static_cast<int>(strings::compareVersion(a, b));
}

// The helpers answer the same question as the comparison.
void checkHelpers(const QString& a, const QString& b) {
    const int c = order(a, b);
    FUZZ_CHECK(strings::isSameVersion(a, b) == (c == 0));
    FUZZ_CHECK(strings::isNewerVersion(a, b) == (c > 0));
    FUZZ_CHECK(strings::isNewerOrSameVersion(a, b) == (c >= 0));
    FUZZ_CHECK(strings::isOlderVersion(a, b) == (c < 0));
    FUZZ_CHECK(strings::isOlderOrSameVersion(a, b) == (c <= 0));
}

// Dotted numbers, the versions a workspace offers.
bool isDottedNumber(const QString& text) {
    static const QRegularExpression dotted(QStringLiteral("\\A[0-9]+(\\.[0-9]+)*\\z"));
    return dotted.match(text).hasMatch();
}

// Any texts compare reflexively and antisymmetrically; dotted numbers are totally ordered, so sorting
// versions is meaningful. (Padding texts with ".0" makes, say, "$" < "." < "" < "$": only numbers are
// promised an order.)
void checkOrder(const QString& a, const QString& b, const QString& c) {
    FUZZ_CHECK(order(a, a) == 0);
    FUZZ_CHECK(order(a, b) == -order(b, a));
    FUZZ_CHECK(order(a, a + QStringLiteral(".0")) == 0);
    if (!isDottedNumber(a) || !isDottedNumber(b) || !isDottedNumber(c)) {
        return;
    }
    if (order(a, b) <= 0 && order(b, c) <= 0) {
        FUZZ_CHECK(order(a, c) <= 0);
    }
    if (order(a, b) == 0 && order(b, c) == 0) {
        FUZZ_CHECK(order(a, c) == 0);
    }
}

// Characters are whole graphemes: read one by one they give the text back.
void checkCharacters(const QString& text, const QString& needle) {
    // Each read finds the boundaries again: the check is quadratic, so it looks at short texts.
    if (text.size() > 24) {
        return;
    }
    QString rebuilt;
    int count = 0;
    for (QString character; !(character = strings::characterAt(text, count)).isEmpty(); ++count) {
        rebuilt += character;
        FUZZ_CHECK(count <= text.size());
    }
    FUZZ_CHECK(rebuilt == text);
    FUZZ_CHECK(strings::substring(text, 0, count) == text);
    FUZZ_CHECK(strings::substring(text, 0, count + 1).isEmpty());
    FUZZ_CHECK(strings::characterAt(text, -1).isEmpty());

    const std::optional<int> offset = strings::offsetOf(text, needle);
    FUZZ_CHECK(offset.has_value() == text.contains(needle));
    if (offset) {
        FUZZ_CHECK(*offset >= 0 && *offset <= count);
    }
    FUZZ_CHECK(!strings::snakeCased(text).contains(QLatin1Char(' ')));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::quietLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QList<QByteArray> parts = fuzz::bytes(data, size).split('\0');
    const QString a = QString::fromUtf8(parts.value(0));
    const QString b = QString::fromUtf8(parts.value(1));
    const QString c = QString::fromUtf8(parts.value(2));
    checkOrder(a, b, c);
    checkOrder(b, c, a);
    checkOrder(c, a, b);
    checkHelpers(a, b);
    checkCharacters(a, b);
    return 0;
}
