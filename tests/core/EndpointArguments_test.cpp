#include "core/EndpointArguments.h"

#include <gtest/gtest.h>

TEST(EndpointArguments, EnvironmentSwitchesStagingWinsAndCustomOverrides) {
    EXPECT_FALSE(parseEndpointArguments({"veltrix"}).targetEnvironment);
    EXPECT_EQ(parseEndpointArguments({"veltrix", "-USE_INTEGRATION_ENV"}).targetEnvironment,
              SDEnvironment::integration);
    EXPECT_EQ(
        parseEndpointArguments({"veltrix", "-USE_INTEGRATION_ENV", "-USE_STAGING_ENV"}).targetEnvironment,
        SDEnvironment::staging);
    const auto custom =
        parseEndpointArguments({"veltrix", "-USE_STAGING_ENV", "-USE_CUSTOM_ENV", "corp.example",
                                "sdp.corp.example", "api.corp.example", "443"});
    ASSERT_TRUE(custom.customEndpoint);
    EXPECT_TRUE(custom.customEndpoint->isCustom());
    EXPECT_EQ(custom.customEndpoint->customDomain(), "corp.example");
    EXPECT_EQ(custom.customEndpoint->customSdpHostname(), "sdp.corp.example");
    EXPECT_EQ(custom.customEndpoint->customApiHostname(), "api.corp.example");
    EXPECT_EQ(custom.customEndpoint->customPort(), 443u);
}

TEST(EndpointArguments, CustomEnvironmentNeedsFourValuesAndFallsBackToTheDefaultPort) {
    EXPECT_FALSE(parseEndpointArguments({"-USE_CUSTOM_ENV", "d", "s", "a"}).customEndpoint);
    for (const char* port : {"abc", "", "-1", "4294967296", "+5"}) {
        const auto parsed = parseEndpointArguments({"-USE_CUSTOM_ENV", "d", "s", "a", port});
        ASSERT_TRUE(parsed.customEndpoint) << port;
        EXPECT_EQ(parsed.customEndpoint->customPort(), defaultCustomPort) << port;
    }
    EXPECT_EQ(
        parseEndpointArguments({"-USE_CUSTOM_ENV", "d", "s", "a", "4294967295"}).customEndpoint->customPort(),
        4294967295u);
}

TEST(EndpointArguments, EveryMtuWithAValueInOrderAndTheAgentSwitch) {
    const auto parsed = parseEndpointArguments(
        {"-USE_CUSTOM_MTU", "1400", "-RunAsAgent", "-USE_CUSTOM_MTU", "1280", "-USE_CUSTOM_MTU"});
    EXPECT_EQ(parsed.customMTUs, (QStringList{"1400", "1280"}));
    EXPECT_TRUE(parsed.runAsAgent);
    EXPECT_FALSE(parseEndpointArguments({"-runasagent"}).runAsAgent);
}
