#pragma once

#include "toolkit/ModalViewController.h"
#include "toolkit/XibView.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include <functional>

class PopoverViewDelegate;

// Asks for a generated code before a sign-out that Always-On would otherwise prevent.
class PopoverConfirmationCodeView : public XibView, public ModalPopover {
    Q_OBJECT
public:
    explicit PopoverConfirmationCodeView(QWidget* parent = nullptr);

    QLineEdit* enterCodeField() const { return m_enterCodeField; }
    PopoverViewDelegate* delegate() const { return m_delegate; }
    void setDelegate(PopoverViewDelegate* delegate) { m_delegate = delegate; }

    // Fresh state for each showing: empty field, no error, the sign-out texts.
    void configureForSignOut();
    // Confirms when the typed code is the shown one; otherwise shows a new code and the error.
    void verifyCode(QObject* sender);
    void cancel(QObject* sender);

    QString code() const { return m_code; }
    bool isErrorShown() const;
    // Where codes come from (tests pass their own).
    void setCodeGenerator(std::function<QString()> generator) { m_generator = std::move(generator); }
    // Six random digits.
    static QString generateCode();

    // ModalPopover: the overlay shows it for a sign-out under Always-On.
    QWidget* popoverWidget() override { return this; }
    void setPopoverDelegate(PopoverViewDelegate* delegate) override { setDelegate(delegate); }
    void prepare() override { configureForSignOut(); }
    // Typing starts at once when the overlay is in a window.
    void popoverDidAppear() override;

protected:
    QWidget* loadViewFromNib() override;

private:
    void showNewCode();

    QPointer<QLabel> m_titleLabel;
    QPointer<QLabel> m_descriptionLabel;
    QPointer<QLabel> m_codeLabel;
    QPointer<QLineEdit> m_enterCodeField;
    QPointer<QLabel> m_errorLabel;
    QPointer<QPushButton> m_confirmButton;
    QPointer<QPushButton> m_cancelButton;
    PopoverViewDelegate* m_delegate = nullptr;
    std::function<QString()> m_generator = &PopoverConfirmationCodeView::generateCode;
    QString m_code;
};
