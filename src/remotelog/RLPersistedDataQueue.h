#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace remotelog {

// A first-in, first-out queue of small items, one file each ("%016llX.txt", the sequence number), under
// <storage root>/RLPersistedStringQueues/<identifier>; the folder exists only while items wait. Items outlive
// the process. One instance per folder exists while anyone holds it.
//
// Enqueueing may happen on any thread. Draining runs on the library's queue: each item waits for its
// handler's answer (usually a request), and an item that cannot be read or is too long is dropped (logged)
// rather than left blocking the queue.
class RLPersistedDataQueue {
public:
    static constexpr qint64 maximumItemSize = 256 * 1024;
    static inline const QString folderName = QStringLiteral("RLPersistedStringQueues");

    static std::shared_ptr<RLPersistedDataQueue> initWithIdentifier(const QString& storageRoot,
                                                                    const QString& identifier);
    ~RLPersistedDataQueue();
    RLPersistedDataQueue(const RLPersistedDataQueue&) = delete;
    RLPersistedDataQueue& operator=(const RLPersistedDataQueue&) = delete;

    // Writes the item (atomically); false when it could not be written or is too long.
    bool enqueue(const QByteArray& item);
    // Whether an item with exactly these bytes waits (reads the items only while some wait).
    bool containsItem(const QByteArray& item) const;

    using ItemDone = std::function<void(bool handled)>;
    // Gets one item; calls `done` once (now or later): true removes the item and goes on, false stops.
    using ItemHandler = std::function<void(const QByteArray& item, ItemDone done)>;
    // Hands the items in order to `handler`, including those enqueued meanwhile; `completion` gets true when
    // the queue ran empty (its folder is then removed), false when a handler stopped it. Without items it
    // completes at once without touching the disk. A drain asked for while one runs follows it.
    void dequeueAll(ItemHandler handler, std::function<void(bool drained)> completion);

    // Forgets a drain in progress without calling its handler or completions again (their owner is going).
    void cancelDrain();

    bool isEmpty() const { return pendingCount() == 0; }
    std::size_t pendingCount() const;
    const QString& identifier() const { return m_identifier; }
    const QString& folder() const { return m_folder; }

private:
    RLPersistedDataQueue(QString folder, QString identifier);

    QStringList rl_pendingItems() const;
    quint64 rl_nextSequenceNumber();
    bool rl_ensureBaseURLExists() const;

    void startPass();
    void processNext();
    void onItemDone(const QString& name, bool handled, quint64 generation);
    void finishDrain(bool drained);

    const QString m_folder;
    const QString m_identifier;
    std::weak_ptr<RLPersistedDataQueue> m_self;

    // Guards the count, the sequence and the folder: enqueue, the count and the folder's removal share it,
    // so an item written during a drain is never removed with the folder.
    mutable std::mutex m_mutex;
    std::optional<quint64> m_nextSequenceNumber;
    std::size_t m_pendingCount = 0;
    bool m_writeFailureLogged = false;

    // The drain, on the library's queue.
    bool m_draining = false;
    quint64 m_generation = 0; // a cancelled drain's late answers are ignored
    ItemHandler m_handler;
    std::vector<std::function<void(bool)>> m_completions;
    ItemHandler m_nextHandler;
    std::vector<std::function<void(bool)>> m_waiting;
    QStringList m_items;
    qsizetype m_index = 0;
    bool m_stepping = false;
    bool m_resume = false;
};

} // namespace remotelog
