#pragma once

#include <cstdint>
#include <ctime>
#include <optional>

// Reads a broken-down wall clock as local time, by mktime's rules (fields past their range
// carry over, daylight saving is the library's choice). mktime looks at the zone file on every
// call, which costs more than parsing the sentence; a track's fixes come every second, so the
// clock keeps the start of the last minute it read and adds the seconds.
class CLocalClock
{
public:
    // Seconds since 1970 of the wall clock in tm (its tm_isdst is not used).
    std::int64_t ToTime(std::tm tm);

private:
    struct Minute {
        int year, month, day, hour, minute;
        std::int64_t start;
    };
    std::optional<Minute> m_last;
};
