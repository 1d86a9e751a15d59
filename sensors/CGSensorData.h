#pragma once

#include <cstdint>

// One G-sensor sample of the sensor track.
class CGSensorData
{
public:
    static constexpr std::int32_t kAxisLimit = 120;

    CGSensorData() = default; // a zero sample (the track's pre-sized entries)
    // Clamps each axis to -120..120.
    CGSensorData(std::int32_t x, std::int32_t y, std::int32_t z, std::uint32_t time);

    std::int32_t m_nX = 0;
    std::int32_t m_nY = 0;
    std::int32_t m_nZ = 0;
    std::uint32_t m_nTime = 0; // ms from the start of the recording
};
