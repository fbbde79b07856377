#pragma once

#include "sdk/PDNetworks.h"

#include <QString>

// A network row hands the network the user chose to its list; null stands for the current network.
class NetworkCellViewDelegate {
public:
    virtual ~NetworkCellViewDelegate() = default;
    virtual void networkSelected(const PDNetworkItemPtr& network) = 0;
};

// What a network row's state area offers.
enum class NetworkCellStatusViewState { connected, connecting, connectAvailable, disconnectAvailable };

inline QString titleOf(NetworkCellStatusViewState state) {
    switch (state) {
    case NetworkCellStatusViewState::connected:
        return QStringLiteral("Connected");
    case NetworkCellStatusViewState::connecting:
        return QStringLiteral("Connecting...");
    case NetworkCellStatusViewState::connectAvailable:
        return QStringLiteral("Connect");
    case NetworkCellStatusViewState::disconnectAvailable:
        return QStringLiteral("Disconnect");
    }
    return {};
}
