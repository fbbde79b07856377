// The quick-access window on a desktop with a tray: its onboarding pages fit their texts, it sits just below
// the panel also when the client opens it itself, and each group's child window opens beside its row.
#include "DesktopScenario.h"
#include "Workspaces.h"

using namespace desktop;

using QuickAccessWindowTest = DesktopScenario;

TEST_F(QuickAccessWindowTest, TheOnboardingPagesShowTheirWholeTexts) {
    ASSERT_NO_FATAL_FAILURE(startClient(readable()));
    ASSERT_NO_FATAL_FAILURE(waitForTrayItem());
    clickTrayIcon();
    std::optional<WindowInfo> quickAccess = waitForWindow(isQuickAccess);
    ASSERT_TRUE(quickAccess);
    ASSERT_TRUE(waitForText(QStringLiteral("Next"), *quickAccess))
        << textsOf(*quickAccess).join(", ").toStdString();
    const QRect window = placeOf(*quickAccess);
    // The illustration (the one picture narrower than the window) and every text of the page lie inside
    // the window, one under the other without overlapping.
    std::vector<QRect> parts;
    for (const AccessibleTree::Node& node : session->accessibility()->showing(session->clientPid())) {
        const bool illustration = node.role == QLatin1String("filler") &&
                                  node.extents.width() < window.width() && node.extents.height() > 100;
        if (window.intersects(node.extents) && (node.role == QLatin1String("label") || illustration) &&
            std::ranges::find(parts, node.extents) == parts.end()) {
            parts.push_back(node.extents);
        }
    }
    ASSERT_GE(parts.size(), 3u) << "an illustration, a title and a description";
    for (std::size_t i = 0; i < parts.size(); ++i) {
        EXPECT_TRUE(window.contains(parts[i])) << "cut by the window's edge";
        for (std::size_t j = i + 1; j < parts.size(); ++j) {
            EXPECT_FALSE(parts[i].intersects(parts[j])) << "drawn over each other";
        }
    }
    const std::optional<AccessibleTree::Node> next = session->accessibility()->find(
        session->clientPid(), QStringLiteral("push button"), QStringLiteral("Next"), window);
    ASSERT_TRUE(next);
    for (const QRect& part : parts) {
        EXPECT_LT(part.bottom(), next->extents.top()) << "the button covers the page";
    }
}

TEST_F(QuickAccessWindowTest, OpenedByTheClientItSitsJustBelowThePanelAsAClickPutsIt) {
    ASSERT_NO_FATAL_FAILURE(startClient(readable(), signedInWorkspace));
    ASSERT_NO_FATAL_FAILURE(waitForTrayItem());
    // Signed in, the client opens the window itself once the workspace has loaded.
    const std::optional<WindowInfo> opened = waitForWindow(isQuickAccess, startBoundMs);
    ASSERT_TRUE(opened) << "the client opens its quick-access window";
    const QRect screen = session->x11().screenGeometry();
    // The scenarios' desktop reserves no panel: a usual one is taken to lie over the screen's top.
    EXPECT_EQ(opened->geometry.top(), screen.top() + 28 + 15);
    EXPECT_EQ(opened->geometry.right(), screen.right());
}

TEST_F(QuickAccessWindowTest, OpenedByAClickItSitsUnderThePositionTheHostReportsNotThePointer) {
    ASSERT_NO_FATAL_FAILURE(startClient());
    ASSERT_NO_FATAL_FAILURE(waitForTrayItem());
    const QRect screen = session->x11().screenGeometry();
    const QPoint reported(screen.center().x(), 14);
    session->x11().movePointer(screen.center() + QPoint(-300, 200));
    session->tray()->activate(reported);
    const std::optional<WindowInfo> opened = waitForWindow(isQuickAccess);
    ASSERT_TRUE(opened);
    runEventsFor(300); // it takes its height and place
    const QRect frame = placeOf(*opened);
    EXPECT_NEAR(frame.center().x(), reported.x(), 1);
    EXPECT_EQ(frame.top(), reported.y() + 14 + 15) << "15 px under a usual panel around the reported click";
}

TEST_F(QuickAccessWindowTest, EachGroupsChildWindowOpensBesideItsRow) {
    ASSERT_NO_FATAL_FAILURE(startClient(readable(), signedInWorkspace));
    ASSERT_NO_FATAL_FAILURE(waitForTrayItem());
    std::optional<WindowInfo> quickAccess = waitForWindow(isQuickAccess, startBoundMs);
    ASSERT_TRUE(quickAccess);
    for (const QString& group : {QStringLiteral("Private Networks"), QStringLiteral("Shared Networks")}) {
        ASSERT_TRUE(waitForText(group, *quickAccess)) << textsOf(*quickAccess).join(", ").toStdString();
        const std::optional<AccessibleTree::Node> row =
            session->accessibility()->find(session->clientPid(), {}, group, placeOf(*quickAccess));
        ASSERT_TRUE(row);
        ASSERT_TRUE(clickText(group, quickAccess));
        std::optional<WindowInfo> child = waitForWindow(isNetworksChild);
        ASSERT_TRUE(child) << group.toStdString();
        runEventsFor(300); // it takes its height and place
        child = session->x11().window(child->id);
        ASSERT_TRUE(child);
        const QRect window = placeOf(*quickAccess);
        EXPECT_NEAR(child->geometry.center().y(), row->extents.center().y(), 2) << group.toStdString();
        // Beside the window, on the side with room, as near as the private group's.
        const int gap = child->geometry.left() > window.right() ? child->geometry.left() - window.right()
                                                                : window.left() - child->geometry.right();
        EXPECT_GT(gap, 0) << group.toStdString() << ": it covers the window";
        EXPECT_LE(gap, 45) << group.toStdString();
        ASSERT_TRUE(clickText(group, quickAccess));
        ASSERT_TRUE(waitForNoWindow(isNetworksChild)) << "choosing the group again closes it";
    }
}

TEST_F(QuickAccessWindowTest, ItsRowsStayWhereTheyFirstShow) {
    ASSERT_NO_FATAL_FAILURE(startClient(readable(), signedInWorkspace));
    ASSERT_NO_FATAL_FAILURE(waitForTrayItem());
    const std::optional<WindowInfo> quickAccess = waitForWindow(isQuickAccess, startBoundMs);
    ASSERT_TRUE(quickAccess);
    // The lowest row: whatever above it still changed height after the window showed would move it.
    const QString lowest = QStringLiteral("Shared Networks");
    std::optional<AccessibleTree::Node> firstSight;
    ASSERT_TRUE(waitFor([&] {
        // Kept once seen: the list's rows are rebuilt as it fills, gone from the tree for a moment.
        if (auto row =
                session->accessibility()->find(session->clientPid(), {}, lowest, placeOf(*quickAccess))) {
            firstSight = row;
        }
        return firstSight.has_value();
    })) << textsOf(*quickAccess).join(", ").toStdString();
    const QRect window = placeOf(*quickAccess);
    runEventsFor(500);
    const std::optional<AccessibleTree::Node> later =
        session->accessibility()->find(session->clientPid(), {}, lowest, placeOf(*quickAccess));
    ASSERT_TRUE(later);
    EXPECT_EQ(later->extents, firstSight->extents) << "a click at its first sight would miss it";
    EXPECT_EQ(placeOf(*quickAccess), window);
}
