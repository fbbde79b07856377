#pragma once

#include "sdk/PDNetworks.h"

#include <QHash>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QSize>
#include <QString>

#include <functional>
#include <mutex>
#include <optional>
#include <vector>

// Flags decoded once per image URL and pixel size. The SVG is read and rendered on a global queue (some
// flags take tens of milliseconds) and handed out on the main queue; rows then draw the same QImage.
//
// A flag is named by its image URL as text ("file:///…/de.svg"); a plain path counts as a local file. The
// image is exactly the asked size: the flag scaled to cover it, centred, so a 4:3 flag fills a circle
// drawn over the square. A flag that cannot be read or decoded is remembered as a null image: it is
// logged once and never decoded again. The cache must outlive its loads.
class FlagImageCache {
public:
    using Done = std::function<void(const QImage&)>;

    FlagImageCache() = default;
    FlagImageCache(const FlagImageCache&) = delete;
    FlagImageCache& operator=(const FlagImageCache&) = delete;

    static FlagImageCache& shared();

    // The decoded flag, a null image for a flag known to be broken, nothing while it is not decoded.
    std::optional<QImage> cached(const QString& flag, QSize size) const;

    // Calls `done` on the main queue with the flag (null when broken), unless `context` is gone by then.
    // A cached flag is still delivered through the main queue; requests for a flag being decoded wait for
    // that one decode.
    void load(const QString& flag, QSize size, QObject* context, Done done);
    // The same for an SDK image: its bytes come from the image's own load, keyed by its URL. An image
    // without URL gives a null image.
    void load(const PDCacheableImagePtr& image, QSize size, QObject* context, Done done);

    static QString keyOf(const PDCacheableImagePtr& image);

    // Decodes started since the cache was made (each flag and size once).
    int decodeCount() const;

    // Renders SVG bytes into an image of `size`, covering it and centred; null when they are no SVG.
    static QImage render(const QByteArray& svg, QSize size);

private:
    struct Key {
        QString flag;
        QSize size;
        bool operator==(const Key&) const = default;
    };
    friend size_t qHash(const Key& key, size_t seed) {
        return qHashMulti(seed, key.flag, key.size.width(), key.size.height());
    }
    struct Waiter {
        QPointer<QObject> context;
        bool hadContext = false;
        Done done;
    };

    enum class Next { decode, wait, answer };
    // Records the waiter; says whether to start the decode, wait for the running one, or answer now.
    Next enqueue(const Key& key, QObject* context, Done done);
    void finish(const Key& key, QImage image);
    static void deliver(const QImage& image, std::vector<Waiter> waiters);

    mutable std::mutex m_mutex;
    QHash<Key, QImage> m_images;
    QHash<Key, std::vector<Waiter>> m_pending;
    QSet<QString> m_reportedBroken;
    int m_decodes = 0;
};
