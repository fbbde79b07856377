#include "remotelog/RLLogEntry.h"

#include "remotelog/RLSystemUtils.h"

#include <charconv>

namespace remotelog {

namespace {

void appendNumber(QByteArray& out, auto number) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    out.append(digits, end - digits);
}

void appendOptional(QByteArray& out, const char* key, const std::optional<QString>& value) {
    out += key;
    if (value) {
        rlAppendJsonString(out, *value);
    } else {
        out += "null";
    }
}

// The general case: UTF-8 with quotes, backslashes and control characters escaped, plain runs copied whole.
void appendEscaped(QByteArray& out, const QString& text) {
    static constexpr char hex[] = "0123456789abcdef";
    const QByteArray utf8 = text.toUtf8();
    out += '"';
    qsizetype plain = 0;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte >= 0x20 && byte != '"' && byte != '\\') {
            continue;
        }
        out.append(utf8.constData() + plain, i - plain);
        plain = i + 1;
        switch (byte) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += "\\u00";
            out += hex[byte >> 4];
            out += hex[byte & 0xF];
        }
    }
    out.append(utf8.constData() + plain, utf8.size() - plain);
    out += '"';
}

} // namespace

void rlAppendJsonString(QByteArray& out, const QString& text) {
    // Most texts are plain ASCII: written straight into the buffer.
    const qsizetype start = out.size();
    out.resize(start + text.size() + 2);
    char* write = out.data() + start;
    *write++ = '"';
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit < 0x20 || unit >= 0x80 || unit == u'"' || unit == u'\\') {
            out.truncate(start);
            appendEscaped(out, text);
            return;
        }
        *write++ = char(unit);
    }
    *write = '"';
}

QByteArray RLLogEntry::jsonLine() const {
    QByteArray out;
    out.reserve(192 + (text ? text->size() : 0) + (method ? method->size() : 0) + (file ? file->size() : 0));
    out += "{\"x\":";
    if (date) {
        out += '"';
        rlAppendDateText(out, *date);
        out += '"';
    } else {
        out += "null";
    }
    out += ",\"at\":";
    appendNumber(out, absoluteTime);
    appendOptional(out, ",\"m\":", method);
    appendOptional(out, ",\"f\":", file);
    out += ",\"l\":";
    appendNumber(out, line);
    appendOptional(out, ",\"t\":", text);
    appendOptional(out, ",\"tg\":", tag);
    out += ",\"ll\":";
    appendNumber(out, level);
    appendOptional(out, ",\"th\":", threadNumber);
    appendOptional(out, ",\"thn\":", operationQueueName);
    out += '}';
    return out;
}

} // namespace remotelog
