// Every file the client keeps, written on a full disk: the write is refused and said to be, and what the
// disk held before is still there, byte for byte, with nothing half written beside it.
#include "diagnostics/BulkLogHelper.h"
#include "platform/AtomicFile.h"
#include "platform/LaunchAgent.h"
#include "platform/UserDefaults.h"
#include "remotelog/RLIssueManager.h"
#include "remotelog/RLPersistedDataQueue.h"
#include "remotelog/RLStorageItem.h"
#include "support/FullDisk.h"

#include <QDirIterator>
#include <QFile>
#include <QJsonObject>
#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Every file under `folder`, hidden ones too, with its bytes.
QMap<QString, QByteArray> filesUnder(const QString& folder) {
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        files.insert(file.fileName(),
                     file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("unreadable"));
    }
    return files;
}

QByteArray large(char fill) {
    return QByteArray(4096, fill);
}

struct Store {
    QTemporaryDir root;
    remotelog::RLHttpClient http{std::chrono::milliseconds(100)};
    remotelog::RLApiClient api{QUrl(QStringLiteral("http://127.0.0.1:9/api/")), http};
    remotelog::RLDiskSize diskSize{root.path()};
    remotelog::RLIssueManager issues{root.path(), api};
    QStringList failures;
    remotelog::RLStoreServices services{diskSize, api, issues,
                                        [this](const QString& what) { failures.append(what); }};
};

} // namespace

TEST(FullDisk, EveryWriterKeepsTheEarlierFileAndReportsTheFailure) {
    // Each writer first writes its file on a disk with room, then is asked for a larger one on a full disk;
    // `write` says whether it reported success.
    struct Writer {
        const char* name;
        std::function<void(const QString& folder)> prepare;
        std::function<bool(const QString& folder)> write;
    };
    std::unique_ptr<platform::UserDefaults> defaults;
    std::unique_ptr<Store> store;
    std::shared_ptr<remotelog::RLStorageItem> item;
    std::shared_ptr<remotelog::RLPersistedDataQueue> queue;
    const auto openItem = [&](const QString& folder) {
        store = std::make_unique<Store>();
        item = remotelog::RLStorageItem::open(folder + QStringLiteral("/session-7"), store->services);
        item->setSession({{"os", "earlier"}});
        item->setConfiguration({{"local_session_id", 7}});
    };
    const auto storeReported = [&](const QString&) { return store->failures.isEmpty(); };
    const Writer writers[] = {
        {"the atomic writer, streaming",
         [](const QString& folder) { platform::writeFileAtomically(folder + "/file", "earlier"); },
         [](const QString& folder) {
             platform::AtomicFile file(folder + "/file");
             return file.open() && file.write(large('a')) && file.write(large('b')) && file.commit();
         }},
        {"preferences",
         [&](const QString& folder) {
             defaults = std::make_unique<platform::UserDefaults>(folder + "/prefs.ini");
             defaults->set(QStringLiteral("kept"), QStringLiteral("earlier"));
         },
         [&](const QString&) {
             return defaults->set(QStringLiteral("added"), QString::fromLatin1(large('p')));
         }},
        {"autostart entry",
         [](const QString& folder) {
             platform::writeFileAtomically(folder + "/veltrix.desktop",
                                           "[Desktop Entry]\nType=Application\n");
         },
         [](const QString& folder) {
             return platform::LaunchAgent(QStringLiteral("veltrix"), folder)
                        .setValue(QStringLiteral("Comment"), QString::fromLatin1(large('c'))) ==
                    platform::LaunchAgent::Status::ok;
         }},
        {"remote-logging session record", openItem,
         [&](const QString& folder) {
             item->setSession({{"os", QString::fromLatin1(large('s'))}});
             return storeReported(folder);
         }},
        {"remote-logging configuration", openItem,
         [&](const QString& folder) {
             item->setConfiguration({{"local_session_id", 7}, {"padding", QString::fromLatin1(large('k'))}});
             return storeReported(folder);
         }},
        {"remote-logging queue",
         [&](const QString& folder) {
             queue = remotelog::RLPersistedDataQueue::initWithIdentifier(folder, QStringLiteral("queue"));
             queue->enqueue("earlier");
         },
         [&](const QString&) { return queue->enqueue(large('q')); }},
        {"crash report",
         [](const QString& folder) {
             platform::writeFileAtomically(folder + "/reports/0000000000001-0000.json", "{\"earlier\":true}");
         },
         [](const QString& folder) {
             BulkLogHelper helper(QStringLiteral("http://127.0.0.1:9/%1/%2/"), folder + "/reports");
             helper.sendLogs({{"stack", QString::fromLatin1(large('r'))}});
             return helper.pendingReportCount() != 1;
         }},
    };
    for (const Writer& writer : writers) {
        SCOPED_TRACE(writer.name);
        QTemporaryDir folder;
        QDir().mkpath(folder.filePath("reports"));
        writer.prepare(folder.path());
        const QMap<QString, QByteArray> earlier = filesUnder(folder.path());
        ASSERT_FALSE(earlier.isEmpty());
        bool reportedSuccess = true;
        {
            const testsupport::FullDisk full(256);
            reportedSuccess = writer.write(folder.path());
        }
        EXPECT_FALSE(reportedSuccess);
        EXPECT_EQ(filesUnder(folder.path()), earlier);
        item.reset();
        queue.reset();
        store.reset();
        defaults.reset();
    }
}
