#include "sdk/UpdateInstaller.h"

#include "platform/Bundle.h"
#include "platform/Scheduler.h"
#include "platform/Shell.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace sdk {

namespace {

// A person may take a while to authorise; apt may fetch the package's dependencies.
constexpr double kInstallTimeLimitSeconds = 15 * 60;

SDUpdateInstallResult notInstalled(const QString& reason) {
    return {SDUpdateInstallResult::Outcome::notInstalled, reason};
}

// The script's own last word on standard error, meant for the user.
QString reasonOf(const platform::ShellResult& result) {
    static const QString prefix = QStringLiteral("install-update: ");
    const QStringList lines =
        QString::fromUtf8(result.standardError).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        if (line->startsWith(prefix)) {
            return line->mid(prefix.size()).trimmed();
        }
    }
    if (result.status == platform::ShellResult::Status::timedOut) {
        return QStringLiteral("The system's installer did not finish in time.");
    }
    return QStringLiteral("The system's installer could not be run.");
}

} // namespace

bool isDebianPackage(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(21) == QByteArrayLiteral("!<arch>\ndebian-binary");
}

std::optional<QString> installBlocker(const QString& packagePath, bool clientInstalled) {
    if (!clientInstalled) {
        return QStringLiteral("This copy runs from its build folder, not from an installation, so it cannot "
                              "replace itself.");
    }
    if (!isDebianPackage(packagePath)) {
        return QStringLiteral("The downloaded package is not a Debian package, so the system's installer "
                              "cannot take it.");
    }
    return std::nullopt;
}

void installPackage(const QString& packagePath,
                    std::function<void(const SDUpdateInstallResult&)> completion) {
    const QString script = platform::Bundle::main().pathForResource(QStringLiteral("scripts/install-update"));
    if (!QFileInfo(script).isExecutable()) {
        completion(notInstalled(QStringLiteral("The installation lacks its install script.")));
        return;
    }
    platform::ShellOptions options;
    options.timeLimitSeconds = kInstallTimeLimitSeconds;
    // The environment stays the client's own: the copy started again runs in the same session.
    const QStringList arguments = {packagePath, QCoreApplication::applicationFilePath(),
                                   QString::number(QCoreApplication::applicationPid())};
    platform::Shell::run(
        script, arguments, platform::DispatchQueue::global(),
        [completion = std::move(completion)](const platform::ShellResult& result) {
            completion(result.succeeded()
                           ? SDUpdateInstallResult{SDUpdateInstallResult::Outcome::installed, {}}
                           : notInstalled(reasonOf(result)));
        },
        options);
}

} // namespace sdk
