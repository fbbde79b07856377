#include "mainwindow/MainSmartWidgetView.h"

#include "mainwindow/LoadingSpinner.h"
#include "platform/Bundle.h"
#include "platform/Scheduler.h"
#include "toolkit/Button.h"
#include "toolkit/Colors.h"
#include "toolkit/NSViewLayerBacked.h"
#include "toolkit/TextAttributes.h"

#include <QHBoxLayout>
#include <QMouseEvent>

MainSmartWidgetView::MainSmartWidgetView(QWidget* parent) : XibView(parent) {
    loadView();
    setupUI();
    setCursor(Qt::PointingHandCursor);
}

QWidget* MainSmartWidgetView::loadViewFromNib() {
    auto* content = new NSViewLayerBacked;
    content->setCornerRadius(6.0);
    auto* layout = new QHBoxLayout(content);
    layout->setContentsMargins(14, 7, 10, 7);
    layout->setSpacing(10);
    m_messageField = new QLabel;
    m_messageField->setWordWrap(true);
    m_messageField->setFont(toolkit::interFont(12));
    m_separator = new QLabel;
    m_separator->setPixmap(
        platform::Bundle::main().image(QStringLiteral("smartWidgetSeparator")).pixmap(1, 24));
    m_separator->setFixedSize(1, 24);
    auto* link = new Button;
    link->setFlat(true);
    link->setFocusPolicy(Qt::TabFocus);
    link->setFont(toolkit::interFont(12, QFont::Medium));
    link->setCursor(Qt::PointingHandCursor);
    m_linkButton = link;
    connect(m_linkButton, &QAbstractButton::clicked, this, [this] { linkTapped(); });
    m_loadingIndicator = new LoadingSpinner;
    m_loadingIndicator->setColor(colorFromHexString(QStringLiteral("#A4B8D1")));
    layout->addWidget(m_messageField, 1);
    layout->addWidget(m_loadingIndicator, 0, Qt::AlignCenter);
    layout->addWidget(m_separator);
    layout->addWidget(m_linkButton);
    return content;
}

void MainSmartWidgetView::setupUI() {
    applyTitleAttributes(m_linkButton, colorFromHexString(QStringLiteral("#6AF4F8")));
    toolkit::setTextColor(m_messageField, colorFromHexString(QStringLiteral("#A4B8D1")));
    if (auto* panel = qobject_cast<NSViewLayerBacked*>(view())) {
        panel->setBgColor(colorFromHexString(QStringLiteral("#2E4270")));
    }
}

void MainSmartWidgetView::configure(const std::optional<PDSmartWidgetProtocol>& widgetData, bool isLoading) {
    if (isLoading) {
        showLoading();
    } else {
        hideLoading();
    }
    m_widgetData = widgetData;
    if (m_widgetData) {
        update(*m_widgetData);
    }
}

void MainSmartWidgetView::linkTapped() {
    if (!m_widgetData) {
        return;
    }
    if (MainSmartWidgetViewDelegate* delegate = m_delegate.get()) {
        delegate->smartWidgetLinkTapped(m_widgetData->link);
    }
}

void MainSmartWidgetView::setLoadingLook(bool loading) {
    if (loading) {
        m_loadingIndicator->startAnimation();
    } else {
        m_loadingIndicator->stopAnimation();
    }
    m_messageField->setHidden(loading);
    m_linkButton->setHidden(loading);
}

void MainSmartWidgetView::showLoading() {
    QPointer<MainSmartWidgetView> self = this;
    platform::DispatchQueue::main().async([self] {
        if (self) {
            self->setLoadingLook(true);
        }
    });
}

void MainSmartWidgetView::hideLoading() {
    QPointer<MainSmartWidgetView> self = this;
    platform::DispatchQueue::main().async([self] {
        if (self) {
            self->setLoadingLook(false);
        }
    });
}

void MainSmartWidgetView::update(const PDSmartWidgetProtocol& widgetData) {
    hideLoading();
    const QString line = widgetData.title + QLatin1Char(' ') + widgetData.message;
    // Outside text: never read as markup.
    m_messageField->setTextFormat(Qt::PlainText);
    m_messageField->setText(line);
    applyFont(m_messageField, widgetData.title);
    const double height = ::heightForWidth(line, m_messageField->width(), m_messageField->font());
    if (MainSmartWidgetViewDelegate* delegate = m_delegate.get()) {
        delegate->viewSizeChanged(this, height + verticalPadding);
    }
    m_linkButton->setText(widgetData.linkTitle);
}

void MainSmartWidgetView::mousePressEvent(QMouseEvent* event) {
    event->accept();
    linkTapped();
}
