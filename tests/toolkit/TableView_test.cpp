#include "toolkit/HoverableTableView.h"

#include "support/ModalOverlayScope.h"
#include "toolkit/AppKitExtensions.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

int rowOf(QWidget* cell) {
    return cell ? cell->property("row").toInt() : -1;
}

// Rows of one kind of cell, made only when the table has none to reuse.
class RowSource : public QObject, public TableViewDataSource {
public:
    int rows = 10000;
    int height = 30;
    int made = 0;
    bool selectable = true;
    bool ownRowViews = false;
    QString rowViewName; // own row views named so the table keeps them for reuse
    int rowViewsMade = 0;
    int selectionChanges = 0;

    int numberOfRows(TableView&) override { return rows; }
    int heightOfRow(TableView&, int) override { return height; }
    QWidget* viewForRow(TableView& table, int row) override {
        auto* cell = static_cast<HoverableCellView*>(table.makeView(QStringLiteral("row")));
        if (!cell) {
            cell = new HoverableCellView;
            cell->setObjectName(QStringLiteral("row"));
            cell->setHoverColor(Qt::red);
            ++made;
        }
        cell->setProperty("row", row);
        return cell;
    }
    TableRowView* rowViewForRow(TableView& table, int) override {
        if (!ownRowViews) {
            return nullptr;
        }
        if (TableRowView* reused = rowViewName.isEmpty() ? nullptr : table.makeRowView(rowViewName)) {
            return reused;
        }
        auto* rowView = new SelectableTableRowView;
        rowView->setObjectName(rowViewName);
        rowView->setSelectedColor(Qt::blue);
        ++rowViewsMade;
        return rowView;
    }
    int asked = 0;
    bool shouldSelectRow(TableView&, int) override {
        ++asked;
        return selectable;
    }
    void selectionDidChange(TableView&) override { ++selectionChanges; }
    // Rows reported as added, each with the row of the cell in place at that moment.
    QList<std::pair<int, int>> added;
    void didAddRowView(TableView& table, TableRowView*, int row) override {
        added.append({row, rowOf(table.viewAtRow(row))});
    }
};
bool lit(TableView& table, int row) {
    auto* cell = static_cast<HoverableCellView*>(table.viewAtRow(row));
    return cell && cell->highlight();
}

// A 300-point-high list of 30-point rows, shown.
struct ShownTable {
    explicit ShownTable(int rows = 10000) {
        source.rows = rows;
        table.setFrameShape(QFrame::NoFrame);
        table.setDataSource(&source);
        table.resize(200, 300);
        table.reloadData();
        table.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&table));
    }
    QPoint centreOfRow(int row) const {
        return table.viewport()->mapTo(&table, table.rectOfRow(row).center());
    }
    // Through the window, as the platform delivers it: enter, leave and moves reach the widget under the
    // pointer and bubble up from there.
    // The platform drops a move to where the pointer already is: tests start on different points.
    void moveTo(QPoint point) { QTest::mouseMove(table.windowHandle(), point); }
    void clickAt(QPoint point) { QTest::mouseClick(table.windowHandle(), Qt::LeftButton, {}, point); }
    // Straight to the list, for when another window blocks the platform's delivery.
    void sendMove(QPoint point) {
        const QPoint inViewport = table.viewport()->mapFrom(&table, point);
        QMouseEvent move(QEvent::MouseMove, inViewport, table.viewport()->mapToGlobal(inViewport),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(table.viewport(), &move);
    }

    RowSource source;
    HoverableTableView table;
};

} // namespace

TEST(RowList, KeepsWidgetsOnlyForTheRowsInViewAndReusesThemOnScroll) {
    ShownTable shown;
    HoverableTableView& table = shown.table;
    ASSERT_EQ(table.viewport()->height(), 300);
    EXPECT_EQ(table.numberOfRows(), 10000);
    EXPECT_EQ(table.rowsInView(), std::make_pair(0, 9));
    EXPECT_EQ(shown.source.made, 10);
    EXPECT_EQ(table.numberOfViewsHeld(), 20); // a cell and a row view each

    QWidget* first = table.viewAtRow(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(rowOf(first), 0);
    EXPECT_EQ(table.viewAtRow(10), nullptr); // out of view: nothing made for the lookup
    EXPECT_EQ(shown.source.made, 10);

    table.verticalScrollBar()->setValue(15); // half rows at both ends
    EXPECT_EQ(table.rowsInView(), std::make_pair(0, 10));
    QSet<QWidget*> made;
    for (int row = 0; row <= 10; ++row) {
        made.insert(table.viewAtRow(row));
    }
    table.verticalScrollBar()->setValue(300);
    EXPECT_EQ(table.rowsInView(), std::make_pair(10, 19));
    EXPECT_EQ(table.viewAtRow(0), nullptr);
    EXPECT_EQ(shown.source.made, 11);
    for (int row = 10; row <= 19; ++row) {
        EXPECT_TRUE(made.contains(table.viewAtRow(row))) << row; // the widgets of rows scrolled away
        EXPECT_EQ(rowOf(table.viewAtRow(row)), row);
    }

    for (int value = 0; value <= table.verticalScrollBar()->maximum(); value += 997) {
        table.verticalScrollBar()->setValue(value);
    }
    table.verticalScrollBar()->setValue(table.verticalScrollBar()->maximum());
    EXPECT_EQ(table.rowsInView().second, 9999);
    EXPECT_EQ(rowOf(table.viewAtRow(9999)), 9999);
    EXPECT_LE(shown.source.made, 11);
    EXPECT_LE(table.numberOfViewsHeld(), 22);
    EXPECT_EQ(table.rowViewAtRow(9999)->geometry(), QRect(0, 270, table.viewport()->width(), 30));
}

TEST(RowList, FindsRowsAtPointsAndLaysOutSpacing) {
    ShownTable shown(5);
    HoverableTableView& table = shown.table;
    EXPECT_EQ(table.rowAtPoint(QPoint(10, 0)), 0);
    EXPECT_EQ(table.rowAtPoint(QPoint(10, 59)), 1);
    EXPECT_EQ(table.rowAtPoint(QPoint(10, 149)), 4);
    EXPECT_EQ(table.rowAtPoint(QPoint(10, 150)), -1); // below the last row
    EXPECT_EQ(table.rowAtPoint(QPoint(-1, 10)), -1);

    table.setIntercellSpacing(QSize(4, 2));
    table.reloadData();
    EXPECT_EQ(table.rectOfRow(1), QRect(0, 32, 200, 32));
    EXPECT_EQ(table.viewAtRow(1)->geometry(), QRect(2, 1, 196, 30));

    shown.source.rows = 0;
    table.reloadData();
    EXPECT_EQ(table.rowsInView(), std::make_pair(0, -1));
    EXPECT_EQ(table.rowAtPoint(QPoint(10, 10)), -1);
}

TEST(RowList, SelectsOnClickAndKeepsTheSelectionSaneAcrossReloads) {
    ShownTable shown(100);
    HoverableTableView& table = shown.table;
    QSignalSpy changed(&table, &TableView::selectionDidChange);

    shown.clickAt(shown.centreOfRow(2));
    EXPECT_EQ(table.selectedRow(), 2);
    EXPECT_TRUE(table.rowViewAtRow(2)->isSelected());
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(shown.source.selectionChanges, 1);

    shown.source.selectable = false; // the data source says no
    shown.clickAt(shown.centreOfRow(3));
    EXPECT_EQ(table.selectedRow(), 2);
    shown.source.selectable = true;
    shown.source.asked = 0;
    shown.clickAt(shown.centreOfRow(2)); // the selected row again: asked, nothing changes
    EXPECT_EQ(shown.source.asked, 1);
    EXPECT_EQ(changed.count(), 1);

    table.selectRow(50); // out of view: selected, shown when it comes into view
    table.verticalScrollBar()->setValue(50 * 30);
    EXPECT_TRUE(table.rowViewAtRow(50)->isSelected());
    EXPECT_FALSE(table.rowViewAtRow(51)->isSelected());
    table.selectRow(100); // no such row
    EXPECT_EQ(table.selectedRow(), 50);

    table.reloadData(); // the row still exists
    EXPECT_EQ(table.selectedRow(), 50);
    EXPECT_TRUE(table.rowViewAtRow(50)->isSelected());
    changed.clear();
    shown.source.rows = 20;
    table.reloadData(); // it is gone
    EXPECT_EQ(table.selectedRow(), -1);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(table.rowsInView(), std::make_pair(10, 19)); // scrolled back within the shorter list
}

TEST(RowList, HoverFollowsThePointerAcrossRowsAndStopsAtTheEnd) {
    ShownTable shown(3);
    HoverableTableView& table = shown.table;
    shown.moveTo(shown.centreOfRow(0));
    EXPECT_TRUE(lit(table, 0));
    EXPECT_EQ(table.cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(table.viewAtRow(0)->cursor().shape(), Qt::PointingHandCursor);
    shown.moveTo(shown.centreOfRow(0) + QPoint(5, 3)); // within the row: stays lit
    EXPECT_TRUE(lit(table, 0));
    shown.moveTo(shown.centreOfRow(2));
    EXPECT_FALSE(lit(table, 0));
    EXPECT_TRUE(lit(table, 2));
    EXPECT_EQ(table.previouslyHoveredRow(), 2);

    const QImage picture = table.grab().toImage();
    EXPECT_EQ(picture.pixelColor(table.rectOfRow(2).center()), QColor(Qt::red));
    EXPECT_NE(picture.pixelColor(table.rectOfRow(1).center()), QColor(Qt::red));

    shown.moveTo(QPoint(100, 200)); // the empty area below the rows
    EXPECT_FALSE(lit(table, 2));
    EXPECT_EQ(table.previouslyHoveredRow(), 2);

    shown.moveTo(shown.centreOfRow(1));
    ASSERT_TRUE(lit(table, 1));
    QEvent left(QEvent::Leave); // the pointer leaves the window
    QApplication::sendEvent(table.viewport(), &left);
    EXPECT_FALSE(lit(table, 1));
}

TEST(RowList, ShrinkingTheListForgetsNothingButTouchesNoMissingRow) {
    ShownTable shown(10);
    HoverableTableView& table = shown.table;
    shown.moveTo(shown.centreOfRow(7));
    ASSERT_TRUE(lit(table, 7));
    shown.source.rows = 3;
    table.reloadData();
    EXPECT_EQ(table.previouslyHoveredRow(), 7);
    table.clearHover(); // row 7 is gone: nothing to un-hover, nothing breaks
    shown.moveTo(shown.centreOfRow(1));
    EXPECT_TRUE(lit(table, 1));
}

TEST(RowList, AReloadUnderARestingPointerLightsTheRowThenBeneathIt) {
    ShownTable shown(10);
    HoverableTableView& table = shown.table;
    shown.moveTo(shown.centreOfRow(2));
    ASSERT_TRUE(lit(table, 2));
    const auto litRows = [&] {
        QList<int> rows;
        for (int row = table.rowsInView().first; row <= table.rowsInView().second; ++row) {
            if (lit(table, row)) {
                rows.append(row);
            }
        }
        return rows;
    };
    table.reloadData(); // the row keeps its cell
    EXPECT_EQ(litRows(), QList<int>{2});
    shown.source.height = 60; // taller rows: the pointer now rests on row 1
    table.reloadData();
    EXPECT_EQ(litRows(), QList<int>{1});
}

TEST(RowList, HoverHoldsStillWhileTheModalOverlayIsShown) {
    ShownTable shown(5);
    HoverableTableView& table = shown.table;
    shown.sendMove(shown.centreOfRow(1));
    ASSERT_TRUE(lit(table, 1));

    ModalOverlayScope overlay;
    overlay.present();
    ASSERT_TRUE(isModalViewControllerPresented());
    shown.sendMove(shown.centreOfRow(3));
    EXPECT_TRUE(lit(table, 1)); // stays lit until the first move after the overlay closes
    EXPECT_FALSE(lit(table, 3));
    QEvent left(QEvent::Leave);
    QApplication::sendEvent(table.viewport(), &left);
    EXPECT_TRUE(lit(table, 1));

    overlay.dismiss();
    shown.sendMove(shown.centreOfRow(3));
    EXPECT_FALSE(lit(table, 1));
    EXPECT_TRUE(lit(table, 3));
}

TEST(RowList, ALitCellScrolledAwayDoesNotComeBackLitForAnotherRow) {
    ShownTable shown(100);
    HoverableTableView& table = shown.table;
    shown.moveTo(shown.centreOfRow(0));
    auto* cell = static_cast<HoverableCellView*>(table.viewAtRow(0));
    ASSERT_TRUE(cell->highlight());
    table.verticalScrollBar()->setValue(30 * 50);
    ASSERT_NE(rowOf(cell), 0);
    int litCells = 0;
    for (int row = table.rowsInView().first; row <= table.rowsInView().second; ++row) {
        litCells += lit(table, row) ? 1 : 0;
    }
    EXPECT_LE(litCells, 1); // at most the row now under the pointer
}

TEST(RowList, RendersStandaloneWithSelectableRowViews) {
    RowSource source;
    source.rows = 4;
    source.ownRowViews = true;
    TableView table; // never shown: rendered straight to an image
    table.setDataSource(&source);
    table.resize(120, 200);
    table.reloadData();
    table.selectRow(1);
    const QImage picture = table.grab().toImage();
    EXPECT_EQ(picture.pixelColor(table.rectOfRow(1).center()), QColor(Qt::blue));
    EXPECT_EQ(picture.pixelColor(0, table.rectOfRow(1).center().y()), QColor(Qt::blue))
        << "no sunken frame around the rows";
    EXPECT_NE(picture.pixelColor(table.rectOfRow(0).center()), QColor(Qt::blue));

    table.setSelectionHighlightStyle(TableView::SelectionHighlightStyle::none);
    EXPECT_NE(table.grab().toImage().pixelColor(table.rectOfRow(1).center()), QColor(Qt::blue));
}

TEST(SelectableRowView, KeepsTheSelectionClearOfHalfTheSpacing) {
    SelectableTableRowView row;
    row.resize(200, 40);
    EXPECT_EQ(row.selectionRect(), QRectF(0, 0, 200, 40));
    row.setTableViewIntercellSpacing(QSize(0, 2));
    EXPECT_EQ(row.selectionRect(), QRectF(0, 1, 200, 38));
    EXPECT_EQ(row.selectedColor(), QColor::fromRgbF(1, 1, 1, 0.1f));

    row.setSelectedColor(Qt::green);
    row.setSelected(true);
    QImage picture = row.grab().toImage();
    EXPECT_EQ(picture.pixelColor(0, 20), QColor(Qt::green));  // square corners
    EXPECT_NE(picture.pixelColor(100, 0), QColor(Qt::green)); // the spacing stays clear
    row.setCornerRadius(5);
    picture = row.grab().toImage();
    EXPECT_NE(picture.pixelColor(0, 1), QColor(Qt::green));
    EXPECT_EQ(picture.pixelColor(100, 20), QColor(Qt::green));
}

TEST(RowList, ReloadsOneRowInPlaceAndScrollsARowIntoView) {
    ShownTable shown;
    HoverableTableView& table = shown.table;
    shown.source.ownRowViews = true;
    table.selectRow(3);
    QWidget* neighbour = table.viewAtRow(2);
    const QRect place = table.rowViewAtRow(3)->geometry();
    const int madeBefore = shown.source.made;

    table.reloadRow(3);
    EXPECT_EQ(table.viewAtRow(2), neighbour) << "other rows keep their widgets";
    EXPECT_EQ(rowOf(table.viewAtRow(3)), 3);
    EXPECT_EQ(table.rowViewAtRow(3)->geometry(), place);
    EXPECT_NE(qobject_cast<SelectableTableRowView*>(table.rowViewAtRow(3)), nullptr);
    EXPECT_TRUE(table.rowViewAtRow(3)->isSelected());
    EXPECT_EQ(shown.source.made, madeBefore) << "the row's cell came back from the reuse pool";
    table.reloadRow(500); // out of view: nothing to rebuild now
    EXPECT_EQ(table.viewAtRow(500), nullptr);

    table.scrollRowToVisible(500);
    EXPECT_EQ(table.rectOfRow(500).bottom(), table.viewport()->height() - 1);
    table.scrollRowToVisible(495); // already whole in view: no move
    EXPECT_EQ(table.rectOfRow(500).bottom(), table.viewport()->height() - 1);
    table.scrollRowToVisible(0);
    EXPECT_EQ(table.verticalScrollBar()->value(), 0);
    table.scrollRowToVisible(10000); // no such row
    EXPECT_EQ(table.verticalScrollBar()->value(), 0);
}

TEST(RowList, ReportsEachRowThatComesIntoViewWithItsCellInPlace) {
    ShownTable shown;
    shown.source.added.clear();
    shown.table.verticalScrollBar()->setValue(30 * 5);
    // Rows 10 to 14 came into view; rows 5 to 9 were there already.
    EXPECT_EQ(shown.source.added,
              (QList<std::pair<int, int>>{{10, 10}, {11, 11}, {12, 12}, {13, 13}, {14, 14}}));
}

TEST(RowList, KeepsNamedRowViewsOfTheDataSourceForReuseAndDeletesUnnamedOnes) {
    ShownTable shown(100);
    HoverableTableView& table = shown.table;
    const auto rowViewsInView = [&] {
        QSet<TableRowView*> views;
        for (int row = table.rowsInView().first; row <= table.rowsInView().second; ++row) {
            views.insert(table.rowViewAtRow(row));
        }
        return views;
    };
    shown.source.ownRowViews = true;
    shown.source.rowViewName = QStringLiteral("selectable");
    table.reloadData();
    const QSet<TableRowView*> first = rowViewsInView();
    ASSERT_EQ(first.size(), 10);
    EXPECT_EQ(shown.source.rowViewsMade, 10);

    table.selectRow(4);
    const int held = table.numberOfViewsHeld();
    shown.source.rows = 50;
    table.reloadData();
    EXPECT_EQ(rowViewsInView(), first) << "the same row views, none made";
    EXPECT_EQ(shown.source.rowViewsMade, 10);
    EXPECT_EQ(table.numberOfViewsHeld(), held);
    for (int row = 0; row <= 9; ++row) {
        TableRowView* rowView = table.rowViewAtRow(row);
        EXPECT_EQ(rowView->row(), row);
        EXPECT_EQ(rowView->tableView(), &table);
        EXPECT_EQ(rowView->isSelected(), row == 4) << row;
        EXPECT_EQ(rowOf(table.viewAtRow(row)), row);
        EXPECT_EQ(table.viewAtRow(row)->parentWidget(), rowView);
        EXPECT_TRUE(rowView->isVisible());
    }
    table.verticalScrollBar()->setValue(30 * 5); // five leave, five come back in other rows
    EXPECT_EQ(rowViewsInView(), first);
    EXPECT_EQ(table.rowViewAtRow(14)->row(), 14);
    EXPECT_FALSE(table.rowViewAtRow(14)->isSelected());
    EXPECT_TRUE(table.rowViewAtRow(5)->isVisible());

    shown.source.rowViewName.clear(); // unnamed: made anew and the old ones go
    table.reloadRow(5);               // the named one goes to the pool
    const int heldNow = table.numberOfViewsHeld();
    TableRowView* unnamed = table.rowViewAtRow(5);
    table.reloadRow(5);
    EXPECT_EQ(shown.source.rowViewsMade, 12);
    EXPECT_NE(table.rowViewAtRow(5), unnamed);
    EXPECT_EQ(table.numberOfViewsHeld(), heldNow) << "the unnamed one is not kept";
}

namespace {

// Rows whose cells are of the kind its letter names ("a" or "b"), made only when the table has none to reuse.
class KindSource : public TableViewDataSource {
public:
    QString kinds;
    QHash<QChar, int> made;

    int numberOfRows(TableView&) override { return static_cast<int>(kinds.size()); }
    int heightOfRow(TableView&, int) override { return 30; }
    QWidget* viewForRow(TableView& table, int row) override {
        const QString kind(kinds[row]);
        QWidget* cell = table.makeView(kind);
        if (!cell) {
            cell = new QWidget;
            cell->setObjectName(kind);
            ++made[kinds[row]];
        }
        cell->setProperty("row", row);
        return cell;
    }
};

} // namespace

TEST(RowList, AReloadKeepsEachRowsWidgetsWhereItsKindOfCellStays) {
    // Cells come from the row's own, then the reuse pool, then rows that leave the view; else they are made.
    struct Case {
        QString before;
        QString after;
        QHash<QChar, int> madeByReload;
    };
    const QList<Case> cases{
        {"aaaaaaaaaa", "aaaaaaaaaa", {}},         {"aaaaaaaaaa", "aabaaaaaaa", {{'b', 1}}},
        {"ababababab", "bababababa", {{'b', 1}}}, // then each row takes the cell the row before it put away
        {"aaaaabbbbb", "bbbbbbbbaa", {{'b', 5}}}, {"aaaaaaaaab", "b", {}}, // from a row that leaves the view
        {"aaaaaaaaaaaa", "aab", {{'b', 1}}},      {"aab", "aaaaaaaaaaaa", {{'a', 8}}},
    };
    for (const Case& each : cases) {
        const std::string label = (each.before + " -> " + each.after).toStdString();
        KindSource source;
        source.kinds = each.before;
        TableView table;
        table.setDataSource(&source);
        table.resize(200, 300); // ten rows in view
        table.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&table));
        table.reloadData();
        QHash<int, std::pair<QWidget*, TableRowView*>> shownBefore;
        for (int row = table.rowsInView().first; row <= table.rowsInView().second; ++row) {
            shownBefore.insert(row, {table.viewAtRow(row), table.rowViewAtRow(row)});
        }
        const QHash<QChar, int> madeBefore = source.made;

        source.kinds = each.after;
        table.reloadData();
        for (const QChar kind : {QChar('a'), QChar('b')}) {
            EXPECT_EQ(source.made.value(kind) - madeBefore.value(kind), each.madeByReload.value(kind))
                << label << ": cells of kind " << kind.toLatin1() << " made";
        }
        const int inView = std::min(10, static_cast<int>(each.after.size()));
        EXPECT_EQ(table.rowsInView(), std::make_pair(0, inView - 1));
        int cellsShown = 0;
        for (QWidget* cell : table.viewport()->findChildren<QWidget*>()) {
            cellsShown += !qobject_cast<TableRowView*>(cell) && cell->isVisible();
        }
        EXPECT_EQ(cellsShown, inView) << label << ": cells of rows gone are hidden";
        for (int row = 0; row < inView; ++row) {
            QWidget* cell = table.viewAtRow(row);
            ASSERT_NE(cell, nullptr);
            EXPECT_EQ(cell->objectName(), QString(each.after[row]));
            EXPECT_EQ(rowOf(cell), row);
            EXPECT_EQ(cell->parentWidget(), table.rowViewAtRow(row));
            EXPECT_TRUE(cell->isVisible());
            EXPECT_EQ(table.rowViewAtRow(row)->row(), row);
            if (row < each.before.size() && each.before[row] == each.after[row] &&
                shownBefore.contains(row)) {
                EXPECT_EQ(cell, shownBefore[row].first) << label << " row " << row;
                EXPECT_EQ(table.rowViewAtRow(row), shownBefore[row].second);
            }
        }
    }
}

TEST(RowList, TheKeysMoveTheCurrentRowWithinTheListAndReturnClicksItWhileATabListFollowsAtOnce) {
    for (const bool tabList : {false, true}) {
        ShownTable shown(100);
        HoverableTableView& table = shown.table;
        table.setSelectionFollowsFocus(tabList);
        table.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&table));
        table.setFocus(Qt::TabFocusReason);
        ASSERT_EQ(table.currentRow(), 0) << "the focus comes onto the first row";
        const struct {
            Qt::Key key;
            int current;
            int selectedInAList;
        } steps[] = {
            {Qt::Key_Down, 1, -1},    {Qt::Key_End, 99, -1}, {Qt::Key_Down, 99, -1}, // the end holds
            {Qt::Key_PageUp, 89, -1}, // a page is what the view shows: ten rows
            {Qt::Key_Home, 0, -1},    {Qt::Key_Up, 0, -1},   {Qt::Key_Return, 0, 0},
            {Qt::Key_Down, 1, 0},     {Qt::Key_Space, 1, 1},
        };
        for (const auto& step : steps) {
            QTest::keyClick(&table, step.key);
            const std::string at = (tabList ? "tab list, key " : "list, key ") + std::to_string(step.key);
            EXPECT_EQ(table.currentRow(), step.current) << at;
            EXPECT_EQ(table.selectedRow(), tabList ? step.current : step.selectedInAList) << at;
            EXPECT_NE(table.rowViewAtRow(step.current), nullptr) << at << ": the current row is out of view";
            EXPECT_TRUE(table.focusRingRect().intersects(table.viewport()->geometry())) << at;
        }
    }
}
