#include "settings/SupportSubController.h"

#include "platform/Scheduler.h"
#include "platform/Storyboard.h"
#include "sdk/VeltrixXPC.h"
#include "toolkit/AppKitExtensions.h"

#include <QVBoxLayout>

VELTRIX_STORYBOARD_CONTROLLER("Support", "SupportSubController", SupportSubController);

SupportSubController::SupportSubController(QObject* parent) : GeneralSubController(parent) {}

SupportSubController::~SupportSubController() {
    if (m_collecting) {
        VeltrixXPC::stopCollectLogsAndStats();
    }
}

QWidget* SupportSubController::loadView() {
    auto* view = new QWidget;
    auto* layout = new QVBoxLayout(view);
    auto* support = new QPushButton(tr("Contact Support"));
    m_collect = new QPushButton(tr("Collect Logs for Support"));
    m_output = new QPlainTextEdit;
    m_output->setReadOnly(true);
    layout->addWidget(support);
    layout->addWidget(m_collect);
    layout->addWidget(m_output, 1);
    connect(support, &QPushButton::clicked, this, &SupportSubController::openSupportLink);
    connect(m_collect, &QPushButton::clicked, this, &SupportSubController::collectLogs);
    return view;
}

void SupportSubController::openSupportLink() {
    const QUrl url(VeltrixXPC::appConfig().supportLink);
    if (url.isValid() && !url.isEmpty()) {
        openURL(url);
    }
}

void SupportSubController::collectLogs() {
    if (m_collecting) {
        return;
    }
    view();
    m_collecting = true;
    m_collect->setEnabled(false);
    m_output->setPlainText(tr("Collecting…"));
    QPointer<SupportSubController> self = this;
    VeltrixXPC::collectLogsAndStats(
        [self](const std::optional<QString>& text, const std::optional<PDTroubleshootingHelperError>& error) {
            platform::DispatchQueue::main().async([self, text, error] {
                if (!self) {
                    return;
                }
                self->m_collecting = false;
                self->m_collect->setEnabled(true);
                self->m_output->setPlainText(error ? error->description() : text.value_or(QString()));
            });
        });
}
