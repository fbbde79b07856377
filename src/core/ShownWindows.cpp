#include "core/ShownWindows.h"

#include "platform/Application.h"

#include <set>

namespace {

std::set<const void*>& shown(ShownWindowKind kind) {
    static std::set<const void*> windows;
    static std::set<const void*> menuWindows;
    return kind == ShownWindowKind::window ? windows : menuWindows;
}

} // namespace

void noteWindowShown(const void* controller, ShownWindowKind kind, bool isShown) {
    if (isShown) {
        shown(kind).insert(controller);
    } else {
        shown(kind).erase(controller);
    }
}

bool isWindowOpened() {
    // Hidden with the application, a window shows the user nothing.
    const auto* app = platform::Application::instance();
    return !shown(ShownWindowKind::window).empty() && !(app && app->isHidden());
}

bool isMenuWindowShown() {
    return !shown(ShownWindowKind::menuWindow).empty();
}
