#pragma once

#include "toolkit/Button.h"

#include "platform/ViewController.h"
#include "toolkit/XibView.h"

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

// The place of the connection's quality: a view with no content and no behaviour of its own yet. Made in
// code, from a frame, or with a parent alone; it loads its content as every XibView does.
class ConnectionQualityView : public XibView {
    Q_OBJECT
public:
    explicit ConnectionQualityView(QWidget* parent = nullptr);
    explicit ConnectionQualityView(const QRect& frame, QWidget* parent = nullptr);

protected:
    QWidget* loadViewFromNib() override;
};
