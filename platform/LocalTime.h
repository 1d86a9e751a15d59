#pragma once

#include <cstdint>
#include <ctime>
#include <optional>

// Calendar dates in the system's local time zone, for many conversions in a row (a folder
// of recordings): the zone is read once, not at every conversion.
struct LocalDate {
    int year = 0;
    int month = 0; // 1-12
    int day = 0;   // 1-31
};

// The local date of a moment given in seconds since 1970 (UTC); nullopt when it cannot be
// converted.
std::optional<LocalDate> LocalDateOfSeconds(std::int64_t secondsSinceEpoch);

// Reads broken-down wall clocks as local time, by mktime's rules (fields past their range carry
// over, daylight saving is the library's choice), for many readings in a row (the fixes of a
// sensor track). mktime re-reads the zone file at every call; readings come a second apart,
// so the clock keeps the start of the last minute it read and adds the seconds.
class LocalClock
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
