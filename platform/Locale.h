#pragma once

#include <QString>

#include <cstdint>

// The system's default language as a Windows language id: 1033 English (United States),
// 2057 English (United Kingdom), 1042 Korean, 1041 Japanese, 1049 Russian, 2052 Chinese (PRC),
// 1031 German... Taken from the first non-empty of LC_ALL, LC_MESSAGES and LANG.
std::uint16_t SystemDefaultLanguageId();

// The id of a POSIX locale name such as "ko_KR.UTF-8", "en_GB", "de_AT@euro" or "pt-BR".
// A language without a known territory gets its primary id ("ru" -> 1049); "C", "POSIX",
// empty and unknown names give 1033.
std::uint16_t LanguageIdFromLocaleName(const QString &localeName);
