#include "menus/MainMenuController.h"

#include "core/ApplicationModel.h"
#include "core/ServiceLayer.h"

#include <gtest/gtest.h>

TEST(MainMenuController, TitlesNameTheProductWithOneBlank) {
    MainMenuController menu;
    menu.updateMenuTitles();
    const QString name = ServiceLayer::appModel().appProductName();
    ASSERT_FALSE(name.isEmpty());
    ASSERT_FALSE(name.startsWith(QLatin1Char(' ')) || name.endsWith(QLatin1Char(' ')));
    EXPECT_EQ(menu.appAboutMenu()->text(), QStringLiteral("About ") + name);
    EXPECT_EQ(menu.appHideMenu()->text(), QStringLiteral("Hide ") + name);
    EXPECT_EQ(menu.appQuitMenu()->text(), QStringLiteral("Quit ") + name);
    EXPECT_EQ(menu.appHelpMenu()->text(), name + QStringLiteral(" Help"));
}
