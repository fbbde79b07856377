#pragma once

#include <QMessageBox>
#include <QString>
#include <QUrl>

// An alert in the client's look: a card without the window manager's frame, the title in white and the
// message in the secondary colour, the first button a filled capsule. Window-modal over `parent`, or a
// window of its own without one; deleted when closed. Add buttons with addAlertButton (an alert without any
// gets OK at opening).
QMessageBox* makeAlert(QWidget* parent, const QString& title, const QString& message);
// The first button added is a filled capsule and the default; later ones are titles only, as a card's Cancel.
QAbstractButton* addAlertButton(QMessageBox* alert, const QString& title, QMessageBox::ButtonRole role);

// Says that no program opened `url` and gives its address to copy: selectable in the message, and put on
// the clipboard by the alert's Copy button.
QMessageBox* makeLinkNotOpenedAlert(const QUrl& url, QWidget* parent = nullptr);
