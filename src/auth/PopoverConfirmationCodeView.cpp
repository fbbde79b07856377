#include "auth/PopoverConfirmationCodeView.h"

#include "toolkit/PopoverViewDelegate.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QVBoxLayout>

namespace {

const ModalPopoverRegistrar signOutCode(ModalViewControllerType::codeConfirmationSignOut,
                                        [] { return new PopoverConfirmationCodeView; });

} // namespace

PopoverConfirmationCodeView::PopoverConfirmationCodeView(QWidget* parent) : XibView(parent) {
    loadView();
    showNewCode();
}

void PopoverConfirmationCodeView::popoverDidAppear() {
    if (window() && window()->isVisible()) {
        m_enterCodeField->setFocus(Qt::OtherFocusReason);
    }
}

QString PopoverConfirmationCodeView::generateCode() {
    return QString::number(QRandomGenerator::global()->bounded(1000000)).rightJustified(6, QLatin1Char('0'));
}

QWidget* PopoverConfirmationCodeView::loadViewFromNib() {
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(kCardContentMargins);
    m_titleLabel = new QLabel;
    m_titleLabel->setObjectName(QStringLiteral("titleLabel"));
    m_descriptionLabel = new QLabel;
    m_descriptionLabel->setWordWrap(true);
    m_codeLabel = new QLabel;
    m_codeLabel->setObjectName(QStringLiteral("codeLabel"));
    m_codeLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_enterCodeField = new QLineEdit;
    m_enterCodeField->setObjectName(QStringLiteral("enterCodeField"));
    m_errorLabel = new QLabel(tr("The code does not match. Type the new code."));
    m_errorLabel->setObjectName(QStringLiteral("errorLabel"));
    m_errorLabel->setVisible(false);
    m_confirmButton = new QPushButton(tr("Sign Out"));
    m_cancelButton = new QPushButton(tr("Cancel"));
    setSecondaryButtonLook(m_cancelButton);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_confirmButton);
    for (QWidget* w : {static_cast<QWidget*>(m_titleLabel), static_cast<QWidget*>(m_descriptionLabel),
                       static_cast<QWidget*>(m_codeLabel), static_cast<QWidget*>(m_enterCodeField),
                       static_cast<QWidget*>(m_errorLabel)}) {
        layout->addWidget(w);
    }
    layout->addLayout(buttons);
    connect(m_confirmButton, &QPushButton::clicked, this, [this] { verifyCode(m_confirmButton); });
    connect(m_enterCodeField, &QLineEdit::returnPressed, this, [this] { verifyCode(m_enterCodeField); });
    connect(m_cancelButton, &QPushButton::clicked, this, [this] { cancel(m_cancelButton); });
    return content;
}

void PopoverConfirmationCodeView::configureForSignOut() {
    m_enterCodeField->clear();
    m_enterCodeField->setPlaceholderText(tr("Code"));
    m_errorLabel->setVisible(false);
    m_titleLabel->setText(tr("Sign Out?"));
    m_descriptionLabel->setText(tr("Always-On VPN is enabled. To sign out, type the code below."));
}

void PopoverConfirmationCodeView::verifyCode(QObject* sender) {
    if (m_enterCodeField->text().trimmed() == m_code) {
        m_errorLabel->setVisible(false);
        if (m_delegate) {
            m_delegate->popoverConfirmed(sender);
        }
        return;
    }
    showNewCode();
    m_enterCodeField->clear();
    m_errorLabel->setVisible(true);
}

void PopoverConfirmationCodeView::cancel(QObject* sender) {
    if (m_delegate) {
        m_delegate->popoverCanceled(sender);
    }
}

bool PopoverConfirmationCodeView::isErrorShown() const {
    return !m_errorLabel->isHidden();
}

void PopoverConfirmationCodeView::showNewCode() {
    m_code = m_generator();
    m_codeLabel->setText(m_code);
}
