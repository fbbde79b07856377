#pragma once

// The ways a shown window leaves the screen and comes back, for checks that its work stops meanwhile.
#include <QWidget>

#include <functional>

namespace testsupport {

struct OffScreenWay {
    const char* name;
    std::function<void(QWidget&)> leave;
    std::function<void(QWidget&)> back;
};

inline const OffScreenWay offScreenWays[] = {
    {"hidden", [](QWidget& w) { w.hide(); }, [](QWidget& w) { w.show(); }},
    {"minimised", [](QWidget& w) { w.showMinimized(); }, [](QWidget& w) { w.showNormal(); }},
};

} // namespace testsupport
