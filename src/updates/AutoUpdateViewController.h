#pragma once

#include "toolkit/NSViewControllerBase.h"

#include <QLabel>
#include <QPointer>

// The update sheet: which version is offered and whether it is required.
class AutoUpdateViewController : public NSViewControllerBase {
    Q_OBJECT
public:
    explicit AutoUpdateViewController(QObject* parent = nullptr);

    QString messageText() const { return m_message ? m_message->text() : QString(); }

protected:
    QWidget* loadView() override;
    void viewWillAppear() override;

private:
    QPointer<QLabel> m_title;
    QPointer<QLabel> m_message;
};
