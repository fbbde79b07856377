#pragma once

// The update sheet's three views, one shown at a time: the offer, the download and the outcome. They tell
// the sheet what the user chose through AppUpdateDelegate.

#include "core/AutoUpdateStates.h"
#include "toolkit/CapsuleButton.h"
#include "toolkit/WeakDelegate.h"
#include "toolkit/XibView.h"

#include <QLabel>
#include <QPointer>

class AppUpdateDelegate {
public:
    virtual ~AppUpdateDelegate() = default;
    virtual void installUpdateRequested() = 0;
    virtual void cancelUpdateRequested() = 0;
    virtual void restartToInstallRequested() = 0;
    virtual void retryUpdateRequested() = 0;
};

// A bar from 0 to 100 in the accent on a faint track.
class UpdateProgressIndicator : public QWidget {
    Q_OBJECT
public:
    explicit UpdateProgressIndicator(QWidget* parent = nullptr);

    double doubleValue() const { return m_value; }
    // Kept within 0 and 100.
    void setDoubleValue(double value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double filledWidth(double value) const;

    double m_value = 0.0;
};

// The offer: the application's icon and the wish-to-update text, install and cancel.
class UpdateTitledView : public XibView {
    Q_OBJECT
public:
    explicit UpdateTitledView(QWidget* parent = nullptr);

    void setDelegate(AppUpdateDelegate* delegate) { m_delegate = delegate; }
    void configure(const QString& message);

    QLabel* updateMessageField() const { return m_updateMessageField; }
    QLabel* appIconImage() const { return m_appIconImage; }
    CapsuleButton* installButton() const { return m_installButton; }
    CapsuleButton* cancelButton() const { return m_cancelButton; }

    void installTap();
    void cancelTap();

protected:
    QWidget* loadViewFromNib() override;

private:
    QPointer<QLabel> m_updateMessageField;
    QPointer<QLabel> m_appIconImage;
    QPointer<CapsuleButton> m_installButton;
    QPointer<CapsuleButton> m_cancelButton;
    WeakDelegate<AppUpdateDelegate> m_delegate;
};

// The download: the progress and cancel.
class UpdateProgressView : public XibView {
    Q_OBJECT
public:
    explicit UpdateProgressView(QWidget* parent = nullptr);

    void setDelegate(AppUpdateDelegate* delegate) { m_delegate = delegate; }
    // 0 to 100.
    void setProgress(double value);

    UpdateProgressIndicator* progressIndicator() const { return m_progressIndicator; }
    QLabel* percentField() const { return m_percentField; }
    CapsuleButton* cancelButton() const { return m_cancelButton; }

    void cancelTap();

protected:
    QWidget* loadViewFromNib() override;

private:
    QPointer<UpdateProgressIndicator> m_progressIndicator;
    QPointer<QLabel> m_titleField;
    QPointer<QLabel> m_percentField;
    QPointer<CapsuleButton> m_cancelButton;
    WeakDelegate<AppUpdateDelegate> m_delegate;
};

// The outcome: ready to install (restart), or failed (try again), with cancel beside.
class UpdateConfirmView : public XibView {
    Q_OBJECT
public:
    explicit UpdateConfirmView(QWidget* parent = nullptr);

    void setDelegate(AppUpdateDelegate* delegate) { m_delegate = delegate; }
    // Stores the state; for ready and the failures shows its texts and enabled buttons. A failed
    // installation shows `reason` and only a Close button.
    void configure(AutoUpdateStates state, const QString& reason = {});
    AutoUpdateStates state() const { return m_state; }

    QLabel* viewTitleField() const { return m_viewTitleField; }
    QLabel* viewMessageField() const { return m_viewMessageField; }
    CapsuleButton* cancelButton() const { return m_cancelButton; }
    CapsuleButton* confirmButton() const { return m_confirmButton; }

    void cancelTap();
    // Ready: both buttons off, then restart; failed: try again.
    void restartTap();

protected:
    QWidget* loadViewFromNib() override;

private:
    QPointer<QLabel> m_viewTitleField;
    QPointer<QLabel> m_viewMessageField;
    QPointer<CapsuleButton> m_cancelButton;
    QPointer<CapsuleButton> m_confirmButton;
    AutoUpdateStates m_state = AutoUpdateStates::readyToInstallUpdate;
    WeakDelegate<AppUpdateDelegate> m_delegate;
};
