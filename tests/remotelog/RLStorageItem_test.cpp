// One session folder: its files, what survives a crash, and what of its logs can be sent.
#include "remotelog/RLIssueManager.h"
#include "remotelog/RLLogEntry.h"
#include "remotelog/RLStorageItem.h"

#include "support/RemoteLogService.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace remotelog;

namespace {

struct StorageItemTest : ::testing::Test {
    QTemporaryDir root;
    remotelogtest::Service service;
    RLHttpClient http{std::chrono::milliseconds(700)};
    RLApiClient api{service.base(), http};
    RLDiskSize diskSize{root.path()};
    RLIssueManager issues{root.path(), api};
    QStringList failures;
    RLStoreServices services{diskSize, api, issues, [this](const QString& what) { failures.append(what); }};

    QString folder() const { return root.filePath(QStringLiteral("session-42")); }
    QByteArray read(const QString& path) const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    std::optional<RLError> send(RLStorageItem& item) {
        bool done = false;
        std::optional<RLError> result;
        item.sendWithCompletionBlock([&](const std::optional<RLError>& error) {
            result = error;
            done = true;
        });
        EXPECT_TRUE(remotelogtest::waitFor(nullptr, [&] { return done; }));
        return result;
    }
};

QByteArray line(const char* text) {
    RLLogEntry entry;
    entry.text = QString::fromUtf8(text);
    return entry.jsonLine();
}

} // namespace

TEST_F(StorageItemTest, LinesAreSeparatedInTheOpenFileWhichTheNextOpeningCloses) {
    {
        auto item = RLStorageItem::open(folder(), services);
        item->writeLine(line("a"));
        item->appendLine(line("b"));
        item->appendLine(line("c"));
        item->flushLines();
        EXPECT_EQ(read(folder() + "/logs.tmp"), line("a") + ",\n" + line("b") + ",\n" + line("c"));
        EXPECT_EQ(diskSize.length(), quint64(line("a").size()))
            << "appended lines are counted by their writer";
        EXPECT_FALSE(item->sessionId());
        item->setConfiguration({{"session_id", QJsonValue::Null}, {"local_session_id", 42}});
        EXPECT_FALSE(item->sessionId()) << "null until the session went out";
    }
    auto reopened = RLStorageItem::open(folder(), services);
    EXPECT_TRUE(QFileInfo(folder() + "/logs.tmp").isFile());
    EXPECT_EQ(QFileInfo(folder() + "/logs.tmp").size(), 0);
    ASSERT_EQ(reopened->closedLogFiles().size(), 1);
    EXPECT_TRUE(reopened->hasLogs());
    EXPECT_TRUE(reopened->deleteOldLog());
    EXPECT_FALSE(reopened->hasLogs());
    EXPECT_TRUE(failures.isEmpty());
}

TEST_F(StorageItemTest, OnlyWholeLinesOfALogFileAreSent) {
    const QByteArray a = line("a");
    const QByteArray b = line("b");
    const struct {
        const char* name;
        QByteArray content;
        std::optional<QByteArray> usable;
    } files[] = {
        {"whole", a + ",\n" + b, a + ",\n" + b},
        {"last line cut", a + ",\n" + b.left(10), a},
        {"cut after the separator", a + ",\n", a},
        {"cut inside the separator", a + ",", a},
        {"only a cut line", a.left(7), QByteArray()},
        {"not lines at all", "garbage,\n" + a + ",\nmore garbage", std::nullopt},
        {"no line at all", "not a log", std::nullopt},
        {"a line that is no object", "1,\n2", std::nullopt},
    };
    for (const auto& file : files) {
        EXPECT_EQ(RLStorageItem::usableLogContent(file.content), file.usable) << file.name;
    }
}

TEST_F(StorageItemTest, ADamagedLogFileIsSetAsideAndTheRestOfTheBatchGoesOut) {
    auto item = RLStorageItem::open(folder(), services);
    item->setConfiguration({{"session_id", 7}, {"local_session_id", 42}});
    QDir logs(folder() + "/logs");
    const auto writeLog = [&](const char* name, const QByteArray& content) {
        QFile file(logs.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    };
    writeLog("1.txt", line("first") + ",\n" + line("cut").left(12));
    writeLog("2.txt", "not a log");
    writeLog("3.txt", "");
    writeLog("4.txt", line("last"));

    EXPECT_FALSE(send(*item));
    EXPECT_EQ(service.loggedTexts(), (QStringList{"first", "last"}));
    EXPECT_EQ(QDir(logs).entryList(QDir::Files), QStringList{});
    EXPECT_EQ(QDir(folder() + "/" + RLStorageItem::damagedFolderName).entryList(QDir::Files),
              QStringList{"2.txt"});
    EXPECT_FALSE(item->hasLogs());
    EXPECT_EQ(service.order(), (QByteArrayList{"log/batch"})) << "no session: its id is known";
}

TEST_F(StorageItemTest, AFolderWithoutIdsOrWithoutLinesCompletesWithoutTrafficAndBatchesNeedAServerId) {
    auto bare = RLStorageItem::open(folder(), services);
    EXPECT_FALSE(send(*bare)) << "no configuration: nothing to send";
    bare->setConfiguration({{"session_id", 3}, {"local_session_id", 42}});
    QFile empty(folder() + "/logs/1.txt");
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    EXPECT_FALSE(send(*bare)) << "only empty files";
    EXPECT_TRUE(QFile::exists(folder() + "/logs/1.txt")) << "kept until a batch takes it along";
    EXPECT_EQ(service.count("log/batch"), 0);

    QTemporaryDir other;
    QFile broken(other.filePath("session-9/config.json"));
    QDir().mkpath(other.filePath("session-9"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("{\"session_id\": 5, \"local_");
    broken.close();
    auto rebuilt = RLStorageItem::open(other.filePath("session-9"), services);
    EXPECT_EQ(rebuilt->localSessionId(), 9u) << "rebuilt from the folder's name";
    EXPECT_FALSE(rebuilt->sessionId()) << "the session goes out again";
}
