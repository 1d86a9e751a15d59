#include "sensors/CLocalClock.h"

std::int64_t CLocalClock::ToTime(std::tm tm)
{
    tm.tm_isdst = -1;
    // A second outside 0..59 may carry into another minute, across a change of the offset.
    if (tm.tm_sec < 0 || tm.tm_sec > 59)
        return static_cast<std::int64_t>(std::mktime(&tm));
    const int second = tm.tm_sec;
    if (!m_last || m_last->year != tm.tm_year || m_last->month != tm.tm_mon ||
        m_last->day != tm.tm_mday || m_last->hour != tm.tm_hour || m_last->minute != tm.tm_min) {
        Minute minute{tm.tm_year, tm.tm_mon, tm.tm_mday, tm.tm_hour, tm.tm_min, 0};
        tm.tm_sec = 0;
        minute.start = static_cast<std::int64_t>(std::mktime(&tm));
        m_last = minute;
    }
    return m_last->start + second;
}
