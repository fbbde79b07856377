#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <atomic>
#include <mutex>
#include <optional>

namespace platform {

// The application's preferences: values set by the client over defaults registered at start-up (which are
// kept in memory only). Stored in an INI file as QSettings writes it; every change is written at once and
// atomically, under a lock the kernel holds for the writer. Each value is stored with its type, so a bool
// reads back as a bool after a restart. Values may be bool, integers, double, text, data, date-time, lists
// and maps of these. Usable from any thread.
class UserDefaults {
public:
    // The client's store: <config dir>/<bundle identifier>.ini.
    static UserDefaults& standard();
    static QString standardPath();

    // A store in `filePath`. A file that cannot be read back is logged, kept beside as
    // "<file>.corrupt-<timestamp>" and replaced by an empty store; one whose last line was cut short is
    // kept beside the same way, and the values before that line stay. A file this process may not read
    // is left as it is: the store starts empty and never writes over it.
    explicit UserDefaults(QString filePath);
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    // Merges `defaults` into the registered defaults; a key registered again takes the new value.
    void registerDefaults(const QVariantMap& defaults);

    // The stored value, else the registered one, else an invalid QVariant.
    QVariant objectForKey(const QString& key) const;
    // A bool, a number (non-zero) or a text ("true", "yes" or a non-zero number) reads as true.
    bool boolForKey(const QString& key) const;
    // Numbers, bools and numeric texts convert; anything else reads 0.
    qint64 integerForKey(const QString& key) const;
    double doubleForKey(const QString& key) const;
    // The value only when it is a text.
    std::optional<QString> stringForKey(const QString& key) const;
    // The value when it has that type, else an empty one.
    QByteArray dataForKey(const QString& key) const;
    QVariantList arrayForKey(const QString& key) const;
    QVariantMap dictionaryForKey(const QString& key) const;

    // Stores `value` and writes the file. An invalid QVariant removes the key. A value of a type the store
    // does not keep is refused with a warning (returns false); a failed write keeps the value in memory
    // and returns false, and synchronize() tries again.
    bool set(const QString& key, const QVariant& value);
    bool removeObject(const QString& key);
    // Writes what is not yet on disk; true when the file holds every value.
    bool synchronize();

    QString filePath() const { return m_filePath; }

private:
    void load();
    bool setAside();
    bool writeLocked();

    const QString m_filePath;
    mutable std::mutex m_mutex;
    QVariantMap m_values;
    QVariantMap m_registered;
    bool m_dirty = false;
    // False when the file could not be read or a damaged one could not be moved aside: the store then never
    // writes over it.
    bool m_writable = true;
    bool m_writeFailureLogged = false;
};

// The shared controller of the defaults; the client only turns off immediate application.
class UserDefaultsController {
public:
    static UserDefaultsController& shared();

    bool appliesImmediately() const { return m_appliesImmediately.load(); }
    void setAppliesImmediately(bool applies) { m_appliesImmediately.store(applies); }

private:
    std::atomic<bool> m_appliesImmediately{true};
};

} // namespace platform
