// The SDK on the real Qt scheduler: its own thread, real (short) delays.
#include "SdkTestSupport.h"

#include "support/TestSupport.h"

#include <atomic>
#include <chrono>

using namespace sdktest;

namespace {

class SdkThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        driver.editState([](sdk::SimulationState& s) {
            s.connectDelaySeconds = 0.05;
            s.browserDelaySeconds = 0.01;
            s.stepDelaySeconds = 0.01;
            s.publicIpDelaySeconds = 0.01;
        });
        recorder.install();
    }
    void TearDown() override { sdk::SimulatedWorkspace::instance().clearDelegates(); }

    sdk::testing::Driver driver;
    Recorder recorder;
};

// Counts its calls and holds each one for a moment, so a setter can run while a call is in flight.
class SlowDelegate : public PDVPNConnectionStatusUpdatesDelegate {
public:
    void onConnectedToVPN() override {
        entered = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ++calls;
        finished = true;
    }
    std::atomic<bool> entered{false};
    std::atomic<bool> finished{false};
    std::atomic<int> calls{0};
};

} // namespace

TEST_F(SdkThreadTest, CallbacksArriveOnTheSdkThreadNotTheGuiThread) {
    std::atomic<bool> initialized{false};
    std::thread::id initialThread;
    VeltrixXPC::getInitialState([&] {
        initialThread = std::this_thread::get_id();
        initialized = true;
    });
    ASSERT_TRUE(testsupport::waitUntil([&] { return initialized.load(); }));
    EXPECT_NE(initialThread, std::this_thread::get_id());

    driver.setBrowserForward(completeSignIn);
    VeltrixXPC::login();
    ASSERT_TRUE(testsupport::waitUntil([&] { return recorder.has("dataLoaded"); }));
    VeltrixXPC::connect(*VeltrixXPC::currentNetwork()->vpnConfiguration());
    ASSERT_TRUE(testsupport::waitUntil([&] { return recorder.has("connected"); }));
    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::connected);

    const auto threads = recorder.threads();
    ASSERT_FALSE(threads.empty());
    for (const auto& id : threads) {
        EXPECT_NE(id, std::this_thread::get_id());
        EXPECT_EQ(id, threads.front()) << "one serial SDK thread";
    }
}

TEST_F(SdkThreadTest, ReplacingADelegateWaitsForTheCallInFlight) {
    SlowDelegate slow;
    Recorder replacement;
    VeltrixXPC::setVpnStatusUpdatesDelegate(&slow);
    driver.fire<PDVPNConnectionStatusUpdatesDelegate>([](auto& d) { d.onConnectedToVPN(); },
                                                      sdk::testing::Driver::Delivery::sdkQueue);
    ASSERT_TRUE(testsupport::waitUntil([&] { return slow.entered.load(); }));

    VeltrixXPC::setVpnStatusUpdatesDelegate(&replacement);
    EXPECT_TRUE(slow.finished.load()) << "the setter returned while the old delegate was still being called";

    driver.fire<PDVPNConnectionStatusUpdatesDelegate>([](auto& d) { d.onConnectedToVPN(); },
                                                      sdk::testing::Driver::Delivery::sdkQueue);
    ASSERT_TRUE(testsupport::waitUntil([&] { return replacement.has("connected"); }));
    EXPECT_EQ(slow.calls.load(), 1);
    VeltrixXPC::setVpnStatusUpdatesDelegate(nullptr);
}

TEST_F(SdkThreadTest, ADelegateMayReplaceItselfFromItsOwnCallback) {
    struct SelfRemoving : PDSettingsDelegate {
        void onUpdatedWithSettings(const PDSettings&) override {
            VeltrixXPC::setSettingsDelegate(nullptr);
            done = true;
        }
        std::atomic<bool> done{false};
    } delegate;
    VeltrixXPC::setSettingsDelegate(&delegate);
    driver.fire<PDSettingsDelegate>([](auto& d) { d.onUpdatedWithSettings(PDSettings{}); },
                                    sdk::testing::Driver::Delivery::sdkQueue);
    ASSERT_TRUE(testsupport::waitUntil([&] { return delegate.done.load(); }));
    EXPECT_EQ(VeltrixXPC::settingsDelegate(), nullptr);
}
