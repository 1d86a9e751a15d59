#pragma once

#include "platform/LocalTime.h"

#include <cstdint>
#include <string_view>

// One GPS fix of the sensor track, parsed from an NMEA RMC sentence. Latitude and longitude
// stay in NMEA form (degrees x 100 + minutes), negative south and west.
class CGPSData
{
public:
    // The sentence must be shorter than this; a longer one is no RMC sentence any receiver
    // writes (NMEA allows 82 characters) and is not parsed at all (ParseRMC returns false and
    // the fix stays all zero, hence invalid). Truncating it could yield a wrong fix.
    static constexpr std::size_t kMaxSentence = 1024;

    // Parses one sentence without its '$' ("GPRMC,hhmmss,A,...") into this fix and stores
    // `time` in m_nTime. The text ends at its first zero byte or at the end of the view.
    // True when all ten leading fields were present. The checksum is not verified.
    bool ParseRMC(std::string_view text, std::uint32_t time);
    // The same, reading the fix time with a clock that a track keeps from fix to fix.
    bool ParseRMC(std::string_view text, std::uint32_t time, LocalClock &clock);

    std::int32_t m_nYear = 0;  // two digits, 0..99
    std::int32_t m_nMonth = 0; // 1..12 as written
    std::int32_t m_nDay = 0;
    std::int32_t m_nHour = 0; // UTC hour + 9, not wrapped (9..32)
    std::int32_t m_nMinute = 0;
    std::int32_t m_nSecond = 0;  // whole seconds
    std::int32_t m_bValid = 0;   // 1 when the status is 'A'
    double m_dLatitude = 0;      // ddmm.mmmm, negative unless 'N'
    double m_dLongitude = 0;     // dddmm.mmmm, negative unless 'E'
    double m_dSpeed = 0;         // km/h, at single precision
    double m_dCourse = 0;        // degrees, at single precision
    std::int64_t m_tFixTime = 0; // seconds since 1970 (the +9 hour wall clock read as local)
    std::uint32_t m_nTime = 0;   // ms from the start of the recording
};
