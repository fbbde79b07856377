#pragma once

#include <QString>

// The switches of the remote-logging channel, set once at start-up.
class RemoteLog {
public:
    RemoteLog() = delete;

    // Activates the channel with the application key (32 letters and digits); another key is refused.
    static bool activateLogger(const QString& applicationKey);
    static void setForceEnabled(bool enabled);

    static bool isActivated();
    static bool isForceEnabled();
    static QString applicationKey();
    static bool isValidApplicationKey(const QString& key);
};
