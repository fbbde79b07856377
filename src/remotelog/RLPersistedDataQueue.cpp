#include "remotelog/RLPersistedDataQueue.h"

#include "platform/AsciiChars.h"
#include "platform/AtomicFile.h"
#include "platform/FileAccess.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QLoggingCategory>

#include <algorithm>
#include <utility>

namespace remotelog {

namespace {

Q_LOGGING_CATEGORY(lcQueue, "veltrix.remotelog.queue")

std::mutex registryMutex;
QHash<QString, std::weak_ptr<RLPersistedDataQueue>>& registry() {
    static QHash<QString, std::weak_ptr<RLPersistedDataQueue>> queues;
    return queues;
}

bool isItemName(const QString& name) {
    return name.size() == 20 && name.endsWith(QLatin1String(".txt")) &&
           std::all_of(name.begin(), name.begin() + 16, platform::isUpperHexDigit);
}

// The item's bytes, or nothing when it cannot be read whole or is too long.
std::optional<QByteArray> readItem(const QString& path) {
    platform::RegularFileRead file =
        platform::readRegularFile(path, RLPersistedDataQueue::maximumItemSize, platform::Links::refuse);
    if (!file.ok()) {
        return std::nullopt;
    }
    return std::move(file.bytes);
}

} // namespace

std::shared_ptr<RLPersistedDataQueue> RLPersistedDataQueue::initWithIdentifier(const QString& storageRoot,
                                                                               const QString& identifier) {
    const QString folder = QDir(storageRoot).filePath(folderName + QLatin1Char('/') + identifier);
    std::lock_guard lock(registryMutex);
    if (auto existing = registry().value(folder).lock()) {
        return existing;
    }
    std::shared_ptr<RLPersistedDataQueue> made(new RLPersistedDataQueue(folder, identifier));
    made->m_self = made;
    made->m_pendingCount = std::size_t(made->rl_pendingItems().size());
    registry().insert(folder, made);
    return made;
}

RLPersistedDataQueue::RLPersistedDataQueue(QString folder, QString identifier)
    : m_folder(std::move(folder)), m_identifier(std::move(identifier)) {}

RLPersistedDataQueue::~RLPersistedDataQueue() {
    std::lock_guard lock(registryMutex);
    const auto found = registry().constFind(m_folder);
    if (found != registry().cend() && found->expired()) {
        registry().erase(found);
    }
}

std::size_t RLPersistedDataQueue::pendingCount() const {
    std::lock_guard lock(m_mutex);
    return m_pendingCount;
}

QStringList RLPersistedDataQueue::rl_pendingItems() const {
    QStringList names = platform::ownFolderEntries(m_folder, QDir::Files | QDir::Hidden);
    names.removeIf([](const QString& name) { return !isItemName(name); });
    return names;
}

quint64 RLPersistedDataQueue::rl_nextSequenceNumber() {
    if (!m_nextSequenceNumber) {
        const QStringList names = rl_pendingItems();
        m_nextSequenceNumber = names.isEmpty() ? 0 : names.last().left(16).toULongLong(nullptr, 16) + 1;
    }
    return (*m_nextSequenceNumber)++;
}

bool RLPersistedDataQueue::rl_ensureBaseURLExists() const {
    return QDir().mkpath(m_folder);
}

bool RLPersistedDataQueue::enqueue(const QByteArray& item) {
    if (item.size() > maximumItemSize) {
        qCWarning(lcQueue) << "An item of" << item.size() << "bytes is too long for queue" << m_identifier;
        return false;
    }
    std::lock_guard lock(m_mutex);
    if (!rl_ensureBaseURLExists()) {
        qCWarning(lcQueue) << "Cannot make the folder of queue" << m_identifier;
        return false;
    }
    const quint64 sequence = rl_nextSequenceNumber();
    const QString name =
        QStringLiteral("%1").arg(sequence, 16, 16, QLatin1Char('0')).toUpper() + QStringLiteral(".txt");
    if (const platform::AtomicWriteResult written =
            platform::writeFileAtomically(QDir(m_folder).filePath(name), item);
        !written) {
        if (!std::exchange(m_writeFailureLogged, true)) {
            qCWarning(lcQueue).noquote()
                << "Cannot write items of queue" << m_identifier << written.errorString;
        }
        return false;
    }
    m_writeFailureLogged = false;
    ++m_pendingCount;
    return true;
}

bool RLPersistedDataQueue::containsItem(const QByteArray& item) const {
    if (isEmpty()) {
        return false;
    }
    const QDir folder(m_folder);
    for (const QString& name : rl_pendingItems()) {
        if (readItem(folder.filePath(name)) == item) {
            return true;
        }
    }
    return false;
}

void RLPersistedDataQueue::dequeueAll(ItemHandler handler, std::function<void(bool drained)> completion) {
    if (m_draining) {
        m_nextHandler = std::move(handler);
        m_waiting.push_back(std::move(completion));
        return;
    }
    if (isEmpty()) {
        if (completion) {
            completion(true);
        }
        return;
    }
    m_draining = true;
    m_handler = std::move(handler);
    m_completions.push_back(std::move(completion));
    startPass();
}

void RLPersistedDataQueue::startPass() {
    m_items = rl_pendingItems();
    m_index = 0;
    processNext();
}

void RLPersistedDataQueue::processNext() {
    if (m_stepping) {
        m_resume = true; // the handler answered at once: the loop below goes on
        return;
    }
    m_stepping = true;
    do {
        m_resume = false;
        if (!m_draining) {
            break;
        }
        if (m_index >= m_items.size()) {
            m_items = rl_pendingItems(); // items enqueued during the pass
            m_index = 0;
            if (m_items.isEmpty()) {
                m_stepping = false;
                finishDrain(true);
                return;
            }
        }
        const QString name = m_items.at(m_index);
        const QString path = QDir(m_folder).filePath(name);
        const std::optional<QByteArray> item = readItem(path);
        if (!item) {
            qCWarning(lcQueue) << "Dropped unreadable item" << name << "of queue" << m_identifier;
            onItemDone(name, true, m_generation);
            continue;
        }
        m_handler(*item, [weak = m_self, name, generation = m_generation](bool handled) {
            if (auto self = weak.lock()) {
                self->onItemDone(name, handled, generation);
            }
        });
    } while (m_resume);
    m_stepping = false;
}

void RLPersistedDataQueue::onItemDone(const QString& name, bool handled, quint64 generation) {
    if (!m_draining || generation != m_generation) {
        return;
    }
    if (!handled) {
        finishDrain(false);
        return;
    }
    QFile file(QDir(m_folder).filePath(name));
    if (file.exists() && !file.remove()) {
        qCWarning(lcQueue) << "Cannot remove item" << name << "of queue" << m_identifier
                           << file.errorString();
        finishDrain(false);
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        if (m_pendingCount > 0) {
            --m_pendingCount;
        }
    }
    ++m_index;
    processNext();
}

void RLPersistedDataQueue::cancelDrain() {
    ++m_generation;
    m_draining = false;
    m_handler = nullptr;
    m_nextHandler = nullptr;
    m_completions.clear();
    m_waiting.clear();
    m_items.clear();
    m_index = 0;
}

void RLPersistedDataQueue::finishDrain(bool drained) {
    ++m_generation;
    if (drained) {
        std::lock_guard lock(m_mutex);
        if (rl_pendingItems().isEmpty()) {
            m_pendingCount = 0;
            platform::removeWithoutFollowingLinks(m_folder);
        }
    }
    auto completions = std::move(m_completions);
    m_completions.clear();
    m_handler = nullptr;
    m_draining = false;
    const auto keepAlive = m_self.lock();
    for (auto& completion : completions) {
        if (completion) {
            completion(drained);
        }
    }
    if (!m_draining && !m_waiting.empty()) {
        m_draining = true;
        m_handler = std::move(m_nextHandler);
        m_completions = std::move(m_waiting);
        m_waiting.clear();
        startPass();
    }
}

} // namespace remotelog
