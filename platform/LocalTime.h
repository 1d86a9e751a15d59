#pragma once

#include <cstdint>
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
