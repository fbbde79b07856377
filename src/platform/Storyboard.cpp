#include "platform/Storyboard.h"

#include <QHash>
#include <QLoggingCategory>

#include <mutex>

namespace platform {

namespace {

Q_LOGGING_CATEGORY(lcStoryboard, "veltrix.platform.storyboard")

// Filled during static initialisation from many translation units, hence a function-local static.
struct Registry {
    std::mutex mutex;
    QHash<QString, QHash<QString, Storyboard::Factory>> storyboards;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

} // namespace

Storyboard Storyboard::named(const QString& name) {
    return Storyboard(name);
}

bool Storyboard::registerController(const QString& storyboard, const QString& identifier, Factory factory) {
    if (storyboard.isEmpty() || identifier.isEmpty() || !factory) {
        qCCritical(lcStoryboard) << "Refused an incomplete storyboard registration" << storyboard
                                 << identifier;
        return false;
    }
    Registry& reg = registry();
    std::lock_guard lock(reg.mutex);
    auto& scenes = reg.storyboards[storyboard];
    if (scenes.contains(identifier)) {
        qCCritical(lcStoryboard) << "Controller" << identifier << "registered twice in storyboard"
                                 << storyboard;
        return false;
    }
    scenes.insert(identifier, std::move(factory));
    return true;
}

bool Storyboard::contains(const QString& identifier) const {
    Registry& reg = registry();
    std::lock_guard lock(reg.mutex);
    const auto scenes = reg.storyboards.constFind(m_name);
    return scenes != reg.storyboards.cend() && scenes->contains(identifier);
}

std::unique_ptr<QObject> Storyboard::instantiateController(const QString& identifier) const {
    Factory factory;
    {
        Registry& reg = registry();
        std::lock_guard lock(reg.mutex);
        const auto scenes = reg.storyboards.constFind(m_name);
        if (scenes == reg.storyboards.cend()) {
            qCCritical(lcStoryboard) << "No storyboard named" << m_name;
            return nullptr;
        }
        factory = scenes->value(identifier);
    }
    if (!factory) {
        qCCritical(lcStoryboard) << "Storyboard" << m_name << "has no controller" << identifier;
        return nullptr;
    }
    // Run outside the lock: a controller may instantiate others from its constructor.
    std::unique_ptr<QObject> made = factory();
    if (!made) {
        qCCritical(lcStoryboard) << "Storyboard" << m_name << "made nothing for" << identifier;
    }
    return made;
}

QString Storyboard::identifierOf(const char* className) {
    return QString::fromLatin1(className).section(QStringLiteral("::"), -1);
}

void Storyboard::reportWrongType(const QString& identifier, const QObject& made, const char* expected) const {
    qCCritical(lcStoryboard) << "Storyboard" << m_name << "made a" << made.metaObject()->className() << "for"
                             << identifier << "where a" << expected << "was expected";
}

} // namespace platform
