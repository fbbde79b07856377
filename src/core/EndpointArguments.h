#pragma once

#include "sdk/PDTypes.h"

#include <QStringList>

#include <optional>

// What the command-line switches ask for.
struct EndpointArguments {
    bool runAsAgent = false;
    std::optional<SDEnvironment> targetEnvironment; // staging or integration; none keeps the default
    QStringList customMTUs;                         // in the order given
    std::optional<PDEndpointConfig> customEndpoint; // overrides the environment
};

EndpointArguments parseEndpointArguments(const QStringList& arguments);

// The port of -USE_CUSTOM_ENV when its value is not a decimal unsigned 32-bit number.
inline constexpr std::uint32_t defaultCustomPort = 5050;
