#include "platform/IniText.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace platform;

namespace {

// What QSettings reads from `text`: each key with its text or list of texts. Safe only for texts with no
// value beginning with '@', which QSettings would decode.
QMap<QString, QVariant> readByQSettings(const QByteArray& text) {
    static QTemporaryDir dir;
    static int files = 0;
    const QString path = dir.filePath(QStringLiteral("%1.ini").arg(++files)); // QSettings caches by name
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    QSettings settings(path, QSettings::IniFormat);
    QMap<QString, QVariant> values;
    for (const QString& key : settings.allKeys()) {
        values.insert(key, settings.value(key));
    }
    return values;
}

QMap<QString, QVariant> readByIniText(const QByteArray& text) {
    QMap<QString, QVariant> values;
    for (const ini::Entry& entry : ini::parse(text).entries) {
        values.insert(entry.key, entry.isList ? QVariant(entry.list) : QVariant(entry.value));
    }
    return values;
}

} // namespace

TEST(IniText, ReadsKeysAndValuesAsQSettingsDoes) {
    const QList<QByteArray> texts{
        "a=1\nb = two words \nc=\"quoted; with = and , \"\n",
        "list=1, 2 ,\"3 \", 4\\t \nempty=\nonly=,\n",
        "[General]\nx=1\n[%General]\nx=2\n[a%2Fb]\nk=3\n[sec\\sub]\nk=4\n",
        "k%U00e9y=\\x41\\101\\x4142 \\0\\t\\n\\\\\\\"\\q\\?\\'\n",
        "cont=one \\\n  two\\\r\n three\nquotes=\"line\nbreak\"\n",
        "; comment\n\n  key=value ; trailing comment\n;=not a key\nk2=\"a;b\"\n",
        "dup=1\ndup=2\n[General]\ndup=3\n",
        "crlf=1\r\nlf=2\nlfcr=3\n\rcr=4\r",
        "utf8=\xc3\\n\xa9 caf\xc3\xa9\n\xc3\xa9t\xc3\xa9=\xe2\x82\xac\n",
        "spaces=  a  \\  \ntabs=\t\"\t\"\t\nend=\\x7\n",
        "end-in-escape=a \\",
        "octal=\\1234\\08\nhexwrap=\\x123456\n",
    };
    for (const QByteArray& text : texts) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(readByIniText(text), readByQSettings(text));
    }
}

TEST(IniText, TellsLinesItCannotReadAndATextCutShort) {
    struct Case {
        QByteArray text;
        int malformed;
        bool lastMalformed;
        bool endsInsideALine;
        bool lastEntryOnLastLine;
    };
    const QList<Case> cases{
        {"a=1\nb=2\n", 0, false, false, true},
        {"a=1\nb=2", 0, false, true, true},
        {"a=1\nbro", 1, true, true, false},
        {"a=1\njunk\nb=2\n", 1, false, false, true},
        {"[Gen\na=1\n", 1, false, false, true},
        {"a=1\n[Gen", 1, true, true, false},
        {"a=1\nb=\"open quote\n", 0, false, true, true},
        {"", 0, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const ini::Document document = ini::parse(c.text);
        EXPECT_EQ(document.malformedLines, c.malformed);
        EXPECT_EQ(document.lastLineMalformed, c.lastMalformed);
        EXPECT_EQ(document.endsInsideALine, c.endsInsideALine);
        EXPECT_EQ(!document.entries.isEmpty() && document.entries.back().onLastLine, c.lastEntryOnLastLine);
    }
}

TEST(IniText, ByteArrayLinesReadBackByItAndByQSettings) {
    const QList<QByteArray> values{
        QByteArray(),
        QByteArray("\0\x01\x09\x0a\x0d\"\\ ", 9),
        QByteArray("\0"
                   "1f",
                   3), // a digit right after a numeric escape
        QByteArray("\xff"
                   "a\x7f"
                   "9",
                   4),
        "a;b,c=d",
        " lead and trail ",
        QByteArray("\0\0\0\x01\0\0\0\x0a", 8),
    };
    const QStringList keys{"plain", "with%2Fslash", "a%20b", "trailing~",
                           QString::fromUtf8("unicod\xc3\xa9")};
    for (const QString& key : keys) {
        for (const QByteArray& value : values) {
            SCOPED_TRACE(key.toStdString() + " " + value.toHex().toStdString());
            const QByteArray text = "[General]\n" + ini::byteArrayLine(key, value);
            const ini::Document document = ini::parse(text);
            ASSERT_EQ(document.entries.size(), 1);
            EXPECT_EQ(document.entries[0].key, key);
            EXPECT_EQ(ini::byteArrayValue(document.entries[0]), std::optional(value));
            EXPECT_EQ(readByQSettings(text).value(key), QVariant(value)) << "an older client reads it too";
        }
    }
}

TEST(IniText, OnlyByteArraysAreBytes) {
    for (const QByteArray& text :
         {QByteArray("x=@Variant(\\0\\0\\0\\t\\xf\\xff\\xff\\xff)\n"), QByteArray("x=@ByteArray(ab\n"),
          QByteArray("x=@ByteArray(a), @ByteArray(b)\n"), QByteArray("x=ByteArray(a)\n"),
          QByteArray("x=@Rect(1 2 3 4)\n")}) {
        SCOPED_TRACE(text.toStdString());
        const ini::Document document = ini::parse(text);
        ASSERT_EQ(document.entries.size(), 1);
        EXPECT_EQ(ini::byteArrayValue(document.entries[0]), std::nullopt);
    }
}
