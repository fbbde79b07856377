#include "platform/LaunchAgent.h"

#include "platform/AsciiChars.h"
#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QStringDecoder>

#include <algorithm>

namespace platform {

namespace {

Q_LOGGING_CATEGORY(lcLaunchAgent, "veltrix.platform.launchagent")

const QString desktopEntryGroup = QStringLiteral("Desktop Entry");
const QString hiddenKey = QStringLiteral("Hidden");
const QString gnomeEnabledKey = QStringLiteral("X-GNOME-Autostart-enabled");

// A desktop entry's key: letters, digits and dashes, with an optional locale in brackets ("Name[de_DE]").
bool isEntryKey(QStringView key) {
    const auto isNameChar = [](QChar c) { return c == u'-' || isAsciiLetterOrDigit(c); };
    const auto isLocaleChar = [](QChar c) { return c != u']' && c != u'[' && c != u'=' && !c.isSpace(); };
    const qsizetype bracket = key.indexOf(u'[');
    const QStringView name = bracket < 0 ? key : key.first(bracket);
    if (name.isEmpty() || !std::all_of(name.begin(), name.end(), isNameChar)) {
        return false;
    }
    if (bracket < 0) {
        return true;
    }
    const QStringView locale = key.sliced(bracket + 1);
    return locale.size() > 1 && locale.back() == u']' &&
           std::all_of(locale.begin(), locale.end() - 1, isLocaleChar);
}

QString decodeValue(QStringView raw) {
    QString value;
    value.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] != u'\\' || i + 1 == raw.size()) {
            value += raw[i];
            continue;
        }
        switch (raw[++i].unicode()) {
        case 's':
            value += u' ';
            break;
        case 'n':
            value += u'\n';
            break;
        case 't':
            value += u'\t';
            break;
        case 'r':
            value += u'\r';
            break;
        case '\\':
            value += u'\\';
            break;
        default:
            value += u'\\';
            value += raw[i];
            break; // not ours to interpret (e.g. "\;" in lists)
        }
    }
    return value;
}

QString encodeValue(const QString& value) {
    QString encoded;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'\\') {
            encoded += QStringLiteral("\\\\");
        } else if (c == u'\n') {
            encoded += QStringLiteral("\\n");
        } else if (c == u'\t') {
            encoded += QStringLiteral("\\t");
        } else if (c == u'\r') {
            encoded += QStringLiteral("\\r");
        } else if (c == u' ' && i == 0) {
            encoded += QStringLiteral("\\s"); // a leading blank would be trimmed on reading
        } else {
            encoded += c;
        }
    }
    return encoded;
}

bool parseBool(const std::optional<QString>& value, bool fallback) {
    if (!value) {
        return fallback;
    }
    if (value->compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    if (value->compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
        return false;
    }
    return fallback;
}

} // namespace

// The file as lines, with where the [Desktop Entry] group's keys are.
struct LaunchAgent::Document {
    QStringList lines;
    qsizetype groupEnd = 0; // index after the group's last line
    QHash<QString, qsizetype> keyLines;
    QHash<QString, QString> values;
};

LaunchAgent::LaunchAgent(QString label, QString directory)
    : m_label(std::move(label)),
      m_directory(directory.isEmpty() ? autostartDirectory() : std::move(directory)) {}

QString LaunchAgent::autostartDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart");
}

QString LaunchAgent::path() const {
    return QDir(m_directory).filePath(m_label + QStringLiteral(".desktop"));
}

bool LaunchAgent::exists() const {
    return QFileInfo(path()).isFile();
}

LaunchAgent::Status LaunchAgent::load(Document& document) const {
    const QString file = path();
    if (!QFileInfo::exists(file)) {
        return Status::missing;
    }
    QFile input(file);
    if (!QFileInfo(file).isFile() || !input.open(QIODevice::ReadOnly)) {
        qCWarning(lcLaunchAgent) << "Cannot read the autostart entry" << file;
        return Status::readFailed;
    }
    const QByteArray bytes = input.read(sizeLimit + 1);
    const auto malformed = [&](const char* reason) {
        qCWarning(lcLaunchAgent) << "Malformed autostart entry" << file << reason;
        return Status::malformed;
    };
    if (bytes.size() > sizeLimit) {
        return malformed("(too large)");
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    if (decoder.hasError()) {
        return malformed("(not UTF-8)");
    }
    document.lines = text.split(u'\n');
    if (document.lines.size() > 1 && document.lines.last().isEmpty()) {
        document.lines.removeLast(); // the final line break
    }

    QString group;
    bool seenEntryGroup = false;
    for (qsizetype i = 0; i < document.lines.size(); ++i) {
        const QString line = document.lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) {
            continue;
        }
        if (line.startsWith(u'[')) {
            if (!line.endsWith(u']') || line.size() < 3) {
                return malformed("(bad group header)");
            }
            group = line.mid(1, line.size() - 2);
            if (!seenEntryGroup && group != desktopEntryGroup) {
                return malformed("(the first group is not [Desktop Entry])");
            }
            if (seenEntryGroup && group == desktopEntryGroup) {
                return malformed("(two [Desktop Entry] groups)");
            }
            if (!seenEntryGroup) {
                document.groupEnd = i + 1; // new keys go after the header, or after the group's last key
            }
            seenEntryGroup = true;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        const QString key = equals > 0 ? line.left(equals).trimmed() : QString();
        if (group.isEmpty() || !isEntryKey(key)) {
            return malformed("(a line that is not a key)");
        }
        if (group == desktopEntryGroup) {
            document.groupEnd = i + 1;
            if (!document.keyLines.contains(key)) { // the first of duplicate keys counts
                document.keyLines.insert(key, i);
                document.values.insert(key, decodeValue(QStringView(line).mid(equals + 1).trimmed()));
            }
        }
    }
    if (!seenEntryGroup) {
        return malformed("(no [Desktop Entry] group)");
    }
    return Status::ok;
}

LaunchAgent::Status LaunchAgent::status() const {
    Document document;
    return load(document);
}

std::optional<QString> LaunchAgent::value(const QString& key) const {
    Document document;
    if (load(document) != Status::ok || !document.values.contains(key)) {
        return std::nullopt;
    }
    return document.values.value(key);
}

LaunchAgent::Status LaunchAgent::setValue(const QString& key, const QString& value) {
    return setValues({{key, value}});
}

LaunchAgent::Status LaunchAgent::setValues(const QList<std::pair<QString, QString>>& entries) {
    for (const auto& [key, value] : entries) {
        if (!isEntryKey(key)) {
            qCWarning(lcLaunchAgent) << "Refused an invalid autostart key" << key;
            return Status::invalidKey;
        }
    }
    Document document;
    if (const Status loaded = load(document); loaded != Status::ok) {
        return loaded;
    }
    bool changed = false;
    for (const auto& [key, value] : entries) {
        const QString line = key + u'=' + encodeValue(value);
        if (const auto found = document.keyLines.constFind(key); found != document.keyLines.cend()) {
            if (document.values.value(key) != value) {
                document.lines[*found] = line;
                changed = true;
            }
        } else {
            document.lines.insert(document.groupEnd, line);
            document.keyLines.insert(key, document.groupEnd);
            ++document.groupEnd;
            changed = true;
        }
        document.values.insert(key, value);
    }
    if (!changed) {
        return Status::ok;
    }

    QDir().mkpath(m_directory);
    if (const AtomicWriteResult written =
            writeFileAtomically(path(), (document.lines.join(u'\n') + u'\n').toUtf8());
        !written) {
        qCWarning(lcLaunchAgent).noquote() << "Could not write the autostart entry:" << written.errorString;
        return Status::writeFailed;
    }
    return Status::ok;
}

std::optional<bool> LaunchAgent::runAtLoad() const {
    Document document;
    if (load(document) != Status::ok) {
        return std::nullopt;
    }
    const auto valueOf = [&](const QString& key) -> std::optional<QString> {
        if (!document.values.contains(key)) {
            return std::nullopt;
        }
        return document.values.value(key);
    };
    const bool hidden = parseBool(valueOf(hiddenKey), false);
    const bool gnomeEnabled = parseBool(valueOf(gnomeEnabledKey), true);
    return !hidden && gnomeEnabled;
}

LaunchAgent::Status LaunchAgent::setRunAtLoad(bool enabled) {
    const QString yes = QStringLiteral("true");
    const QString no = QStringLiteral("false");
    return setValues({{hiddenKey, enabled ? no : yes}, {gnomeEnabledKey, enabled ? yes : no}});
}

LaunchAgent::Status LaunchAgent::remove() {
    const QString file = path();
    if (!QFileInfo::exists(file) && !QFileInfo(file).isSymLink()) {
        return Status::ok;
    }
    if (!QFile::remove(file)) {
        qCWarning(lcLaunchAgent) << "Could not remove the autostart entry" << file;
        return Status::writeFailed;
    }
    return Status::ok;
}

} // namespace platform
