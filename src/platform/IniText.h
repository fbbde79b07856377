#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The INI text of the preferences file, read and written as QSettings' IniFormat reads and writes it, so
// that files written by QSettings keep every value. Values stay texts: nothing here turns a text into an
// object, whatever it names ("@Variant(...)" included).
namespace platform::ini {

// One key=value line: the key with its section ("section/key") and escapes undone; the value unescaped
// into one text or, when it holds commas outside quotes, into a list of texts.
struct Entry {
    QString key;
    QString value;
    QStringList list;
    bool isList = false;
    bool onLastLine = false;
};

struct Document {
    QList<Entry> entries;   // in the order of the text; where a key repeats, the last one counts
    int malformedLines = 0; // neither a section, a comment nor key=value
    bool lastLineMalformed = false;
    bool endsInsideALine = false; // no line break after the last line: a text cut short ends so
};

Document parse(QByteArrayView text);

// The bytes of a value written as "@ByteArray(...)", as QSettings reads them back; nothing for any other.
std::optional<QByteArray> byteArrayValue(const Entry& entry);

// One line "key=@ByteArray(bytes)" as QSettings writes it, line break included.
QByteArray byteArrayLine(const QString& key, QByteArrayView bytes);

} // namespace platform::ini
