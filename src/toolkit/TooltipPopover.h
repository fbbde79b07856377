#pragma once

#include "toolkit/HoverableButton.h"
#include "toolkit/NSViewControllerBase.h"

#include <QLabel>
#include <QPointer>
#include <QSize>

#include <memory>
#include <optional>

// The standard tooltip hints, with their fixed texts and popover sizes.
enum class PopoverState { trustedWiredNetwork, alwaysOn, splitTunneling, dnsFiltering, privateDNS };
QString titleOf(PopoverState state);
QSize sizeOf(PopoverState state);

// The tooltip's content: one label.
class PopoverController : public NSViewControllerBase {
    Q_OBJECT
public:
    explicit PopoverController(QObject* parent = nullptr);

    QLabel* popoverDescriptionField() const { return m_field; }
    QString popupText() const { return m_popupText; }
    Qt::Alignment alignment() const { return m_alignment; }

    virtual void configure(PopoverState state);
    virtual void configure(const QString& text, Qt::Alignment alignment = Qt::AlignLeft);

protected:
    QWidget* loadView() override;
    void viewWillAppear() override;

private:
    QPointer<QLabel> m_field;
    QString m_popupText;
    Qt::Alignment m_alignment = Qt::AlignLeft;
};

// A dark popover window next to a control, showing a PopoverController. An application-defined popover
// closes only when told; a transient one also closes at the next click anywhere.
class Popover : public QObject {
    Q_OBJECT
public:
    enum class Behavior { applicationDefined, transient };
    // The arrow above the content, pointing at the control; the window is this much taller than the
    // content.
    static constexpr int arrowHeight = 6;

    explicit Popover(QObject* parent = nullptr);
    ~Popover() override;

    void setContentViewController(std::unique_ptr<PopoverController> controller);
    PopoverController* contentViewController() const { return m_content.get(); }
    void setBehavior(Behavior behavior) { m_behavior = behavior; }
    Behavior behavior() const { return m_behavior; }
    void setContentSize(const QSize& size) { m_contentSize = size; }
    QSize contentSize() const { return m_contentSize; }

    // Opens below `anchor`, centred on it and kept on its screen, its arrow on the anchor's centre.
    void show(QWidget* anchor);
    void close();
    bool isShown() const;
    // The popover's window while it exists.
    QWidget* window() const { return m_window; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<PopoverController> m_content;
    QPointer<QWidget> m_window;
    Behavior m_behavior = Behavior::applicationDefined;
    QSize m_contentSize;
};

// What the three tooltip buttons share: the text or standard hint, the popover, and the delayed opening
// and closing as the hover flag changes. The popover opens only while its button is visible in a visible
// window.
class TooltipSupport {
public:
    static constexpr double hoverDelay = 0.15;
    static constexpr double defaultWidth = 250.0;

    TooltipSupport(QAbstractButton* button, Qt::Alignment alignment, Popover::Behavior behavior);

    QString popoverMsg;
    std::optional<PopoverState> popoverState;
    double popoverWidth = defaultWidth;

    Popover* popover() const { return m_popover.get(); }
    // The text shown: the hint's title when a hint is set, else the free text.
    QString text() const;
    // The popover's size for the current text: the hint's size, or popoverWidth by the height of the text
    // laid out at popoverWidth - 20 in Inter 12, plus 10.
    QSize contentSize() const;

    void showPopover();
    void closePopover();
    // Opens (true) or closes (false) hoverDelay seconds later.
    void scheduleForHighlight(bool highlight, std::function<void(bool shown)> after = {});

private:
    QAbstractButton* m_button;
    Qt::Alignment m_alignment;
    Popover::Behavior m_behavior;
    std::unique_ptr<Popover> m_popover;
};

// An image-selectable button with a centred, application-defined tooltip.
class ImageSelectableTooltipButton : public ImageSelectableButton {
    Q_OBJECT
public:
    explicit ImageSelectableTooltipButton(QWidget* parent = nullptr);

    void setPopoverMessage(const QString& message) { m_tooltip.popoverMsg = message; }
    void setPopoverState(std::optional<PopoverState> state) { m_tooltip.popoverState = state; }
    void setPopoverMessage(const QString& message, double width);
    void showPopover() { m_tooltip.showPopover(); }
    TooltipSupport& tooltip() { return m_tooltip; }
    Popover* popover() const { return m_tooltip.popover(); }

    void updateCursorRect() override;

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    TooltipSupport m_tooltip;
};

// A hover-filled button with a centred, application-defined tooltip and the hand cursor.
class TooltipHoverBgButton : public HoverableBgButton {
    Q_OBJECT
public:
    explicit TooltipHoverBgButton(QWidget* parent = nullptr);

    void setPopoverMessage(const QString& message) { m_tooltip.popoverMsg = message; }
    void setPopoverState(std::optional<PopoverState> state) { m_tooltip.popoverState = state; }
    void setPopoverMessage(const QString& message, double width);
    void showPopover() { m_tooltip.showPopover(); }
    TooltipSupport& tooltip() { return m_tooltip; }
    Popover* popover() const { return m_tooltip.popover(); }

    void updateCursorRect() override;

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    TooltipSupport m_tooltip;
};

// A display-only badge with a left-aligned, transient tooltip 250 wide: clicks do nothing; from the keyboard
// Space, Return or Enter open the tooltip.
class TooltipHoverButton : public HoverableButton {
    Q_OBJECT
public:
    explicit TooltipHoverButton(QWidget* parent = nullptr);

    // The text is also what screen readers give as the button's description.
    void setPopoverMessage(const QString& message) {
        m_tooltip.popoverMsg = message;
        describeWithTooltip();
    }
    void setPopoverState(std::optional<PopoverState> state) {
        m_tooltip.popoverState = state;
        describeWithTooltip();
    }
    void showPopover() { m_tooltip.showPopover(); }
    TooltipSupport& tooltip() { return m_tooltip; }
    Popover* popover() const { return m_tooltip.popover(); }

    void updateCursorRect() override;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void describeWithTooltip();

    TooltipSupport m_tooltip;
    QString m_nameFromTooltip;
};
