#include "settings/SettingsLook.h"

#include "platform/Bundle.h"
#include "toolkit/Scrollers.h"
#include "toolkit/SwitchControl.h"
#include "toolkit/TableView.h"
#include "toolkit/TextAttributes.h"

#include <QHash>
#include <QLabel>

namespace settingslook {

void styleTable(TableView& table, int spacing) {
    table.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table.setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    table.setVerticalScrollBar(new TransculentScroller(Qt::Vertical));
    table.setIntercellSpacing(QSize(0, spacing));
    table.setFocusPolicy(Qt::TabFocus); // the keyboard reaches the list; a click leaves the focus where it is
    // Palettes, not style sheets: a style sheet re-polishes every reused cell.
    QPalette clear = table.palette();
    clear.setColor(QPalette::Base, Qt::transparent);
    clear.setColor(QPalette::Window, Qt::transparent);
    table.setPalette(clear);
    table.viewport()->setPalette(clear);
    table.viewport()->setAutoFillBackground(false);
    table.setAutoFillBackground(false);
}

void applySwitchColors(SwitchControl& control) {
    control.setOnColor(toolkit::accent);
    control.setOffColor(toolkit::switchOff);
    control.setOffEdgeColor(toolkit::switchOffEdge);
    control.disabledOnColor = toolkit::accentDisabled;
    control.disabledOffColor = toolkit::switchOffDisabled;
    control.setOn(control.on(), false); // repaints the track in the new colours
}

QLabel* makeTitleField() {
    auto* field = new QLabel;
    field->setFont(toolkit::interFont(14, QFont::Medium));
    field->setTextFormat(Qt::PlainText);
    toolkit::setTextColor(field, Qt::white);
    return field;
}

QLabel* makeDescriptionField() {
    auto* field = new QLabel;
    field->setFont(toolkit::interFont(12));
    field->setTextFormat(Qt::PlainText);
    field->setWordWrap(true);
    toolkit::setTextColor(field, toolkit::secondaryText);
    return field;
}

QWidget* makeSeparator() {
    auto* line = new QWidget;
    line->setFixedHeight(1);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, toolkit::separator);
    line->setPalette(palette);
    return line;
}

const QIcon& icon(const QString& name) {
    static QHash<QString, QIcon> icons; // main thread only
    auto it = icons.find(name);
    if (it == icons.end()) {
        it = icons.insert(name, platform::Bundle::main().image(name));
    }
    return *it;
}

} // namespace settingslook
