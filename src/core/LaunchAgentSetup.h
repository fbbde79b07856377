#pragma once

#include "platform/LaunchAgent.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace platform {
class DispatchQueue;
}

struct LaunchAgentSetupOptions {
    // Empty: the bundle's scripts, platform::Bundle::main().resourcePath() + "/scripts/".
    QString scriptsDirectory;
    // Empty: the user's autostart folder.
    QString agentDirectory;
    // Empty: this process's executable, which the entry starts.
    QString executable;
    // A script still running after this is stopped.
    double timeLimitSeconds = 30;
};

// Keeps the client's start-at-login entry: runs the bundle scripts that create it and clean up after
// older versions, and keeps it enabled ("RunAtLoad"). Every operation blocks on files and child
// processes, so it runs on queue(), a serial background queue, never on the GUI thread.
class LaunchAgentSetup {
public:
    using Options = LaunchAgentSetupOptions;

    explicit LaunchAgentSetup(QString label, Options options = {});

    static QString defaultScriptsDirectory();
    // One sequence for the scripts and the RunAtLoad value, so the value is read after the scripts ran.
    static const platform::DispatchQueue& queue();

    // The script's trimmed output; nothing when it is missing, fails, or is stopped (each logged).
    std::optional<QString> runScript(const QString& name, const QStringList& arguments = {}) const;
    // Creates the entry when checkUserAgentExist says "false" (or gives a found one its TryExec), then
    // removes old configuration.
    void runUserAgentScripts() const;
    // Enables an entry that is disabled; a missing or unreadable one is left (logged). True when the
    // entry runs at login afterwards.
    bool ensureRunAtLoad() const;
    bool setRunAtLoad() const;

    platform::LaunchAgent agent() const { return platform::LaunchAgent(m_label, m_options.agentDirectory); }

private:
    QString m_label;
    Options m_options;
};
