#include "core/SystemInformation.h"

#include "core/Log.h"
#include "platform/Application.h"
#include "platform/Bundle.h"
#include "platform/SystemInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

std::optional<std::vector<platform::ProcessRecord>> runningProcessList(const QString& procRoot) {
    return platform::ProcessList(procRoot).runningProcesses();
}

QString OSVersion::systemVersionText() {
    return platform::SystemInfo().operatingSystemVersionString();
}

bool isSystemQuitReason() {
    const auto* application = platform::Application::instance();
    return application && platform::Application::isSystemQuitReason(application->currentQuitReason());
}

namespace DirectoryLocations {

namespace {

QStringList searchPaths(QStandardPaths::StandardLocation directory, SearchDomain domain) {
    const QString user = QStandardPaths::writableLocation(directory);
    QStringList paths;
    if ((domain & userDomain) && !user.isEmpty()) {
        paths << user;
    }
    if (domain & systemDomain) {
        for (const QString& path : QStandardPaths::standardLocations(directory)) {
            if (path != user) {
                paths << path;
            }
        }
    }
    return paths;
}

} // namespace

std::optional<QString> findOrCreateDirectory(QStandardPaths::StandardLocation directory, SearchDomain domain,
                                             const std::optional<QString>& pathComponent,
                                             std::optional<Error>* error) {
    const QStringList paths = searchPaths(directory, domain);
    if (paths.isEmpty()) {
        if (error) {
            // No table of error texts ships with the client: the key is its own text.
            *error = Error{errorDomain,
                           0,
                           QStringLiteral("No path found for directory in domain."),
                           {{QStringLiteral("NSSearchPathDirectory"), static_cast<unsigned>(directory)},
                            {QStringLiteral("NSSearchPathDomainMask"), static_cast<unsigned>(domain)}}};
        }
        return std::nullopt;
    }
    QString path = paths.first();
    if (pathComponent) {
        path = QDir(path).filePath(*pathComponent);
    }
    std::error_code failure;
    std::filesystem::create_directories(std::filesystem::path(QFile::encodeName(path).toStdString()),
                                        failure);
    if (failure || !QFileInfo(path).isDir()) {
        if (error) {
            *error =
                Error{QStringLiteral("FileSystem"),
                      failure ? failure.value() : ENOTDIR,
                      QString::fromStdString(failure ? failure.message() : std::string("Not a directory")),
                      {{QStringLiteral("path"), path}}};
        }
        return std::nullopt;
    }
    if (error) {
        error->reset();
    }
    return path;
}

std::optional<QString> applicationSupportDirectory() {
    QString executable =
        platform::Bundle::main().infoString(QStringLiteral("CFBundleExecutable")).value_or(QString());
    if (executable.isEmpty()) {
        executable = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    }
    std::optional<Error> error;
    auto path = findOrCreateDirectory(QStandardPaths::GenericDataLocation, userDomain, executable, &error);
    if (!path) {
        vlog::error(QStringLiteral("Unable to find or create application support directory:\n") +
                    (error ? error->description : QString()));
    }
    return path;
}

} // namespace DirectoryLocations
