// The file-backed queues: names, order, drains that stop or drop, and restarts.
#include "remotelog/RLPersistedDataQueue.h"
#include "remotelog/RLRecords.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace remotelog;

namespace {

struct QueueTest : ::testing::Test {
    QTemporaryDir root;

    std::shared_ptr<RLPersistedDataQueue> queue(const QString& identifier = QStringLiteral("q")) {
        return RLPersistedDataQueue::initWithIdentifier(root.path(), identifier);
    }
    QStringList files(const RLPersistedDataQueue& q) const { return QDir(q.folder()).entryList(QDir::Files); }

    // Drains with a handler that answers at once: `answers` in turn, then true.
    QByteArrayList drain(RLPersistedDataQueue& q, QList<bool> answers, bool* drained = nullptr) {
        QByteArrayList seen;
        bool completed = false;
        q.dequeueAll(
            [&](const QByteArray& item, RLPersistedDataQueue::ItemDone done) {
                seen.append(item);
                done(answers.isEmpty() ? true : answers.takeFirst());
            },
            [&](bool result) {
                completed = true;
                if (drained) {
                    *drained = result;
                }
            });
        EXPECT_TRUE(completed);
        return seen;
    }
};

} // namespace

TEST_F(QueueTest, ItemsAreNumberedFilesThatKeepTheirOrderAcrossRestarts) {
    {
        auto q = queue();
        for (int i = 0; i < 6; ++i) {
            ASSERT_TRUE(q->enqueue(QByteArray::number(i)));
        }
        EXPECT_EQ(files(*q).first(), QStringLiteral("0000000000000000.txt"));
        EXPECT_EQ(q->pendingCount(), 6u);
    }
    auto later = queue(); // a new process finds the items
    EXPECT_EQ(later->pendingCount(), 6u);
    ASSERT_TRUE(later->enqueue("6"));
    EXPECT_EQ(files(*later).last(), QStringLiteral("0000000000000006.txt"));
    EXPECT_EQ(queue().get(), later.get()) << "one queue per folder";
    bool drained = false;
    EXPECT_EQ(drain(*later, {}, &drained), (QByteArrayList{"0", "1", "2", "3", "4", "5", "6"}));
    EXPECT_TRUE(drained);
    EXPECT_FALSE(QDir(later->folder()).exists()) << "a drained queue leaves no folder";
}

TEST_F(QueueTest, ADrainStopsAtAnItemNotHandledAndDropsOnlyWhatCannotBeRead) {
    const struct {
        const char* name;
        QList<bool> answers;
        bool damageSecond;
        QByteArrayList seen;
        QStringList left;
        bool drained;
    } cases[] = {
        {"all handled", {}, false, {"a", "b", "c"}, {}, true},
        {"second refused",
         {true, false},
         false,
         {"a", "b"},
         {"0000000000000001.txt", "0000000000000002.txt"},
         false},
        {"second too long to read", {}, true, {"a", "c"}, {}, true},
    };
    for (const auto& c : cases) {
        QTemporaryDir caseRoot;
        auto q = RLPersistedDataQueue::initWithIdentifier(caseRoot.path(), QStringLiteral("q"));
        for (const char* item : {"a", "b", "c"}) {
            q->enqueue(item);
        }
        if (c.damageSecond) {
            QFile file(QDir(q->folder()).filePath("0000000000000001.txt"));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(RLPersistedDataQueue::maximumItemSize + 1, 'x'));
        }
        bool drained = !c.drained;
        EXPECT_EQ(drain(*q, c.answers, &drained), c.seen) << c.name;
        EXPECT_EQ(drained, c.drained) << c.name;
        EXPECT_EQ(QDir(q->folder()).entryList(QDir::Files), c.left) << c.name;
        EXPECT_EQ(q->pendingCount(), std::size_t(c.left.size())) << c.name;
    }
}

TEST_F(QueueTest, AnEmptyQueueDrainsWithoutTouchingTheDisk) {
    auto q = queue();
    bool drained = false;
    EXPECT_TRUE(drain(*q, {}, &drained).isEmpty());
    EXPECT_TRUE(drained);
    EXPECT_FALSE(QDir(root.filePath(RLPersistedDataQueue::folderName)).exists());
}

TEST_F(QueueTest, ItemsEnqueuedDuringADrainAndDrainsAskedMeanwhileAreServedInTurn) {
    auto q = queue();
    q->enqueue("first");
    RLPersistedDataQueue::ItemDone pending;
    QByteArrayList seen;
    int completions = 0;
    const auto handler = [&](const QByteArray& item, RLPersistedDataQueue::ItemDone done) {
        seen.append(item);
        pending = std::move(done); // answered later, as a request would be
    };
    q->dequeueAll(handler, [&](bool) { ++completions; });
    ASSERT_TRUE(pending);
    q->enqueue("second");
    q->dequeueAll(handler, [&](bool) { ++completions; }); // asked while the first runs
    for (int i = 0; i < 5 && pending; ++i) {
        std::exchange(pending, nullptr)(true);
    }
    EXPECT_EQ(seen, (QByteArrayList{"first", "second"})) << "each item once";
    EXPECT_EQ(completions, 2);
    EXPECT_TRUE(q->isEmpty());
}

TEST(RLRecords, ReadBackWhatTheyWriteAndRefuseAnythingElse) {
    const RLIssue issue{QStringLiteral("t"), QStringLiteral("x"), 7, 9, QStringLiteral("key")};
    const auto readIssue = RLIssue::initWithData(issue.toData());
    ASSERT_TRUE(readIssue);
    EXPECT_EQ(readIssue->toData(), issue.toData());
    const auto identifier = RLObjectIdentifier::initWithData(RLObjectIdentifier{5, 6}.toData());
    ASSERT_TRUE(identifier);
    EXPECT_EQ(*identifier, (RLObjectIdentifier{5, 6}));
    EXPECT_EQ(RLKeyValuePair::initWithData(RLKeyValuePair{"k", QJsonValue::Null}.toData())->value,
              QJsonValue());

    const auto readsIdentifier = [](const QByteArray& d) {
        return RLObjectIdentifier::initWithData(d).has_value();
    };
    const auto readsIssue = [](const QByteArray& d) { return RLIssue::initWithData(d).has_value(); };
    const auto readsPair = [](const QByteArray& d) { return RLKeyValuePair::initWithData(d).has_value(); };
    const struct {
        const char* data;
        std::function<bool(const QByteArray&)> reads;
    } refused[] = {
        {"", readsIdentifier},
        {"{", readsIssue},
        {"[]", readsPair},
        {R"({"local_id":-1,"server_id":2})", readsIdentifier},
        {R"({"local_id":1.5,"server_id":2})", readsIdentifier},
        {R"({"title":1,"text":"x","session_id":1,"local_session_id":1,"app":{"key":"k"}})", readsIssue},
        {R"({"title":"t","text":"x","session_id":1,"local_session_id":1})", readsIssue},
        {R"({"key":"","value":1})", readsPair},
        {R"({"key":"k","value":{"nested":1}})", readsPair},
    };
    for (const auto& c : refused) {
        EXPECT_FALSE(c.reads(c.data)) << c.data;
    }
    EXPECT_FALSE(rlJsonObject(QByteArray(300 * 1024, ' ') + "{}"));
}
