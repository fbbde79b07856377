#pragma once

#include "toolkit/ModalViewController.h"
#include "toolkit/WeakDelegate.h"
#include "toolkit/XibView.h"

#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QValidator>

class PopoverViewDelegate;

// What the code panel confirms.
enum class PopoverConfirmationCodeViewState { logout };
QString confirmationCodeTitle(PopoverConfirmationCodeViewState state);
QString confirmationCodeDescription(PopoverConfirmationCodeViewState state);

// Lets only digits into a field, at most maxCharsLimit of them; an edit or paste that would make anything
// else is refused whole and the field keeps what it had.
class ConfirmationCodeFormatter : public QValidator {
    Q_OBJECT
public:
    static constexpr int defaultMaxCharsLimit = 10;

    explicit ConfirmationCodeFormatter(QObject* parent = nullptr);
    explicit ConfirmationCodeFormatter(int maxCharsLimit, QObject* parent = nullptr);

    int maxCharsLimit() const { return m_maxCharsLimit; }
    void setMaxCharsLimit(int limit) { m_maxCharsLimit = limit; }

    // Whether the text an edit would produce may stand.
    bool isPartialStringValid(const QString& text) const;
    State validate(QString& input, int& pos) const override;

private:
    int m_maxCharsLimit = defaultMaxCharsLimit;
};

// Before a sign-out under Always-On: shows a six-digit code that has to be typed back. A match confirms to
// the delegate; a wrong entry shows the error look and a new code.
class PopoverConfirmationCodeView : public XibView, public ModalPopover {
    Q_OBJECT
public:
    static constexpr int CODE_MAX_ALLOWS_LENGTH = 6;

    explicit PopoverConfirmationCodeView(QWidget* parent = nullptr);

    QLabel* confirmationTitleField() const { return m_confirmationTitleField; }
    QLabel* confirmationDescriptionField() const { return m_confirmationDescriptionField; }
    QLabel* generatedCodeField() const { return m_generatedCodeField; }
    QLineEdit* enterCodeField() const { return m_enterCodeField; }
    QLabel* enterCodeFieldBg() const { return m_enterCodeFieldBg; }
    QLabel* errorField() const { return m_errorField; }
    QPushButton* logOutButton() const { return m_logOutButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }

    const QString& confirmationCode() const { return m_confirmationCode; }
    const QPixmap& defaultFieldImage() const { return m_defaultFieldImage; }
    const QPixmap& errorFieldImage() const { return m_errorFieldImage; }
    // The error look: error image behind the field and the error line shown.
    bool isErrorShown() const;

    PopoverViewDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(PopoverViewDelegate* delegate) { m_delegate = delegate; }

    // Fresh texts and the normal look for each showing; the code stays.
    virtual void configure(PopoverConfirmationCodeViewState state);
    // Confirms with `sender` when the typed code is the shown one; otherwise a new code and the error look.
    virtual void verifyCode(QObject* sender);
    virtual void cancel(QObject* sender);
    virtual void setupViews();
    // Six digits from 1 to 9, shown at once, with the normal look.
    virtual void generateCode();

    // ModalPopover: the overlay shows it for a sign-out under Always-On, configured afresh each time.
    QWidget* popoverWidget() override { return this; }
    void setPopoverDelegate(PopoverViewDelegate* delegate) override { setDelegate(delegate); }
    void prepare() override { configure(PopoverConfirmationCodeViewState::logout); }
    // Typing starts at once when the overlay is in a window.
    void popoverDidAppear() override;

protected:
    QWidget* loadViewFromNib() override;

private:
    void showNormalLook();
    void controlTextDidChange();

    QPointer<QLabel> m_confirmationTitleField;
    QPointer<QLabel> m_confirmationDescriptionField;
    QPointer<QLabel> m_generatedCodeField;
    QPointer<QLineEdit> m_enterCodeField;
    QPointer<QLabel> m_enterCodeFieldBg;
    QPointer<QLabel> m_errorField;
    QPointer<QPushButton> m_logOutButton;
    QPointer<QPushButton> m_cancelButton;
    QString m_confirmationCode;
    QPixmap m_defaultFieldImage;
    QPixmap m_errorFieldImage;
    WeakDelegate<PopoverViewDelegate> m_delegate;
};
