#pragma once

#include "toolkit/FocusRing.h"
#include "toolkit/WeakDelegate.h"

#include <QAbstractScrollArea>
#include <QHash>
#include <QPointer>

#include <functional>
#include <map>
#include <vector>

class TableView;

// The row's background: it holds the row's cell view and draws the selection under it.
class TableRowView : public QWidget {
    Q_OBJECT
public:
    explicit TableRowView(QWidget* parent = nullptr);

    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    // false: the table draws no selection.
    bool drawsSelection() const { return m_drawsSelection; }
    void setDrawsSelection(bool draws);

    // The table that shows the row and the row's number there; null and -1 while unused.
    TableView* tableView() const { return m_table; }
    int row() const { return m_row; }

protected:
    // Called while the row is selected and the table draws selections; the default uses the palette.
    virtual void drawSelection(QPainter& painter, const QRect& dirtyRect);
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;

private:
    friend class TableView;
    QPointer<TableView> m_table;
    int m_row = -1;
    bool m_selected = false;
    bool m_drawsSelection = true;
};

// What a table shows. Views handed out belong to the table from then on.
class TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;
    virtual int numberOfRows(TableView& table) = 0;
    // The cell for a row: take table.makeView(identifier) when it gives one back, else make a view and
    // name it with the identifier (objectName) so it can be reused. Null: the row shows no cell.
    virtual QWidget* viewForRow(TableView& table, int row) = 0;
    virtual int heightOfRow(TableView& table, int row);
    // A row view of the data source's own for the row; null: the table's plain one. As with cells, take
    // table.makeRowView(identifier) when it gives one back, else name a new one (objectName) to have it
    // reused; an unnamed one is deleted when its row leaves.
    virtual TableRowView* rowViewForRow(TableView& table, int row);
    virtual bool shouldSelectRow(TableView& table, int row);
    // Return, Enter or Space on the current row; false: the table clicks the row as the pointer would.
    virtual bool activateRow(TableView& table, int row);
    virtual void selectionDidChange(TableView& table);
    // A row came into view: its row view and cell (table.viewAtRow) are in place.
    virtual void didAddRowView(TableView& table, TableRowView* rowView, int row);
};

// A single-column list that keeps widgets only for the rows in view: rows scrolled out hand their cells
// to a reuse pool keyed by identifier, so a list of any length holds about one screenful of widgets.
// From the keyboard the arrows, Home, End and the page keys move a current row (the one the focus ring
// marks) and Return, Enter or Space click it; a tab list's selection follows the current row at once.
class TableView : public QAbstractScrollArea, public FocusRingArea {
    Q_OBJECT
public:
    enum class SelectionHighlightStyle { none, regular };

    explicit TableView(QWidget* parent = nullptr);
    ~TableView() override;

    TableViewDataSource* dataSource() const { return m_dataSource.get(); }
    // Does not reload: call reloadData() when the data source is ready.
    void setDataSource(TableViewDataSource* dataSource);

    // Asks the data source again for rows, heights and the views in view. The selection stays on its
    // row while that row still exists.
    void reloadData();
    int numberOfRows() const { return static_cast<int>(m_offsets.size()) - 1; }

    // The height of rows whose data source does not say otherwise.
    // Row heights and spacing take effect at the next reload.
    int rowHeight() const { return m_rowHeight; }
    void setRowHeight(int height);
    // Space between rows (and to the sides of cells); each row is its height plus the spacing's height.
    QSize intercellSpacing() const { return m_intercellSpacing; }
    void setIntercellSpacing(const QSize& spacing);

    SelectionHighlightStyle selectionHighlightStyle() const { return m_highlightStyle; }
    void setSelectionHighlightStyle(SelectionHighlightStyle style);

    // A reusable view with that identifier, or null; for the data source's viewForRow.
    QWidget* makeView(const QString& identifier);
    // A reusable row view with that identifier, or null; for the data source's rowViewForRow.
    TableRowView* makeRowView(const QString& identifier);

    // The row's cell or row view if the row is in view; null otherwise (nothing is made).
    QWidget* viewAtRow(int row) const;
    TableRowView* rowViewAtRow(int row) const;

    // In viewport coordinates; -1 where there is no row.
    int rowAtPoint(const QPoint& point) const;
    QRect rectOfRow(int row) const;
    // The rows that have widgets now, first and last; (0, -1) when none.
    std::pair<int, int> rowsInView() const;

    // Asks the data source again for the row's row view and cell when the row is in view; a row out of
    // view gets them when it comes into view. Other rows are left alone.
    void reloadRow(int row);
    // Scrolls the least distance that shows the whole row.
    void scrollRowToVisible(int row);

    // What a click on the row does, made current.
    void clickRow(int row);

    int selectedRow() const { return m_selectedRow; }
    // Selects the row when it exists and the data source agrees; -1 clears the selection.
    void selectRow(int row);
    void deselectAll() { selectRow(-1); }

    // Every widget the table keeps for rows: those in view and those waiting for reuse.
    int numberOfViewsHeld() const;

    // The row the keyboard is on; -1 before the table first has the focus.
    int currentRow() const { return m_currentRow; }
    void setCurrentRow(int row);
    // true: moving the current row clicks it (tab lists).
    bool selectionFollowsFocus() const { return m_selectionFollowsFocus; }
    void setSelectionFollowsFocus(bool follows) { m_selectionFollowsFocus = follows; }

    QRect focusRingRect() const override;

signals:
    void selectionDidChange();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

    // A cell leaves the screen for the reuse pool.
    virtual void rowWillBeRecycled(int row, QWidget* cell);
    // The pointer came onto a row view (at `point` in viewport coordinates).
    virtual void pointerEnteredRow(const QPoint& point);
    virtual void didScroll() {}
    // Rows were filled anew; those kept in view got no enter event from the pointer resting on them.
    virtual void didReloadData() {}

private:
    friend class TableRowView;

    struct VisibleRow {
        TableRowView* rowView = nullptr;
        QWidget* cell = nullptr;
        bool ownRowView = false; // made by the data source: reused by name, else deleted when the row leaves
    };

    void rowClicked(int row);
    void layoutRows();
    void placeRow(int row, VisibleRow& visible);
    void setRowGeometry(int row, const VisibleRow& visible, int top);
    void recycle(int row, VisibleRow& visible);
    // Hides the row's widgets and keeps them for reuse (or deletes them where nothing can ask again).
    void putAway(VisibleRow& visible);
    void putAwayCell(QWidget* cell);
    // A cell with the identifier from the rows a reload replaces that are not in view any more.
    QWidget* takeReplacedCell(const QString& identifier);
    void updateScrollBars();
    int rowAtContentY(int y) const;
    int contentHeight() const { return m_offsets.empty() ? 0 : m_offsets.back(); }

    WeakDelegate<TableViewDataSource> m_dataSource;
    int m_rowHeight = 24;
    QSize m_intercellSpacing{0, 0};
    SelectionHighlightStyle m_highlightStyle = SelectionHighlightStyle::regular;
    std::vector<int> m_offsets{0}; // top of each row, and the content height last
    std::map<int, VisibleRow> m_visible;
    QHash<QString, QList<QWidget*>> m_reusable;
    QHash<QString, QList<TableRowView*>> m_reusableRowViews; // the data source's, by name
    QList<TableRowView*> m_spareRowViews;                    // the table's plain ones
    // While a reload places its rows: the rows in view before it, to be reused where a row takes the same
    // kind of cell again, and the one being placed.
    std::map<int, VisibleRow>* m_replaced = nullptr;
    VisibleRow* m_replacing = nullptr;
    std::pair<int, int> m_rowsPlaced{0, -1}; // the rows the layout puts in view
    int m_selectedRow = -1;
    int m_currentRow = -1;
    bool m_selectionFollowsFocus = false;
    bool m_laying = false;
    bool m_reloadPending = false;
};

// The one row of `table` for which `counts` holds; -1 when none or several do.
int onlyRowWhere(const TableView& table, const std::function<bool(int row)>& counts);

// A reusable cell of class Cell with that identifier, or a new one named with it; for viewForRow.
template <class Cell>
Cell* dequeueCell(TableView& table, const QString& identifier) {
    if (auto* cell = qobject_cast<Cell*>(table.makeView(identifier))) {
        return cell;
    }
    auto* cell = new Cell;
    cell->setObjectName(identifier);
    return cell;
}

// Rows whose controls take the first click. Every control in a row of this toolkit's tables does, so
// this is a plain table for the lists that name it.
class NSTableViewEditing : public TableView {
    Q_OBJECT
public:
    using TableView::TableView;
};
