#pragma once

// Character classes of the fixed-form texts the client reads (keys, dates, checksums, colours, file
// names): ASCII only, where QChar's own classes take every script's letters and digits.

#include <QChar>

namespace platform {

inline bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

inline bool isAsciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

inline bool isAsciiLetterOrDigit(QChar c) {
    return isAsciiLetter(c) || isAsciiDigit(c);
}

// Either case.
inline bool isHexDigit(QChar c) {
    return isAsciiDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

inline bool isUpperHexDigit(QChar c) {
    return isAsciiDigit(c) || (c >= u'A' && c <= u'F');
}

} // namespace platform
