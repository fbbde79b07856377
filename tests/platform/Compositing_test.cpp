#include "platform/Compositing.h"

#include <QMenu>

#include <gtest/gtest.h>

using platform::Compositing;

namespace {

// The answer the test chose, given back at its end.
struct CompositorOverride {
    explicit CompositorOverride(bool active) { Compositing::setActiveOverride(active); }
    ~CompositorOverride() { Compositing::setActiveOverride(std::nullopt); }
    void set(bool active) { Compositing::setActiveOverride(active); }
};

} // namespace

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
