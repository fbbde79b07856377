// One persisted queue item of any bytes, drained once: each record reads it whole or not at all (what it
// reads it writes back the same), and the drained queue leaves no folder behind.

#include "FuzzSupport.h"

#include "remotelog/RLPersistedDataQueue.h"
#include "remotelog/RLRecords.h"

using namespace remotelog;

namespace {

const QDir& root() {
    return fuzz::scratchFolder("remotelog-queue");
}

template <class Record>
void checkRoundTrip(const QByteArray& item) {
    if (const auto record = Record::initWithData(item)) {
        const auto again = Record::initWithData(record->toData());
        FUZZ_CHECK(again.has_value());
        FUZZ_CHECK(again->toData() == record->toData());
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::quietLogging();
    root();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static quint64 serial = 0;
    const QString identifier = QStringLiteral("q%1").arg(++serial);
    const QByteArray bytes = fuzz::bytes(data, size);
    const QString folder = root().path() + QStringLiteral("/RLPersistedStringQueues/") + identifier;
    FUZZ_CHECK(QDir().mkpath(folder));
    fuzz::writeFile(folder + QStringLiteral("/0000000000000000.txt"), bytes);

    auto queue = RLPersistedDataQueue::initWithIdentifier(root().path(), identifier);
    FUZZ_CHECK(queue->pendingCount() == 1);
    int handled = 0;
    bool completed = false;
    queue->dequeueAll(
        [&](const QByteArray& item, RLPersistedDataQueue::ItemDone done) {
            FUZZ_CHECK(item == bytes);
            checkRoundTrip<RLIssue>(item);
            checkRoundTrip<RLKeyValuePair>(item);
            checkRoundTrip<RLObjectIdentifier>(item);
            ++handled;
            done(true);
        },
        [&](bool drained) {
            FUZZ_CHECK(drained);
            completed = true;
        });
    FUZZ_CHECK(completed);
    FUZZ_CHECK(handled == (bytes.size() <= RLPersistedDataQueue::maximumItemSize ? 1 : 0));
    FUZZ_CHECK(queue->isEmpty());
    FUZZ_CHECK(!QDir(folder).exists());
    return 0;
}
