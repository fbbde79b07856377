#include "menus/QAUIStack.h"

#include "platform/GraphicalSession.h"
#include "platform/Scheduler.h"
#include "platform/StatusBar.h"
#include "toolkit/AppKitExtensions.h"
#include "toolkit/Colors.h"
#include "toolkit/FlagImageCache.h"
#include "toolkit/Scrollers.h"
#include "toolkit/TextAttributes.h"
#include "toolkit/ViewAnimation.h"

#include <QGuiApplication>
#include <QHash>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr int anchorGap = 15;
const char* keepsBottomProperty = "qauiKeepsBottomEdge";
const char* targetFrameProperty = "qauiTargetFrame";

} // namespace

// Stack member ---------------------------------------------------------------------------------------------

QAUIStackMemberView::QAUIStackMemberView(QWidget* parent) : XibView(parent) {
    setFixedHeight(0);
}

void QAUIStackMemberView::setHeightConstant(double height, bool animated) {
    m_heightConstant = height;
    const int target = static_cast<int>(std::lround(height));
    if (!animated) {
        ViewAnimation::stop(this, "height");
        setFixedHeight(target);
        return;
    }
    const int from = this->height();
    ViewAnimation::start(this, "height", resizeDuration, timing::easeInOut(), [this, from, target](double p) {
        setFixedHeight(static_cast<int>(std::lround(from + (target - from) * p)));
    });
}

void QAUIStackMemberView::hideEvent(QHideEvent* event) {
    // Hidden part way through a change of height, it shows next time at the height it was heading for.
    if (ViewAnimation::running(this, "height")) {
        setHeightConstant(m_heightConstant, false);
    }
    XibView::hideEvent(event);
}

void QAUIStackMemberView::reportHeight(double height, bool animated) {
    if (QAUIStackDelegate* delegate = m_sizeChangeDelegate.get()) {
        delegate->heightWasChanged(this, height, animated);
    }
}

// Look -----------------------------------------------------------------------------------------------------

namespace qaui {

QColor backgroundColor() {
    return colorFromHexString(QStringLiteral("#1B2046"));
}

QColor rowSelectionColor() {
    return colorFromHexString(QStringLiteral("#FFFFFF0D"));
}

QLabel* makeSectionHeader(const QString& text, int height) {
    auto* header = new QLabel(text);
    header->setTextFormat(Qt::PlainText);
    header->setFont(toolkit::interFont(12, QFont::Medium));
    toolkit::setTextColor(header, toolkit::secondaryText);
    header->setContentsMargins(8, 0, 0, 6);
    header->setFixedHeight(height);
    header->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    return header;
}

SelectableTableRowView* makeRowView(TableView& table, const QColor& selectedColor) {
    auto* row = new SelectableTableRowView;
    row->setTableViewIntercellSpacing(table.intercellSpacing());
    row->setCornerRadius(rowCornerRadius);
    row->setSelectedColor(selectedColor);
    return row;
}

void styleTable(TableView& table) {
    table.setFrameShape(QFrame::NoFrame);
    table.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table.setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    table.viewport()->setAutoFillBackground(false);
    table.setAutoFillBackground(false);
    table.setIntercellSpacing(QSize(0, rowSpacing));
    // Palettes, not style sheets: a style sheet re-polishes every recycled cell.
    QPalette clear = table.palette();
    clear.setColor(QPalette::Base, Qt::transparent);
    clear.setColor(QPalette::Window, Qt::transparent);
    table.setPalette(clear);
    table.viewport()->setPalette(clear);
}

HoverableTableView* makeListTable(TableViewDataSource& source, int rowGap, bool scrolls) {
    auto* table = new HoverableTableView;
    styleTable(*table);
    if (!scrolls) {
        table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    table->setIntercellSpacing(QSize(0, rowGap));
    table->setDataSource(&source);
    return table;
}

CapsuleButton* makePillButton() {
    auto* button = new CapsuleButton;
    button->setFont(toolkit::interFont(12, QFont::Medium));
    toolkit::setTextColor(button, Qt::white);
    button->setFixedHeight(22);
    button->setFocusPolicy(Qt::TabFocus);
    const QColor fill = colorFromHexString(QStringLiteral("#FFFFFF33"));
    const QColor lit = colorFromHexString(QStringLiteral("#FFFFFF4D"));
    button->setDefaultColor(fill);
    button->setHoverColor(lit);
    button->setPressedColor(lit);
    button->setDisabledColor(fill);
    return button;
}

void reloadSoon(HoverableTableView* table) {
    if (!table) {
        return;
    }
    QPointer<HoverableTableView> guarded = table;
    runOnMainQueue(0, [guarded] {
        if (guarded) {
            guarded->reloadData();
        }
    });
    runOnMainQueue(500, [guarded] {
        if (guarded) {
            guarded->resetHover();
        }
    });
}

void showNetworkImage(NSImageViewLayerBacked* view, const PDNetworkItemPtr& network) {
    if (!view) {
        return;
    }
    const PDCacheableImagePtr image = network ? network->image() : nullptr;
    const QString key = FlagImageCache::keyOf(image);
    view->setProperty("qauiImageKey", key);
    if (key.isEmpty()) {
        view->setImage(QIcon());
        return;
    }
    const QSize size(40, 40); // 20 px circles at 2x
    if (const std::optional<QImage> cached = FlagImageCache::shared().cached(key, size)) {
        view->setImage(cached->isNull() ? QIcon() : QIcon(QPixmap::fromImage(*cached)));
        return;
    }
    view->setImage(QIcon());
    FlagImageCache::shared().load(image, size, view, [view, key](const QImage& flag) {
        // The view may show another network by now.
        if (view->property("qauiImageKey").toString() == key) {
            view->setImage(flag.isNull() ? QIcon() : QIcon(QPixmap::fromImage(flag)));
        }
    });
}

} // namespace qaui

// Placement ------------------------------------------------------------------------------------------------

namespace {

// The part of `available` on the window's side of the edge it keeps, so that it never grows over the panel.
QRect roomBeside(const QRect& frame, bool keepsBottomEdge, const QRect& available) {
    QRect room = available;
    if (keepsBottomEdge) {
        room.setBottom(std::clamp(frame.bottom(), available.top(), available.bottom()));
    } else {
        room.setTop(std::clamp(frame.top(), available.top(), available.bottom()));
    }
    return room;
}

QRect keptOn(QRect frame, const QRect& available) {
    if (available.isEmpty()) {
        return frame;
    }
    frame.setHeight(std::min(frame.height(), available.height()));
    frame.setWidth(std::min(frame.width(), available.width()));
    frame.moveLeft(std::clamp(frame.left(), available.left(), available.right() - frame.width() + 1));
    frame.moveTop(std::clamp(frame.top(), available.top(), available.bottom() - frame.height() + 1));
    return frame;
}

} // namespace

QRect statusItemAnchor(const platform::StatusItem* item) {
    return item ? item->buttonGeometry() : platform::StatusItem::usualIconGeometry();
}

MenuWindowPlacement placeMenuWindow(const QRect& anchor, const QSize& size, const QRect& available) {
    MenuWindowPlacement placement;
    const int centreX = anchor.x() + anchor.width() / 2;
    const int centreY = anchor.y() + anchor.height() / 2;
    placement.keepsBottomEdge = !available.isEmpty() && centreY > available.y() + available.height() / 2;
    QRect frame(QPoint(centreX - size.width() / 2, 0), size);
    // The gap runs from the panel's edge: the icon's, or the available area's where the panel reserves one.
    if (placement.keepsBottomEdge) {
        const int edge = available.isEmpty() ? anchor.top() : std::min(anchor.top(), available.bottom() + 1);
        frame.moveBottom(edge - 1 - anchorGap);
    } else {
        const int edge =
            available.isEmpty() ? anchor.bottom() + 1 : std::max(anchor.bottom() + 1, available.top());
        frame.moveTop(edge + anchorGap);
    }
    placement.frame = keptOn(frame, roomBeside(frame, placement.keepsBottomEdge, available));
    return placement;
}

QRect resizedMenuFrame(const QRect& frame, int height, bool keepsBottomEdge,
                       const std::optional<QRect>& available) {
    QRect resized = frame;
    if (keepsBottomEdge) {
        resized.setTop(frame.bottom() - height + 1);
    } else {
        resized.setHeight(height);
    }
    return available ? keptOn(resized, roomBeside(frame, keepsBottomEdge, *available)) : resized;
}

QWidget* scrollingContentHost(QWidget* window) {
    auto* scroller = new QScrollArea;
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setFocusPolicy(Qt::NoFocus); // the page's controls take the focus; it scrolls to them
    scroller->setWidgetResizable(true);
    scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroller->setVerticalScrollBar(new TransculentScroller(Qt::Vertical));
    scroller->setAutoFillBackground(false);
    scroller->viewport()->setAutoFillBackground(false);
    auto* host = new QWidget;
    // The pages give the window its height: a section still at a height it is leaving must not hold
    // the window to that height (the sections settle when the window hides, not all before its frame),
    // nor make it scroll; only a window shorter than its page does (resizeMenuWindow).
    host->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    auto* hostLayout = new QVBoxLayout(host);
    hostLayout->setContentsMargins(0, 0, 0, 0);
    hostLayout->setSizeConstraint(QLayout::SetNoConstraint);
    scroller->setWidget(host);
    host->setAutoFillBackground(false); // the window paints its own (rounded) ground
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroller);
    return host;
}

void setKeepsBottomEdge(QWidget* window, bool keepsBottom) {
    if (window) {
        window->setProperty(keepsBottomProperty, keepsBottom);
        window->setProperty(targetFrameProperty, QVariant());
    }
}

void resizeMenuWindow(QWidget* window, int height, bool animated) {
    if (!window) {
        return;
    }
    // A running resize heads for its target; the next one starts from there.
    const QVariant target = window->property(targetFrameProperty);
    const QRect current =
        ViewAnimation::running(window, "frame") && target.isValid() ? target.toRect() : window->geometry();
    if (current.height() == height) {
        return;
    }
    std::optional<QRect> available;
    if (const QScreen* screen = window->screen(); screen && window->isVisible()) {
        available = screen->availableGeometry();
    }
    const QRect next =
        resizedMenuFrame(current, height, window->property(keepsBottomProperty).toBool(), available);
    window->setProperty(targetFrameProperty, next);
    // Shorter than its page, the window scrolls it.
    if (const auto* scroller = window->findChild<QScrollArea*>(QString(), Qt::FindDirectChildrenOnly)) {
        scroller->widget()->setMinimumHeight(next.height() < height ? height : 0);
    }
    if (!animated || !window->isVisible()) {
        ViewAnimation::stop(window, "frame");
        window->setGeometry(next);
        return;
    }
    const QRect from = window->geometry();
    QPointer<QWidget> guarded = window;
    ViewAnimation::start(
        window, "frame", QAUIStackMemberView::resizeDuration, timing::easeInOut(),
        [guarded, from, next](double p) {
            if (!guarded) {
                return;
            }
            auto mix = [p](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * p)); };
            guarded->setGeometry(mix(from.x(), next.x()), mix(from.y(), next.y()),
                                 mix(from.width(), next.width()), mix(from.height(), next.height()));
        });
}

// Row cell -------------------------------------------------------------------------------------------------

QAUIIconTitleCell::QAUIIconTitleCell(bool roundIcon, QFont::Weight titleWeight, int iconSize, QWidget* parent)
    : HoverableCellView(parent) {
    setHoverColor(qaui::rowSelectionColor());
    setCornerRadius(qaui::rowCornerRadius);
    m_layout = new QHBoxLayout(this);
    m_layout->setContentsMargins(8, 0, 6, 0);
    m_layout->setSpacing(10);
    m_icon = new NSImageViewLayerBacked;
    m_icon->setFixedSize(iconSize, iconSize);
    if (roundIcon) {
        m_icon->setCornerRadius(iconSize / 2.0);
        m_icon->setMasksToBounds(true);
    }
    m_title = new ElidedLabel(toolkit::interFont(14, titleWeight), Qt::white);
    m_layout->addWidget(m_icon);
    m_layout->addWidget(m_title, 1);
}

bool qaui::sameNetworkId(const PDNetworkItemPtr& a, const PDNetworkItemPtr& b) {
    if (!a || !b) {
        return !a && !b;
    }
    return a->id() == b->id();
}

// Windows --------------------------------------------------------------------------------------------------

StatusItemMenuWindow::StatusItemMenuWindow(QWidget* parent)
    : platform::TranslucentWindow(parent, platform::GraphicalSession::floatingWindowFlags()) {
    setFocusPolicy(Qt::StrongFocus);
    QPalette p = palette();
    p.setColor(QPalette::Window, qaui::backgroundColor()); // the ground when drawn opaque
    p.setColor(QPalette::WindowText, Qt::white);
    p.setColor(QPalette::Text, Qt::white);
    p.setColor(QPalette::ButtonText, Qt::white);
    setPalette(p);
}

void StatusItemMenuWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    // Round corners only where what lies beneath shows through them.
    const double radius = platform::Compositing::isTranslucent(this) ? qaui::windowCornerRadius : 0.0;
    fillRoundedRect(painter, bounds, radius, qaui::backgroundColor());
    painter.setPen(QPen(colorFromHexString(QStringLiteral("#FFFFFF1A")), 1.0));
    painter.drawPath(roundedRectPath(bounds, radius));
}

void StatusItemMenuWindow::hideEvent(QHideEvent* event) {
    // Closed during a resize: it opens next time at the frame the resize was heading for.
    const QVariant target = property(targetFrameProperty);
    if (ViewAnimation::running(this, "frame")) {
        ViewAnimation::stop(this, "frame");
        if (target.isValid()) {
            setGeometry(target.toRect());
        }
    }
    platform::TranslucentWindow::hideEvent(event);
}

void StatusItemMenuWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && onCancel) {
        onCancel();
        return;
    }
    QWidget::keyPressEvent(event);
}

QRect childWindowFrame(const QRect& row, const QSize& size, const QRect& available) {
    constexpr int gap = 45;
    QRect frame(QPoint(row.right() + 1 + gap, 0), size);
    if (!available.isEmpty() && frame.right() > available.right()) {
        frame.moveRight(row.left() - 1 - gap);
    }
    // Beside the row that opened it, whichever group it shows.
    frame.moveTop(row.y() + row.height() / 2 - size.height() / 2);
    return keptOn(frame, available);
}
