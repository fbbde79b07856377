#include "locations/LocationsPopups.h"

#include "core/LocalizedStrings.h"
#include "core/StringHelpers.h"
#include "platform/Storyboard.h"
#include "toolkit/TextAttributes.h"

#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr int kMargin = 12;
constexpr int kGap = 4;

QFont titleFont() {
    return toolkit::interFont(13, QFont::Medium);
}
QFont descriptionFont() {
    return toolkit::interFont(12);
}

// The popover shown last by any row of the window: a new one closes it.
QPointer<Popover>& lastPopover() {
    static QPointer<Popover> last;
    return last;
}

} // namespace

LocationsPopupController::LocationsPopupController(QObject* parent) : PopoverController(parent) {}

QString LocationsPopupController::titleOf(LocationPopupState state) {
    switch (state) {
    case LocationPopupState::automatic:
        return L10n::localized(QStringLiteral("locations_automatic_popup_title"));
    case LocationPopupState::splitTunnel:
        return L10n::localized(QStringLiteral("locations_splittunnel_popup_title"));
    case LocationPopupState::alwaysOn:
        return L10n::localized(QStringLiteral("locations_alwayson_popup_title"));
    }
    return {};
}

QString LocationsPopupController::descriptionOf(LocationPopupState state) {
    switch (state) {
    case LocationPopupState::automatic:
        return L10n::localized(QStringLiteral("locations_automatic_popup_description"));
    case LocationPopupState::splitTunnel:
        return L10n::localized(QStringLiteral("locations_splittunnel_popup_description"));
    case LocationPopupState::alwaysOn:
        return L10n::localized(QStringLiteral("locations_alwayson_popup_description"));
    }
    return {};
}

QSize LocationsPopupController::contentSize(LocationPopupState state) {
    const qreal textWidth = kWidth - 2 * kMargin;
    const qreal title = strings::heightForWidth(titleOf(state), textWidth, titleFont()).height();
    const qreal description =
        strings::heightForWidth(descriptionOf(state), textWidth, descriptionFont()).height();
    return QSize(kWidth, static_cast<int>(std::ceil(title + description + kGap + 2 * kMargin)));
}

QWidget* LocationsPopupController::loadView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("locationPopup"));
    view->setAttribute(Qt::WA_StyledBackground);
    // The light look of these explanations, against the dark window.
    view->setStyleSheet(QStringLiteral("#locationPopup { background: #F6FAFF; border: 1px solid #DDE6F2;"
                                       " border-radius: 6px; }"
                                       "QLabel { background: transparent; }"));
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    layout->setSpacing(kGap);
    m_titleField = new QLabel;
    m_titleField->setTextFormat(Qt::PlainText);
    m_titleField->setWordWrap(true);
    m_titleField->setFont(titleFont());
    m_titleField->setStyleSheet(QStringLiteral("color: #1B2046;"));
    m_descriptionField = new QLabel;
    m_descriptionField->setTextFormat(Qt::PlainText);
    m_descriptionField->setWordWrap(true);
    m_descriptionField->setFont(descriptionFont());
    m_descriptionField->setStyleSheet(QStringLiteral("color: #56678F;"));
    layout->addWidget(m_titleField);
    layout->addWidget(m_descriptionField, 1, Qt::AlignTop);
    return view;
}

void LocationsPopupController::viewWillAppear() {
    // The tooltip's own field is not part of this content.
    NSViewControllerBase::viewWillAppear();
    showPopupTexts();
}

void LocationsPopupController::showPopupTexts() {
    view();
    m_titleField->setText(titleOf(m_popupState));
    m_descriptionField->setText(descriptionOf(m_popupState));
}

void LocationsPopupController::present(std::unique_ptr<Popover>& holder, LocationPopupState state,
                                       QWidget* anchor) {
    if (!anchor) {
        return;
    }
    auto controller = platform::Storyboard::named(QStringLiteral("Location"))
                          .instantiate<LocationsPopupController>(QStringLiteral("automaticLocationPopup"));
    if (!controller) {
        return;
    }
    controller->setPopupState(state);
    // The window shows one explanation at a time, whichever row opened the last one.
    if (lastPopover()) {
        lastPopover()->close();
    }
    holder = std::make_unique<Popover>();
    holder->setContentViewController(std::move(controller));
    holder->setBehavior(Popover::Behavior::transient);
    holder->setContentSize(contentSize(state));
    holder->show(anchor);
    lastPopover() = holder.get();
}
