#pragma once

#include <QMessageBox>
#include <QString>

struct SDHelperToolInstallError;

// The application's own alerts, in the client's look (toolkit's makeAlert). Each is window-modal over
// `parent`, or a window of its own without one, and deletes itself when closed.
namespace alerts {

// The L2TP protocol is gone: says so once, with the support address.
QMessageBox* makeL2tpNoLongerAvailable(QWidget* parent);
// The helper tool failed to install: the SDK's message and its explanation.
QMessageBox* makeHelperToolInstallError(const SDHelperToolInstallError& error, QWidget* parent);
// The workspace file did not load (`problem` is the loader's own text) and the client runs signed out.
QMessageBox* makeWorkspaceLoadError(const QString& problem);

} // namespace alerts
