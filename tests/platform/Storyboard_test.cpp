#include "platform/Storyboard.h"
#include "platform/ViewController.h"
#include "platform/WindowController.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

class SceneController : public ViewController {
    Q_OBJECT
};

class SceneWindowController : public WindowController {
    Q_OBJECT
};

int madeCount = 0;

class CountedController : public ViewController {
    Q_OBJECT
public:
    CountedController() { ++madeCount; }
};

} // namespace

TEST(Storyboard, MakesAFreshControllerOfTheRegisteredTypeEachTime) {
    Storyboard::registerController("StoryboardTest.General", "SceneController",
                                   [] { return std::make_unique<SceneController>(); });
    Storyboard::registerController("StoryboardTest.General", "window",
                                   [] { return std::make_unique<SceneWindowController>(); });
    const Storyboard board = Storyboard::named("StoryboardTest.General");
    EXPECT_TRUE(board.contains("SceneController"));

    auto first = board.instantiate<ViewController>("SceneController");
    auto second = board.instantiate<SceneController>("SceneController");
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.get(), second.get());
    EXPECT_NE(dynamic_cast<SceneController*>(first.get()), nullptr);

    auto byClassName = board.instantiate<SceneController>();
    EXPECT_NE(byClassName, nullptr);

    auto window = board.instantiateController("window");
    EXPECT_NE(dynamic_cast<SceneWindowController*>(window.get()), nullptr);
}

TEST(Storyboard, UnknownNamesAndWrongTypesGiveNothing) {
    Storyboard::registerController("StoryboardTest.Errors", "view",
                                   [] { return std::make_unique<SceneController>(); });
    Storyboard::registerController("StoryboardTest.Errors", "empty",
                                   [] { return std::unique_ptr<QObject>(); });

    EXPECT_EQ(Storyboard::named("StoryboardTest.Nowhere").instantiateController("view"), nullptr);
    EXPECT_FALSE(Storyboard::named("StoryboardTest.Nowhere").contains("view"));
    EXPECT_EQ(Storyboard::named("StoryboardTest.Errors").instantiateController("missing"), nullptr);
    EXPECT_EQ(Storyboard::named("StoryboardTest.Errors").instantiateController("empty"), nullptr);
    EXPECT_EQ(Storyboard::named("StoryboardTest.Errors").instantiate<WindowController>("view"), nullptr);
}

TEST(Storyboard, KeepsTheFirstOfTwoRegistrationsAndRefusesIncompleteOnes) {
    EXPECT_TRUE(Storyboard::registerController("StoryboardTest.Twice", "scene",
                                               [] { return std::make_unique<SceneController>(); }));
    EXPECT_FALSE(Storyboard::registerController("StoryboardTest.Twice", "scene",
                                                [] { return std::make_unique<SceneWindowController>(); }));
    EXPECT_NE(Storyboard::named("StoryboardTest.Twice").instantiate<SceneController>("scene"), nullptr);

    EXPECT_FALSE(Storyboard::registerController("StoryboardTest.Twice", "",
                                                [] { return std::make_unique<QObject>(); }));
    EXPECT_FALSE(Storyboard::registerController("StoryboardTest.Twice", "none", {}));
    EXPECT_FALSE(Storyboard::named("StoryboardTest.Twice").contains("none"));
}

TEST(Storyboard, AControllerIsMadeOnlyWhenAskedFor) {
    Storyboard::registerController("StoryboardTest.Counted", "CountedController",
                                   [] { return std::make_unique<CountedController>(); });
    EXPECT_EQ(madeCount, 0);
    auto made = Storyboard::named("StoryboardTest.Counted").instantiate<CountedController>();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(madeCount, 1);
}

#include "Storyboard_test.moc"
