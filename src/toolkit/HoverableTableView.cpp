#include "toolkit/HoverableTableView.h"

#include "toolkit/AppKitExtensions.h"
#include "toolkit/NSViewLayerBacked.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>

namespace {
HoverableTableCellView* hoverableCell(QWidget* view) {
    return dynamic_cast<HoverableTableCellView*>(view);
}
} // namespace

HoverableTableView::HoverableTableView(QWidget* parent) : TableView(parent) {}

void HoverableTableView::hoverRow(int row) {
    if (row < 0) {
        return;
    }
    // Only the row's cell (its first column) takes part.
    if (HoverableTableCellView* cell = hoverableCell(viewAtRow(row))) {
        cell->hover();
    }
    m_previouslyHoveredRow = row;
}

void HoverableTableView::clearHover() {
    if (!m_previouslyHoveredRow || *m_previouslyHoveredRow >= numberOfRows()) {
        return;
    }
    if (HoverableTableCellView* cell = hoverableCell(viewAtRow(*m_previouslyHoveredRow))) {
        cell->unhover();
    }
}

void HoverableTableView::resetHover() {
    clearHover();
}

void HoverableTableView::pointerMoved(const QPoint& point) {
    if (isModalViewControllerPresented()) {
        return;
    }
    const int row = rowAtPoint(point);
    clearHover();
    hoverRow(row);
}

void HoverableTableView::pointerExited() {
    if (isModalViewControllerPresented()) {
        return;
    }
    clearHover();
}

bool HoverableTableView::viewportEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseMove:
        // Moves over cells arrive here too: cells leave them to their parents.
        m_pointer = static_cast<QMouseEvent*>(event)->position().toPoint();
        pointerMoved(*m_pointer);
        break;
    case QEvent::Leave:
        m_pointer.reset();
        pointerExited();
        break;
    default:
        break;
    }
    return TableView::viewportEvent(event);
}

void HoverableTableView::pointerEnteredRow(const QPoint& point) {
    m_pointer = point;
    pointerMoved(point);
}

void HoverableTableView::rowWillBeRecycled(int row, QWidget* cell) {
    // A lit cell scrolled away must not come back lit for another row.
    if (m_previouslyHoveredRow == row) {
        if (HoverableTableCellView* hoverable = hoverableCell(cell)) {
            hoverable->unhover();
        }
    }
}

void HoverableTableView::updateTrackingAreas() {
    if (viewport()->underMouse()) {
        pointerMoved(viewport()->mapFromGlobal(QCursor::pos()));
    }
}

void HoverableTableView::didScroll() {
    // The content moved under a resting pointer: the row beneath it is now another one.
    updateTrackingAreas();
}

void HoverableTableView::didReloadData() {
    // The reload un-lit the hovered row and may have put another one under the resting pointer.
    if (m_pointer && viewport()->underMouse()) {
        pointerMoved(*m_pointer);
    }
}

bool HoverableSubmenuTableView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Enter && !isModalViewControllerPresented()) {
        QWidget* top = window();
        top->raise();
        top->activateWindow();
    }
    return HoverableTableView::viewportEvent(event);
}

HoverableCellView::HoverableCellView(QWidget* parent) : QWidget(parent) {
    setCursor(m_hoveredCursor);
}

void HoverableCellView::setHighlight(bool highlight) {
    m_highlight = highlight;
    update();
}

void HoverableCellView::setHoveredCursor(const QCursor& cursor) {
    m_hoveredCursor = cursor;
    setCursor(cursor);
}

void HoverableCellView::paintEvent(QPaintEvent*) {
    if (!m_highlight) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    fillRoundedRect(painter, QRectF(rect()), m_cornerRadius, m_hoverColor);
}

SelectableTableRowView::SelectableTableRowView(QWidget* parent) : TableRowView(parent) {}

QRectF SelectableTableRowView::selectionRect() const {
    const QRectF bounds = rect();
    if (!m_spacing) {
        return bounds;
    }
    const double w = m_spacing->width();
    const double h = m_spacing->height();
    return QRectF(w / 2.0, h / 2.0, bounds.width() - w, bounds.height() - h);
}

void SelectableTableRowView::drawSelection(QPainter& painter, const QRect&) {
    const QRectF area = selectionRect();
    fillRoundedRect(painter, area, m_cornerRadius, m_selectedColor);
}
