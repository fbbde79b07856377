#pragma once

#include "toolkit/HoverableButton.h"
#include "toolkit/NSViewLayerBacked.h"
#include "toolkit/WeakDelegate.h"
#include "toolkit/XibView.h"

#include <QColor>
#include <QLabel>
#include <QPointer>

#include <optional>

class WrappingTextField;

// Told when a view wants another height (the owner holds its height constraint).
class SizeChangeableViewDelegate {
public:
    virtual ~SizeChangeableViewDelegate() = default;
    virtual void viewSizeChanged(QWidget* view, double height) = 0;
};

// How long a silent update has been waiting.
enum class SilentUpdateTimeinterval { old, normal, new_ };

// Fewer than 2 days: new; 2 or 3: normal; 4 and more: old.
SilentUpdateTimeinterval silentUpdateTimeinterval(int days);

// What the banner says: a waiting silent update (with its age), an error, an available update, or an
// installed silent update.
class NotificationPopupType {
public:
    enum class Kind { silentUpdate, error, update, silentUpdateSucccess };

    static NotificationPopupType silentUpdate(SilentUpdateTimeinterval timeinterval) {
        return NotificationPopupType(Kind::silentUpdate, timeinterval);
    }
    static NotificationPopupType error() { return NotificationPopupType(Kind::error); }
    static NotificationPopupType update() { return NotificationPopupType(Kind::update); }
    static NotificationPopupType silentUpdateSucccess() {
        return NotificationPopupType(Kind::silentUpdateSucccess);
    }

    Kind kind() const { return m_kind; }
    // Only a silent update has an age.
    std::optional<SilentUpdateTimeinterval> timeinterval() const;

    // The colour of the strip at the banner's left edge.
    QColor indicatorColor() const;
    // The pointing hand over a banner that opens something when clicked; none otherwise.
    std::optional<Qt::CursorShape> cursor() const;

    bool operator==(const NotificationPopupType& other) const;

private:
    explicit NotificationPopupType(Kind kind,
                                   SilentUpdateTimeinterval timeinterval = SilentUpdateTimeinterval::new_)
        : m_kind(kind), m_timeinterval(timeinterval) {}

    Kind m_kind;
    SilentUpdateTimeinterval m_timeinterval;
};

// What the banner's owner does with its buttons and clicks.
class MainErrorViewDelegate : public SizeChangeableViewDelegate {
public:
    virtual void errorViewCloseTapped() = 0;
    // The action button of a banner that is not a silent update.
    virtual void errorViewTryAgainTapped() = 0;
    // "Update Now" on a silent-update banner.
    virtual void errorViewUpdateNowTapped() {}
    // A click anywhere on an update banner.
    virtual void errorViewBannerClicked() {}
};

// The banner at the top of the home tab and the sign-in screen: a coloured strip, a title, a description
// and a close button or an "Update Now" button. It decides nothing: taps go to the delegate, and after
// each show() the delegate hears the height the description needs. Showing and hiding belong to the owner.
class MainErrorView : public XibView {
    Q_OBJECT
public:
    // Title and description of a banner given no title.
    static QString defaultTitle();
    // What the banner needs beyond its description's height: the margins and the title line.
    static constexpr double kChromeHeight = 14 + 17 + 4 + 22;

    explicit MainErrorView(QWidget* parent = nullptr);
    ~MainErrorView() override;

    MainErrorViewDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(MainErrorViewDelegate* delegate) { m_delegate = delegate; }

    using XibView::show;
    // Fills the banner for `type`; service texts are shown as plain text. Reports the new height.
    void show(const NotificationPopupType& type, const std::optional<QString>& title,
              const QString& description);
    // As the close button does.
    void close();

    NotificationPopupType notificationType() const { return m_notificationType; }
    QColor bgColor() const { return m_bgColor; }
    QColor descriptionFieldColor() const { return m_descriptionFieldColor; }

    // The parts, for the owner's layout and for tests.
    NSViewLayerBacked* viewIndicatorButton() const { return m_viewIndicatorButton; }
    QLabel* titleField() const { return m_titleField; }
    QString titleText() const; // the full title, also when the field shows it elided
    QString descriptionText() const;
    Button* tryAgainButton() const { return m_tryAgainButton; }
    NSButtonWithHandCursor* closeButton() const { return m_closeButton; }

    // The description's laid-out height at its current width.
    double descriptionHeight() const;

protected:
    QWidget* loadViewFromNib() override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setupUI();
    void actionButtonTapped();
    void layoutContent();
    void reportHeight();
    void elideTitle();

    const QColor m_bgColor;
    const QColor m_descriptionFieldColor;
    QPointer<NSViewLayerBacked> m_viewIndicatorButton;
    QPointer<QLabel> m_titleField;
    QPointer<WrappingTextField> m_descriptionField;
    QPointer<Button> m_tryAgainButton;
    QPointer<NSButtonWithHandCursor> m_closeButton;
    WeakDelegate<MainErrorViewDelegate> m_delegate;
    NotificationPopupType m_notificationType = NotificationPopupType::error();
    QString m_title;
    int m_reportedWidth = -1;
};
