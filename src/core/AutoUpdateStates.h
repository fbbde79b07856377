#pragma once

#include <QString>

// Where an update stands, shared by the silent update and the update sheet.
enum class AutoUpdateStates {
    confirmUpdate,          // nothing started; the sheet offers the update
    downloadingUpdate,      // the package is being downloaded
    readyToInstallUpdate,   // the package is on disk; installing is asked for or can be
    failedToDownloadUpdate, // the download failed after its retry
    failedToVerifyUpdate,   // the SDK refused the package
    failedToInstallUpdate,  // the SDK verified the package, and it could not be installed
};

// The case's name, as log lines print it.
QString caseName(AutoUpdateStates state);
