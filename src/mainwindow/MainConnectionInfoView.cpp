#include "mainwindow/MainConnectionInfoView.h"

#include "core/LocalizedStrings.h"
#include "core/ServiceLayer.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"
#include "sdk/VeltrixXPC.h"
#include "toolkit/Colors.h"
#include "toolkit/ElidedLabel.h"
#include "toolkit/TextAttributes.h"

#include <QGridLayout>

#include <atomic>
#include <mutex>
#include <utility>

MainConnectionInfoView::MainConnectionInfoView(QWidget* parent) : XibView(parent) {
    loadView();
}

QWidget* MainConnectionInfoView::loadViewFromNib() {
    auto* content = new QWidget;
    // One row of four labelled values, so a connection with a banner above still fits the tab.
    auto* grid = new QGridLayout(content);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(2);
    int column = 0;
    const auto addPair = [&](const QString& title, QPointer<QLabel>& value) {
        auto* titleField = new QLabel(title);
        titleField->setFont(toolkit::interFont(12));
        toolkit::setTextColor(titleField, toolkit::secondaryText);
        // Addresses and regions come from outside: plain text, cut short rather than spilling over.
        value = new ElidedLabel(toolkit::interFont(14, QFont::Medium), Qt::white);
        titleField->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        value->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        grid->addWidget(titleField, 0, column);
        grid->addWidget(value, 1, column);
        grid->setColumnStretch(column, 1);
        ++column;
    };
    addPair(QStringLiteral("Time Connected"), m_timeConnectedField);
    addPair(QStringLiteral("Public IP"), m_publicIpField);
    addPair(QStringLiteral("Internal IP"), m_externalIpField);
    addPair(QStringLiteral("Gateway Location"), m_gatewayLocationField);
    m_timeConnectedField->setText(QStringLiteral("00:00:00"));
    m_gatewayLocationField->setText(QStringLiteral("N/A"));
    return content;
}

struct MainConnectionInfoView::Clock {
    std::mutex mutex;
    std::optional<QString> latest;
    std::atomic<bool> onScreen{false};
};

void MainConnectionInfoView::setVisible(bool visible) {
    XibView::setVisible(visible);
    if (isHidden()) {
        m_tickObservation.reset();
        return;
    }
    if (!m_clock) {
        m_clock = std::make_shared<Clock>();
        m_clock->onScreen = isVisible();
    }
    // The clock ticks on the SDK's thread; the field is drawn on the main queue, and a window out of sight
    // costs the client no wakeup a second.
    m_tickObservation = platform::NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("tickTimeUpdated"), nullptr,
        [self = QPointer<MainConnectionInfoView>(this),
         clock = m_clock](const platform::Notification& notification) {
            const QVariant time = notification.userInfo.value(QStringLiteral("timeConnected"));
            if (time.typeId() != QMetaType::QString) {
                return;
            }
            {
                std::lock_guard lock(clock->mutex);
                clock->latest = time.toString();
            }
            if (!clock->onScreen) {
                return;
            }
            platform::DispatchQueue::main().async([self] {
                if (self) {
                    self->showLatestTime();
                }
            });
        });
    refreshPublicIp();
    updateExternalIp(std::nullopt);
}

void MainConnectionInfoView::showLatestTime() {
    if (!m_clock) {
        return;
    }
    std::lock_guard lock(m_clock->mutex);
    if (m_clock->latest) {
        m_timeConnectedField->setText(*std::exchange(m_clock->latest, std::nullopt));
    }
}

void MainConnectionInfoView::showEvent(QShowEvent* event) {
    XibView::showEvent(event);
    if (m_clock) {
        m_clock->onScreen = true;
        showLatestTime();
    }
}

void MainConnectionInfoView::hideEvent(QHideEvent* event) {
    XibView::hideEvent(event);
    if (m_clock) {
        m_clock->onScreen = false;
    }
}

void MainConnectionInfoView::updateGatewayLocation(const QString& regionName) {
    platform::DispatchQueue::main().async([self = QPointer<MainConnectionInfoView>(this), regionName] {
        if (self) {
            self->m_gatewayLocationField->setText(regionName);
        }
    });
}

void MainConnectionInfoView::resetGatewayLocation() {
    m_gatewayLocationField->setText(QStringLiteral("N/A"));
}

void MainConnectionInfoView::updateExternalIp(const std::optional<QString>& address) {
    m_externalIpField->setText(
        address.value_or(VeltrixXPC::internalIPAddress().value_or(QStringLiteral("Not defined"))));
}

void MainConnectionInfoView::refreshPublicIp() {
    m_publicIpField->setText(L10n::connection_IP_address_refreshing_label());
    ServiceLayer::shared().refreshUserIPAddress(this, [this](const PDPublicIPInfoPtr& info) {
        if (info) {
            m_publicIpField->setText(info->ipAddress());
        }
    });
}
