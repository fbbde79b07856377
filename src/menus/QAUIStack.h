#pragma once

#include "platform/Compositing.h"
#include "sdk/PDNetworks.h"
#include "toolkit/CapsuleButton.h"
#include "toolkit/ElidedLabel.h"
#include "toolkit/HoverableButton.h"
#include "toolkit/HoverableTableView.h"
#include "toolkit/NSViewLayerBacked.h"
#include "toolkit/WeakDelegate.h"
#include "toolkit/XibView.h"

#include <QColor>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <functional>
#include <optional>

class QAUIStackMemberView;
namespace platform {
class StatusItem;
}

// A section tells its page that it needs another height.
class QAUIStackDelegate {
public:
    virtual ~QAUIStackDelegate() = default;
    virtual void heightWasChanged(QAUIStackMemberView* view, double newHeight, bool animated) = 0;
};

// A section answers the height it needs now.
class QAUIStackMemberDelegate {
public:
    virtual ~QAUIStackMemberDelegate() = default;
    virtual double height() const = 0;
};

// A section of a quick-access page. Its height constant is the room the page gives it; an animated change
// runs on the scheduler's clock while the constant already holds the target.
class QAUIStackMemberView : public XibView {
    Q_OBJECT
public:
    static constexpr double resizeDuration = 0.2;

    explicit QAUIStackMemberView(QWidget* parent = nullptr);

    QAUIStackDelegate* sizeChangeDelegate() const { return m_sizeChangeDelegate.get(); }
    void setSizeChangeDelegate(QAUIStackDelegate* delegate) { m_sizeChangeDelegate = delegate; }

    double heightConstant() const { return m_heightConstant; }
    void setHeightConstant(double height, bool animated);

protected:
    void hideEvent(QHideEvent* event) override;
    // Tells the page, when there is one.
    void reportHeight(double height, bool animated);

private:
    WeakDelegate<QAUIStackDelegate> m_sizeChangeDelegate;
    double m_heightConstant = 0.0;
};

// The quick-access window's look.
namespace qaui {
inline constexpr int windowWidth = 300;
// The onboarding pages: the illustration, a two-line title and a four-line description over the dots and
// the Next button.
inline constexpr int onboardingPageHeight = 400;
inline constexpr int sideMargin = 12;
inline constexpr int rowHeight = 32;
inline constexpr double rowCornerRadius = 5.0;
inline constexpr int rowSpacing = 2;
inline constexpr double windowCornerRadius = 8.0;

QColor backgroundColor();   // the popover navy
QColor rowSelectionColor(); // white at 5 %

// A reusable cell of `Cell` from the table, or a new one (named with the identifier for reuse).
using ::dequeueCell;
// A section's small title in the secondary colour, sitting on the bottom of its `height`.
QLabel* makeSectionHeader(const QString& text, int height);
// The list's row view: rounded, inset by the table's spacing.
SelectableTableRowView* makeRowView(TableView& table, const QColor& selectedColor);
// A table with the window's transparent look, no frame and no scroll bars unless it overflows.
void styleTable(TableView& table);
// The rows' Connect/Disconnect button: a translucent white capsule with a white title.
CapsuleButton* makePillButton();
// Reloads on the main queue, then re-tracks the hover 0.5 s later, so hover matches the new rows.
void reloadSoon(HoverableTableView* table);
// A network's image in a round view; none without a network or image. Loads once per image.
void showNetworkImage(NSImageViewLayerBacked* view, const PDNetworkItemPtr& network);
} // namespace qaui

namespace qaui {
// A table with the window's look, rows `rowGap` apart, served by `source`; it scrolls only when `scrolls`.
HoverableTableView* makeListTable(TableViewDataSource& source, int rowGap, bool scrolls);
} // namespace qaui

// A list of the quick-access windows: it serves its own table of rounded rows, of the usual height unless
// it says otherwise, and tells one delegate what was chosen.
template <class Delegate>
class QAUIList : public TableViewDataSource {
public:
    Delegate* delegate() const { return m_delegate; }
    void setDelegate(Delegate* delegate) { m_delegate = delegate; }
    HoverableTableView* tableView() const { return m_table; }

    int heightOfRow(TableView&, int) override { return qaui::rowHeight; }
    TableRowView* rowViewForRow(TableView& table, int) override {
        return qaui::makeRowView(table, qaui::rowSelectionColor());
    }

protected:
    HoverableTableView* makeTableView(int rowGap = qaui::rowSpacing, bool scrolls = false) {
        m_table = qaui::makeListTable(*this, rowGap, scrolls);
        return m_table;
    }

private:
    Delegate* m_delegate = nullptr;
    QPointer<HoverableTableView> m_table;
};

// Where a quick-access window goes, in global coordinates: centred on the anchor, clamped sideways; below
// an anchor in the upper half of `available` (top 15 px under the panel's edge: the anchor's or the
// available area's, whichever is further in), above one in the lower half (bottom 15 px over that edge);
// never off `available` and never over the panel: a window taller than the room there is made shorter.
// `keepsBottomEdge` says which edge later resizes keep.
struct MenuWindowPlacement {
    QRect frame;
    bool keepsBottomEdge = false;
};
MenuWindowPlacement placeMenuWindow(const QRect& anchor, const QSize& size, const QRect& available);

// What a window or menu opened from `item` is placed against: the tray's word on the icon, else the last
// click on it, else where a tray icon usually is.
QRect statusItemAnchor(const platform::StatusItem* item);

// The frame after a height change: the kept edge stays, the window stays on `available` when given,
// never growing past its kept edge over the panel.
QRect resizedMenuFrame(const QRect& frame, int height, bool keepsBottomEdge,
                       const std::optional<QRect>& available);

// Makes the window's content scroll where the window is shorter than its page: a scroll area filling the
// window, holding the widget returned, where the page goes.
QWidget* scrollingContentHost(QWidget* window);

// Re-sizes a quick-access window to `height`, keeping the edge its placement chose, animated over 0.2 s
// or at once.
void resizeMenuWindow(QWidget* window, int height, bool animated);
// Marks which edge a window's resizes keep.
void setKeepsBottomEdge(QWidget* window, bool keepsBottom);

// A row of the quick-access lists: an icon (round for networks) and a one-line title, lit under the pointer;
// subclasses add what follows the title.
class QAUIIconTitleCell : public HoverableCellView {
    Q_OBJECT
public:
    QAUIIconTitleCell(bool roundIcon, QFont::Weight titleWeight, int iconSize = 20,
                      QWidget* parent = nullptr);

    NSImageViewLayerBacked* iconView() const { return m_icon; }
    ElidedLabel* titleField() const { return m_title; }

protected:
    // Where subclasses put what follows the title.
    QHBoxLayout* rowLayout() const { return m_layout; }

private:
    QHBoxLayout* m_layout;
    NSImageViewLayerBacked* m_icon;
    ElidedLabel* m_title;
};

namespace qaui {
// Whether two networks have the same identifier; two missing networks count as the same.
bool sameNetworkId(const PDNetworkItemPtr& a, const PDNetworkItemPtr& b);
} // namespace qaui

// The frameless top-level window of the quick-access window and its child: paints its own navy card and
// reports Esc.
class StatusItemMenuWindow : public platform::TranslucentWindow {
    Q_OBJECT
public:
    explicit StatusItemMenuWindow(QWidget* parent = nullptr);

    std::function<void()> onCancel;

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// Where the child window of a network group goes, in global coordinates: 45 px right of the row (or, without
// room there, its right edge 45 px left of the row), centred on the row; kept on `available`.
QRect childWindowFrame(const QRect& row, const QSize& size, const QRect& available);
