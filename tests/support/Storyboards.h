#pragma once

// For tests of a folder without the composition root: registers what src/app would, or a stand-in, for
// the storyboards the code under test asks. A pair already registered stays as it is.
#include "platform/Storyboard.h"

#include <memory>

namespace testsupport {

template <class T>
void registerController(const char* storyboard, const char* identifier) {
    const QString name = QString::fromLatin1(storyboard);
    const QString id = QString::fromLatin1(identifier);
    if (!platform::Storyboard::named(name).contains(id)) {
        platform::Storyboard::registerController(name, id, [] { return std::make_unique<T>(); });
    }
}

} // namespace testsupport
