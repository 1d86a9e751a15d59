#pragma once

// Runs a test with TZ set, restoring the previous zone afterwards.

#include <cstdlib>
#include <ctime>
#include <string>

class ScopedTimeZone
{
public:
    explicit ScopedTimeZone(const char *tz)
    {
        if (const char *old = std::getenv("TZ"))
            m_old = old, m_hadOld = true;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ScopedTimeZone()
    {
        if (m_hadOld)
            setenv("TZ", m_old.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    ScopedTimeZone(const ScopedTimeZone &) = delete;
    ScopedTimeZone &operator=(const ScopedTimeZone &) = delete;

private:
    std::string m_old;
    bool m_hadOld = false;
};
