#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace platform {

// Screens are built in code; a storyboard is only a name under which the composition root registers a
// factory for each controller ("General" / "MainSubController"). The factory returns a ViewController or a
// WindowController; the caller owns what it gets.
class Storyboard {
public:
    using Factory = std::function<std::unique_ptr<QObject>()>;

    // A handle on the storyboard of that name; asking an unknown one for a controller fails cleanly.
    static Storyboard named(const QString& name);

    // Registers the factory of `identifier` in storyboard `storyboard`. A second registration of the same
    // pair is a programming fault: it is logged and the first factory stays.
    static bool registerController(const QString& storyboard, const QString& identifier, Factory factory);

    const QString& name() const { return m_name; }
    bool contains(const QString& identifier) const;

    // The controller made by the identifier's factory; nullptr (with an error logged) when the storyboard
    // or the identifier is unknown or the factory made nothing.
    std::unique_ptr<QObject> instantiateController(const QString& identifier) const;

    // As instantiateController, checked to be a T: a controller of another type is logged and discarded.
    template <class T>
    std::unique_ptr<T> instantiate(const QString& identifier) const {
        std::unique_ptr<QObject> object = instantiateController(identifier);
        if (!object) {
            return nullptr;
        }
        if (auto* typed = dynamic_cast<T*>(object.get())) {
            object.release();
            return std::unique_ptr<T>(typed);
        }
        reportWrongType(identifier, *object, T::staticMetaObject.className());
        return nullptr;
    }
    // The identifier is the class name (without namespace), as for most screens.
    template <class T>
    std::unique_ptr<T> instantiate() const {
        return instantiate<T>(identifierOf(T::staticMetaObject.className()));
    }

private:
    explicit Storyboard(QString name) : m_name(std::move(name)) {}
    static QString identifierOf(const char* className);
    void reportWrongType(const QString& identifier, const QObject& made, const char* expected) const;

    QString m_name;
};

} // namespace platform
