#include "platform/GraphicalSession.h"

#include <gtest/gtest.h>

using platform::GraphicalSession;
using Outcome = GraphicalSession::Outcome;

TEST(GraphicalSession, TakesXWhereOfferedAndWaylandOnlyWhereNot) {
    struct Row {
        const char* x11;
        const char* wayland;
        const char* qtPlatform;
        bool plugin;
        Outcome outcome;
        const char* chosen;
        bool limited;
    };
    const Row rows[] = {
        {":0", "", "", false, Outcome::run, "xcb", false},
        {":1", "wayland-0", "", true, Outcome::run, "xcb", false}, // Xwayland beside the compositor
        {"", "wayland-0", "", true, Outcome::run, "wayland", true},
        {"", "wayland-0", "", false, Outcome::noPlugin, "wayland", false},
        {"", "", "", true, Outcome::noSession, "", false},
        // The person's own platform stands, tried in the order given.
        {":1", "wayland-0", "wayland", true, Outcome::run, "", true},
        {":1", "", "wayland;xcb", true, Outcome::run, "", false},
        {"", "wayland-0", "wayland-egl", false, Outcome::noPlugin, "", false},
        {"", "", "offscreen", false, Outcome::run, "", false},
        {"", "wayland-0", "xcb", true, Outcome::noSession, "", false},
    };
    for (const Row& row : rows) {
        const auto session =
            GraphicalSession::decide({QString::fromLatin1(row.x11), QString::fromLatin1(row.wayland),
                                      QString::fromLatin1(row.qtPlatform), row.plugin});
        SCOPED_TRACE(std::string(row.x11) + " | " + row.wayland + " | " + row.qtPlatform);
        EXPECT_EQ(session.outcome, row.outcome);
        if (row.outcome == Outcome::run) {
            EXPECT_EQ(session.qtPlatform, QString::fromLatin1(row.chosen));
        }
        EXPECT_EQ(!session.limitation.isEmpty(), row.limited);
        EXPECT_EQ(session.problem().isEmpty(), row.outcome == Outcome::run);
    }
    EXPECT_TRUE(GraphicalSession::decide({{}, QStringLiteral("wayland-0"), {}, false})
                    .problem()
                    .contains(QLatin1String(GraphicalSession::waylandPluginPackage)));
}
