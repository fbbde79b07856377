// The library's small readers and writers: date text, sizes, device facts, the log line.
#include "remotelog/RLLogEntry.h"
#include "remotelog/RLSystemUtils.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace remotelog;

namespace {

void writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

TEST(RLDateText, ReadsOnlyTheLibrarysOwnFormat) {
    const struct {
        const char* text;
        bool read;
        qint64 msecsSinceEpoch;
    } cases[] = {
        {"2024-03-05T14:07:09.042Z", true, 1709647629042},
        {"2024-03-05T15:07:09.042+01:00", true, 1709647629042},
        {"2024-03-05T09:37:09.042-04:30", true, 1709647629042},
        {"2024-03-05T15:07:39.042+01:00:30", true, 1709647629042},
        {"2024-03-05T14:07:09Z", false, 0},     // no milliseconds
        {"2024-02-30T14:07:09.042Z", false, 0}, // no such day
        {"2024-03-05T24:07:09.042Z", false, 0}, // no such hour
        {"2024-03-05T14:07:09.042+25:00", false, 0},
        {"2024-03-05 14:07:09.042Z", false, 0},
        {"", false, 0},
        {"2024-03-05T14:07:09.042Zjunk", false, 0},
        {"2024-03-05T14:07:09.04xZ", false, 0},
        {"2024-03-05T15:07:09.042+01-00", false, 0},
        {"2024-03-05T15:07:09.042+0a:00", false, 0},
        {"2024-03-05T15:07:09.042*01:00", false, 0},
    };
    for (const auto& c : cases) {
        const auto date = rlDateFromString(QString::fromLatin1(c.text));
        EXPECT_EQ(date.has_value(), c.read) << c.text;
        if (date && c.read) {
            EXPECT_EQ(date->toMSecsSinceEpoch(), c.msecsSinceEpoch) << c.text;
        }
    }
    const QDateTime now = QDateTime::fromMSecsSinceEpoch(1709647629042);
    const QString written = rlStringFromDate(now);
    ASSERT_TRUE(rlDateFromString(written)) << written.toStdString();
    EXPECT_EQ(rlDateFromString(written)->toMSecsSinceEpoch(), now.toMSecsSinceEpoch())
        << "written text reads back";
}

TEST(RLDateText, FollowsTheLocalZoneAcrossItsChanges) {
    const QByteArray previous = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    const struct {
        qint64 msecsSinceEpoch;
        const char* text;
    } instants[] = {
        {1711846799999, "2024-03-31T01:59:59.999+01:00"}, // the last instant of winter time
        {1711846800000, "2024-03-31T03:00:00.000+02:00"}, // summer time begins
        {1711846801042, "2024-03-31T03:00:01.042+02:00"}, // the same minute again
        {1729990799999, "2024-10-27T02:59:59.999+02:00"},
        {1729990800000, "2024-10-27T02:00:00.000+01:00"}, // the hour once more
        {-1, "1970-01-01T00:59:59.999+01:00"},
    };
    for (const auto& instant : instants) {
        EXPECT_EQ(rlDateText(instant.msecsSinceEpoch), QByteArray(instant.text)) << instant.text;
    }
    if (previous.isNull()) {
        qunsetenv("TZ");
    } else {
        qputenv("TZ", previous);
    }
}

TEST(RLDirectorySize, CountsWholeBlocksOfEveryItem) {
    const struct {
        qint64 bytes;
        quint64 counted;
    } files[] = {{1, 8192}, {8192, 8192}, {8193, 16384}, {0, 8192}};
    for (const auto& file : files) {
        QTemporaryDir root;
        writeFile(root.filePath("f"), QByteArray(file.bytes, 'a'));
        EXPECT_EQ(rlDirectorySize(root.path()), file.counted) << file.bytes << " bytes";
    }
    QTemporaryDir root;
    writeFile(root.filePath("a/b/c.txt"), "x");
    EXPECT_EQ(rlDirectorySize(root.path()), 3u * 8192) << "two folders and one file";
}

TEST(RLSystemUtils, ReadsBatteriesAndMemoryFromTheKernelsFiles) {
    const struct {
        const char* name;
        QMap<QString, QByteArray> files;
        double percent;
    } supplies[] = {
        {"no power supply", {}, 1.0},
        {"mains only", {{"AC/type", "Mains\n"}}, 1.0},
        {"energy",
         {{"BAT0/type", "Battery\n"}, {"BAT0/energy_now", "25000\n"}, {"BAT0/energy_full", "50000\n"}},
         0.5},
        {"charge",
         {{"BAT0/type", "Battery\n"}, {"BAT0/charge_now", "3000\n"}, {"BAT0/charge_full", "4000\n"}},
         0.75},
        {"percent only", {{"BAT0/type", "Battery\n"}, {"BAT0/capacity", "40\n"}}, 0.4},
        {"capacity 0 is unknown",
         {{"BAT0/type", "Battery\n"},
          {"BAT0/energy_now", "0\n"},
          {"BAT0/energy_full", "0\n"},
          {"BAT0/capacity", "0\n"},
          {"BAT1/type", "Battery\n"},
          {"BAT1/capacity", "90\n"}},
         0.9},
    };
    for (const auto& supply : supplies) {
        QTemporaryDir root;
        for (auto it = supply.files.begin(); it != supply.files.end(); ++it) {
            writeFile(root.filePath(it.key()), it.value());
        }
        EXPECT_DOUBLE_EQ(RLSystemUtils::batteryPercent(root.path()), supply.percent) << supply.name;
    }

    QTemporaryDir root;
    writeFile(root.filePath("meminfo"),
              "MemTotal:       16000 kB\nMemFree:         4000 kB\nMemAvailable:   9000 kB\n");
    const RLRamState ram = RLSystemUtils::ramState(root.filePath("meminfo"));
    EXPECT_EQ(ram.total, 16000u * 1024);
    EXPECT_EQ(ram.free, 4000u * 1024);
    EXPECT_EQ(ram.used, 12000u * 1024);
    writeFile(root.filePath("broken"), "MemFree: lots\n");
    EXPECT_EQ(RLSystemUtils::ramState(root.filePath("broken")).total, 0u);
    EXPECT_EQ(RLSystemUtils::ramState(root.filePath("missing")).total, 0u);
}

TEST(RLSystemUtils, NamesTheHostTheSystemAndTheCaller) {
    EXPECT_FALSE(RLSystemUtils::systemHostname().contains('.'));
    EXPECT_FALSE(RLSystemUtils::systemHostname().isEmpty());
    EXPECT_EQ(RLSystemUtils::withoutVersionPrefix(QStringLiteral("Version 12.1")), QStringLiteral("12.1"));
    EXPECT_EQ(RLSystemUtils::withoutVersionPrefix(QStringLiteral("Debian GNU/Linux 12")),
              QStringLiteral("Debian GNU/Linux 12"));
    EXPECT_EQ(RLThreadAdditions::currentThreadNumber(), qint64(::gettid()));
    EXPECT_EQ(RLThreadAdditions::currentQueueLabel(), QStringLiteral("main"));

    const QDateTime at(QDate(2024, 3, 5), QTime(14, 7, 9, 42));
    const QByteArray line =
        RLConsolePrinter::consoleLine(at.toMSecsSinceEpoch(), 0x4d2, QStringLiteral("hello"));
    EXPECT_TRUE(line.startsWith("2024-03-05 14:07:09.042 ")) << line.constData();
    EXPECT_TRUE(line.endsWith(QByteArray("[") + QByteArray::number(::getpid()) + ":4d2] hello\n"))
        << line.constData();
}

TEST(RLDiskSize, FollowsWritesAndDeletesButNeverGoesBelowZero) {
    QTemporaryDir root;
    RLDiskSize size(root.path());
    size.addLength(100);
    size.reduceLength(30);
    EXPECT_EQ(size.length(), 70u);
    size.reduceLength(1000);
    EXPECT_EQ(size.length(), 0u);
    EXPECT_TRUE(size.changedSinceRefresh());
    writeFile(root.filePath("f"), "x");
    size.rl_refreshRealDiskSize();
    EXPECT_EQ(size.length(), 8192u);
    EXPECT_FALSE(size.changedSinceRefresh());
}

TEST(RLLogEntry, IsOneLineOfTenKeysWithNullForWhatIsAbsent) {
    RLLogEntry bare;
    RLLogEntry full;
    full.line = 12;
    full.level = 2;
    full.absoluteTime = 18446744073709551615ull;
    full.date = 1709647629042;
    full.tag = QStringLiteral("net");
    full.method = QStringLiteral("connect()");
    full.file = QStringLiteral("a.cpp");
    full.text = QStringLiteral("quote \" slash \\ break \n tab \t bell \x07 é");
    full.threadNumber = QStringLiteral("77");
    full.operationQueueName = QStringLiteral("main");

    const QStringList keys = {"at", "f", "l", "ll", "m", "t", "tg", "th", "thn", "x"};
    const struct {
        const RLLogEntry& entry;
        QStringList nullKeys;
    } cases[] = {{bare, {"f", "m", "t", "tg", "th", "thn", "x"}}, {full, {}}};
    for (const auto& c : cases) {
        const QByteArray line = c.entry.jsonLine();
        EXPECT_FALSE(line.contains('\n'));
        QJsonParseError error;
        const QJsonObject object = QJsonDocument::fromJson(line, &error).object();
        ASSERT_EQ(error.error, QJsonParseError::NoError) << line.constData();
        EXPECT_EQ(object.keys(), keys);
        for (const QString& key : keys) {
            EXPECT_EQ(object.value(key).isNull(), c.nullKeys.contains(key))
                << key.toStdString() << " in " << line.constData();
        }
    }
    const QJsonObject object = QJsonDocument::fromJson(full.jsonLine()).object();
    EXPECT_EQ(object.value("t").toString(), *full.text);
    EXPECT_EQ(object.value("l").toInteger(), 12);
    EXPECT_EQ(object.value("ll").toInteger(), 2);
    EXPECT_EQ(object.value("th").toString(), QStringLiteral("77"));
    EXPECT_EQ(rlDateFromString(object.value("x").toString())->toMSecsSinceEpoch(), 1709647629042);
    EXPECT_TRUE(full.jsonLine().contains("\"at\":18446744073709551615"))
        << "the clock reading is written whole";
    EXPECT_TRUE(bare.jsonLine().startsWith("{\"x\":null,\"at\":0,\"m\":null,\"f\":null,\"l\":"))
        << "keys in order";
}
