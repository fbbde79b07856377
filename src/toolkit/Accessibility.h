#pragma once

class QAbstractButton;
class QAccessibleInterface;
class QObject;
class QString;

namespace toolkit {

// Gives the client's own controls the roles and states screen readers expect of their kind: windows as
// frames or dialogs, switches as check boxes with their state, lists and tab lists with their rows as
// items or page tabs (selected, focused), named by what the row shows. Once, before any window shows.
void installAccessibleControls();

// Screen readers take `button` for a page tab, selected or not (the accessibility of tab rows made of
// buttons).
void markAsPageTab(QAbstractButton* button, bool selected);

// The interface that installation adds for `object`, or null where the toolkit's own serves.
QAccessibleInterface* accessibleControl(const QString& className, QObject* object);

} // namespace toolkit
