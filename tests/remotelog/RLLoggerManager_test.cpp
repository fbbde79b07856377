// The library's core against the loopback service, on virtual time: what each run stores and what reaches the
// service, in which order, across restarts, crashes, the cap and a service that fails.
#include "remotelog/RLLoggerManager.h"

#include "remotelog/RLPersistedDataQueue.h"
#include "support/RemoteLogService.h"

#include "platform/UserDefaults.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace remotelog;
using remotelogtest::Service;

namespace {

const QString appKey = QStringLiteral("Q7wVn3RkT9pLx2ZbH5cMy8DfJ4sGa6Ue");

void writeFile(const QString& path, const QByteArray& content, bool append = false) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(append ? QIODevice::Append : QIODevice::WriteOnly));
    file.write(content);
}

QByteArray lineWithText(const QString& text) {
    RLLogEntry entry;
    entry.text = text;
    return entry.jsonLine();
}

struct LoggerTest : ::testing::Test {
    QTemporaryDir home;
    platform::UserDefaults defaults{home.filePath(QStringLiteral("defaults.ini"))};
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scoped{scheduler};
    Service service;
    std::shared_ptr<RLLoggerManager> manager;

    QString root() const { return home.filePath(QStringLiteral("store")); }

    void start(const QUrl& host = {}, const QString& storageRoot = {}) {
        manager = RLLoggerManager::initWithAppToken(appKey, QStringLiteral("device-1"),
                                                    {storageRoot.isEmpty() ? root() : storageRoot,
                                                     host.isEmpty() ? service.base() : host, &defaults,
                                                     std::chrono::milliseconds(700)});
    }
    // A service nobody answers: connections are refused.
    static QUrl deadService() {
        testsupport::LoopbackHttpServer gone;
        const QUrl base = gone.url(QStringLiteral("/api/"));
        gone.stop();
        return base;
    }
    bool waitFor(const std::function<bool()>& done, int ms = 5000) {
        return remotelogtest::waitFor(&scheduler, done, ms);
    }
    void settle(int ms = 150) { remotelogtest::settle(&scheduler, ms); }
    // Virtual time moves with the replies of what it starts.
    void advance(double seconds) {
        scheduler.advance(seconds);
        settle();
    }
    void log(const QString& text) {
        RLLogEntry entry;
        entry.text = text;
        entry.date = scheduler.currentMSecsSinceEpoch();
        manager->processLog(entry);
    }
    QString sessionFolder() const { return manager->currentSessionPath(); }
    // Every line this run's folder holds, closed or open.
    QByteArray currentLines() const {
        QByteArray lines;
        QDirIterator it(sessionFolder(), {QStringLiteral("*.txt"), QStringLiteral("logs.tmp")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (file.open(QIODevice::ReadOnly)) {
                lines += file.readAll();
            }
        }
        return lines;
    }
    // An earlier run's folder: its session record dated `daysAgo`, its lines in one closed file.
    QString earlierSession(quint64 id, std::optional<int> daysAgo, const QStringList& lines) {
        const QString folder = root() + QStringLiteral("/session-%1").arg(id);
        QJsonObject session{{"device", QJsonObject{{"udid", "device-1"}}}};
        if (daysAgo) {
            session.insert("time", rlStringFromDate(scheduler.currentDate().addDays(-*daysAgo)));
        }
        writeFile(folder + "/session.json", QJsonDocument(session).toJson());
        writeFile(folder + "/config.json", QJsonDocument(QJsonObject{{"session_id", QJsonValue::Null},
                                                                     {"local_session_id", qint64(id)}})
                                               .toJson());
        QByteArrayList written;
        for (const QString& line : lines) {
            written.append(lineWithText(line));
        }
        writeFile(folder + "/logs/1.txt", written.join(",\n"));
        return folder;
    }
    // Every file below the store with its size and time, to see that nothing was touched.
    QStringList storeSnapshot() const {
        QStringList entries;
        QDirIterator it(root(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            entries.append(QStringLiteral("%1 %2 %3")
                               .arg(it.filePath())
                               .arg(it.fileInfo().size())
                               .arg(it.fileInfo().lastModified().toMSecsSinceEpoch()));
        }
        entries.sort();
        return entries;
    }
};

} // namespace

TEST_F(LoggerTest, ARunWithoutLinesOpensItsFolderAsksForTheDeviceStatusAndPostsItsSessionOnce) {
    start();
    ASSERT_TRUE(waitFor([&] { return service.count("session") == 1; }));
    advance(RLLoggerManager::synchronisationInterval * 2);

    EXPECT_EQ(service.order(), (QByteArrayList{"app/device-status", "session"})) << "and no log batch";
    const QJsonObject device =
        Service::body(service.received("app/device-status").first()).value("device").toObject();
    EXPECT_EQ(device.keys(), (QStringList{"build", "device_type", "language", "name", "os", "os_version",
                                          "sdk_version", "timezone", "udid", "version"}));
    EXPECT_EQ(device.value("os").toString(), QStringLiteral("linux"));
    EXPECT_EQ(device.value("sdk_version").toString(), QStringLiteral("37"));

    const QJsonObject session = Service::body(service.received("session").first());
    EXPECT_EQ(session.keys().size(), 12);
    EXPECT_EQ(session.value("os").toString(), QStringLiteral("linux"));
    EXPECT_EQ(session.value("app_version").toObject().value("app").toObject().value("key").toString(),
              appKey);
    ASSERT_TRUE(rlDateFromString(session.value("time").toString()));
    EXPECT_NE(session.value("orientation").toInt(), 0) << "read from the primary screen";

    QFile config(sessionFolder() + "/config.json");
    ASSERT_TRUE(config.open(QIODevice::ReadOnly));
    const QJsonObject ids = QJsonDocument::fromJson(config.readAll()).object();
    EXPECT_EQ(ids.value("session_id").toInteger(), 1) << "the server's id is kept";
    EXPECT_EQ(quint64(ids.value("local_session_id").toInteger()), manager->localSessionId());
    EXPECT_TRUE(QFile::exists(sessionFolder() + "/session.json"));
    EXPECT_TRUE(QFileInfo(sessionFolder() + "/logs.tmp").isFile()) << "open, empty, while the run lasts";
}

TEST_F(LoggerTest, ASyncFlushesKeyValuesFirstThenSendsTheSessionItsIssuesAndItsLinesInThatOrder) {
    service.answerStatus("device/keyvalue", 503);
    service.answerStatus("session", 503);
    start();
    ASSERT_TRUE(waitFor([&] { return service.count("session") == 1; }));
    manager->setDeviceKeyValuePair({QStringLiteral("plan"), QStringLiteral("gold")});
    manager->setDeviceKeyValuePair({QStringLiteral("plan"), QStringLiteral("gold")}); // the same value again
    log(QStringLiteral("one"));
    log(QStringLiteral("two"));
    manager->sendIssueWithTitle(QStringLiteral("Broken"), QStringLiteral("details"));
    ASSERT_TRUE(waitFor([&] { return service.count("session") >= 2; })) << "the issue forces an attempt";
    ASSERT_TRUE(service.waitUntilQuiet(&scheduler));
    service.server.clearRequests();
    service.answerJson("device/keyvalue", "{}");
    service.answerJson("session", R"({"id":41})");

    log(QStringLiteral("three"));
    advance(RLLoggerManager::synchronisationInterval);
    ASSERT_TRUE(waitFor([&] { return service.count("log/batch") == 1; }));
    EXPECT_EQ(service.order(), (QByteArrayList{"device/keyvalue", "session", "issue", "log/batch"}))
        << "one pending key-value, sent once";
    EXPECT_EQ(
        Service::body(service.received("device/keyvalue").first()),
        (QJsonObject{{"key", "plan"}, {"value", "gold"}, {"app_key", appKey}, {"device_id", "device-1"}}));
    const QJsonObject issue = Service::body(service.received("issue").first());
    EXPECT_EQ(issue.value("title").toString(), QStringLiteral("Broken"));
    EXPECT_EQ(issue.value("session_id").toInteger(), 41) << "the run's server id, not 0";
    EXPECT_EQ(service.received("issue").first().header("x-app-session"), "41");
    EXPECT_EQ(service.received("log/batch").first().header("x-app-session"), "41");
    QStringList texts = service.loggedTexts();
    EXPECT_EQ(texts.last(), QStringLiteral("three"));
    texts.sort();
    EXPECT_EQ(texts, (QStringList{"An issue has been stored.", "Set device data \"plan\"=\"gold\"",
                                  "Set device data \"plan\"=\"gold\"", "one", "three", "two"}));
}

TEST_F(LoggerTest, LinesOfARunThatCrashedMidLineReachTheServiceAtTheNextStart) {
    start(deadService());
    for (int i = 0; i < 3; ++i) {
        log(QStringLiteral("line %1").arg(i));
    }
    settle();
    const QString crashed = sessionFolder();
    manager.reset();
    // The writer was killed while writing its fourth line.
    writeFile(crashed + "/logs.tmp", ",\n" + lineWithText(QStringLiteral("line 3")).left(20), true);

    start();
    ASSERT_TRUE(waitFor([&] { return service.count("session") == 1; }));
    advance(RLLoggerManager::previousSessionsDelay);
    ASSERT_TRUE(waitFor([&] { return !QDir(crashed).exists(); })) << "uploaded, then deleted";
    EXPECT_EQ(service.loggedTexts(), (QStringList{"line 0", "line 1", "line 2"}));
    EXPECT_EQ(service.count("session"), 2);
}

TEST_F(LoggerTest, EarlierRunsAreSentFiveSecondsAfterStartOrDroppedOnceThirtyDaysOld) {
    const QString recent = earlierSession(100, 29, {"recent"});
    const QString old = earlierSession(101, 30, {"old"});
    const QString undated = earlierSession(102, std::nullopt, {"undated"});
    start();
    ASSERT_TRUE(waitFor([&] { return service.count("session") == 1; }));
    EXPECT_TRUE(QDir(recent).exists()) << "nothing before five seconds";

    advance(RLLoggerManager::previousSessionsDelay);
    ASSERT_TRUE(waitFor([&] { return !QDir(recent).exists(); }));
    EXPECT_FALSE(QDir(old).exists());
    EXPECT_FALSE(QDir(undated).exists());
    EXPECT_EQ(service.loggedTexts(), QStringList{"recent"}) << "dropped folders are not sent";
    EXPECT_EQ(service.count("session"), 2);
}

TEST_F(LoggerTest, TheServicesAnswerSwitchesSendingOffAndOnAcrossRuns) {
    service.answerJson("app/device-status", R"({"logger_enabled":false})");
    start();
    ASSERT_TRUE(waitFor([&] { return service.count("app/device-status") == 1; }));
    log(QStringLiteral("kept"));
    advance(RLLoggerManager::synchronisationInterval * 2);
    EXPECT_EQ(service.count("session"), 0);
    EXPECT_EQ(service.count("log/batch"), 0);
    EXPECT_TRUE(currentLines().contains("kept")) << "lines wait in the folder";
    EXPECT_FALSE(defaults.boolForKey(RLLoggerManager::defaultsKey("RLLoggerActiveKey")));
    const QString first = sessionFolder();

    manager.reset();
    service.answerJson("app/device-status", R"({"logger_enabled":true})");
    start();
    ASSERT_TRUE(waitFor([&] { return service.count("session") == 1; }));
    EXPECT_TRUE(defaults.boolForKey(RLLoggerManager::defaultsKey("RLLoggerActiveKey")));
    advance(RLLoggerManager::previousSessionsDelay);
    ASSERT_TRUE(waitFor([&] { return !QDir(first).exists(); }));
    EXPECT_EQ(service.loggedTexts(), QStringList{"kept"});
}

TEST_F(LoggerTest, ForcedSendingClearsItsOnceFlagAfterOneAttemptEvenAFailedOne) {
    service.answerJson("app/device-status", R"({"logger_enabled":false})");
    service.answerStatus("log/batch", 503);
    start();
    ASSERT_TRUE(waitFor([&] { return service.count("app/device-status") == 1; }));
    log(QStringLiteral("now"));
    manager->forceSendOnce();
    EXPECT_TRUE(defaults.boolForKey(RLLoggerManager::defaultsKey("RLLoggerForceSendOnceKey")));
    ASSERT_TRUE(waitFor([&] { return service.count("log/batch") >= 1; }));
    ASSERT_TRUE(waitFor([&] { return !manager->forceSendStillPending(); }));
    settle();
    // The start-up's own upload, waiting behind the forced one, must not send the batch once more.
    EXPECT_EQ(service.count("log/batch"), 1);
    EXPECT_FALSE(defaults.boolForKey(RLLoggerManager::defaultsKey("RLLoggerForceSendOnceKey")));
    EXPECT_FALSE(manager->isSendingAllowed());
}

TEST_F(LoggerTest, ABatchTheServiceRefusesForGoodIsDroppedOneItCannotTakeNowIsSentAgain) {
    const struct {
        int status;
        bool retried;
    } answers[] = {{429, true}, {408, true}, {503, true}, {404, false}, {400, false}};
    for (const auto& answer : answers) {
        SCOPED_TRACE(answer.status);
        start({}, root() + QString::number(answer.status));
        ASSERT_TRUE(waitFor([&] { return service.count("session") >= 1; }));
        ASSERT_TRUE(service.waitUntilQuiet(&scheduler)); // the start-up upload is over
        service.answerStatus("log/batch", answer.status);
        log(QStringLiteral("line for %1").arg(answer.status));
        advance(RLLoggerManager::synchronisationInterval);
        ASSERT_TRUE(waitFor([&] { return service.count("log/batch") == 1; }));
        service.answerJson("log/batch", "{}");
        log(QStringLiteral("next"));
        advance(RLLoggerManager::synchronisationInterval);
        ASSERT_TRUE(waitFor([&] { return service.count("log/batch") == 2; }));
        const QStringList resent =
            answer.retried ? QStringList{QStringLiteral("line for %1").arg(answer.status)} : QStringList{};
        const QJsonArray lines = Service::body(service.received("log/batch").last()).value("logs").toArray();
        QStringList texts;
        for (const QJsonValue& line : lines) {
            texts.append(line.toObject().value("t").toString());
        }
        EXPECT_EQ(texts, resent + QStringList{"next"});
        manager.reset();
        service.server.clearRequests();
    }
}

TEST_F(LoggerTest, AtTheCapTheOldestRunIsTrimmedFirstAndPendingIssuesAndKeyValuesStay) {
    constexpr qint64 cap = 256 * 1024;
    const QString earlier = earlierSession(7, 1, {"a", "b"});
    start(deadService());
    manager->setMaximumLocalStorageSize(cap);
    manager->sendIssueWithTitle(QStringLiteral("kept"), QStringLiteral("issue"));
    manager->setDeviceKeyValuePair({QStringLiteral("plan"), QStringLiteral("gold")});
    settle();
    const QString queues = root() + "/" + RLPersistedDataQueue::folderName;
    ASSERT_TRUE(QDir(queues + "/device-details").exists());

    for (int i = 0; i < 3000; ++i) {
        log(QStringLiteral("line %1 of a long run that fills the store").arg(i));
    }
    settle();
    EXPECT_FALSE(QDir(earlier).exists()) << "the earlier run goes first";
    EXPECT_LT(manager->storageLength(), quint64(cap));
    EXPECT_LT(rlDirectorySize(root()), quint64(cap + 16 * 1024)) << "a trim comes within twenty lines";
    EXPECT_GT(rlDirectorySize(sessionFolder()), quint64(cap / 2)) << "trimmed by the oldest tenth, not all";
    EXPECT_EQ(QDir(queues + "/device-details").entryList(QDir::Files).size(), 1);
    EXPECT_EQ(QDir(queues + QStringLiteral("/issues-%1").arg(manager->localSessionId()))
                  .entryList(QDir::Files)
                  .size(),
              1);
    EXPECT_TRUE(currentLines().contains("line 2999")) << "the newest lines are kept";
}

TEST_F(LoggerTest, ABurstTheWriterCannotHoldKeepsItsNewestLinesAndSaysHowManyWentBefore) {
    struct Case {
        const char* name;
        qsizetype padding; // characters each line carries beyond its number
        int lines;
        quint64 dropped; // 0: as many as the bytes' bound takes
    };
    const Case cases[] = {
        {"more lines than may wait", 0, int(RLLoggerManager::maximumPendingEntries) + 100, 100},
        {"more bytes than may wait", 4096, 3000, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start(deadService());
        manager->setMaximumLocalStorageSize(RLLoggerManager::largestMaximumLocalStorageSize);
        settle();
        const QString padding(c.padding, QLatin1Char('p'));
        for (int i = 0; i < c.lines; ++i) {
            // The writer waits for the scheduler: nothing is written meanwhile.
            log(QStringLiteral("burst %1.").arg(i) + padding);
        }
        const quint64 dropped = manager->droppedEntries();
        if (c.dropped) {
            EXPECT_EQ(dropped, c.dropped);
        } else {
            EXPECT_GT(dropped, 0u);
            EXPECT_LE((c.lines - dropped) * c.padding * sizeof(QChar), RLLoggerManager::maximumPendingBytes);
        }
        settle();
        const QByteArray lines = currentLines();
        const auto burstLine = [](quint64 i) { return QStringLiteral("\"burst %1.").arg(i).toUtf8(); };
        EXPECT_FALSE(lines.contains(burstLine(dropped - 1)));
        EXPECT_TRUE(lines.contains(burstLine(dropped)));
        EXPECT_TRUE(lines.contains(burstLine(c.lines - 1)));
        const QByteArray note = QByteArray::number(dropped) + " earlier lines were dropped";
        EXPECT_TRUE(lines.contains(note));
        EXPECT_LT(lines.indexOf(note), lines.indexOf(burstLine(dropped))) << "the note marks the gap";
        manager.reset();
    }
}

TEST_F(LoggerTest, WithNothingLoggedAndNoKeyValuePendingASyncTouchesNeitherDiskNorNetwork) {
    start();
    ASSERT_TRUE(waitFor([&] { return service.count("session") == 1; }));
    advance(RLLoggerManager::previousSessionsDelay);
    const QStringList before = storeSnapshot();
    const int requests = int(service.received().size());
    advance(RLLoggerManager::diskMeasureInterval * 2);
    EXPECT_EQ(storeSnapshot(), before);
    EXPECT_EQ(int(service.received().size()), requests);
}

TEST_F(LoggerTest, DamagedFilesOfEarlierRunsAreRecoveredOrDroppedAndADamagedQueueItemDoesNotBlock) {
    const QString configDamaged = earlierSession(200, 1, {"kept"});
    writeFile(configDamaged + "/config.json", "{\"session_id\": nu");
    const QString sessionDamaged = earlierSession(201, 1, {"lost"});
    writeFile(sessionDamaged + "/session.json", "{\"time\": \"20");
    const QString queue = root() + "/" + RLPersistedDataQueue::folderName + "/device-details";
    writeFile(queue + "/0000000000000000.txt", "{\"key\":");
    writeFile(queue + "/0000000000000001.txt", R"({"key":"plan","value":"gold"})");

    start();
    ASSERT_TRUE(waitFor([&] { return service.count("session") == 1; }));
    advance(RLLoggerManager::synchronisationInterval);
    ASSERT_TRUE(waitFor([&] { return !QDir(configDamaged).exists() && !QDir(sessionDamaged).exists(); }));
    EXPECT_EQ(service.loggedTexts(), QStringList{"kept"});
    ASSERT_EQ(service.count("device/keyvalue"), 1);
    EXPECT_EQ(Service::body(service.received("device/keyvalue").first()).value("key").toString(),
              QStringLiteral("plan"));
    EXPECT_FALSE(QDir(queue).exists());
}

TEST_F(LoggerTest, AStoreThatCannotBeWrittenAndAStallingServiceCostNoCrashAndNoSpin) {
    const QString blocked = home.filePath(QStringLiteral("not-a-folder"));
    writeFile(blocked, "a file where the store should be");
    service.server.serveStall("/api/session", "{", 100);
    start({}, blocked);
    for (int i = 0; i < 100; ++i) {
        log(QStringLiteral("dropped"));
    }
    manager->sendIssueWithTitle(QStringLiteral("t"), QStringLiteral("x"));
    ASSERT_TRUE(waitFor([&] { return service.count("app/device-status") == 1; }));
    advance(RLLoggerManager::synchronisationInterval);
    settle(1000); // past the request time-out
    EXPECT_TRUE(QFileInfo(blocked).isFile());
    EXPECT_EQ(service.count("log/batch"), 0);
    EXPECT_LE(service.count("session"), 2) << "one attempt at start, one at the sync: no loop";
    service.server.releaseStalls();
}

TEST_F(LoggerTest, LinksPlantedInTheStoreAreRemovedAndWhatTheyPointToIsNeitherReadNorTouched) {
    QTemporaryDir outside;
    const auto secretLine = [](const char* name) { return lineWithText(QString::fromLatin1(name)); };
    writeFile(outside.filePath("run/session.json"), QJsonDocument(QJsonObject{{"time", "x"}}).toJson());
    writeFile(outside.filePath("run/logs/1.txt"), secretLine("secret run"));
    writeFile(outside.filePath("queue/0000000000000000.txt"), R"({"key":"secret","value":"queue"})");
    writeFile(outside.filePath("open.json"), secretLine("secret open file"));
    writeFile(outside.filePath("closed.json"), secretLine("secret closed file"));
    writeFile(outside.filePath("item.json"), R"({"key":"secret","value":"item"})");
    const QString earlier = earlierSession(300, 1, {"sent"});
    const QString queues = root() + "/" + RLPersistedDataQueue::folderName;
    QDir().mkpath(queues + "/issues");
    const struct {
        QString link;
        QString target;
    } planted[] = {
        {root() + "/session-299", outside.filePath("run")},
        {earlier + "/logs.tmp", outside.filePath("open.json")},
        {earlier + "/logs/2.txt", outside.filePath("closed.json")},
        {queues + "/device-details", outside.filePath("queue")},
        {queues + "/issues/0000000000000000.txt", outside.filePath("item.json")},
    };
    for (const auto& p : planted) {
        ASSERT_TRUE(QFile::link(p.target, p.link)) << p.link.toStdString();
    }
    const auto outsideFiles = [&] {
        QStringList files;
        QDirIterator it(outside.path(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            files.append(file.fileName() + (file.open(QIODevice::ReadOnly) ? file.readAll() : "?"));
        }
        files.sort();
        return files;
    };
    const QStringList before = outsideFiles();

    start();
    ASSERT_TRUE(waitFor([&] { return service.count("session") == 1; }));
    advance(RLLoggerManager::previousSessionsDelay);
    advance(RLLoggerManager::synchronisationInterval);
    ASSERT_TRUE(waitFor([&] { return !QDir(earlier).exists(); }));
    service.waitUntilQuiet(&scheduler);
    EXPECT_EQ(service.loggedTexts(), QStringList{"sent"});
    EXPECT_EQ(service.count("device/keyvalue"), 0);
    EXPECT_EQ(outsideFiles(), before);
    for (const auto& p : planted) {
        EXPECT_FALSE(QFileInfo(p.link).isSymLink()) << p.link.toStdString();
    }
}

TEST_F(LoggerTest, AtStartTheStoreIsTrimmedUnderTheCapOldestRunsFirstKeepingARunWhoseIssuesWait) {
    // 180 earlier runs a minute apart, 6 MB in all, none yet thirty days old.
    const QStringList lines(20, QString(1200, QLatin1Char('x')));
    QStringList runs;
    for (int i = 0; i < 180; ++i) {
        runs.append(earlierSession(1000 + i, 0, lines));
        const QDateTime time = scheduler.currentDate().addSecs(-60 * (180 - i));
        writeFile(runs.last() + "/session.json",
                  QJsonDocument(QJsonObject{{"time", rlStringFromDate(time)}}).toJson());
    }
    writeFile(root() + "/" + RLPersistedDataQueue::folderName + "/issues-1000/0000000000000000.txt",
              R"({"title":"waits","text":"t","session_id":0,"local_session_id":1000,"app":{"key":"k"}})");
    ASSERT_GT(rlDirectorySize(root()), quint64(RLLoggerManager::defaultMaximumLocalStorageSize));

    start(deadService());
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(sessionFolder() + "/config.json"); }));
    settle();
    EXPECT_LT(rlDirectorySize(root()), quint64(RLLoggerManager::defaultMaximumLocalStorageSize));
    EXPECT_TRUE(QDir(runs.first()).exists()) << "its issues wait for it";
    EXPECT_FALSE(QFileInfo::exists(runs.first() + "/logs/1.txt"));
    EXPECT_FALSE(QDir(runs[1]).exists()) << "the oldest go first";
    EXPECT_TRUE(QDir(runs.last()).exists()) << "the newest stay";
}
