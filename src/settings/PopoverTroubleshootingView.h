#pragma once

#include "sdk/PDTypes.h"
#include "toolkit/ModalViewController.h"
#include "toolkit/XibView.h"

#include <QCheckBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include <cstdint>
#include <optional>

class PopoverViewDelegate;

// The troubleshooting popover's stages.
struct PopoverTroubleshootingViewState {
    enum class Kind { start, progress, success, fail };

    static PopoverTroubleshootingViewState start() { return {Kind::start, {}}; }
    static PopoverTroubleshootingViewState progress() { return {Kind::progress, {}}; }
    static PopoverTroubleshootingViewState success(QString text) { return {Kind::success, std::move(text)}; }
    static PopoverTroubleshootingViewState fail() { return {Kind::fail, {}}; }

    QString title() const;

    Kind kind = Kind::start;
    QString text; // what the collection returned, for success
    bool operator==(const PopoverTroubleshootingViewState&) const = default;
};

// Asks before the troubleshooting collection runs, then shows its progress and result. In the overlay it
// runs the collection: confirming the question starts it, confirming the result or cancelling stops it.
class PopoverTroubleshootingView : public XibView, public ModalPopover {
    Q_OBJECT
public:
    explicit PopoverTroubleshootingView(QWidget* parent = nullptr);

    PopoverViewDelegate* delegate() const { return m_delegate; }
    void setDelegate(PopoverViewDelegate* delegate) { m_delegate = delegate; }
    std::optional<PDTroubleshootingHelperError> failureReason;

    const PopoverTroubleshootingViewState& popoverState() const { return m_state; }
    // Sets the state and the texts and controls that go with it.
    void configure(const PopoverTroubleshootingViewState& state);

    // In the start state the show-me-again choice is stored first.
    void confirm(QObject* sender);
    void cancel(QObject* sender);

    QString titleText() const { return m_title->text(); }
    QString bodyText() const { return m_body->text(); }
    QCheckBox* showMeAgainCheckbox() const { return m_showMeAgain; }

    // ModalPopover
    QWidget* popoverWidget() override { return this; }
    void setPopoverDelegate(PopoverViewDelegate* delegate) override { setDelegate(delegate); }
    // The question again, or the collection at once when the user asked not to be asked.
    void prepare() override;
    bool confirmed(QObject* sender) override;
    bool canceled(QObject* sender) override;
    void backgroundClicked() override;

    // What a log collection that has ended shows; one from a run that was stopped or replaced is dropped.
    void logCollectionCompleted(std::uint64_t run, const std::optional<QString>& text,
                                const std::optional<PDTroubleshootingHelperError>& error);
    std::uint64_t currentCollectionRun() const { return m_collectionRun; }

protected:
    QWidget* loadViewFromNib() override;

private:
    void startCollection();
    void stopCollection();
    void sendEvent(const PopoverTroubleshootingViewState& state, const std::optional<QString>& buttonTitle);

    PopoverViewDelegate* m_delegate = nullptr;
    PopoverTroubleshootingViewState m_state;
    std::uint64_t m_collectionRun = 0;
    QPointer<QLabel> m_title;
    QPointer<QLabel> m_body;
    QPointer<QCheckBox> m_showMeAgain;
    QPointer<QPushButton> m_confirm;
    QPointer<QPushButton> m_cancel;
};

// About the application: name and version, and an OK button.
class PopoverAppInfoView : public XibView, public ModalPopover {
    Q_OBJECT
public:
    explicit PopoverAppInfoView(QWidget* parent = nullptr);

    PopoverViewDelegate* delegate() const { return m_delegate; }
    void setDelegate(PopoverViewDelegate* delegate) { m_delegate = delegate; }
    void ok(QObject* sender);

    // ModalPopover
    QWidget* popoverWidget() override { return this; }
    void setPopoverDelegate(PopoverViewDelegate* delegate) override { setDelegate(delegate); }

protected:
    QWidget* loadViewFromNib() override;

private:
    PopoverViewDelegate* m_delegate = nullptr;
};
