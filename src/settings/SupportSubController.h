#pragma once

#include "toolkit/GeneralSubController.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

// The support tab: the workspace's support link and the collection of logs for support.
class SupportSubController : public GeneralSubController {
    Q_OBJECT
public:
    explicit SupportSubController(QObject* parent = nullptr);
    ~SupportSubController() override;

    void openSupportLink();
    // Asks the SDK for logs and statistics and shows what comes back.
    void collectLogs();
    bool isCollecting() const { return m_collecting; }
    QString collectedText() const { return m_output ? m_output->toPlainText() : QString(); }

protected:
    QWidget* loadView() override;

private:
    bool m_collecting = false;
    QPointer<QPushButton> m_collect;
    QPointer<QPlainTextEdit> m_output;
};
