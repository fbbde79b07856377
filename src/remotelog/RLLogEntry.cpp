#include "remotelog/RLLogEntry.h"

#include "remotelog/RLSystemUtils.h"

namespace remotelog {

namespace {

void appendOptional(QByteArray& out, const char* key, const std::optional<QString>& value) {
    out += key;
    if (value) {
        rlAppendJsonString(out, *value);
    } else {
        out += "null";
    }
}

} // namespace

void rlAppendJsonString(QByteArray& out, const QString& text) {
    static constexpr char hex[] = "0123456789abcdef";
    const QByteArray utf8 = text.toUtf8();
    out.reserve(out.size() + utf8.size() + 2);
    out += '"';
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
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
            if (byte < 0x20) {
                out += "\\u00";
                out += hex[byte >> 4];
                out += hex[byte & 0xF];
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

QByteArray RLLogEntry::jsonLine() const {
    QByteArray out;
    out.reserve(160 + (text ? text->size() : 0));
    out += "{\"x\":";
    if (date && date->isValid()) {
        rlAppendJsonString(out, rlStringFromDate(*date));
    } else {
        out += "null";
    }
    out += ",\"at\":";
    out += QByteArray::number(absoluteTime);
    appendOptional(out, ",\"m\":", method);
    appendOptional(out, ",\"f\":", file);
    out += ",\"l\":";
    out += QByteArray::number(line);
    appendOptional(out, ",\"t\":", text);
    appendOptional(out, ",\"tg\":", tag);
    out += ",\"ll\":";
    out += QByteArray::number(level);
    appendOptional(out, ",\"th\":", threadNumber);
    appendOptional(out, ",\"thn\":", operationQueueName);
    out += '}';
    return out;
}

} // namespace remotelog
