#include "ui/LanguageResolution.h"

#include "platform/SettingsStore.h"

#include <algorithm>
#include <climits>
#include <variant>

namespace
{

const QString kLanguageKey = QStringLiteral("SOFTWARE\\TARN\\Quorvil");
const QString kLanguageValue = QStringLiteral("language");
constexpr qsizetype kReadBufferBytes = 256;

// The value as the text a wide-character read of its bytes gives, whatever its stored type:
// a number's four bytes are two UTF-16 code units, read up to the first zero.
QString ValueAsText(const SettingsValue &value)
{
    if (const auto *text = std::get_if<QString>(&value))
        return *text;
    const auto number = std::get<std::uint32_t>(value);
    const char16_t units[] = {static_cast<char16_t>(number & 0xFFFF),
                              static_cast<char16_t>(number >> 16), 0};
    return QString::fromUtf16(units);
}

qsizetype StoredBytes(const SettingsValue &value)
{
    if (const auto *text = std::get_if<QString>(&value))
        return (text->size() + 1) * 2; // with its terminating zero
    return 4;
}

} // namespace

std::uint16_t MapUiLanguage(std::uint16_t languageId)
{
    switch (languageId) {
    case 1041:
    case 1042:
    case 1049:
        return languageId;
    default:
        return 1033;
    }
}

std::uint16_t ParseLanguageId(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1; // saturated below
    }
    if (negative)
        value = -value;
    const int saturated = static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
    return static_cast<std::uint16_t>(static_cast<unsigned int>(saturated) & 0xFFFF);
}

std::uint16_t ReadLanguageSetting(const CSettingsStore &store)
{
    const SettingsResult<SettingsValue> value =
        store.GetValue(SettingsHive::CurrentUser, kLanguageKey, kLanguageValue);
    if (!value.Ok() || StoredBytes(value.value) > kReadBufferBytes)
        return 0;
    return ParseLanguageId(ValueAsText(value.value));
}

std::uint16_t ResolveUiLanguage(const CSettingsStore &store, std::uint16_t systemLanguageId)
{
    std::uint16_t id = ReadLanguageSetting(store);
    if (id == 0)
        id = systemLanguageId;
    return MapUiLanguage(id);
}
