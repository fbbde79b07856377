#include "platform/IniText.h"

#include <QStringDecoder>

namespace platform::ini {

namespace {

bool isLineSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool isOctal(char c) {
    return c >= '0' && c <= '7';
}

// The character a one-letter escape stands for, or 0.
char simpleEscape(char c) {
    switch (c) {
    case 'a':
        return '\a';
    case 'b':
        return '\b';
    case 'f':
        return '\f';
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    case 'v':
        return '\v';
    case '"':
    case '?':
    case '\'':
    case '\\':
        return c;
    default:
        return 0;
    }
}

struct Line {
    qsizetype start = 0;
    qsizetype end = 0;
    qsizetype equals = -1; // the first '=' outside quotes, or -1
};

// The next line from `pos`, blank lines and ';' comments skipped. A line ends at a line break or at a ';'
// outside quotes (the rest is a comment); quotes, and a backslash before a line break, carry it over.
bool nextLine(QByteArrayView text, qsizetype& pos, Line& line) {
    const qsizetype size = text.size();
    qsizetype i = pos;
    for (;;) {
        while (i < size && isLineSpace(text[i])) {
            ++i;
        }
        if (i == size || text[i] != ';') {
            break;
        }
        while (i < size && text[i] != '\n' && text[i] != '\r') {
            ++i;
        }
    }
    line = Line{i, i, -1};
    bool inQuotes = false;
    for (; i < size; ++i) {
        const char c = text[i];
        if (c == '=' && !inQuotes && line.equals < 0) {
            line.equals = i;
        } else if ((c == '\n' || c == '\r' || c == ';') && !inQuotes) {
            break;
        } else if (c == '"') {
            inQuotes = !inQuotes;
        } else if (c == '\\' && i + 1 < size) {
            // The escaped byte is the line's whatever it is; "\r\n" and "\n\r" count as one.
            ++i;
            if (i + 1 < size &&
                ((text[i] == '\n' && text[i + 1] == '\r') || (text[i] == '\r' && text[i + 1] == '\n'))) {
                ++i;
            }
        }
    }
    line.end = pos = i;
    return line.end > line.start;
}

// A key's escapes: "\" for "/", "%XX" and "%UXXXX" for any character.
QString unescapedKey(QByteArrayView raw) {
    const QString text = QString::fromUtf8(raw);
    QString key;
    key.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text[i];
        if (c == u'\\') {
            key += u'/';
            ++i;
            continue;
        }
        if (c == u'%' && i + 1 < text.size()) {
            const bool wide = text[i + 1] == u'U';
            const qsizetype first = i + (wide ? 2 : 1);
            const qsizetype digits = wide ? 4 : 2;
            bool ok = false;
            const ushort code =
                first + digits <= text.size() ? QStringView(text).sliced(first, digits).toUShort(&ok, 16) : 0;
            if (ok) {
                key += QChar(code);
                i = first + digits;
                continue;
            }
        }
        key += c;
        ++i;
    }
    return key;
}

// A value's escapes and quotes undone. Unquoted commas make it a list; blanks around items and at the end
// go, unless quoted or escaped. Escapes are C's, with "\x" and octal taking every digit that follows.
class ValueReader {
public:
    explicit ValueReader(QByteArrayView raw) : m_raw(raw) {}

    void read(Entry& entry) {
        skipBlanks();
        if (readItems() && !m_quoted) {
            chopBlanks();
        }
        if (entry.isList = m_isList; m_isList) {
            m_items.append(m_current);
            entry.list = std::move(m_items);
        } else {
            entry.value = std::move(m_current);
        }
    }

private:
    // False when the text ends inside an escape: what is there so far stays as it is.
    bool readItems() {
        const qsizetype size = m_raw.size();
        while (m_pos < size) {
            const char c = m_raw[m_pos];
            if (c == '\\') {
                if (!readEscape()) {
                    return false;
                }
            } else if (c == '"') {
                ++m_pos;
                m_quoted = true;
                m_inQuotes = !m_inQuotes;
                if (!m_inQuotes) {
                    skipBlanks();
                }
                m_kept = m_current.size();
            } else if (c == ',' && !m_inQuotes) {
                if (!m_quoted) {
                    chopBlanks();
                }
                m_isList = true;
                m_items.append(std::exchange(m_current, {}));
                m_quoted = false;
                ++m_pos;
                skipBlanks();
                m_kept = 0;
            } else {
                qsizetype end = m_pos + 1;
                while (end < size && m_raw[end] != '\\' && m_raw[end] != '"' && m_raw[end] != ',') {
                    ++end;
                }
                // One decoder for the whole value: a character may be split by an escape.
                m_current += m_utf8(m_raw.sliced(m_pos, end - m_pos));
                m_pos = end;
            }
        }
        return true;
    }

    bool readEscape() {
        const qsizetype size = m_raw.size();
        if (++m_pos == size) {
            return false;
        }
        const char c = m_raw[m_pos++];
        if (const char plain = simpleEscape(c)) {
            m_current += QLatin1Char(plain);
        } else if (c == 'x' || isOctal(c)) {
            const bool hex = c == 'x';
            if (hex && m_pos == size) {
                return false;
            }
            if (!hex || hexValue(m_raw[m_pos]) >= 0) {
                char16_t code = hex ? 0 : char16_t(c - '0');
                for (; m_pos < size; ++m_pos) {
                    const int digit =
                        hex ? hexValue(m_raw[m_pos]) : (isOctal(m_raw[m_pos]) ? m_raw[m_pos] - '0' : -1);
                    if (digit < 0) {
                        break;
                    }
                    code = char16_t(code * (hex ? 16 : 8) + digit);
                }
                m_current += QChar(code);
                if (m_pos == size) {
                    return false;
                }
            }
        } else if ((c == '\n' || c == '\r') && m_pos < size &&
                   (m_raw[m_pos] == '\n' || m_raw[m_pos] == '\r') && m_raw[m_pos] != c) {
            ++m_pos; // a continued line: "\r\n" and "\n\r" are one line break
        }
        // Any other escaped character is dropped.
        m_kept = m_current.size();
        return true;
    }

    void skipBlanks() {
        while (m_pos < m_raw.size() && (m_raw[m_pos] == ' ' || m_raw[m_pos] == '\t')) {
            ++m_pos;
        }
    }

    void chopBlanks() {
        while (m_current.size() > m_kept && isBlank(m_current.back())) {
            m_current.chop(1);
        }
    }

    QByteArrayView m_raw;
    qsizetype m_pos = 0;
    QStringDecoder m_utf8{QStringDecoder::Utf8};
    QString m_current;
    QStringList m_items;
    qsizetype m_kept = 0; // blanks before this position of m_current are the value's own
    bool m_isList = false;
    bool m_inQuotes = false;
    bool m_quoted = false;
};

const char hexDigits[] = "0123456789ABCDEF";

void appendEscapedKey(QByteArray& out, QStringView key) {
    for (const QChar qc : key) {
        const char16_t c = qc.unicode();
        if (c == u'/') {
            out += '\\';
        } else if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                   c == u'_' || c == u'-' || c == u'.') {
            out += char(c);
        } else if (c <= 0xff) {
            out += '%';
            out += hexDigits[c >> 4];
            out += hexDigits[c & 0xf];
        } else {
            out += "%U";
            for (int shift = 12; shift >= 0; shift -= 4) {
                out += hexDigits[(c >> shift) & 0xf];
            }
        }
    }
}

// Latin-1 text (bytes as characters) with C escapes: controls and bytes from 0x7f as "\x..", and a hex
// digit right after such an escape escaped too, since the reader's "\x" takes every digit that follows.
void appendEscapedLatin1(QByteArray& out, QByteArrayView text) {
    const qsizetype start = out.size();
    bool needsQuotes = false;
    bool afterNumericEscape = false;
    for (const char byte : text) {
        const uchar c = uchar(byte);
        needsQuotes = needsQuotes || c == ';' || c == ',' || c == '=';
        if (afterNumericEscape && hexValue(char(c)) >= 0) {
            out += "\\x" + QByteArray::number(c, 16);
            continue;
        }
        afterNumericEscape = false;
        if (c == 0) {
            out += "\\0";
            afterNumericEscape = true;
        } else if (c == '\a' || c == '\b' || c == '\f' || c == '\n' || c == '\r' || c == '\t' || c == '\v') {
            static const char letters[] = "abtnvfr"; // from '\a' (7) to '\r' (13)
            out += '\\';
            out += letters[c - '\a'];
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c <= 0x1f || c >= 0x7f) {
            out += "\\x" + QByteArray::number(c, 16);
            afterNumericEscape = true;
        } else {
            out += char(c);
        }
    }
    if (needsQuotes || (out.size() > start && (out[start] == ' ' || out.back() == ' '))) {
        out.insert(start, '"');
        out += '"';
    }
}

constexpr QLatin1StringView byteArrayPrefix("@ByteArray(");

} // namespace

Document parse(QByteArrayView text) {
    if (text.startsWith("\xef\xbb\xbf")) {
        text = text.sliced(3);
    }
    Document document;
    QString section;
    qsizetype pos = 0;
    Line line;
    qsizetype lastEnd = -1;
    bool lastMalformed = false;
    qsizetype lastEntry = -1;
    while (nextLine(text, pos, line)) {
        const QByteArrayView content = text.sliced(line.start, line.end - line.start);
        lastEnd = line.end;
        lastEntry = -1;
        lastMalformed = false;
        if (content.startsWith('[')) {
            qsizetype close = content.indexOf(']');
            if (close < 0) {
                lastMalformed = true;
                close = content.size();
            }
            const QByteArrayView name = content.sliced(1, close - 1).trimmed();
            if (name.compare("general", Qt::CaseInsensitive) == 0) {
                section.clear();
            } else if (name.compare("%general", Qt::CaseInsensitive) == 0) {
                section = QString::fromLatin1(name.sliced(1)) + u'/';
            } else {
                section = unescapedKey(name) + u'/';
            }
        } else if (line.equals < 0) {
            lastMalformed = true;
        } else {
            const qsizetype equals = line.equals - line.start;
            Entry entry;
            entry.key = section + unescapedKey(content.first(equals).trimmed());
            ValueReader(content.sliced(equals + 1)).read(entry);
            lastEntry = document.entries.size();
            document.entries.append(std::move(entry));
        }
        document.malformedLines += lastMalformed ? 1 : 0;
    }
    document.lastLineMalformed = lastMalformed;
    document.endsInsideALine = lastEnd == text.size();
    if (lastEntry >= 0) {
        document.entries[lastEntry].onLastLine = true;
    }
    return document;
}

std::optional<QByteArray> byteArrayValue(const Entry& entry) {
    if (entry.isList || !entry.value.startsWith(byteArrayPrefix) || !entry.value.endsWith(u')')) {
        return std::nullopt;
    }
    return QStringView(entry.value).sliced(byteArrayPrefix.size()).chopped(1).toLatin1();
}

QByteArray byteArrayLine(const QString& key, QByteArrayView bytes) {
    QByteArray line;
    line.reserve(key.size() + bytes.size() * 2 + 16);
    appendEscapedKey(line, key);
    line += '=';
    appendEscapedLatin1(line, QByteArray(byteArrayPrefix.data(), byteArrayPrefix.size()) +
                                  bytes.toByteArray() + ')');
    line += '\n';
    return line;
}

} // namespace platform::ini
