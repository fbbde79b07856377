#include "toolkit/Alert.h"

#include "toolkit/CapsuleButton.h"
#include "toolkit/Colors.h"
#include "toolkit/TextAttributes.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace {

void styleLabels(QMessageBox* alert) {
    for (QLabel* label : alert->findChildren<QLabel*>()) {
        const bool title = label->objectName() == QLatin1String("qt_msgbox_label");
        toolkit::setTextColor(label, title ? QColor(Qt::white) : toolkit::secondaryText);
        if (title) {
            label->setFont(toolkit::interFont(14, QFont::Medium));
        }
    }
}

} // namespace

QMessageBox* makeAlert(QWidget* parent, const QString& title, const QString& message) {
    auto* alert = new QMessageBox(parent);
    // A card as the sheets are: no manager's frame, whose title would repeat the alert's and be cut short.
    alert->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    alert->setWindowTitle(title);
    alert->setTextFormat(Qt::PlainText);
    alert->setText(title);
    alert->setInformativeText(message);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(parent ? Qt::WindowModal : Qt::NonModal);
    QPalette palette = alert->palette();
    palette.setColor(QPalette::Window, toolkit::card);
    palette.setColor(QPalette::WindowText, Qt::white);
    alert->setPalette(palette);
    alert->setFont(toolkit::interFont(13));
    styleLabels(alert);
    return alert;
}

QAbstractButton* addAlertButton(QMessageBox* alert, const QString& title, QMessageBox::ButtonRole role) {
    QAbstractButton* button = nullptr;
    if (alert->buttons().isEmpty()) {
        auto* primary = new CapsuleButton(title);
        applyTitleAttributes(primary, Qt::white);
        alert->setDefaultButton(primary);
        button = primary;
    } else {
        // As the overlay cards' Cancel: a title only, lit under the pointer.
        auto* secondary = new QPushButton(title);
        secondary->setCursor(Qt::PointingHandCursor);
        secondary->setStyleSheet(
            QStringLiteral("QPushButton { color: %1; background: transparent; border: none; }"
                           "QPushButton:hover { color: %2; }")
                .arg(toolkit::cancelTitle.name(), toolkit::secondaryText.name()));
        button = secondary;
    }
    button->setFont(toolkit::interFont(13, QFont::Medium));
    button->setFocusPolicy(Qt::TabFocus);
    button->setFixedSize(std::max(76, button->fontMetrics().horizontalAdvance(title) + 32), 32);
    alert->addButton(button, role);
    return button;
}

QMessageBox* makeLinkNotOpenedAlert(const QUrl& url, QWidget* parent) {
    const QString address = url.toString();
    QMessageBox* alert =
        makeAlert(parent, QStringLiteral("The link could not be opened"),
                  QStringLiteral("No browser opened it. Copy its address to open it yourself:\n") + address);
    alert->setObjectName(QStringLiteral("linkNotOpenedAlert"));
    for (QLabel* label : alert->findChildren<QLabel*>()) {
        if (label->objectName() == QLatin1String("qt_msgbox_informativelabel")) {
            label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        }
    }
    QAbstractButton* copy = addAlertButton(alert, QStringLiteral("Copy"), QMessageBox::AcceptRole);
    QObject::connect(copy, &QAbstractButton::clicked, alert,
                     [address] { QGuiApplication::clipboard()->setText(address); });
    addAlertButton(alert, QStringLiteral("Close"), QMessageBox::RejectRole);
    return alert;
}
