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
