#include "locations/LocationBars.h"
#include "locations/LocationCells.h"
#include "locations/LocationsBluredViewController.h"
#include "locations/LocationsPopups.h"

#include "platform/ManualScheduler.h"
#include "support/FakeRouter.h"
#include "support/Storyboards.h"
#include "toolkit/TooltipPopover.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace {

struct RecordingBarDelegate : LocationFilterViewDelegate, LocationTopViewDelegate {
    QList<PDLocationFilterType> selected;
    QStringList taps;
    void filterSelected(PDLocationFilterType filter) override { selected << filter; }
    void settingsTapped() override { taps << QStringLiteral("settings"); }
    void signOutTapped() override { taps << QStringLiteral("signOut"); }
    void goBackTapped() override { taps << QStringLiteral("goBack"); }
};

// The shown tabs as "title" or "title*" for the marked one.
QStringList tabs(const LocationFilterView& bar) {
    QStringList shown;
    for (FilterButton* button : bar.buttons()) {
        if (!button->isHidden()) {
            shown << button->filterButton()->text() + (button->isMarked() ? QStringLiteral("*") : QString());
        }
    }
    return shown;
}

PDNetworkItemPtr location(const QString& id, PDNetworkKind kind, bool splitTunnel) {
    PDNetworkItem::Data data;
    data.id = id;
    data.kind = kind;
    data.locationTitle = QStringLiteral("<b>") + id + QStringLiteral("</b>");
    data.isSplitTunnelingEnabled = splitTunnel;
    data.flagImage = std::make_shared<PDCacheableImage>(std::nullopt);
    return std::make_shared<PDNetworkItem>(std::move(data));
}

using Filter = PDLocationFilterType;

} // namespace

TEST(LocationFilterViewTest, ShowsOneTabPerOfferedFilterMarksTheAppliedOneAndReportsTaps) {
    RecordingBarDelegate delegate;
    LocationFilterView bar;
    bar.setDelegate(&delegate);
    bar.configure({Filter::privateNetworks, Filter::publicLocations, Filter::favorites},
                  Filter::publicLocations);
    EXPECT_EQ(tabs(bar), (QStringList{"Private", "Public*", "Favorites"}));
    EXPECT_EQ(bar.buttons()[1]->filterButton()->palette().color(QPalette::ButtonText),
              FilterButton::selectedColor());
    EXPECT_FALSE(bar.buttons()[1]->bottomView()->isHidden());
    EXPECT_TRUE(bar.buttons()[0]->bottomView()->isHidden());

    // A tap marks the tab at once and reports it; the marked tab reports again.
    bar.buttons()[2]->filterButton()->click();
    EXPECT_EQ(tabs(bar), (QStringList{"Private", "Public", "Favorites*"}));
    bar.buttons()[2]->filterButton()->click();
    EXPECT_EQ(delegate.selected, (QList<Filter>{Filter::favorites, Filter::favorites}));

    // Public only: one tab; an empty list leaves the tabs; an applied filter not offered marks none.
    bar.configure({Filter::publicLocations}, Filter::publicLocations);
    EXPECT_EQ(tabs(bar), QStringList{"Public*"});
    bar.configure({}, Filter::favorites);
    EXPECT_EQ(tabs(bar), QStringList{"Public*"});
    bar.configure({Filter::privateNetworks, Filter::favorites}, Filter::publicLocations);
    EXPECT_EQ(tabs(bar), (QStringList{"Private", "Favorites"}));

    // More than three: the first three show.
    bar.configure({Filter::favorites, Filter::publicLocations, Filter::privateNetworks, Filter::favorites},
                  Filter::favorites);
    EXPECT_EQ(tabs(bar), (QStringList{"Favorites*", "Public", "Private"}));
}

TEST(LocationFilterViewTest, ATabWithoutFilterIgnoresTaps) {
    RecordingBarDelegate delegate;
    LocationFilterView bar;
    bar.setDelegate(&delegate);
    bar.buttons()[0]->filterButton()->click();
    EXPECT_TRUE(delegate.selected.isEmpty());
}

TEST(LocationTopViewTest, EachButtonReachesItsDelegateCallOnce) {
    RecordingBarDelegate delegate;
    LocationTopView bar;
    bar.settingsButton()->click(); // no delegate yet: nothing
    bar.setDelegate(&delegate);
    bar.settingsButton()->click();
    bar.goBackButton()->click();
    EXPECT_EQ(delegate.taps, (QStringList{"settings", "goBack"}));
    EXPECT_EQ(bar.goBackButton()->palette().color(QPalette::ButtonText), QColor(QStringLiteral("#F6FAFF")));
}

TEST(LocationCellViewTest, ShowsBadgeStarNameAndSplitTunnellingAsTheLocationSays) {
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope(scheduler);
    LocationCellView cell;
    auto office = location(QStringLiteral("office"), PDNetworkKind::privateNetwork, true);
    cell.configure(office);
    EXPECT_EQ(cell.flagAccessImageView()->property("badge").toString(),
              QStringLiteral("location_badge_private"));
    EXPECT_FALSE(cell.isSplitTunnelButton()->isHidden());
    EXPECT_FALSE(cell.favouriteButton()->isChecked());
    // Names are plain text, never markup.
    EXPECT_EQ(cell.locationTitleField()->textFormat(), Qt::PlainText);
    EXPECT_EQ(cell.title(), QStringLiteral("<b>office</b>"));
    EXPECT_TRUE(cell.flagImage().isNull()) << "no flag URL, no flag";

    auto paris = location(QStringLiteral("paris"), PDNetworkKind::publicLocation, false);
    PDNetworksModel::Content content;
    content.publicLocations = {paris};
    content.favoriteIds = {QStringLiteral("paris")};
    PDNetworksModel model(content);
    cell.configure(paris);
    EXPECT_EQ(cell.flagAccessImageView()->property("badge").toString(),
              QStringLiteral("location_badge_public"));
    EXPECT_TRUE(cell.isSplitTunnelButton()->isHidden());
    EXPECT_TRUE(cell.favouriteButton()->isChecked());
    model.toggleFavorite(paris);
    cell.configure(paris);
    EXPECT_FALSE(cell.favouriteButton()->isChecked());

    // The three looks switch independently.
    cell.select();
    cell.hover();
    cell.hideSeparator();
    EXPECT_FALSE(cell.selectedView()->isHidden());
    EXPECT_FALSE(cell.hoveredView()->isHidden());
    EXPECT_TRUE(cell.separatorView()->isHidden());
    cell.unhover();
    cell.deselect();
    EXPECT_TRUE(cell.selectedView()->isHidden());
    EXPECT_TRUE(cell.hoveredView()->isHidden());
}

TEST(LocationPopupsTest, EveryPressOpensANewTransientPopoverAndANewOneClosesTheLast) {
    testsupport::registerController<LocationsPopupController>("Location", "automaticLocationPopup");
    QWidget window;
    window.resize(380, 200);
    LocationCellView cell(&window);
    cell.configure(location(QStringLiteral("office"), PDNetworkKind::privateNetwork, true));
    AutomaticLocationCellView automatic(&window);
    window.show();

    cell.isSplitTunnelButton()->click();
    Popover* first = cell.popover();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isShown());
    EXPECT_EQ(first->behavior(), Popover::Behavior::transient);
    auto* content = dynamic_cast<LocationsPopupController*>(first->contentViewController());
    ASSERT_NE(content, nullptr);
    EXPECT_EQ(content->popupState(), LocationPopupState::splitTunnel);
    EXPECT_EQ(content->popupTitleField()->text(), QStringLiteral("Split tunneling"));
    // Below the button.
    EXPECT_GE(first->window()->y(), cell.isSplitTunnelButton()->mapToGlobal(QPoint(0, 0)).y() +
                                        cell.isSplitTunnelButton()->height());

    automatic.infoButton()->click();
    ASSERT_NE(automatic.popover(), nullptr);
    EXPECT_TRUE(automatic.popover()->isShown());
    EXPECT_FALSE(first->isShown()) << "the window shows one explanation at a time";
    Popover* previous = automatic.popover();
    automatic.infoButton()->click();
    EXPECT_NE(automatic.popover(), previous);
    automatic.closePopover();
    EXPECT_FALSE(automatic.popover()->isShown());

    // A controller whose state was never set explains the automatic location.
    LocationsPopupController plain;
    plain.showPopupTexts();
    EXPECT_EQ(plain.popupTitleField()->text(), QStringLiteral("Automatic location"));
}

TEST(LocationsBluredViewControllerTest, MessageAndGoBackFollowTheState) {
    FakeRouter router;
    FakeRouter::Scope scope(router);
    LocationsBluredViewController overlay;
    overlay.applyBluredState();
    EXPECT_EQ(overlay.messageField()->text(), QStringLiteral("No locations available"));
    EXPECT_TRUE(overlay.goBackButton()->isHidden());

    overlay.setBluredState(LocationsBluredState::shouldDisconnect);
    overlay.applyBluredState();
    EXPECT_EQ(overlay.messageField()->text(), QStringLiteral("Disconnect to change the location"));
    EXPECT_FALSE(overlay.goBackButton()->isHidden());
    EXPECT_EQ(overlay.goBackButton()->palette().color(QPalette::ButtonText),
              QColor(QStringLiteral("#6AF4F8")));
    overlay.goBackButton()->click();
    EXPECT_EQ(router.calls, QStringList{QStringLiteral("resetLocationsHover")});
}
