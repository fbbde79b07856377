#include "toolkit/Accessibility.h"

#include "toolkit/SwitchControl.h"
#include "toolkit/TableView.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>

#include <algorithm>
#include <iterator>

namespace toolkit {
namespace {

class SwitchAccessible : public QAccessibleWidget {
public:
    explicit SwitchAccessible(NSSwitchCustom* control) : QAccessibleWidget(control, QAccessible::CheckBox) {
        addControllingSignal(QStringLiteral("clicked()"));
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = control()->on();
        return state;
    }
    QStringList actionNames() const override { return {toggleAction(), pressAction()}; }
    void doAction(const QString& action) override {
        if (action == toggleAction() || action == pressAction()) {
            control()->toggle();
        }
    }

private:
    NSSwitchCustom* control() const { return static_cast<NSSwitchCustom*>(widget()); }
};

// A list's row: its name is what its cell's labels show, unless the row or its cell is named.
class RowAccessible : public QAccessibleWidget {
public:
    explicit RowAccessible(TableRowView* row)
        : QAccessibleWidget(row, row->tableView() && row->tableView()->selectionFollowsFocus()
                                     ? QAccessible::PageTab
                                     : QAccessible::ListItem) {}

    QAccessible::Role role() const override {
        const TableView* table = row()->tableView();
        return table && table->selectionFollowsFocus() ? QAccessible::PageTab : QAccessible::ListItem;
    }
    QString text(QAccessible::Text kind) const override {
        if (kind != QAccessible::Name || !row()->accessibleName().isEmpty()) {
            return QAccessibleWidget::text(kind);
        }
        QStringList texts;
        for (const QWidget* child : row()->findChildren<QWidget*>()) {
            if (!child->isVisibleTo(row())) {
                continue;
            }
            if (!child->accessibleName().isEmpty() && child->parentWidget() == row()) {
                return child->accessibleName(); // a named cell speaks for itself
            }
            if (const auto* label = qobject_cast<const QLabel*>(child); label && !label->text().isEmpty()) {
                texts << label->text();
            }
        }
        return texts.join(QStringLiteral(", "));
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        const TableView* table = row()->tableView();
        state.selectable = true;
        state.selected = row()->isSelected() || (table && table->selectedRow() == row()->row());
        state.focusable = table && table->focusPolicy() != Qt::NoFocus;
        state.focused = table && table->hasFocus() && table->currentRow() == row()->row();
        return state;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override {
        TableView* table = row()->tableView();
        if (action == pressAction() && table && row()->row() >= 0) {
            table->setCurrentRow(row()->row());
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QCoreApplication::sendEvent(table, &press);
        }
    }

private:
    TableRowView* row() const { return static_cast<TableRowView*>(widget()); }
};

class TableAccessible : public QAccessibleWidget {
public:
    explicit TableAccessible(TableView* table)
        : QAccessibleWidget(table,
                            table->selectionFollowsFocus() ? QAccessible::PageTabList : QAccessible::List) {}

    QAccessible::Role role() const override {
        return static_cast<TableView*>(widget())->selectionFollowsFocus() ? QAccessible::PageTabList
                                                                          : QAccessible::List;
    }
};

constexpr const char* pageTabProperty = "pageTabSelected";

class PageTabAccessible : public QAccessibleWidget {
public:
    explicit PageTabAccessible(QAbstractButton* button) : QAccessibleWidget(button, QAccessible::PageTab) {
        addControllingSignal(QStringLiteral("clicked(bool)"));
    }
    QString text(QAccessible::Text kind) const override {
        const auto* button = static_cast<QAbstractButton*>(widget());
        if (kind == QAccessible::Name && button->accessibleName().isEmpty()) {
            return button->text();
        }
        return QAccessibleWidget::text(kind);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.selectable = true;
        state.selected = widget()->property(pageTabProperty).toBool();
        return state;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override {
        if (action == pressAction()) {
            static_cast<QAbstractButton*>(widget())->click();
        }
    }
};

// A plain view of the client's own (no Qt control beneath it): a frame or a dialog while it is a window,
// as a plain view otherwise. Asked each time, since an interface made while a view was still parentless
// (changes announced as it was built) is kept once the view is put into a window.
class ViewAccessible : public QAccessibleWidget {
public:
    using QAccessibleWidget::QAccessibleWidget;

    QAccessible::Role role() const override {
        const QWidget* view = widget();
        if (!view->isWindow()) {
            return QAccessible::Client;
        }
        const bool modal = view->windowModality() != Qt::NonModal || view->windowType() == Qt::Dialog;
        return modal ? QAccessible::Dialog : QAccessible::Window;
    }
};

// Whether no Qt control lies beneath `object`'s class, to give it an interface of its own.
bool isPlainView(const QObject* object) {
    static const char* const controls[] = {
        "QFrame",      "QAbstractButton", "QLineEdit",        "QDialog",          "QMenu",
        "QMenuBar",    "QComboBox",       "QAbstractSlider",  "QAbstractSpinBox", "QProgressBar",
        "QTabBar",     "QTabWidget",      "QToolBar",         "QStatusBar",       "QMainWindow",
        "QGroupBox",   "QDockWidget",     "QDialogButtonBox", "QSizeGrip",        "QRubberBand",
        "QFocusFrame", "QCalendarWidget", "QSplitterHandle"};
    return std::none_of(std::begin(controls), std::end(controls),
                        [object](const char* control) { return object->inherits(control); });
}

} // namespace

QAccessibleInterface* accessibleControl(const QString& className, QObject* object) {
    // Decided once, for the object's own class; its base classes are asked only when this gives nothing.
    if (!object || !object->isWidgetType() || className != QLatin1String(object->metaObject()->className())) {
        return nullptr;
    }
    auto* widget = static_cast<QWidget*>(object);
    if (auto* control = qobject_cast<NSSwitchCustom*>(widget)) {
        return new SwitchAccessible(control);
    }
    if (auto* row = qobject_cast<TableRowView*>(widget)) {
        return new RowAccessible(row);
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget);
        button && button->property(pageTabProperty).isValid()) {
        return new PageTabAccessible(button);
    }
    if (auto* table = qobject_cast<TableView*>(widget)) {
        return new TableAccessible(table);
    }
    if (isPlainView(widget)) {
        return new ViewAccessible(widget);
    }
    return nullptr;
}

void markAsPageTab(QAbstractButton* button, bool selected) {
    const bool changed = button->property(pageTabProperty) != QVariant(selected);
    button->setProperty(pageTabProperty, selected);
    if (changed) {
        QAccessible::State state;
        state.selected = true;
        QAccessibleStateChangeEvent event(button, state);
        QAccessible::updateAccessibility(&event);
    }
}

void installAccessibleControls() {
    static bool installed = false;
    if (!installed) {
        installed = true;
        QAccessible::installFactory(&accessibleControl);
    }
}

} // namespace toolkit
