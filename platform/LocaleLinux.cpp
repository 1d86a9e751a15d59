#include "platform/Locale.h"

#include <QByteArray>
#include <QStringList>

#include <array>
#include <string_view>

namespace
{

constexpr std::uint16_t kEnglishUnitedStates = 1033;

struct LanguageIdRow {
    std::string_view language;  // ISO 639 code, lower case
    std::string_view territory; // ISO 3166 code, upper case; "" for the language's default
    std::uint16_t id;           // sub-language << 10 | primary language
};

// The default row of a language comes first.
constexpr std::array kLanguageIds = {
    LanguageIdRow{"ar", "", 1025},    LanguageIdRow{"ar", "SA", 1025},
    LanguageIdRow{"ar", "EG", 3073},  LanguageIdRow{"bg", "", 1026},
    LanguageIdRow{"ca", "", 1027},    LanguageIdRow{"zh", "", 2052},
    LanguageIdRow{"zh", "CN", 2052},  LanguageIdRow{"zh", "TW", 1028},
    LanguageIdRow{"zh", "HK", 3076},  LanguageIdRow{"zh", "SG", 4100},
    LanguageIdRow{"zh", "MO", 5124},  LanguageIdRow{"cs", "", 1029},
    LanguageIdRow{"da", "", 1030},    LanguageIdRow{"de", "", 1031},
    LanguageIdRow{"de", "DE", 1031},  LanguageIdRow{"de", "CH", 2055},
    LanguageIdRow{"de", "AT", 3079},  LanguageIdRow{"de", "LU", 4103},
    LanguageIdRow{"de", "LI", 5127},  LanguageIdRow{"el", "", 1032},
    LanguageIdRow{"en", "", 1033},    LanguageIdRow{"en", "US", 1033},
    LanguageIdRow{"en", "GB", 2057},  LanguageIdRow{"en", "AU", 3081},
    LanguageIdRow{"en", "CA", 4105},  LanguageIdRow{"en", "NZ", 5129},
    LanguageIdRow{"en", "IE", 6153},  LanguageIdRow{"en", "ZA", 7177},
    LanguageIdRow{"en", "IN", 16393}, LanguageIdRow{"en", "SG", 18441},
    LanguageIdRow{"fi", "", 1035},    LanguageIdRow{"fr", "", 1036},
    LanguageIdRow{"fr", "FR", 1036},  LanguageIdRow{"fr", "BE", 2060},
    LanguageIdRow{"fr", "CA", 3084},  LanguageIdRow{"fr", "CH", 4108},
    LanguageIdRow{"fr", "LU", 5132},  LanguageIdRow{"he", "", 1037},
    LanguageIdRow{"hu", "", 1038},    LanguageIdRow{"is", "", 1039},
    LanguageIdRow{"it", "", 1040},    LanguageIdRow{"it", "CH", 2064},
    LanguageIdRow{"ja", "", 1041},    LanguageIdRow{"ko", "", 1042},
    LanguageIdRow{"nl", "", 1043},    LanguageIdRow{"nl", "BE", 2067},
    LanguageIdRow{"nb", "", 1044},    LanguageIdRow{"no", "", 1044},
    LanguageIdRow{"nn", "", 2068},    LanguageIdRow{"pl", "", 1045},
    LanguageIdRow{"pt", "", 2070},    LanguageIdRow{"pt", "BR", 1046},
    LanguageIdRow{"pt", "PT", 2070},  LanguageIdRow{"ro", "", 1048},
    LanguageIdRow{"ru", "", 1049},    LanguageIdRow{"hr", "", 1050},
    LanguageIdRow{"sk", "", 1051},    LanguageIdRow{"sq", "", 1052},
    LanguageIdRow{"sv", "", 1053},    LanguageIdRow{"sv", "FI", 2077},
    LanguageIdRow{"th", "", 1054},    LanguageIdRow{"tr", "", 1055},
    LanguageIdRow{"ur", "", 1056},    LanguageIdRow{"id", "", 1057},
    LanguageIdRow{"uk", "", 1058},    LanguageIdRow{"be", "", 1059},
    LanguageIdRow{"sl", "", 1060},    LanguageIdRow{"et", "", 1061},
    LanguageIdRow{"lv", "", 1062},    LanguageIdRow{"lt", "", 1063},
    LanguageIdRow{"fa", "", 1065},    LanguageIdRow{"vi", "", 1066},
    LanguageIdRow{"hy", "", 1067},    LanguageIdRow{"eu", "", 1069},
    LanguageIdRow{"mk", "", 1071},    LanguageIdRow{"ka", "", 1079},
    LanguageIdRow{"hi", "", 1081},    LanguageIdRow{"ms", "", 1086},
    LanguageIdRow{"kk", "", 1087},    LanguageIdRow{"bn", "", 1093},
    LanguageIdRow{"ta", "", 1097},    LanguageIdRow{"gl", "", 1110},
    LanguageIdRow{"sr", "", 3098},    LanguageIdRow{"es", "", 3082},
    LanguageIdRow{"es", "ES", 3082},  LanguageIdRow{"es", "MX", 2058},
    LanguageIdRow{"es", "AR", 11274}, LanguageIdRow{"es", "CO", 9226},
    LanguageIdRow{"es", "US", 21514},
};

} // namespace

std::uint16_t LanguageIdFromLocaleName(const QString &localeName)
{
    // language[_territory][.codeset][@modifier]; '-' accepted as a separator as well.
    QString name = localeName.section(u'@', 0, 0).section(u'.', 0, 0);
    name.replace(u'-', u'_');
    const QByteArray language = name.section(u'_', 0, 0).toLower().toLatin1();
    const QByteArray territory = name.section(u'_', 1, 1).toUpper().toLatin1();

    const LanguageIdRow *fallback = nullptr;
    for (const LanguageIdRow &row : kLanguageIds) {
        if (row.language != std::string_view(language.constData(), language.size()))
            continue;
        if (row.territory == std::string_view(territory.constData(), territory.size()))
            return row.id;
        if (!fallback && row.territory.empty())
            fallback = &row;
    }
    return fallback ? fallback->id : kEnglishUnitedStates;
}

std::uint16_t SystemDefaultLanguageId()
{
    for (const char *variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return LanguageIdFromLocaleName(value);
    }
    return kEnglishUnitedStates;
}
