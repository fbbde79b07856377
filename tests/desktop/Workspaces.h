#pragma once

// Workspaces the scenarios start the client on: the demo workspace, changed as a scenario needs and
// written into the desktop's own home.

#include "support/desktop/DesktopSession.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <functional>

namespace desktop {

// Writes the demo workspace, after `change`, into the session's home; returns the client's arguments that
// load it, or none when the demo workspace cannot be read.
inline QStringList workspaceArguments(const DesktopSession& session,
                                      const std::function<void(QJsonObject&)>& change) {
    QFile demo(qEnvironmentVariable("VELTRIX_RESOURCES") + QStringLiteral("/demo/workspace.json"));
    if (!demo.open(QIODevice::ReadOnly)) {
        return {};
    }
    QJsonObject workspace = QJsonDocument::fromJson(demo.readAll()).object();
    change(workspace);
    const QString path = session.home() + QStringLiteral("/workspace.json");
    QFile file(path);
    if (workspace.isEmpty() || !file.open(QIODevice::WriteOnly) ||
        file.write(QJsonDocument(workspace).toJson()) < 0) {
        return {};
    }
    return {QStringLiteral("--workspace"), path};
}

// The demo workspace with its user still signed in from an earlier run.
inline QStringList signedInWorkspace(const DesktopSession& session) {
    return workspaceArguments(session, [](QJsonObject& workspace) {
        QJsonObject account = workspace.value(QStringLiteral("session")).toObject();
        account.insert(QStringLiteral("signedIn"), true);
        workspace.insert(QStringLiteral("session"), account);
    });
}

} // namespace desktop
