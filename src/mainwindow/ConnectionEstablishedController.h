#pragma once

#include "toolkit/Button.h"

#include "platform/ViewController.h"

#include <QPointer>

// "HH:MM:SS" of a connection's age; hours wrap at 24. A negative or non-finite age reads "00:00:00".
QString formatConnectionDuration(double seconds);

// The sheet that says a connection is up, until the user confirms with Got it (which stops it for good).
class ConnectionEstablishedController : public platform::ViewController {
    Q_OBJECT
public:
    explicit ConnectionEstablishedController(QObject* parent = nullptr);

    Button* gotItButton() const { return m_gotItButton; }
    // Clears "showConnectionEstablished" and closes the sheet when it is presented.
    void gotItTap();

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;

private:
    QPointer<Button> m_gotItButton;
};
