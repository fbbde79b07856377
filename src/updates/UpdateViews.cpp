#include "updates/UpdateViews.h"

#include "core/LocaleData.h"
#include "core/LocalizedStrings.h"
#include "platform/Bundle.h"
#include "toolkit/CapsuleButton.h"
#include "toolkit/Colors.h"
#include "toolkit/NSViewLayerBacked.h"
#include "toolkit/TextAttributes.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kIconSize = 64;
constexpr int kButtonHeight = 36;

const QColor& failureColor() {
    static const QColor color = colorFromHexString(QStringLiteral("#F66161"));
    return color;
}

// The application's icon as the desktop shows it, the bundle's when none is set.
QPixmap applicationIconImage() {
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull()) {
        icon = platform::Bundle::main().image(QStringLiteral("AppIcon"));
    }
    return icon.pixmap(QSize(kIconSize, kIconSize));
}

QLabel* makeIcon() {
    auto* icon = new QLabel;
    icon->setFixedSize(kIconSize, kIconSize);
    icon->setPixmap(applicationIconImage());
    icon->setScaledContents(true);
    return icon;
}

QLabel* makeTitle() {
    auto* title = new QLabel;
    title->setFont(toolkit::interFont(17, QFont::Medium));
    title->setWordWrap(true);
    toolkit::setTextColor(title, Qt::white);
    return title;
}

QLabel* makeMessage() {
    auto* message = new QLabel;
    message->setFont(toolkit::interFont(14));
    message->setWordWrap(true);
    message->setTextFormat(Qt::RichText);
    message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return message;
}

void setMessage(QLabel* field, const QString& text, const QColor& color) {
    setAttributedStringValue(field, makeAttributedString(text, Qt::AlignLeft, field->font(), color, 20));
}

CapsuleButton* makeButton(const QString& title, bool primary) {
    auto* button =
        new CapsuleButton(title, primary ? CapsuleButton::Style::filled : CapsuleButton::Style::outlined);
    button->setFixedHeight(kButtonHeight);
    button->setMinimumWidth(primary ? 128 : 104);
    button->setFont(toolkit::interFont(14, QFont::Medium));
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::TabFocus);
    const QColor color = primary ? QColor(Qt::white) : toolkit::secondaryText;
    applyTitleAttributes(button, color);
    // Disabled: the same colour at half strength, the outline following its title.
    QColor disabled = color;
    disabled.setAlphaF(0.5);
    QPalette palette = button->palette();
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, disabled);
    button->setPalette(palette);
    return button;
}

// The page every view shares: the icon on the left, the view's own column beside it, the buttons along
// the bottom right.
struct Page {
    QWidget* widget = nullptr;
    QLabel* icon = nullptr;
    QVBoxLayout* column = nullptr;
    QHBoxLayout* buttons = nullptr;
};

Page makePage() {
    Page made;
    made.widget = new QWidget;
    auto* outer = new QVBoxLayout(made.widget);
    outer->setContentsMargins(28, 28, 28, 24);
    outer->setSpacing(20);
    auto* body = new QHBoxLayout;
    body->setSpacing(20);
    made.icon = makeIcon();
    body->addWidget(made.icon, 0, Qt::AlignTop);
    made.column = new QVBoxLayout;
    made.column->setSpacing(8);
    body->addLayout(made.column, 1);
    outer->addLayout(body, 1);
    made.buttons = new QHBoxLayout;
    made.buttons->setSpacing(12);
    made.buttons->addStretch();
    outer->addLayout(made.buttons);
    return made;
}

} // namespace

// MARK: progress indicator

UpdateProgressIndicator::UpdateProgressIndicator(QWidget* parent) : QWidget(parent) {
    setFixedHeight(6);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

double UpdateProgressIndicator::filledWidth(double value) const {
    return value > 0 ? std::max<double>(height(), width() * value / 100.0) : 0.0;
}

// Repaints only when the bar's end moves a device pixel, and only around it: progress comes many times
// per pixel.
void UpdateProgressIndicator::setDoubleValue(double value) {
    const double kept = std::isfinite(value) ? std::clamp(value, 0.0, 100.0) : 0.0;
    const double before = filledWidth(m_value);
    const double after = filledWidth(kept);
    m_value = kept;
    const double scale = devicePixelRatioF();
    if (std::lround(before * scale) == std::lround(after * scale)) {
        return;
    }
    // The rounded end reaches back a radius.
    const int from = static_cast<int>(std::floor(std::min(before, after))) - height();
    const int to = static_cast<int>(std::ceil(std::max(before, after))) + 1;
    update(QRect(from, 0, to - from, height()));
}

void UpdateProgressIndicator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track(rect());
    const double radius = track.height() / 2.0;
    fillRoundedRect(painter, track, radius, colorFromHexString(QStringLiteral("#FFFFFF1A")));
    if (m_value > 0) {
        QRectF done = track;
        done.setWidth(std::max(track.height(), track.width() * m_value / 100.0));
        fillRoundedRect(painter, done, radius, toolkit::accent);
    }
}

// MARK: offer

UpdateTitledView::UpdateTitledView(QWidget* parent) : XibView(parent) {
    loadView();
}

QWidget* UpdateTitledView::loadViewFromNib() {
    const Page page = makePage();
    m_appIconImage = page.icon;
    m_updateMessageField = makeMessage();
    m_updateMessageField->setFont(toolkit::interFont(15));
    page.column->addWidget(m_updateMessageField);
    page.column->addStretch();
    m_cancelButton = makeButton(QStringLiteral("Cancel"), false);
    m_installButton = makeButton(QStringLiteral("Update Now"), true);
    page.buttons->addWidget(m_cancelButton);
    page.buttons->addWidget(m_installButton);
    connect(m_installButton, &QAbstractButton::clicked, this, [this] { installTap(); });
    connect(m_cancelButton, &QAbstractButton::clicked, this, [this] { cancelTap(); });
    return page.widget;
}

void UpdateTitledView::configure(const QString& message) {
    m_appIconImage->setPixmap(applicationIconImage());
    setMessage(m_updateMessageField, message, Qt::white);
}

void UpdateTitledView::installTap() {
    if (m_delegate) {
        m_delegate->installUpdateRequested();
    }
}

void UpdateTitledView::cancelTap() {
    if (m_delegate) {
        m_delegate->cancelUpdateRequested();
    }
}

// MARK: download

UpdateProgressView::UpdateProgressView(QWidget* parent) : XibView(parent) {
    loadView();
}

QWidget* UpdateProgressView::loadViewFromNib() {
    const Page page = makePage();
    m_titleField = makeTitle();
    m_titleField->setText(QStringLiteral("Downloading the update"));
    m_progressIndicator = new UpdateProgressIndicator;
    m_percentField = new QLabel;
    m_percentField->setFont(toolkit::interFont(12));
    toolkit::setTextColor(m_percentField, toolkit::secondaryText);
    page.column->addWidget(m_titleField);
    page.column->addSpacing(10);
    page.column->addWidget(m_progressIndicator);
    page.column->addWidget(m_percentField, 0, Qt::AlignRight);
    page.column->addStretch();
    m_cancelButton = makeButton(QStringLiteral("Cancel"), false);
    page.buttons->addWidget(m_cancelButton);
    connect(m_cancelButton, &QAbstractButton::clicked, this, [this] { cancelTap(); });
    setProgress(0);
    return page.widget;
}

void UpdateProgressView::setProgress(double value) {
    m_progressIndicator->setDoubleValue(value);
    const QString percent =
        QString::number(static_cast<int>(std::floor(m_progressIndicator->doubleValue()))) + QLatin1Char('%');
    if (m_percentField->text() != percent) {
        m_percentField->setText(percent);
    }
}

void UpdateProgressView::cancelTap() {
    if (m_delegate) {
        m_delegate->cancelUpdateRequested();
    }
}

// MARK: outcome

UpdateConfirmView::UpdateConfirmView(QWidget* parent) : XibView(parent) {
    loadView();
}

QWidget* UpdateConfirmView::loadViewFromNib() {
    const Page page = makePage();
    m_viewTitleField = makeTitle();
    m_viewMessageField = makeMessage();
    page.column->addWidget(m_viewTitleField);
    page.column->addWidget(m_viewMessageField);
    page.column->addStretch();
    m_cancelButton = makeButton(QStringLiteral("Cancel"), false);
    m_confirmButton = makeButton(L10n::auto_update_restart_button(), true);
    page.buttons->addWidget(m_cancelButton);
    page.buttons->addWidget(m_confirmButton);
    connect(m_cancelButton, &QAbstractButton::clicked, this, [this] { cancelTap(); });
    connect(m_confirmButton, &QAbstractButton::clicked, this, [this] { restartTap(); });
    return page.widget;
}

void UpdateConfirmView::configure(AutoUpdateStates state, const QString& reason) {
    m_state = state;
    QString title;
    QString message;
    QColor titleColor = Qt::white;
    QString confirm = L10n::auto_update_try_again_button();
    switch (state) {
    case AutoUpdateStates::readyToInstallUpdate:
        title = L10n::auto_update_ready_to_install_title();
        message = L10n::auto_update_ready_to_install_msg();
        confirm = L10n::auto_update_restart_button();
        break;
    case AutoUpdateStates::failedToDownloadUpdate:
        title = LocaleData::autoUpdateDownloadFailed().title;
        message = LocaleData::autoUpdateDownloadFailed().message;
        titleColor = failureColor();
        break;
    case AutoUpdateStates::failedToVerifyUpdate:
        title = LocaleData::autoUpdateVerificationFailed().title;
        message = LocaleData::autoUpdateVerificationFailed().message;
        titleColor = failureColor();
        break;
    case AutoUpdateStates::failedToInstallUpdate:
        title = L10n::auto_update_install_failed_title();
        message = reason;
        titleColor = failureColor();
        confirm.clear(); // the package is gone and trying again would end the same way: only Close
        break;
    case AutoUpdateStates::confirmUpdate:
    case AutoUpdateStates::downloadingUpdate:
        return;
    }
    m_viewTitleField->setText(title);
    toolkit::setTextColor(m_viewTitleField, titleColor);
    setMessage(m_viewMessageField, message, toolkit::secondaryText);
    m_confirmButton->setText(confirm);
    m_confirmButton->setVisible(!confirm.isEmpty());
    m_cancelButton->setText(confirm.isEmpty() ? QStringLiteral("Close") : QStringLiteral("Cancel"));
    m_cancelButton->show();
    // A failure leaves the sheet usable: both buttons answer again.
    m_confirmButton->setEnabled(true);
    m_cancelButton->setEnabled(true);
}

void UpdateConfirmView::cancelTap() {
    if (m_delegate) {
        m_delegate->cancelUpdateRequested();
    }
}

void UpdateConfirmView::restartTap() {
    switch (m_state) {
    case AutoUpdateStates::readyToInstallUpdate:
        m_cancelButton->setEnabled(false);
        m_confirmButton->setEnabled(false);
        if (m_delegate) {
            m_delegate->restartToInstallRequested();
        }
        break;
    case AutoUpdateStates::failedToDownloadUpdate:
    case AutoUpdateStates::failedToVerifyUpdate:
        if (m_delegate) {
            m_delegate->retryUpdateRequested();
        }
        break;
    default:
        break;
    }
}
