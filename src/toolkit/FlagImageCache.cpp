#include "toolkit/FlagImageCache.h"

#include "core/Log.h"
#include "platform/PaintedImage.h"
#include "platform/Scheduler.h"

#include <QPainter>
#include <QSvgRenderer>

FlagImageCache& FlagImageCache::shared() {
    static FlagImageCache cache;
    return cache;
}

QString FlagImageCache::keyOf(const PDCacheableImagePtr& image) {
    return image && image->imageUrl() ? image->imageUrl()->toString() : QString();
}

std::optional<QImage> FlagImageCache::cached(const QString& flag, QSize size) const {
    std::lock_guard lock(m_mutex);
    const auto found = m_images.constFind(Key{flag, size});
    if (found == m_images.cend()) {
        return std::nullopt;
    }
    return *found;
}

int FlagImageCache::decodeCount() const {
    std::lock_guard lock(m_mutex);
    return m_decodes;
}

void FlagImageCache::load(const QString& flag, QSize size, QObject* context, Done done) {
    const QUrl url = QUrl(flag).scheme().isEmpty() ? QUrl::fromLocalFile(flag) : QUrl(flag);
    load(std::make_shared<PDCacheableImage>(flag.isEmpty() ? std::nullopt : std::optional<QUrl>(url)), size,
         context, std::move(done));
}

void FlagImageCache::load(const PDCacheableImagePtr& image, QSize size, QObject* context, Done done) {
    const Key key{keyOf(image), size};
    switch (enqueue(key, context, std::move(done))) {
    case Next::wait:
        return;
    case Next::answer:
        // Known already, or nothing to decode: still answered on the main queue, as a decode would be.
        platform::DispatchQueue::main().async(
            [this, key] { finish(key, cached(key.flag, key.size).value_or(QImage())); });
        return;
    case Next::decode:
        break;
    }
    // The completion keeps the image alive: a row's item may go while its flag is read.
    image->load([this, key, image](std::optional<QByteArray> bytes) {
        QImage decoded = bytes ? render(*bytes, key.size) : QImage();
        platform::DispatchQueue::main().async(
            [this, key, decoded = std::move(decoded)]() mutable { finish(key, std::move(decoded)); });
    });
}

FlagImageCache::Next FlagImageCache::enqueue(const Key& key, QObject* context, Done done) {
    std::lock_guard lock(m_mutex);
    auto& waiters = m_pending[key];
    waiters.push_back(Waiter{context, context != nullptr, std::move(done)});
    if (key.flag.isEmpty() || key.size.isEmpty() || m_images.contains(key)) {
        return Next::answer;
    }
    if (waiters.size() > 1) {
        return Next::wait;
    }
    ++m_decodes;
    return Next::decode;
}

void FlagImageCache::finish(const Key& key, QImage image) {
    std::vector<Waiter> waiters;
    bool report = false;
    {
        std::lock_guard lock(m_mutex);
        if (!key.flag.isEmpty() && !key.size.isEmpty()) {
            m_images.insert(key, image);
        }
        waiters = m_pending.take(key);
        if (image.isNull() && !key.flag.isEmpty() && !m_reportedBroken.contains(key.flag)) {
            m_reportedBroken.insert(key.flag);
            report = true;
        }
    }
    if (report) {
        vlog::error(QStringLiteral("Flag image could not be loaded: %1").arg(key.flag));
    }
    deliver(image, std::move(waiters));
}

void FlagImageCache::deliver(const QImage& image, std::vector<Waiter> waiters) {
    for (auto& waiter : waiters) {
        if (waiter.hadContext && !waiter.context) {
            continue;
        }
        if (waiter.done) {
            waiter.done(image);
        }
    }
}

QImage FlagImageCache::render(const QByteArray& svg, QSize size) {
    if (size.isEmpty()) {
        return {};
    }
    QSvgRenderer renderer(svg);
    if (!renderer.isValid()) {
        return {};
    }
    QSizeF natural = renderer.viewBoxF().size();
    if (natural.isEmpty()) {
        natural = renderer.defaultSize();
    }
    if (natural.isEmpty()) {
        return {};
    }
    // Cover the square (or whatever the size is) and centre the flag; the overflow is cut off.
    const QSizeF covered = natural.scaled(QSizeF(size), Qt::KeepAspectRatioByExpanding);
    const QRectF target((size.width() - covered.width()) / 2.0, (size.height() - covered.height()) / 2.0,
                        covered.width(), covered.height());
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        renderer.render(&painter, target);
    }
    return platform::withoutPaintEngine(image);
}
