#pragma once

// The SDK's second class: the automatic location and a location change from the locations window.

#include "sdk/PDNetworks.h"
#include "sdk/PDTypes.h"

#include <optional>

class Veltrix {
public:
    Veltrix() = delete;

    static void connectToAnotherLocation(const SDVPNConfig& config);
    // The location the SDK picks when the user chooses "automatic"; null without public locations.
    static PDNetworkItemPtr currentAutomaticNetwork();
    static bool useAutomaticNetwork();
    static void setUseAutomaticNetwork(bool useAutomatic);
    static std::optional<QString> internalIPAddress();
};
