// The settings rows' badge: what it shows for each state, whatever it showed before.
#include "settings/ProtocolIndicatorView.h"
#include "settings/SettingsLook.h"

#include <gtest/gtest.h>

namespace {

using State = ProtocolIndicatorViewState;

struct Look {
    bool selected;    // the "Selected" check
    bool lock;        // the button with its icon and title
    bool explains;    // a hover text
    const char* icon; // the button's image, when it shows
    bool operator==(const Look&) const = default;
};

Look lookOf(ProtocolIndicatorView& badge) {
    const QIcon icon = badge.indicatorButton()->icon();
    const char* iconName = "";
    for (const char* name : {"alwaysOnProtocol", "predefinedProtocol", "lockIcon"}) {
        if (icon.cacheKey() == settingslook::icon(QString::fromLatin1(name)).cacheKey()) {
            iconName = name;
        }
    }
    const bool lock = !badge.indicatorButton()->isHidden();
    return {!badge.selectedStackView()->isHidden(), lock,
            !badge.indicatorButton()->tooltip().text().isEmpty(), lock ? iconName : ""};
}

} // namespace

TEST(ProtocolIndicatorView, EachStateShowsItsOwnLookWhateverCameBefore) {
    const struct {
        State state;
        Look look;
    } states[] = {
        {State::selected, {true, false, false, ""}},
        {State::alwaysOn, {false, true, true, "alwaysOnProtocol"}},
        {State::disconnectToEdit, {false, true, true, "predefinedProtocol"}},
        {State::setByAdmin, {false, true, true, "lockIcon"}},
        {State::setByAdminAlwaysOn, {false, true, true, "lockIcon"}},
        {State::notSelected, {false, false, false, ""}},
    };
    ProtocolIndicatorView badge;
    EXPECT_EQ(badge.indicatorType(), std::nullopt);
    for (const auto& before : states) {
        for (const auto& each : states) {
            badge.configure(before.state);
            badge.configure(each.state);
            badge.configure(each.state); // twice gives the same look
            EXPECT_EQ(badge.indicatorType(), each.state);
            EXPECT_EQ(lookOf(badge), each.look)
                << static_cast<int>(before.state) << " then " << static_cast<int>(each.state);
        }
    }
    badge.configure(State::setByAdminAlwaysOn);
    const QString alwaysOnText = badge.indicatorButton()->tooltip().text();
    badge.configure(State::alwaysOn);
    EXPECT_EQ(badge.indicatorButton()->tooltip().text(), alwaysOnText) << "both say Always-On is why";
    EXPECT_EQ(badge.indicatorButton()->text(), "Always-On VPN");
}
