#include "toolkit/TableView.h"

#include <QAccessible>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

TableRowView::TableRowView(QWidget* parent) : QWidget(parent) {}

void TableRowView::setSelected(bool selected) {
    if (selected != m_selected) {
        m_selected = selected;
        update();
    }
}

void TableRowView::setDrawsSelection(bool draws) {
    if (draws != m_drawsSelection) {
        m_drawsSelection = draws;
        update();
    }
}

void TableRowView::drawSelection(QPainter& painter, const QRect&) {
    painter.fillRect(rect(), palette().color(QPalette::Highlight));
}

void TableRowView::paintEvent(QPaintEvent* event) {
    if (!m_selected || !m_drawsSelection) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    drawSelection(painter, event->rect());
}

void TableRowView::mousePressEvent(QMouseEvent* event) {
    if (m_table && m_row >= 0 && event->button() == Qt::LeftButton) {
        event->accept();
        m_table->rowClicked(m_row);
        return;
    }
    QWidget::mousePressEvent(event);
}

void TableRowView::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    // Rows hidden and moved by a reload under a still pointer send enters that no pointer made.
    if (m_table && m_row >= 0 && !m_table->m_replaced) {
        m_table->pointerEnteredRow(mapTo(m_table->viewport(), event->position().toPoint()));
    }
}

int TableViewDataSource::heightOfRow(TableView& table, int) {
    return table.rowHeight();
}
TableRowView* TableViewDataSource::rowViewForRow(TableView&, int) {
    return nullptr;
}
bool TableViewDataSource::shouldSelectRow(TableView&, int) {
    return true;
}
bool TableViewDataSource::activateRow(TableView&, int) {
    return false;
}
void TableViewDataSource::selectionDidChange(TableView&) {}
void TableViewDataSource::didAddRowView(TableView&, TableRowView*, int) {}

TableView::TableView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame); // rows sit on the window's own background, without a sunken frame
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setMouseTracking(true);
    verticalScrollBar()->setSingleStep(20);
}

TableView::~TableView() {
    // Row views outlive nothing: clear their back pointers before the viewport deletes them.
    for (auto& [row, visible] : m_visible) {
        visible.rowView->m_table = nullptr;
    }
}

void TableView::setDataSource(TableViewDataSource* dataSource) {
    m_dataSource = dataSource;
}

void TableView::setRowHeight(int height) {
    m_rowHeight = std::max(0, height);
}

void TableView::setIntercellSpacing(const QSize& spacing) {
    m_intercellSpacing = spacing.expandedTo(QSize(0, 0));
}

void TableView::setSelectionHighlightStyle(SelectionHighlightStyle style) {
    m_highlightStyle = style;
    for (auto& [row, visible] : m_visible) {
        visible.rowView->setDrawsSelection(style != SelectionHighlightStyle::none);
    }
}

void TableView::reloadData() {
    if (m_laying) {
        m_reloadPending = true; // asked from inside a data source call: after the layout
        return;
    }
    // The rows in view keep their widgets where they show the same kind of cell again: a reload fills them
    // anew without hiding, moving and showing them.
    std::map<int, VisibleRow> replaced = std::exchange(m_visible, {});
    for (auto& [row, visible] : replaced) {
        if (visible.cell) {
            rowWillBeRecycled(row, visible.cell);
        }
    }
    std::map<int, VisibleRow>* const outer = std::exchange(m_replaced, &replaced);
    TableViewDataSource* source = m_dataSource.get();
    const int count = source ? std::max(0, source->numberOfRows(*this)) : 0;
    m_offsets.assign(static_cast<size_t>(count) + 1, 0);
    int* offset = m_offsets.data(); // asked for every row of lists of thousands on each reload
    for (int row = 0; row < count; ++row, ++offset) {
        offset[1] = offset[0] + std::max(0, source->heightOfRow(*this, row)) + m_intercellSpacing.height();
    }
    const bool selectionLost = m_selectedRow >= count;
    if (selectionLost) {
        m_selectedRow = -1;
    }
    m_currentRow = std::min(m_currentRow, count - 1);
    updateScrollBars();
    layoutRows();
    for (auto& [row, visible] : replaced) {
        putAway(visible);
    }
    m_replaced = outer;
    didReloadData();
    if (selectionLost) {
        if (TableViewDataSource* current = m_dataSource.get()) {
            current->selectionDidChange(*this);
        }
        emit selectionDidChange();
    }
}

namespace {

template <class View>
View* takeReusable(QHash<QString, QList<View*>>& pools, const QString& identifier) {
    auto found = pools.find(identifier);
    if (found == pools.end() || found->isEmpty()) {
        return nullptr;
    }
    return found->takeLast();
}

template <class View>
qsizetype pooledCount(const QHash<QString, QList<View*>>& pools) {
    qsizetype count = 0;
    for (const QList<View*>& pool : pools) {
        count += pool.size();
    }
    return count;
}

} // namespace

QWidget* TableView::makeView(const QString& identifier) {
    if (m_replacing && m_replacing->cell && m_replacing->cell->objectName() == identifier) {
        return std::exchange(m_replacing->cell, nullptr);
    }
    if (QWidget* pooled = takeReusable(m_reusable, identifier)) {
        return pooled;
    }
    return takeReplacedCell(identifier);
}

QWidget* TableView::takeReplacedCell(const QString& identifier) {
    if (!m_replaced) {
        return nullptr;
    }
    // Only from rows that leave the view: a row yet to be placed may want its own cell back.
    for (auto& [row, visible] : *m_replaced) {
        const bool staysInView = row >= m_rowsPlaced.first && row <= m_rowsPlaced.second;
        if (!staysInView && visible.cell && visible.cell->objectName() == identifier) {
            return std::exchange(visible.cell, nullptr);
        }
    }
    return nullptr;
}

TableRowView* TableView::makeRowView(const QString& identifier) {
    if (m_replacing && m_replacing->ownRowView && m_replacing->rowView &&
        m_replacing->rowView->objectName() == identifier) {
        return std::exchange(m_replacing->rowView, nullptr);
    }
    return takeReusable(m_reusableRowViews, identifier);
}

QWidget* TableView::viewAtRow(int row) const {
    const auto found = m_visible.find(row);
    return found == m_visible.end() ? nullptr : found->second.cell;
}

TableRowView* TableView::rowViewAtRow(int row) const {
    const auto found = m_visible.find(row);
    return found == m_visible.end() ? nullptr : found->second.rowView;
}

int TableView::rowAtContentY(int y) const {
    if (y < 0 || y >= contentHeight()) {
        return -1;
    }
    // The last row whose top is at or above y.
    const auto next = std::upper_bound(m_offsets.begin(), m_offsets.end(), y);
    return static_cast<int>(next - m_offsets.begin()) - 1;
}

int TableView::rowAtPoint(const QPoint& point) const {
    if (point.x() < 0 || point.x() >= viewport()->width()) {
        return -1;
    }
    return rowAtContentY(point.y() + verticalScrollBar()->value());
}

QRect TableView::rectOfRow(int row) const {
    if (row < 0 || row >= numberOfRows()) {
        return {};
    }
    const int top = m_offsets[static_cast<size_t>(row)] - verticalScrollBar()->value();
    return QRect(0, top, viewport()->width(),
                 m_offsets[static_cast<size_t>(row) + 1] - m_offsets[static_cast<size_t>(row)]);
}

std::pair<int, int> TableView::rowsInView() const {
    if (m_visible.empty()) {
        return {0, -1};
    }
    return {m_visible.begin()->first, m_visible.rbegin()->first};
}

void TableView::selectRow(int row) {
    if (row >= numberOfRows() || row < -1) {
        return;
    }
    if (row == m_selectedRow) {
        return;
    }
    TableViewDataSource* source = m_dataSource.get();
    if (row >= 0 && source && !source->shouldSelectRow(*this, row)) {
        return;
    }
    if (TableRowView* old = rowViewAtRow(m_selectedRow)) {
        old->setSelected(false);
    }
    m_selectedRow = row;
    if (TableRowView* now = rowViewAtRow(m_selectedRow)) {
        now->setSelected(true);
    }
    if ((source = m_dataSource.get())) {
        source->selectionDidChange(*this);
    }
    emit selectionDidChange();
}

int TableView::numberOfViewsHeld() const {
    qsizetype count = m_spareRowViews.size() + pooledCount(m_reusable) + pooledCount(m_reusableRowViews);
    for (const auto& [row, visible] : m_visible) {
        count += 1 + (visible.cell ? 1 : 0);
    }
    return static_cast<int>(count);
}

void TableView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
    layoutRows();
}

void TableView::scrollContentsBy(int, int) {
    layoutRows();
    if (hasFocus()) {
        FocusRing::refresh();
    }
    didScroll();
}

void TableView::rowWillBeRecycled(int, QWidget*) {}

void TableView::pointerEnteredRow(const QPoint&) {}

void TableView::setCurrentRow(int row) {
    row = std::clamp(row, -1, numberOfRows() - 1);
    if (row == m_currentRow) {
        return;
    }
    m_currentRow = row;
    if (row >= 0) {
        scrollRowToVisible(row);
    }
    FocusRing::refresh();
    if (hasFocus()) {
        if (TableRowView* now = rowViewAtRow(row)) {
            QAccessibleEvent focus(now, QAccessible::Focus);
            QAccessible::updateAccessibility(&focus);
        }
    }
}

QRect TableView::focusRingRect() const {
    const QRect row = rectOfRow(m_currentRow);
    if (row.isEmpty()) {
        return {};
    }
    const QSize inset = m_intercellSpacing / 2;
    const QRect ring = row.adjusted(inset.width(), inset.height(), -inset.width(), -inset.height());
    return QRect(viewport()->mapTo(this, ring.topLeft()), ring.size());
}

void TableView::keyPressEvent(QKeyEvent* event) {
    const int rows = numberOfRows();
    if (rows == 0) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const int from = m_currentRow;
    // A page is what the view shows: the row a view's height above or below the current one.
    const auto pageFrom = [this, rows, from](int direction) {
        const int top = from >= 0 ? m_offsets[static_cast<size_t>(from)] : 0;
        const int row =
            rowAtContentY(std::clamp(top + direction * viewport()->height(), 0, contentHeight() - 1));
        return row == from ? std::clamp(from + direction, 0, rows - 1) : row;
    };
    int to = from;
    switch (event->key()) {
    case Qt::Key_Up:
        to = from <= 0 ? 0 : from - 1;
        break;
    case Qt::Key_Down:
        to = from + 1;
        break;
    case Qt::Key_Home:
        to = 0;
        break;
    case Qt::Key_End:
        to = rows - 1;
        break;
    case Qt::Key_PageUp:
        to = pageFrom(-1);
        break;
    case Qt::Key_PageDown:
        to = pageFrom(1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (m_currentRow >= 0) {
            event->accept();
            TableViewDataSource* source = m_dataSource.get();
            if (!event->isAutoRepeat() && !(source && source->activateRow(*this, m_currentRow))) {
                rowClicked(m_currentRow);
            }
            return;
        }
        [[fallthrough]];
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
    setCurrentRow(std::min(to, rows - 1));
    if (m_selectionFollowsFocus && m_currentRow != from && m_currentRow >= 0) {
        rowClicked(m_currentRow);
    }
}

void TableView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    if (m_currentRow < 0 || m_currentRow >= numberOfRows()) {
        // The selected row, or the one that shows itself selected (tab lists draw their own), or the first.
        int start = m_selectedRow;
        for (const auto& [row, visible] : m_visible) {
            if (start < 0 && visible.rowView->isSelected()) {
                start = row;
            }
        }
        setCurrentRow(std::max(start, 0));
    }
    if (TableRowView* now = rowViewAtRow(m_currentRow)) {
        QAccessibleEvent focus(now, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}

void TableView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    FocusRing::refresh();
}

int onlyRowWhere(const TableView& table, const std::function<bool(int)>& counts) {
    int found = -1;
    for (int row = 0; row < table.numberOfRows(); ++row) {
        if (counts(row)) {
            if (found >= 0) {
                return -1;
            }
            found = row;
        }
    }
    return found;
}

void TableView::clickRow(int row) {
    if (row >= 0 && row < numberOfRows()) {
        setCurrentRow(row);
        rowClicked(row);
    }
}

void TableView::rowClicked(int row) {
    m_currentRow = row;
    if (row == m_selectedRow) {
        // A click on the selected row is still a click: the data source hears of it, nothing changes.
        if (TableViewDataSource* source = m_dataSource.get()) {
            source->shouldSelectRow(*this, row);
        }
        return;
    }
    selectRow(row);
}

void TableView::updateScrollBars() {
    QScrollBar* bar = verticalScrollBar();
    const int page = viewport()->height();
    bar->setPageStep(std::max(1, page));
    bar->setRange(0, std::max(0, contentHeight() - page));
}

void TableView::layoutRows() {
    // A data source that scrolls or reloads from inside viewForRow must not re-enter the layout.
    if (m_laying) {
        return;
    }
    // Not yet shown or grabbed: the viewport's size is not the real one, and rows made now would be wasted.
    if (testAttribute(Qt::WA_PendingResizeEvent)) {
        return;
    }
    m_laying = true;
    const int top = verticalScrollBar()->value();
    const int bottom = top + viewport()->height();
    int first = 0;
    int last = -1;
    if (numberOfRows() > 0 && viewport()->height() > 0) {
        first = std::max(0, rowAtContentY(top));
        const auto end = std::lower_bound(m_offsets.begin(), m_offsets.end(), bottom);
        last = std::min(numberOfRows() - 1, static_cast<int>(end - m_offsets.begin()) - 1);
        if (m_offsets[static_cast<size_t>(first)] >= bottom) {
            last = first - 1;
        }
    }
    for (auto it = m_visible.begin(); it != m_visible.end();) {
        if (it->first < first || it->first > last) {
            recycle(it->first, it->second);
            it = m_visible.erase(it);
        } else {
            ++it;
        }
    }
    m_rowsPlaced = {first, last};
    for (int row = first; row <= last; ++row) {
        auto [it, added] = m_visible.try_emplace(row);
        if (added) {
            placeRow(row, it->second);
        }
        setRowGeometry(row, it->second, top);
    }
    m_laying = false;
    if (m_reloadPending) {
        m_reloadPending = false;
        reloadData();
    }
}

void TableView::setRowGeometry(int row, const VisibleRow& visible, int top) {
    const QRect rowRect(0, m_offsets[static_cast<size_t>(row)] - top, viewport()->width(),
                        m_offsets[static_cast<size_t>(row) + 1] - m_offsets[static_cast<size_t>(row)]);
    visible.rowView->setGeometry(rowRect);
    if (QWidget* cell = visible.cell) {
        const QSize spacing = m_intercellSpacing;
        cell->setGeometry(QRect(QPoint(0, 0), rowRect.size())
                              .adjusted(spacing.width() / 2, spacing.height() / 2,
                                        -(spacing.width() - spacing.width() / 2),
                                        -(spacing.height() - spacing.height() / 2)));
    }
}

void TableView::reloadRow(int row) {
    if (m_laying) {
        m_reloadPending = true;
        return;
    }
    const auto found = m_visible.find(row);
    if (found == m_visible.end()) {
        return;
    }
    m_laying = true;
    recycle(row, found->second);
    found->second = VisibleRow{};
    placeRow(row, found->second);
    setRowGeometry(row, found->second, verticalScrollBar()->value());
    m_laying = false;
    if (m_reloadPending) {
        m_reloadPending = false;
        reloadData();
    }
}

void TableView::scrollRowToVisible(int row) {
    if (row < 0 || row >= numberOfRows()) {
        return;
    }
    QScrollBar* bar = verticalScrollBar();
    const int top = m_offsets[static_cast<size_t>(row)];
    const int bottom = m_offsets[static_cast<size_t>(row) + 1];
    if (top < bar->value()) {
        bar->setValue(top);
    } else if (bottom > bar->value() + viewport()->height()) {
        bar->setValue(bottom - viewport()->height());
    }
}

void TableView::placeRow(int row, VisibleRow& visible) {
    const auto replaced = m_replaced ? m_replaced->find(row) : std::map<int, VisibleRow>::iterator{};
    m_replacing = m_replaced && replaced != m_replaced->end() ? &replaced->second : nullptr;
    TableViewDataSource* source = m_dataSource.get();
    TableRowView* rowView = source ? source->rowViewForRow(*this, row) : nullptr;
    visible.ownRowView = rowView != nullptr;
    if (!rowView && m_replacing && !m_replacing->ownRowView) {
        rowView = std::exchange(m_replacing->rowView, nullptr);
    }
    if (!rowView) {
        rowView = m_spareRowViews.isEmpty() ? new TableRowView : m_spareRowViews.takeLast();
    }
    if (rowView->parentWidget() != viewport()) {
        rowView->setParent(viewport());
    }
    // Rendering a hidden table lays it out while its viewport's updates are briefly off; a row view made
    // then would inherit that for good and never paint.
    if (updatesEnabled() && !rowView->updatesEnabled()) {
        rowView->setAttribute(Qt::WA_UpdatesDisabled, false);
    }
    rowView->m_table = this;
    rowView->m_row = row;
    rowView->setSelected(row == m_selectedRow);
    rowView->setDrawsSelection(m_highlightStyle != SelectionHighlightStyle::none);
    visible.rowView = rowView;

    source = m_dataSource.get();
    QWidget* cell = source ? source->viewForRow(*this, row) : nullptr;
    if (m_replacing) {
        // What the row showed before and does not show now; its row view may have been taken over.
        if (m_replacing->cell && m_replacing->cell != cell) {
            putAwayCell(std::exchange(m_replacing->cell, nullptr));
        }
        putAway(*m_replacing);
        m_replaced->erase(replaced);
        m_replacing = nullptr;
    }
    if (cell) {
        if (cell->parentWidget() != rowView) {
            cell->setParent(rowView);
        }
        cell->show();
    }
    visible.cell = cell;
    rowView->show();
    if ((source = m_dataSource.get())) {
        source->didAddRowView(*this, rowView, row);
    }
}

void TableView::recycle(int row, VisibleRow& visible) {
    if (visible.cell) {
        rowWillBeRecycled(row, visible.cell);
    }
    putAway(visible);
}

void TableView::putAwayCell(QWidget* cell) {
    cell->hide();
    if (cell->objectName().isEmpty()) {
        cell->deleteLater(); // no identifier: nobody can ask for it again
    } else {
        cell->setParent(viewport());
        m_reusable[cell->objectName()].append(cell);
    }
}

void TableView::putAway(VisibleRow& visible) {
    if (QWidget* cell = std::exchange(visible.cell, nullptr)) {
        putAwayCell(cell);
    }
    TableRowView* rowView = std::exchange(visible.rowView, nullptr);
    if (!rowView) {
        return;
    }
    rowView->hide();
    rowView->m_row = -1;
    rowView->m_table = nullptr;
    if (!visible.ownRowView) {
        m_spareRowViews.append(rowView);
    } else if (!rowView->objectName().isEmpty()) {
        m_reusableRowViews[rowView->objectName()].append(rowView);
    } else {
        rowView->deleteLater(); // it may be handling the click that led here
    }
}
