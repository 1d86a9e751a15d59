#pragma once

#include <QString>

// A component that the player and the sensor loader create by class id. Callers reach the
// interface they need with dynamic_cast (our QueryInterface).
class CBaseFilter
{
public:
    virtual ~CBaseFilter() = default;
    virtual QString Name() const = 0;
};
