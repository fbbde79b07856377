#include "core/LaunchAgentSetup.h"

#include "core/Log.h"
#include "platform/Bundle.h"
#include "platform/Scheduler.h"
#include "platform/Shell.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

const QString tryExecKey = QStringLiteral("TryExec");

} // namespace

LaunchAgentSetup::LaunchAgentSetup(QString label, Options options)
    : m_label(std::move(label)), m_options(std::move(options)) {
    if (m_options.scriptsDirectory.isEmpty()) {
        m_options.scriptsDirectory = defaultScriptsDirectory();
    }
    if (m_options.agentDirectory.isEmpty()) {
        m_options.agentDirectory = platform::LaunchAgent::autostartDirectory();
    }
    if (m_options.executable.isEmpty()) {
        m_options.executable = QCoreApplication::applicationFilePath();
    }
}

QString LaunchAgentSetup::defaultScriptsDirectory() {
    return platform::Bundle::main().resourcePath() + QStringLiteral("/scripts/");
}

const platform::DispatchQueue& LaunchAgentSetup::queue() {
    static const platform::DispatchQueue sequence(QStringLiteral("com.veltrix.Veltrix.launchAgent"));
    return sequence;
}

std::optional<QString> LaunchAgentSetup::runScript(const QString& name, const QStringList& arguments) const {
    const QString path = QDir(m_options.scriptsDirectory).filePath(name);
    if (!QFileInfo(path).isExecutable()) {
        vlog::warning(QStringLiteral("Bundle script missing: ") + name);
        return std::nullopt;
    }
    platform::ShellOptions options;
    options.timeLimitSeconds = m_options.timeLimitSeconds;
    // Started from its path with an argument vector: nothing in a path is read as a command.
    const platform::ShellResult result = platform::Shell::run(path, arguments, options);
    switch (result.status) {
    case platform::ShellResult::Status::finished:
        if (result.exitCode != 0) {
            vlog::warning(QStringLiteral("%1 failed with exit status %2").arg(name).arg(result.exitCode));
            return std::nullopt;
        }
        return result.outputText().trimmed();
    case platform::ShellResult::Status::timedOut:
        vlog::warning(name + QStringLiteral(" ran past its time limit and was stopped"));
        return std::nullopt;
    case platform::ShellResult::Status::crashed:
        vlog::warning(name + QStringLiteral(" crashed"));
        return std::nullopt;
    case platform::ShellResult::Status::failedToStart:
        vlog::warning(name + QStringLiteral(" could not be started"));
        return std::nullopt;
    }
    return std::nullopt;
}

void LaunchAgentSetup::runUserAgentScripts() const {
    const auto exists = runScript(QStringLiteral("checkUserAgentExist"));
    if (exists && *exists == QLatin1String("false")) {
        runScript(QStringLiteral("createUserAgent"), {m_options.executable});
    } else if (exists && agent().status() == platform::LaunchAgent::Status::ok &&
               !agent().value(tryExecKey)) {
        // An entry from before TryExec: with it, removing this installation retires the entry too.
        agent().setValue(tryExecKey, m_options.executable);
    }
    runScript(QStringLiteral("removeOldConfig"));
}

bool LaunchAgentSetup::ensureRunAtLoad() const {
    const auto runAtLoad = agent().runAtLoad();
    if (!runAtLoad) {
        vlog::warning(QStringLiteral("No readable start-at-login entry; RunAtLoad left as it is"));
        return false;
    }
    return *runAtLoad || setRunAtLoad();
}

bool LaunchAgentSetup::setRunAtLoad() const {
    const auto status = agent().setRunAtLoad(true);
    if (status != platform::LaunchAgent::Status::ok) {
        vlog::warning(QStringLiteral("Could not set RunAtLoad of the start-at-login entry (status %1)")
                          .arg(static_cast<int>(status)));
        return false;
    }
    return true;
}
