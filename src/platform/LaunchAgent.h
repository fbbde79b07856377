#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

#include <optional>

namespace platform {

// The start-at-login entry: an XDG autostart desktop entry, $XDG_CONFIG_HOME/autostart/<label>.desktop.
// The bundle scripts create and remove it; the client reads and changes keys of its [Desktop Entry]
// group. Every write replaces the file atomically and keeps the lines it does not change.
class LaunchAgent {
public:
    enum class Status { ok, missing, malformed, readFailed, invalidKey, writeFailed };

    // `directory` empty: the user's autostart folder.
    explicit LaunchAgent(QString label, QString directory = {});

    static QString autostartDirectory();

    const QString& label() const { return m_label; }
    QString path() const;

    bool exists() const;
    // ok, missing, malformed or readFailed (the last two logged with the reason).
    Status status() const;

    // A key of [Desktop Entry], escapes decoded; nothing when the entry is missing or malformed or the key
    // is absent.
    std::optional<QString> value(const QString& key) const;
    // Changes or adds a key. A missing entry is not created here (the create script writes a complete
    // one); a malformed one is left untouched.
    Status setValue(const QString& key, const QString& value);

    // Whether the entry starts the client at login: not Hidden=true (the freedesktop rule, honoured by
    // every desktop) and not X-GNOME-Autostart-enabled=false (GNOME's switch). An entry with neither key
    // runs. Nothing when the entry is missing or malformed.
    std::optional<bool> runAtLoad() const;
    // Writes both keys so that every desktop agrees.
    Status setRunAtLoad(bool enabled);

    // Deletes the entry; a missing one counts as removed.
    Status remove();

    static constexpr qint64 sizeLimit = 256 * 1024;

private:
    struct Document;
    Status load(Document& document) const;
    Status setValues(const QList<std::pair<QString, QString>>& entries);

    QString m_label;
    QString m_directory;
};

} // namespace platform
