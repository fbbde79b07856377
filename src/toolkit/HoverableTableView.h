#pragma once

#include "toolkit/TableView.h"

#include <QColor>
#include <QCursor>

#include <optional>

// How hover-tracking tables switch the look of a row's cell.
class HoverableTableCellView {
public:
    virtual ~HoverableTableCellView() = default;
    virtual void hover() = 0;
    virtual void unhover() = 0;
};

// A table whose row under the pointer shows its hover look. Each move first un-hovers the row hovered
// last, then hovers the row now under the pointer (possibly the same). Nothing changes while the modal
// overlay is shown.
class HoverableTableView : public TableView {
    Q_OBJECT
public:
    explicit HoverableTableView(QWidget* parent = nullptr);

    // The last row the pointer was over; never set back to none, not touched by reloads.
    std::optional<int> previouslyHoveredRow() const { return m_previouslyHoveredRow; }

    // Reads the pointer's place again, for rows that changed under a resting pointer.
    void updateTrackingAreas();

    virtual void hoverRow(int row);
    virtual void clearHover();
    virtual void resetHover();

protected:
    bool viewportEvent(QEvent* event) override;
    void rowWillBeRecycled(int row, QWidget* cell) override;
    void pointerEnteredRow(const QPoint& point) override;
    void didScroll() override;
    void didReloadData() override;

    virtual void pointerMoved(const QPoint& point);
    virtual void pointerExited();

private:
    std::optional<int> m_previouslyHoveredRow;
    // Where the pointer last moved in the viewport, while it is there.
    std::optional<QPoint> m_pointer;
};

// A list in a menu-like window: the pointer entering the list gives that window the keyboard.
class HoverableSubmenuTableView : public HoverableTableView {
    Q_OBJECT
public:
    using HoverableTableView::HoverableTableView;

protected:
    bool viewportEvent(QEvent* event) override;
};

// The base of the list cells: fills itself with hoverColor while lit; the hand cursor always.
class HoverableCellView : public QWidget, public HoverableTableCellView {
    Q_OBJECT
    Q_PROPERTY(QColor hoverColor READ hoverColor WRITE setHoverColor)
    Q_PROPERTY(double cornerRadius READ cornerRadius WRITE setCornerRadius)
public:
    explicit HoverableCellView(QWidget* parent = nullptr);

    // Neither setter repaints by itself.
    QColor hoverColor() const { return m_hoverColor; }
    void setHoverColor(const QColor& color) { m_hoverColor = color; }
    double cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(double radius) { m_cornerRadius = radius; }

    bool highlight() const { return m_highlight; }
    // Repaints; subclasses that follow the hover call the inherited version first.
    virtual void setHighlight(bool highlight);

    QCursor hoveredCursor() const { return m_hoveredCursor; }
    void setHoveredCursor(const QCursor& cursor);

    void hover() override { setHighlight(true); }
    void unhover() override { setHighlight(false); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_hoverColor = Qt::transparent;
    double m_cornerRadius = 0.0;
    bool m_highlight = false;
    QCursor m_hoveredCursor = Qt::PointingHandCursor;
};

// A rounded, translucent selection kept clear of half the table's spacing on every side.
class SelectableTableRowView : public TableRowView {
    Q_OBJECT
public:
    explicit SelectableTableRowView(QWidget* parent = nullptr);

    QColor selectedColor() const { return m_selectedColor; }
    void setSelectedColor(const QColor& color) { m_selectedColor = color; }
    double cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(double radius) { m_cornerRadius = radius; }
    std::optional<QSize> tableViewIntercellSpacing() const { return m_spacing; }
    void setTableViewIntercellSpacing(std::optional<QSize> spacing) { m_spacing = spacing; }

    // The selection's rectangle in this row view.
    QRectF selectionRect() const;

protected:
    void drawSelection(QPainter& painter, const QRect& dirtyRect) override;

private:
    QColor m_selectedColor = QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.1f);
    double m_cornerRadius = 0.0;
    std::optional<QSize> m_spacing;
};
