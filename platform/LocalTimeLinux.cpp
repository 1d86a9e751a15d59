#include "platform/LocalTime.h"

#include <QDateTime>

#include <time.h>

namespace
{
// Moments the C library converts the same way Qt does; others go through Qt.
constexpr std::int64_t kFirstDirectSecond = 0;
constexpr std::int64_t kLastDirectSecond = 2145916799; // 2037-12-31 23:59:59 UTC
} // namespace

std::optional<LocalDate> LocalDateOfSeconds(std::int64_t secondsSinceEpoch)
{
    if (secondsSinceEpoch >= kFirstDirectSecond && secondsSinceEpoch <= kLastDirectSecond) {
        // localtime_r reads the zone once per process, unlike tzset(), which re-reads
        // /etc/localtime at every call while TZ is unset.
        const time_t seconds = static_cast<time_t>(secondsSinceEpoch);
        struct tm local {
        };
        if (localtime_r(&seconds, &local))
            return LocalDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
        return std::nullopt;
    }
    const QDateTime moment = QDateTime::fromSecsSinceEpoch(secondsSinceEpoch).toLocalTime();
    if (!moment.isValid())
        return std::nullopt;
    const QDate date = moment.date();
    return LocalDate{date.year(), date.month(), date.day()};
}

std::int64_t LocalClock::ToTime(std::tm tm)
{
    tm.tm_isdst = -1;
    // A second outside 0..59 may carry into another minute, across a change of the offset.
    if (tm.tm_sec < 0 || tm.tm_sec > 59)
        return static_cast<std::int64_t>(mktime(&tm));
    const int second = tm.tm_sec;
    if (!m_last || m_last->year != tm.tm_year || m_last->month != tm.tm_mon ||
        m_last->day != tm.tm_mday || m_last->hour != tm.tm_hour || m_last->minute != tm.tm_min) {
        Minute minute{tm.tm_year, tm.tm_mon, tm.tm_mday, tm.tm_hour, tm.tm_min, 0};
        tm.tm_sec = 0;
        minute.start = static_cast<std::int64_t>(mktime(&tm));
        m_last = minute;
    }
    return m_last->start + second;
}
