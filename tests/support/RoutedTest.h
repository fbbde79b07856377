#pragma once

// What most screen tests start from: virtual time, the SDK stand-in's test hand and a recording router
// installed as the application's delegate.

#include "platform/ManualScheduler.h"
#include "sdk/testing/Driver.h"
#include "support/FakeRouter.h"

#include <gtest/gtest.h>

class RoutedTest : public ::testing::Test {
protected:
    platform::ManualScheduler scheduler;
    platform::ScopedScheduler scope{scheduler};
    sdk::testing::Driver driver;
    FakeRouter router;
    FakeRouter::Scope routerScope{router};
};
