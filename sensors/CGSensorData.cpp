#include "sensors/CGSensorData.h"

#include <algorithm>

CGSensorData::CGSensorData(std::int32_t x, std::int32_t y, std::int32_t z, std::uint32_t time)
    : m_nX(std::clamp(x, -kAxisLimit, kAxisLimit)), m_nY(std::clamp(y, -kAxisLimit, kAxisLimit)),
      m_nZ(std::clamp(z, -kAxisLimit, kAxisLimit)), m_nTime(time)
{
}
