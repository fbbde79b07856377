#include "settings/SettingsProtocolController.h"

#include "core/ApplicationModel.h"
#include "core/ServiceLayer.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "sdk/VeltrixXPC.h"
#include "settings/SettingsLook.h"
#include "toolkit/NSViewLayerBacked.h"
#include "toolkit/TextAttributes.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace {

constexpr int kAnalyticsCategory = 0;
constexpr int kProtocolChosenEvent = 34;
constexpr int rowHeight = 94;
constexpr double rowCornerRadius = 5.0;
const QString cellIdentifier = QStringLiteral("SettingsProtocolViewCell");
const QString rowIdentifier = QStringLiteral("SettingsProtocolRowView");

bool isLockedLook(ProtocolIndicatorViewState state) {
    return state == ProtocolIndicatorViewState::alwaysOn ||
           state == ProtocolIndicatorViewState::disconnectToEdit;
}

} // namespace

// SettingsProtocolViewCell ---------------------------------------------------------------------------------

SettingsProtocolViewCell::SettingsProtocolViewCell(QWidget* parent) : HoverableCellView(parent) {
    setHoverColor(toolkit::rowHover);
    setCornerRadius(rowCornerRadius);
    setHoveredCursor(Qt::ArrowCursor);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(18, 0, 18, 0);
    layout->setSpacing(24);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(6);
    m_title = settingslook::makeTitleField();
    m_description = settingslook::makeDescriptionField();
    texts->addStretch();
    texts->addWidget(m_title);
    texts->addWidget(m_description);
    texts->addStretch();
    layout->addLayout(texts, 1);

    // The badge and Select take turns in one slot of the badge's width, so that the texts keep their width
    // (and their wrap) under the pointer.
    auto* slot = new QWidget;
    slot->setFixedWidth(160);
    auto* inSlot = new QHBoxLayout(slot);
    inSlot->setContentsMargins(0, 0, 0, 0);
    m_indicator = new ProtocolIndicatorView;
    m_indicator->setFixedWidth(160);
    inSlot->addWidget(m_indicator);
    layout->addWidget(slot);

    m_selectButton = new NSButtonWithHandCursor;
    m_selectButton->setFlat(true);
    m_selectButton->setFocusPolicy(Qt::TabFocus);
    m_selectButton->setFixedSize(88, 30);
    auto* inButton = new QHBoxLayout(m_selectButton);
    inButton->setContentsMargins(0, 0, 0, 0);
    m_selectField = new QLabel(QStringLiteral("Select"));
    m_selectField->setAlignment(Qt::AlignCenter);
    m_selectField->setFont(toolkit::interFont(13, QFont::Medium));
    m_selectField->setAttribute(Qt::WA_TransparentForMouseEvents);
    inButton->addWidget(m_selectField);
    applyTitleAttributes(m_selectButton, Qt::white);
    toolkit::setTextColor(m_selectField, Qt::white);
    inSlot->addWidget(m_selectButton, 0, Qt::AlignRight | Qt::AlignVCenter);
    m_selectButton->hide();
    m_selectField->hide();
    connect(m_selectButton, &QPushButton::clicked, this, &SettingsProtocolViewCell::selectTap);
}

void SettingsProtocolViewCell::configure(VPNProtocols protocol, ProtocolIndicatorViewState state) {
    m_protocolType = protocol;
    m_indicatorType = state;
    m_title->setText(vpnProtocolTitle(protocol));
    m_description->setText(vpnProtocolDescription(protocol));
    m_indicator->configure(state);
    const bool locked = isLockedLook(state);
    toolkit::setTextColor(m_title, locked ? toolkit::disabledText : QColor(Qt::white));
    toolkit::setTextColor(m_description, locked ? toolkit::disabledSecondaryText : toolkit::secondaryText);
    updateSelectControls();
}

void SettingsProtocolViewCell::setHighlight(bool highlight) {
    HoverableCellView::setHighlight(highlight);
    updateSelectControls();
}

// Select shows only under the pointer, on a row that is neither chosen nor locked.
void SettingsProtocolViewCell::updateSelectControls() {
    auto* row = qobject_cast<TableRowView*>(parentWidget());
    const bool show = row && !row->isSelected() && highlight() &&
                      m_indicatorType == ProtocolIndicatorViewState::notSelected;
    m_selectField->setVisible(show);
    m_selectButton->setVisible(show);
    m_indicator->setVisible(!show);
    setCursor(show ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void SettingsProtocolViewCell::selectTap() {
    if (m_protocolType && m_delegate) {
        m_delegate->protocolSelected(*m_protocolType);
    }
}

void SettingsProtocolViewCell::paintEvent(QPaintEvent* event) {
    HoverableCellView::paintEvent(event);
    if (m_selectButton->isHidden()) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF pill(m_selectButton->mapTo(this, QPoint(0, 0)), m_selectButton->size());
    fillRoundedRect(painter, pill, pill.height() / 2.0, toolkit::accent);
}

void SettingsProtocolViewCell::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void SettingsProtocolViewCell::mouseReleaseEvent(QMouseEvent* event) {
    const bool click =
        m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click) {
        selectTap();
    }
}

// SettingsProtocolController -------------------------------------------------------------------------------

SettingsProtocolController::SettingsProtocolController(QObject* parent)
    : SettingsContainerSubController(parent), selectedCellColor(settingslook::protocolSelection) {
    setTitle(QStringLiteral("Protocols"));
}

QWidget* SettingsProtocolController::loadView() {
    m_table = new HoverableTableView;
    m_table->setAccessibleName(QStringLiteral("Protocols"));
    return makeTableView(m_table, 8);
}

void SettingsProtocolController::reloadTable() {
    view();
    refreshRows(*m_table, m_table->numberOfRows() == numberOfRows(*m_table), [this](int row, QWidget* cell) {
        if (auto* protocolCell = qobject_cast<SettingsProtocolViewCell*>(cell)) {
            fillCell(*m_table, row, protocolCell);
        }
    });
}

void SettingsProtocolController::fillCell(TableView& table, int row, SettingsProtocolViewCell* cell) {
    const VPNProtocols protocol = availableVPNProtocols().at(row);
    const auto stored = storedProtocol();
    if (TableRowView* rowView = table.rowViewAtRow(row)) {
        rowView->setSelected(stored && rawValue(*stored) == rawValue(protocol));
    }
    cell->configure(protocol, indicatorState(protocol));
    cell->setDelegate(this);
}

void SettingsProtocolController::viewWillAppear() {
    SettingsContainerSubController::viewWillAppear();
    platform::DispatchQueue::main().async([table = QPointer<HoverableTableView>(m_table)] {
        if (table) {
            table->updateTrackingAreas();
        }
    });
}

void SettingsProtocolController::reloadSettingsPage() {
    SettingsContainerSubController::reloadSettingsPage();
    QPointer<HoverableTableView> table = m_table;
    platform::DispatchQueue::main().asyncAfter(trackingAreasDelay, [table] {
        if (table) {
            table->updateTrackingAreas();
        }
    });
}

SettingsProtocolViewCell* SettingsProtocolController::cellFor(VPNProtocols protocol) const {
    const int row = static_cast<int>(availableVPNProtocols().indexOf(protocol));
    return m_table && row >= 0 ? qobject_cast<SettingsProtocolViewCell*>(m_table->viewAtRow(row)) : nullptr;
}

std::optional<VPNProtocols> SettingsProtocolController::storedProtocol() {
    return vpnProtocolsFromRawValue(platform::UserDefaults::standard()
                                        .stringForKey(SettingsUserDefaults::vpnProtocols)
                                        .value_or(QString()));
}

ProtocolIndicatorViewState SettingsProtocolController::indicatorState(VPNProtocols protocol) {
    if (VeltrixXPC::enableAlwaysON()) {
        return ProtocolIndicatorViewState::alwaysOn;
    }
    if (VeltrixXPC::isConnectedToVPN()) {
        return ProtocolIndicatorViewState::disconnectToEdit;
    }
    // Raw values compare as texts: " IKEv2" is not the offered " IKEv2 ".
    const auto stored = storedProtocol();
    return stored && rawValue(*stored) == rawValue(protocol) ? ProtocolIndicatorViewState::selected
                                                             : ProtocolIndicatorViewState::notSelected;
}

int SettingsProtocolController::numberOfRows(TableView&) {
    return static_cast<int>(availableVPNProtocols().size());
}

QWidget* SettingsProtocolController::viewForRow(TableView& table, int row) {
    if (row < 0 || row >= numberOfRows(table)) {
        return nullptr;
    }
    auto* cell = dequeueCell<SettingsProtocolViewCell>(table, cellIdentifier);
    cell->setHighlight(false);
    fillCell(table, row, cell);
    return cell;
}

int SettingsProtocolController::heightOfRow(TableView&, int) {
    return rowHeight;
}

TableRowView* SettingsProtocolController::rowViewForRow(TableView& table, int) {
    auto* rowView = qobject_cast<SelectableTableRowView*>(table.makeRowView(rowIdentifier));
    if (!rowView) {
        rowView = new SelectableTableRowView;
        rowView->setObjectName(rowIdentifier);
    }
    rowView->setTableViewIntercellSpacing(table.intercellSpacing());
    rowView->setCornerRadius(rowCornerRadius);
    rowView->setSelectedColor(selectedCellColor);
    return rowView;
}

bool SettingsProtocolController::shouldSelectRow(TableView&, int) {
    return false;
}

bool SettingsProtocolController::activateRow(TableView& table, int row) {
    // The pointer chooses with the row's Select button; the keyboard with the row itself.
    if (row >= 0 && row < numberOfRows(table)) {
        protocolSelected(availableVPNProtocols().at(row));
    }
    return true;
}

void SettingsProtocolController::protocolSelected(VPNProtocols protocol) {
    selectIfAllowed(protocol);
}

bool SettingsProtocolController::selectIfAllowed(VPNProtocols protocol) {
    if (VeltrixXPC::enableAlwaysON() || VeltrixXPC::isConnectedToVPN()) {
        return false;
    }
    selectProtocol(protocol);
    return true;
}

void SettingsProtocolController::selectProtocol(VPNProtocols protocol) {
    platform::UserDefaults::standard().set(SettingsUserDefaults::vpnProtocols, rawValue(protocol));
    ServiceLayer::appModel().updateVPNProtocol(protocol);
    view();
    m_table->updateTrackingAreas();
    m_table->deselectAll();
    reloadTable();
    platform::DispatchQueue::main().async([table = QPointer<HoverableTableView>(m_table)] {
        if (table) {
            table->updateTrackingAreas();
        }
    });
    VeltrixXPC::sendAnalytics(AnalyticsEvent(
        kAnalyticsCategory, kProtocolChosenEvent, std::nullopt,
        AnalyticsTrigger::button(vpnProtocolTitle(protocol)),
        AnalyticsEvent::Parameters{{AnalyticsParameter::vpnProtocol, vpnProtocolAnalyticsValue(protocol)}},
        std::nullopt));
}
