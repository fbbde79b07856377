#pragma once

// What an installation the SDK carried out leaves for the next copy: the flag of the home tab's banner and
// the version installed. Only a copy running that version announces it.

#include "sdk/PDTypes.h"

#include <QString>

#include <optional>

namespace installedupdate {

// The answer to a package handed to the SDK, for a log line: "update success", or why not.
QString describe(const SDUpdateInstallResult& result);

// The SDK installed `version` and starts it once this copy has gone: the flag and the version are kept,
// then this copy ends.
void finish(const QString& version);

// The version to announce when `runningVersion` is the one an installation recorded. The record is
// cleared either way, so an older copy that finds it drops it without a word; the copy that made it
// leaves it for the next.
std::optional<QString> takeAnnouncement(const QString& runningVersion);

} // namespace installedupdate
