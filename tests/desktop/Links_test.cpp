// Links the client hands to the desktop: a browser gets them; on a desktop where no browser opens them the
// person is shown the address, which its Copy button puts on the clipboard.
#include "DesktopScenario.h"
#include "Workspaces.h"

using namespace desktop;

using LinksTest = DesktopScenario;

TEST_F(LinksTest, ASupportLinkReachesTheBrowserOrElseItsAddressIsShownToCopy) {
    for (const bool browser : {true, false}) {
        SCOPED_TRACE(browser ? "with a browser" : "without a browser");
        DesktopOptions options = readable();
        options.browser = browser;
        ASSERT_NO_FATAL_FAILURE(startClient(options, signedInWorkspace));
        ASSERT_NO_FATAL_FAILURE(waitForTrayItem());
        ASSERT_TRUE(session->tray()->clickEntry("Support"));
        const std::optional<WindowInfo> main = waitForWindow(isMainWindow);
        ASSERT_TRUE(main) << "Support brings the main window";
        ASSERT_TRUE(clickText(QStringLiteral("User Guides"), main));

        const auto isAlert = [](const WindowInfo& window) {
            return window.types.contains(QStringLiteral("DIALOG"));
        };
        if (browser) {
            ASSERT_TRUE(waitFor([&] { return !session->openedUrls().isEmpty(); }))
                << "the browser gets the link";
            EXPECT_TRUE(session->openedUrls().front().startsWith(QStringLiteral("https://")));
            EXPECT_FALSE(waitForWindow(isAlert, 1000)) << "nothing to tell";
            continue;
        }
        const std::optional<WindowInfo> alert = waitForWindow(isAlert);
        ASSERT_TRUE(alert) << "the failure reaches the person";
        QString address;
        ASSERT_TRUE(waitFor([&] {
            for (const QString& text : textsOf(*alert)) {
                for (const QString& line : text.split(u'\n')) {
                    if (line.startsWith(QStringLiteral("https://"))) {
                        address = line;
                    }
                }
            }
            return !address.isEmpty();
        })) << textsOf(*alert).join(", ").toStdString();
        EXPECT_TRUE(address.contains(QStringLiteral("/docs"))) << address.toStdString();
        ASSERT_TRUE(clickText(QStringLiteral("Copy"), alert));
        EXPECT_TRUE(waitForNoWindow(isAlert));
        EXPECT_EQ(session->x11().clipboardText(), std::optional<QString>(address));
        EXPECT_TRUE(session->openedUrls().isEmpty());
    }
}
