#pragma once

#include "sdk/PDNetworks.h"

#include <QStringList>

// Large generated workspaces for tests and benchmarks.
namespace sdk::testing {

// A network or location with a gateway named after its id, and the country's flag (none without a country).
PDNetworkItemPtr makeNetworkItem(const QString& id, PDNetworkKind kind, const QString& name,
                                 const QString& continent = {}, const QString& country = {});

// The country codes that have a flag in the system's flag set, sorted.
const QStringList& flagCountryCodes();

// `count` public locations spread over the first `countries` flag countries (all when -1) in turn and
// over seven continents (in blocks, as a workspace lists them), plus an automatic location.
PDNetworksModelPtr generatedNetworksModel(int count, int countries = -1);

} // namespace sdk::testing
