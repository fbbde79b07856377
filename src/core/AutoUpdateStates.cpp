#include "core/AutoUpdateStates.h"

QString caseName(AutoUpdateStates state) {
    switch (state) {
    case AutoUpdateStates::confirmUpdate:
        return QStringLiteral("confirmUpdate");
    case AutoUpdateStates::downloadingUpdate:
        return QStringLiteral("downloadingUpdate");
    case AutoUpdateStates::readyToInstallUpdate:
        return QStringLiteral("readyToInstallUpdate");
    case AutoUpdateStates::failedToDownloadUpdate:
        return QStringLiteral("failedToDownloadUpdate");
    case AutoUpdateStates::failedToVerifyUpdate:
        return QStringLiteral("failedToVerifyUpdate");
    case AutoUpdateStates::failedToInstallUpdate:
        return QStringLiteral("failedToInstallUpdate");
    }
    return {};
}
