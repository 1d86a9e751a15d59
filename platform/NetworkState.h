#pragma once

#include <memory>

// Whether the machine has an internet connection, as the map needs one for its tiles.
class INetworkState
{
public:
    virtual ~INetworkState() = default;
    // True when connected or when the system cannot tell. QUORVIL_ONLINE=1 or 0 overrides the
    // system's answer (tests).
    virtual bool IsInternetConnected() const = 0;
};

std::unique_ptr<INetworkState> CreateNetworkState();
