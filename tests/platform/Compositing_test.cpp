#include "platform/Compositing.h"

#include <QMenu>

#include <gtest/gtest.h>

#include <optional>

using platform::Compositing;

namespace {

// The answer the test chose, given back at its end.
struct CompositorOverride {
    explicit CompositorOverride(bool active) { Compositing::setActiveOverride(active); }
    ~CompositorOverride() { Compositing::setActiveOverride(std::nullopt); }
    void set(bool active) { Compositing::setActiveOverride(active); }
};

} // namespace

TEST(Compositing, AWindowWithClearPartsFollowsTheCompositorAtEachShow) {
    CompositorOverride compositor(false);
    platform::TranslucentWindow window(nullptr, Qt::Tool | Qt::FramelessWindowHint);
    window.resize(40, 30);
    std::optional<bool> before;
    WId native = 0;
    for (const bool composited : {false, true, true, false}) {
        SCOPED_TRACE(testing::Message() << "composited " << composited);
        compositor.set(composited);
        window.show();
        EXPECT_EQ(Compositing::isTranslucent(&window), composited);
        EXPECT_EQ(window.testAttribute(Qt::WA_NoSystemBackground), composited)
            << "opaque, its palette fills what it leaves";
        if (before) {
            EXPECT_EQ(window.winId() != native, *before != composited)
                << "a native window of the other kind is made anew, one of the right kind kept";
        }
        before = composited;
        native = window.winId();
        window.hide();
    }
}

TEST(Compositing, AShownWindowKeepsItsNativeWindowAndIsTranslucentOnlyWhereBothAllow) {
    struct Case {
        bool shownComposited;
        bool nowComposited;
        bool translucent;
    };
    for (const Case& c : {Case{true, false, false}, Case{false, true, false}, Case{true, true, true}}) {
        SCOPED_TRACE(testing::Message() << "shown " << c.shownComposited << ", now " << c.nowComposited);
        CompositorOverride compositor(c.shownComposited);
        platform::TranslucentWindow window(nullptr, Qt::Tool | Qt::FramelessWindowHint);
        window.show();
        const WId native = window.winId();
        compositor.set(c.nowComposited);
        Compositing::fit(&window);
        EXPECT_EQ(Compositing::isTranslucent(&window), c.translucent);
        EXPECT_EQ(window.winId(), native) << "nothing flickers while shown";
    }
}

TEST(Compositing, AFollowingMenuIsFittedEachTimeItPopsUp) {
    CompositorOverride compositor(true);
    QMenu menu;
    menu.addAction(QStringLiteral("Connect"));
    Compositing::followInMenu(&menu);
    for (const bool composited : {false, true}) {
        compositor.set(composited);
        menu.popup(QPoint(10, 10));
        EXPECT_EQ(Compositing::isTranslucent(&menu), composited);
        menu.hide();
    }
}
