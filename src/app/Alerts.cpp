#include "app/Alerts.h"

#include "core/GlobalConstants.h"
#include "core/LocalizedStrings.h"
#include "sdk/PDTypes.h"
#include "toolkit/Alert.h"

namespace alerts {

namespace {

QMessageBox* withOk(QMessageBox* alert) {
    addAlertButton(alert, L10n::localized(QStringLiteral("notification_popup_ok_button")),
                   QMessageBox::AcceptRole);
    return alert;
}

} // namespace

QMessageBox* makeL2tpNoLongerAvailable(QWidget* parent) {
    return withOk(makeAlert(
        parent, L10n::localized(QStringLiteral("l2tp_no_longer_available_info_popup_title")),
        L10n::localized(QStringLiteral("l2tp_no_longer_available_info_popup_description"),
                        {GlobalConstants::productDisplayName(), GlobalConstants::supportEmailAddress()})));
}

QMessageBox* makeHelperToolInstallError(const SDHelperToolInstallError& error, QWidget* parent) {
    QMessageBox* alert = withOk(makeAlert(parent, error.message, error.informativeText));
    if (!parent) {
        // Nothing of the client works without its helper: the alert comes before any other window.
        alert->setWindowModality(Qt::ApplicationModal);
    }
    return alert;
}

QMessageBox* makeWorkspaceLoadError(const QString& problem) {
    QMessageBox* alert = withOk(makeAlert(
        nullptr, QStringLiteral("Workspace not loaded"),
        problem + QStringLiteral("\n\nThe client runs signed out on an empty workspace. Start it with "
                                 "--workspace FILE to choose another workspace.")));
    alert->setObjectName(QStringLiteral("workspaceLoadError"));
    return alert;
}

} // namespace alerts
