#include "auth/PopoverConfirmationCodeView.h"

#include "auth/AuthLook.h"
#include "platform/Bundle.h"
#include "toolkit/Colors.h"
#include "toolkit/PopoverViewDelegate.h"
#include "toolkit/TextAttributes.h"

#include <QHBoxLayout>
#include <QRandomGenerator>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QSize kCodeFieldSize(292, 44);

QPixmap fieldImage(const QString& name) {
    return platform::Bundle::main().image(name).pixmap(kCodeFieldSize);
}

} // namespace

QString confirmationCodeTitle(PopoverConfirmationCodeViewState) {
    return QStringLiteral("Confirm You Want to Sign Out");
}

QString confirmationCodeDescription(PopoverConfirmationCodeViewState) {
    return QStringLiteral(
        "To log out when Always-On VPN is enabled, please enter the code in the field below.");
}

// ConfirmationCodeFormatter ---------------------------------------------------------------------------------

ConfirmationCodeFormatter::ConfirmationCodeFormatter(QObject* parent) : QValidator(parent) {}

ConfirmationCodeFormatter::ConfirmationCodeFormatter(int maxCharsLimit, QObject* parent)
    : ConfirmationCodeFormatter(parent) {
    m_maxCharsLimit = maxCharsLimit;
}

bool ConfirmationCodeFormatter::isPartialStringValid(const QString& text) const {
    if (text.isEmpty()) {
        return true;
    }
    if (text.size() > m_maxCharsLimit) {
        return false;
    }
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

QValidator::State ConfirmationCodeFormatter::validate(QString& input, int&) const {
    return isPartialStringValid(input) ? Acceptable : Invalid;
}

// PopoverConfirmationCodeView -------------------------------------------------------------------------------

PopoverConfirmationCodeView::PopoverConfirmationCodeView(QWidget* parent)
    : XibView(parent), m_defaultFieldImage(fieldImage(QStringLiteral("confirmationCodeDefaultFieldState"))),
      m_errorFieldImage(fieldImage(QStringLiteral("confirmationCodeErrorFieldState Copy"))) {
    loadView();
    generateCode();
    setupViews();
}

QWidget* PopoverConfirmationCodeView::loadViewFromNib() {
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(24, 24, 24, 20);
    layout->setSpacing(0);

    m_confirmationTitleField = authlook::makeLabel(toolkit::interFont(18, QFont::Medium), Qt::white, true);
    m_confirmationTitleField->setObjectName(QStringLiteral("confirmationTitleField"));
    m_confirmationTitleField->setStyleSheet(QStringLiteral("color: white;"));
    m_confirmationDescriptionField =
        authlook::makeLabel(toolkit::interFont(14), toolkit::secondaryText, true);
    m_confirmationDescriptionField->setObjectName(QStringLiteral("confirmationDescriptionField"));
    m_confirmationDescriptionField->setStyleSheet(
        QStringLiteral("color: %1;").arg(toolkit::secondaryText.name()));

    m_generatedCodeField = authlook::makeLabel(toolkit::interFont(26, QFont::Medium), Qt::white);
    m_generatedCodeField->setObjectName(QStringLiteral("generatedCodeField"));
    m_generatedCodeField->setStyleSheet(QStringLiteral("color: white;"));
    QFont codeFont = m_generatedCodeField->font();
    codeFont.setLetterSpacing(QFont::AbsoluteSpacing, 8);
    m_generatedCodeField->setFont(codeFont);
    m_generatedCodeField->setAlignment(Qt::AlignCenter);
    m_generatedCodeField->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_enterCodeFieldBg = new QLabel;
    m_enterCodeFieldBg->setObjectName(QStringLiteral("enterCodeFieldBg"));
    m_enterCodeFieldBg->setFixedSize(kCodeFieldSize);
    auto* fieldLayout = new QHBoxLayout(m_enterCodeFieldBg);
    fieldLayout->setContentsMargins(14, 0, 14, 0);
    m_enterCodeField = new QLineEdit;
    m_enterCodeField->setObjectName(QStringLiteral("enterCodeField"));
    m_enterCodeField->setFont(toolkit::interFont(18, QFont::Medium));
    m_enterCodeField->setAlignment(Qt::AlignCenter);
    m_enterCodeField->setPlaceholderText(QStringLiteral("Enter code"));
    m_enterCodeField->setStyleSheet(
        QStringLiteral("QLineEdit { color: white; background: transparent; border: none; padding: 0;"
                       " selection-background-color: %1; }")
            .arg(toolkit::accent.name()));
    fieldLayout->addWidget(m_enterCodeField);

    m_errorField =
        authlook::makeLabel(toolkit::interFont(12), colorFromHexString(QStringLiteral("#F66161")), true);
    m_errorField->setObjectName(QStringLiteral("errorField"));
    m_errorField->setStyleSheet(QStringLiteral("color: #F66161;"));
    m_errorField->setText(QStringLiteral("The code does not match. Please enter the new code."));

    m_cancelButton = new NSButtonWithHandCursor;
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_cancelButton->setText(QStringLiteral("Cancel"));
    m_cancelButton->setFlat(true);
    m_cancelButton->setFont(toolkit::interFont(14, QFont::Medium));
    m_cancelButton->setFixedSize(76, 32);
    m_cancelButton->setStyleSheet(
        QStringLiteral("QPushButton { background: transparent; border: none; color: %1; }")
            .arg(toolkit::cancelTitle.name()));
    m_logOutButton = new NSButtonWithHandCursor;
    m_logOutButton->setObjectName(QStringLiteral("logOutButton"));
    m_logOutButton->setFont(toolkit::interFont(14, QFont::Medium));
    m_logOutButton->setFixedSize(106, 32);
    // The style sheet's image is the bezel, which a flat button leaves out.
    m_logOutButton->setFlat(false);
    m_logOutButton->setStyleSheet(
        QStringLiteral("QPushButton { border: none; color: white; border-image: url(%1); }")
            .arg(platform::Bundle::main().imagePath(QStringLiteral("popoverConfirmSignOutButton"))));

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addStretch();
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_logOutButton);

    layout->addWidget(m_confirmationTitleField);
    layout->addSpacing(10);
    layout->addWidget(m_confirmationDescriptionField);
    layout->addSpacing(18);
    layout->addWidget(m_generatedCodeField);
    layout->addSpacing(14);
    layout->addWidget(m_enterCodeFieldBg, 0, Qt::AlignHCenter);
    layout->addSpacing(8);
    layout->addWidget(m_errorField);
    layout->addSpacing(16);
    layout->addLayout(buttons);
    // The error line keeps its place while hidden, so the panel does not jump.
    QSizePolicy keep = m_errorField->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    m_errorField->setSizePolicy(keep);

    connect(m_logOutButton, &QPushButton::clicked, this, [this] { verifyCode(m_logOutButton); });
    connect(m_cancelButton, &QPushButton::clicked, this, [this] { cancel(m_cancelButton); });
    // Return in the field counts as a click on Sign Out.
    connect(m_enterCodeField, &QLineEdit::returnPressed, this, [this] { verifyCode(m_logOutButton); });
    connect(m_enterCodeField, &QLineEdit::textEdited, this, [this] { controlTextDidChange(); });
    return content;
}

void PopoverConfirmationCodeView::popoverDidAppear() {
    if (window() && window()->isVisible()) {
        m_enterCodeField->setFocus(Qt::OtherFocusReason);
    }
}

void PopoverConfirmationCodeView::setupViews() {
    applyTitleAttributes(m_logOutButton, Qt::white);
    applyTitleAttributes(m_cancelButton, toolkit::cancelTitle);
    m_enterCodeField->setValidator(new ConfirmationCodeFormatter(CODE_MAX_ALLOWS_LENGTH, m_enterCodeField));
    m_enterCodeField->setAttribute(Qt::WA_MacShowFocusRect, false);
}

void PopoverConfirmationCodeView::generateCode() {
    QString code;
    code.reserve(CODE_MAX_ALLOWS_LENGTH);
    for (int i = 0; i < CODE_MAX_ALLOWS_LENGTH; ++i) {
        code.append(QChar(u'0' + QRandomGenerator::system()->bounded(1, 10)));
    }
    m_confirmationCode = code;
    m_generatedCodeField->setText(code);
    showNormalLook();
}

void PopoverConfirmationCodeView::showNormalLook() {
    m_enterCodeFieldBg->setPixmap(m_defaultFieldImage);
    m_errorField->hide();
}

bool PopoverConfirmationCodeView::isErrorShown() const {
    return !m_errorField->isHidden();
}

void PopoverConfirmationCodeView::configure(PopoverConfirmationCodeViewState state) {
    m_enterCodeField->clear();
    showNormalLook();
    m_confirmationTitleField->setText(confirmationCodeTitle(state));
    m_confirmationDescriptionField->setText(confirmationCodeDescription(state));
    // "Always-On VPN" in medium weight, in the field's own colour; the rest in the field's font.
    const QColor color = m_confirmationDescriptionField->palette().color(QPalette::WindowText);
    AttributedString description =
        makeAttributedString(stringValue(m_confirmationDescriptionField), Qt::AlignLeft,
                             m_confirmationDescriptionField->font(), color, 0);
    const QString emphasis = QStringLiteral("Always-On VPN");
    const qsizetype at = description.string().indexOf(emphasis);
    if (at >= 0) {
        description.setAttributes(at, emphasis.size(), color, toolkit::interFont(14, QFont::Medium));
    }
    setAttributedStringValue(m_confirmationDescriptionField, description);
    setTitle(m_logOutButton, QStringLiteral("Sign Out"), Qt::white);
}

void PopoverConfirmationCodeView::verifyCode(QObject* sender) {
    if (m_enterCodeField->text() == m_confirmationCode) {
        if (PopoverViewDelegate* delegate = m_delegate.get()) {
            delegate->popoverConfirmed(sender);
        }
        return;
    }
    generateCode();
    m_enterCodeFieldBg->setPixmap(m_errorFieldImage);
    m_errorField->show();
}

void PopoverConfirmationCodeView::cancel(QObject* sender) {
    if (PopoverViewDelegate* delegate = m_delegate.get()) {
        delegate->popoverCanceled(sender);
    }
}

void PopoverConfirmationCodeView::controlTextDidChange() {
    if (isErrorShown()) {
        showNormalLook();
    }
}
