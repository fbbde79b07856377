#pragma once

// The system's side of an update. A verified package goes to the bundle's install script, which asks for
// the user's authorisation (pkexec) and hands the package to apt-get, or dpkg where apt is missing; once it
// is installed, the script starts the client again from where it is installed, after this copy has ended.

#include "sdk/PDTypes.h"

#include <QString>

#include <functional>
#include <optional>

namespace sdk {

// An ar archive whose first member is "debian-binary".
bool isDebianPackage(const QString& path);

// Why this copy cannot install the package at `packagePath`, or nothing when it can: only an installed
// client is replaced by the system's installer (a build run in place is not what the package installs),
// and the installer takes only Debian packages.
std::optional<QString> installBlocker(const QString& packagePath, bool clientInstalled);

// Runs the install script for `packagePath`; `completion` gets the outcome on a global queue.
void installPackage(const QString& packagePath, std::function<void(const SDUpdateInstallResult&)> completion);

} // namespace sdk
