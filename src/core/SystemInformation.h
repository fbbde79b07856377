#pragma once

#include "platform/ProcessList.h"

#include <QStandardPaths>
#include <QString>
#include <QVariantMap>

#include <optional>
#include <vector>

// The running processes with their executable paths, in pid order (the kernel's pid 0 is never listed);
// nothing when the process table cannot be read. Any thread.
std::optional<std::vector<platform::ProcessRecord>>
runningProcessList(const QString& procRoot = QStringLiteral("/proc"));

class OSVersion {
public:
    // The system's name and version separated by one blank ("Debian GNU/Linux 12").
    static QString systemVersionText();
};

// Whether the quit being handled comes from the system (log-out, restart, shut-down); a person's Quit,
// or no quit at all, is not.
bool isSystemQuitReason();

// Standard folders found and created on request.
namespace DirectoryLocations {

// Where to look: the user's own folder, the system-wide ones, or both (the user's first).
enum SearchDomain : unsigned { userDomain = 1, systemDomain = 2, allDomains = userDomain | systemDomain };

struct Error {
    QString domain; // "DirectoryLocationDomain" when no folder is known, "FileSystem" when creating failed
    int code = 0;
    QString description;
    QVariantMap userInfo;
};

inline const QString errorDomain = QStringLiteral("DirectoryLocationDomain");

// The first folder of `directory` in `domain`, with `pathComponent` appended, created with its missing
// parents (an existing one counts as created). Nothing on failure, with the reason in `error` when given;
// on success `error` is cleared.
std::optional<QString> findOrCreateDirectory(QStandardPaths::StandardLocation directory, SearchDomain domain,
                                             const std::optional<QString>& pathComponent = std::nullopt,
                                             std::optional<Error>* error = nullptr);
// The client's own folder in the user's application data, named after its executable; logged when it
// cannot be had.
std::optional<QString> applicationSupportDirectory();

} // namespace DirectoryLocations
