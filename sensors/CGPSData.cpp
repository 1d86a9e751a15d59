#include "sensors/CGPSData.h"

#include <charconv>
#include <ctime>

namespace
{

// The white space atoi and atof skip, in the C locale.
bool IsBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// atoi of the two characters from `pos` (fewer when the field is shorter): leading blanks,
// an optional sign, then digits.
std::int32_t PairAt(std::string_view field, std::size_t pos)
{
    if (pos >= field.size())
        return 0;
    std::string_view s = field.substr(pos, 2);
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    std::int32_t value = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

// atof of a field, independent of the process locale: leading blanks, an optional sign, the
// longest number prefix; 0 when there is none.
double Number(std::string_view field)
{
    while (!field.empty() && IsBlank(field.front()))
        field.remove_prefix(1);
    if (!field.empty() && field.front() == '+')
        field.remove_prefix(1);
    double value = 0;
    const auto [ptr, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
    (void)ptr;
    return ec == std::errc() ? value : 0.0;
}

// Splits the sentence the way the parser reads it: leading commas skipped, then every comma
// ends a field (empty fields keep their place).
class FieldReader
{
public:
    explicit FieldReader(std::string_view text)
    {
        const std::size_t first = text.find_first_not_of(',');
        m_rest = first == std::string_view::npos ? std::string_view() : text.substr(first);
        m_bMore = !m_rest.empty();
    }

    // The next field, or false when the text has ended.
    bool Next(std::string_view &field)
    {
        if (!m_bMore)
            return false;
        const std::size_t comma = m_rest.find(',');
        if (comma == std::string_view::npos) {
            field = m_rest;
            m_bMore = false;
        } else {
            field = m_rest.substr(0, comma);
            m_rest.remove_prefix(comma + 1);
        }
        return true;
    }

private:
    std::string_view m_rest;
    bool m_bMore = false;
};

} // namespace

bool CGPSData::ParseRMC(std::string_view text, std::uint32_t time)
{
    LocalClock clock;
    return ParseRMC(text, time, clock);
}

bool CGPSData::ParseRMC(std::string_view text, std::uint32_t time, LocalClock &clock)
{
    m_nTime = time;
    if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos)
        text = text.substr(0, nul);
    if (text.size() >= kMaxSentence)
        return false;

    FieldReader fields(text);
    std::string_view f;
    for (int index = 0; index < 10; ++index) {
        if (!fields.Next(f))
            return false;
        switch (index) {
        case 0: // sentence identifier
            break;
        case 1: // UTC time hhmmss[.sss]
            m_nHour = PairAt(f, 0) + 9;
            m_nMinute = PairAt(f, 2);
            m_nSecond = PairAt(f, 4);
            break;
        case 2:
            m_bValid = !f.empty() && f.front() == 'A' ? 1 : 0;
            break;
        case 3:
            m_dLatitude = Number(f);
            break;
        case 4: // an empty hemisphere negates too
            if (f.empty() || f.front() != 'N')
                m_dLatitude = -m_dLatitude;
            break;
        case 5:
            m_dLongitude = Number(f);
            break;
        case 6:
            if (f.empty() || f.front() != 'E')
                m_dLongitude = -m_dLongitude;
            break;
        case 7: // knots to km/h
            m_dSpeed = static_cast<float>(Number(f) * 1.852);
            break;
        case 8:
            m_dCourse = static_cast<float>(Number(f));
            break;
        case 9: // ddmmyy
            m_nDay = PairAt(f, 0);
            m_nMonth = PairAt(f, 2);
            m_nYear = PairAt(f, 4);
            break;
        }
    }

    // The +9 hour wall clock read in the computer's zone; mktime carries an hour past 23 into
    // the next day. Two-digit years 70..99 are 19xx, 00..69 are 20xx. Daylight saving is
    // left to the library.
    std::tm tm{};
    tm.tm_sec = m_nSecond;
    tm.tm_min = m_nMinute;
    tm.tm_hour = m_nHour;
    tm.tm_mday = m_nDay;
    tm.tm_mon = m_nMonth - 1;
    tm.tm_year = (m_nYear + 30) % 100 + 70;
    m_tFixTime = clock.ToTime(tm);
    return true;
}
