#pragma once

#include "sdk/PDTypes.h"
#include "toolkit/ModalViewController.h"
#include "toolkit/PDLottieAnimationView.h"
#include "toolkit/XibView.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

#include <cstdint>
#include <optional>

class PopoverViewDelegate;

// The troubleshooting popover's stages; a success carries the collected text.
struct PopoverTroubleshootingViewState {
    enum class Kind { start, progress, success, fail };

    static PopoverTroubleshootingViewState start() { return {Kind::start, {}}; }
    static PopoverTroubleshootingViewState progress() { return {Kind::progress, {}}; }
    static PopoverTroubleshootingViewState success(QString text) { return {Kind::success, std::move(text)}; }
    static PopoverTroubleshootingViewState fail() { return {Kind::fail, {}}; }

    QString title() const;
    QString description() const;
    QString confirmButtonTitle() const;
    // The confirm button's width; none while the collection runs.
    double quitButtonWidth() const;

    Kind kind = Kind::start;
    QString text; // what the collection returned, for success
    bool operator==(const PopoverTroubleshootingViewState&) const = default;
};

// "Send Logs to Support": asks for consent, runs the SDK's collection of logs and statistics with a loader,
// and shows the collected text or why it failed. In the overlay it runs the collection: confirming the
// question starts it, confirming the result or cancelling stops it.
class PopoverTroubleshootingView : public XibView, public ModalPopover {
    Q_OBJECT
public:
    explicit PopoverTroubleshootingView(QWidget* parent = nullptr);

    PopoverViewDelegate* delegate() const { return m_delegate; }
    void setDelegate(PopoverViewDelegate* delegate) { m_delegate = delegate; }
    // The SDK's failure, set before fail is shown.
    std::optional<PDTroubleshootingHelperError> failureReason;

    const PopoverTroubleshootingViewState& popoverState() const { return m_state; }
    // Sets the state and the texts and controls that go with it.
    void configure(const PopoverTroubleshootingViewState& state);

    // In the start state the don't-ask-again choice is stored first.
    void confirm(QObject* sender);
    void cancel(QObject* sender);

    QString titleText() const { return m_title->text(); }
    // The description, or the collected text while it is shown.
    QString bodyText() const;
    QLabel* warningDescriptionField() const { return m_body; }
    QPlainTextEdit* collectedTextView() const { return m_collected; }
    QCheckBox* showMeAgainCheckbox() const { return m_showMeAgain; }
    QWidget* showMeAgainStackView() const { return m_showMeAgainRow; }
    PDLottieAnimationView* loaderAnimationView() const { return m_loader; }
    QPushButton* confirmButton() const { return m_confirm; }
    QPushButton* cancelButton() const { return m_cancel; }

    // ModalPopover
    QWidget* popoverWidget() override { return this; }
    void setPopoverDelegate(PopoverViewDelegate* delegate) override { setDelegate(delegate); }
    // Each opening starts again: the question, or the collection at once when the user asked not to be
    // asked.
    void prepare() override;
    bool confirmed(QObject* sender) override;
    bool canceled(QObject* sender) override;
    void backgroundClicked() override;

    // What a log collection that has ended shows; one from a run that was stopped or replaced is dropped.
    void logCollectionCompleted(std::uint64_t run, const std::optional<QString>& text,
                                const std::optional<PDTroubleshootingHelperError>& error);
    std::uint64_t currentCollectionRun() const { return m_collectionRun; }
    // Whether the collected text shown is all there (it comes in pieces of this many characters).
    bool isCollectedTextComplete() const;
    static constexpr qsizetype collectedTextPiece = 128 * 1024;

protected:
    QWidget* loadViewFromNib() override;

private:
    void startCollection();
    void stopCollection();
    void sendEvent(const PopoverTroubleshootingViewState& state, const std::optional<QString>& buttonTitle);
    void showCollectedText();
    void appendCollectedText(std::uint64_t load, qsizetype from);

    PopoverViewDelegate* m_delegate = nullptr;
    PopoverTroubleshootingViewState m_state;
    std::uint64_t m_collectionRun = 0;
    std::uint64_t m_textLoad = 0;
    QPointer<QLabel> m_title;
    QPointer<QLabel> m_body;
    QPointer<QPlainTextEdit> m_collected;
    QPointer<PDLottieAnimationView> m_loader;
    QPointer<QWidget> m_showMeAgainRow;
    QPointer<QCheckBox> m_showMeAgain;
    QPointer<QPushButton> m_confirm;
    QPointer<QPushButton> m_cancel;
};

// "Latest version is installed: <version>.<build>", with an OK button.
class PopoverAppInfoView : public XibView, public ModalPopover {
    Q_OBJECT
public:
    explicit PopoverAppInfoView(QWidget* parent = nullptr);

    PopoverViewDelegate* delegate() const { return m_delegate; }
    void setDelegate(PopoverViewDelegate* delegate) { m_delegate = delegate; }
    QLabel* appVersionField() const { return m_appVersionField; }
    QPushButton* okButton() const { return m_ok; }
    void cancel(QObject* sender);

    // ModalPopover
    QWidget* popoverWidget() override { return this; }
    void setPopoverDelegate(PopoverViewDelegate* delegate) override { setDelegate(delegate); }

protected:
    QWidget* loadViewFromNib() override;

private:
    PopoverViewDelegate* m_delegate = nullptr;
    QPointer<QLabel> m_appVersionField;
    QPointer<QPushButton> m_ok;
};
