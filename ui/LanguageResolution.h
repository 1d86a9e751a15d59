#pragma once

#include <QString>

#include <cstdint>

class CSettingsStore;

// The user interface language settled once at start-up: the current user's
// "SOFTWARE\TARN\Quorvil" value "language" (a decimal id as text), else the system's default
// language, mapped onto the four languages the texts exist in.

// 1041, 1042 and 1049 stay; every other id becomes 1033.
std::uint16_t MapUiLanguage(std::uint16_t languageId);

// The leading decimal integer of text, as the C runtime's integer parse reads it (leading
// white space and a sign allowed, saturating), kept to its low 16 bits; no digits give 0.
std::uint16_t ParseLanguageId(const QString &text);

// The stored "language" value as an id; 0 when the key or value is missing, unreadable, too
// long for the 256-byte read, or not a number.
std::uint16_t ReadLanguageSetting(const CSettingsStore &store);

// The language of the user interface: one of 1033, 1041, 1042, 1049.
std::uint16_t ResolveUiLanguage(const CSettingsStore &store, std::uint16_t systemLanguageId);
