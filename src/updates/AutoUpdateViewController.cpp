#include "updates/AutoUpdateViewController.h"

#include "core/LocalizedStrings.h"
#include "platform/Storyboard.h"
#include "sdk/VeltrixXPC.h"

#include <QPushButton>
#include <QVBoxLayout>

VELTRIX_STORYBOARD_CONTROLLER("AutoUpdate", "AutoUpdateViewController", AutoUpdateViewController);

AutoUpdateViewController::AutoUpdateViewController(QObject* parent) : NSViewControllerBase(parent) {}

QWidget* AutoUpdateViewController::loadView() {
    auto* view = new QWidget;
    view->resize(380, 180);
    auto* layout = new QVBoxLayout(view);
    m_title = new QLabel(L10n::update_available_title());
    m_message = new QLabel;
    m_message->setWordWrap(true);
    auto* close = new QPushButton(tr("Close"));
    layout->addWidget(m_title);
    layout->addWidget(m_message);
    layout->addWidget(close, 0, Qt::AlignRight);
    connect(close, &QPushButton::clicked, this, [this] { dismiss(); });
    viewWillAppear();
    return view;
}

void AutoUpdateViewController::viewWillAppear() {
    if (!m_message) {
        return;
    }
    const PDAppConfig config = VeltrixXPC::appConfig();
    QString message = L10n::update_available_message();
    message.replace(QStringLiteral("|version|"), config.offeredVersion);
    if (VeltrixXPC::isForcedUpdateAvailable()) {
        message += QLatin1Char('\n') + tr("This update is required before you can connect.");
    }
    m_message->setText(message);
}
