// A session folder's files of any bytes. The first byte picks the file: "session.json" (0), "config.json" (1)
// or a log file whose last line a crash may have cut (2). A JSON file is read whole, or not at all: a damaged
// session record reads empty, damaged ids are rebuilt from the folder's name. Of a log file only whole lines
// are sent: all of it, or all but a cut last line, or nothing (the file is then set aside).

#include "FuzzSupport.h"

#include "remotelog/RLIssueManager.h"
#include "remotelog/RLRecords.h"
#include "remotelog/RLStorageItem.h"

using namespace remotelog;

namespace {

const QDir& root() {
    return fuzz::scratchFolder("remotelog-store");
}

// What a folder needs around it; no request is ever made here.
struct Library {
    RLHttpClient http;
    RLApiClient api{QUrl(QStringLiteral("http://127.0.0.1:9/api/")), http};
    RLDiskSize diskSize{root().path()};
    RLIssueManager issues{root().path(), api};
    RLStoreServices services{diskSize, api, issues, [](const QString&) {}};
};

Library& library() {
    static Library made;
    return made;
}

bool areLogLines(const QByteArray& content) {
    return RLStorageItem::parsesAsLogLines(content);
}

void checkJsonFile(bool configuration, const QByteArray& bytes, quint64 id) {
    const QString folder = root().path() + QStringLiteral("/session-%1").arg(id);
    FUZZ_CHECK(QDir().mkpath(folder));
    fuzz::writeFile(
        folder + (configuration ? QStringLiteral("/config.json") : QStringLiteral("/session.json")), bytes);
    const auto parsed = rlJsonObject(bytes);
    {
        const auto item = RLStorageItem::open(folder, library().services);
        if (configuration) {
            const QJsonObject rebuilt{{"session_id", QJsonValue::Null}, {"local_session_id", qint64(id)}};
            FUZZ_CHECK(item->configuration() == (parsed ? *parsed : rebuilt));
            const auto sessionId = item->sessionId();
            FUZZ_CHECK(!sessionId || *sessionId >= 0);
        } else {
            FUZZ_CHECK(item->session() == parsed.value_or(QJsonObject()));
        }
    }
    QDir(folder).removeRecursively();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::quietLogging();
    library();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    static quint64 serial = 0;
    const QByteArray bytes = fuzz::bytes(data + 1, size - 1);
    switch (data[0] % 3) {
    case 0:
        checkJsonFile(false, bytes, ++serial);
        break;
    case 1:
        checkJsonFile(true, bytes, ++serial);
        break;
    default: {
        const auto usable = RLStorageItem::usableLogContent(bytes);
        if (!usable) {
            FUZZ_CHECK(!areLogLines(bytes));
            break;
        }
        FUZZ_CHECK(bytes.startsWith(*usable));
        FUZZ_CHECK(areLogLines(*usable));
        FUZZ_CHECK(*usable == bytes || !areLogLines(bytes));
        break;
    }
    }
    return 0;
}
