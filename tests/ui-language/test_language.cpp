#include "platform/Locale.h"
#include "platform/SettingsStore.h"
#include "ui/LanguageResolution.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <iterator>
#include <string>
#include <vector>

namespace
{

QString ScratchRoot()
{
    const QString root = qEnvironmentVariable("QUORVIL_TEST_TMP");
    return root.isEmpty() ? QDir::tempPath() : root;
}

const QString kKey = QStringLiteral("SOFTWARE\\TARN\\Quorvil");

struct LanguageCase {
    const char *name;
    std::optional<SettingsValue> stored; // nullopt: no value (the key exists)
    std::uint16_t systemLanguage;
    std::uint16_t expected;
};

SettingsValue Text(const QString &text)
{
    return SettingsValue(text);
}
SettingsValue Number(std::uint32_t number)
{
    return SettingsValue(number);
}

class LanguageResolutionTest : public ::testing::TestWithParam<LanguageCase>
{
protected:
    QTemporaryDir m_dir{ScratchRoot() + QStringLiteral("/language-XXXXXX")};
    CSettingsStore m_store{m_dir.path() + QStringLiteral("/user"),
                           m_dir.path() + QStringLiteral("/machine")};
};

TEST_P(LanguageResolutionTest, ResolvesToOneOfTheFourLanguages)
{
    const LanguageCase &c = GetParam();
    ASSERT_EQ(m_store.CreateKey(SettingsHive::CurrentUser, kKey), SettingsStatus::Ok);
    if (c.stored) {
        ASSERT_EQ(m_store.SetValue(SettingsHive::CurrentUser, kKey, QStringLiteral("language"),
                                   *c.stored),
                  SettingsStatus::Ok);
    }
    EXPECT_EQ(ResolveUiLanguage(m_store, c.systemLanguage), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, LanguageResolutionTest,
    ::testing::Values(
        LanguageCase{"no_value_korean_system", std::nullopt, 1042, 1042},
        LanguageCase{"no_value_german_system", std::nullopt, 1031, 1033},
        LanguageCase{"no_value_uk_system", std::nullopt, 2057, 1033},
        LanguageCase{"russian_on_korean_system", Text(QStringLiteral("1049")), 1042, 1049},
        LanguageCase{"russian_on_english_system", Text(QStringLiteral("1049")), 1033, 1049},
        LanguageCase{"japanese", Text(QStringLiteral("1041")), 1033, 1041},
        LanguageCase{"korean", Text(QStringLiteral("1042")), 1033, 1042},
        LanguageCase{"english", Text(QStringLiteral("1033")), 1042, 1033},
        LanguageCase{"uk_english_becomes_english", Text(QStringLiteral("2057")), 1042, 1033},
        LanguageCase{"chinese_becomes_english", Text(QStringLiteral("2052")), 1042, 1033},
        LanguageCase{"empty_is_absent", Text(QString()), 1041, 1041},
        LanguageCase{"non_numeric_is_absent", Text(QStringLiteral("Russian")), 1042, 1042},
        LanguageCase{"zero_is_absent", Text(QStringLiteral("0")), 1049, 1049},
        LanguageCase{"leading_digits", Text(QStringLiteral("1049abc")), 1042, 1049},
        LanguageCase{"leading_blank", Text(QStringLiteral(" \t1049")), 1042, 1049},
        LanguageCase{"low_16_bits", Text(QStringLiteral("66585")), 1042, 1049},
        LanguageCase{"negative", Text(QStringLiteral("-1")), 1042, 1033},
        LanguageCase{"overflow_saturates", Text(QStringLiteral("99999999999")), 1042, 1033},
        LanguageCase{"longest_that_fits", Text(QStringLiteral("1049") + QString(123, u'x')), 1042,
                     1049},
        LanguageCase{"too_long_is_absent", Text(QStringLiteral("1049") + QString(124, u'x')), 1042,
                     1042},
        LanguageCase{"number_type_read_as_text", Number(1049), 1042, 1042},
        LanguageCase{"number_whose_bytes_spell_a_digit", Number(0x31), 1042, 1033}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(LanguageResolution, MissingKeyUsesTheSystemLanguageAndWritesNothing)
{
    QTemporaryDir dir(ScratchRoot() + QStringLiteral("/language-XXXXXX"));
    CSettingsStore store(dir.path() + QStringLiteral("/user"), dir.path() + QStringLiteral("/m"));
    EXPECT_EQ(ResolveUiLanguage(store, 1042), 1042);
    EXPECT_EQ(ResolveUiLanguage(store, 1049), 1049);
    EXPECT_FALSE(QFileInfo::exists(dir.path() + QStringLiteral("/user")));
}

TEST(LanguageResolution, KeyAndValueNamesIgnoreCase)
{
    QTemporaryDir dir(ScratchRoot() + QStringLiteral("/language-XXXXXX"));
    CSettingsStore store(dir.path() + QStringLiteral("/user"), dir.path() + QStringLiteral("/m"));
    const QString key = QStringLiteral("software\\tarn\\QUORVIL");
    ASSERT_EQ(store.CreateKey(SettingsHive::CurrentUser, key), SettingsStatus::Ok);
    ASSERT_EQ(store.SetString(SettingsHive::CurrentUser, key, QStringLiteral("LANGUAGE"),
                              QStringLiteral("1041")),
              SettingsStatus::Ok);
    EXPECT_EQ(ResolveUiLanguage(store, 1033), 1041);
    // The local machine's hive is not read.
    CSettingsStore machineOnly(dir.path() + QStringLiteral("/nobody"),
                               dir.path() + QStringLiteral("/user"));
    EXPECT_EQ(ResolveUiLanguage(machineOnly, 1033), 1033);
}

struct ParseCase {
    const char *text;
    std::uint16_t expected;
};

TEST(LanguageResolution, ParsesLikeTheRuntimesIntegerRead)
{
    const ParseCase cases[] = {{"1049", 1049},     {"", 0},           {"x1049", 0},
                               {"+1042", 1042},    {"  1041 ", 1041}, {"65536", 0},
                               {"65535", 65535},   {"-65535", 1},     {"2147483648", 65535},
                               {"-2147483649", 0}, {"00001033", 1033}};
    for (const ParseCase &c : cases)
        EXPECT_EQ(ParseLanguageId(QString::fromUtf8(c.text)), c.expected) << c.text;
}

TEST(LanguageResolution, OnlyTheFourExactIdsAreKept)
{
    for (int id = 0; id <= 0xFFFF; ++id) {
        const std::uint16_t mapped = MapUiLanguage(static_cast<std::uint16_t>(id));
        if (id == 1041 || id == 1042 || id == 1049)
            EXPECT_EQ(mapped, id);
        else
            ASSERT_EQ(mapped, 1033) << id;
    }
}

struct LocaleCase {
    const char *locale;
    std::uint16_t expected;
};

TEST(Locale, LocaleNamesMapToWindowsLanguageIds)
{
    const LocaleCase cases[] = {
        {"ko_KR.UTF-8", 1042}, {"ja_JP.eucJP", 1041}, {"ru_RU.UTF-8", 1049},
        {"en_US.UTF-8", 1033}, {"en_GB.UTF-8", 2057}, {"zh_CN.GB18030", 2052},
        {"zh_TW.UTF-8", 1028}, {"de_DE.UTF-8", 1031}, {"de_AT@euro", 3079},
        {"de", 1031},          {"ko", 1042},          {"ru_UA.UTF-8", 1049},
        {"en", 1033},          {"en_XX", 1033},       {"pt_BR", 1046},
        {"fr-CA", 3084},       {"KO_kr.utf8", 1042},  {"C", 1033},
        {"POSIX", 1033},       {"C.UTF-8", 1033},     {"", 1033},
        {"xx_YY", 1033},
    };
    for (const LocaleCase &c : cases)
        EXPECT_EQ(LanguageIdFromLocaleName(QString::fromUtf8(c.locale)), c.expected) << c.locale;
}

struct EnvironmentCase {
    const char *name;
    const char *lcAll; // nullptr: unset
    const char *lcMessages;
    const char *lang;
    std::uint16_t expected;
};

class SystemLanguageTest : public ::testing::TestWithParam<EnvironmentCase>
{
protected:
    void SetUp() override
    {
        for (const char *variable : kVariables)
            m_saved.push_back(qEnvironmentVariableIsSet(variable)
                                  ? std::optional<QByteArray>(qgetenv(variable))
                                  : std::nullopt);
    }
    void TearDown() override
    {
        for (size_t i = 0; i < std::size(kVariables); ++i)
            Set(kVariables[i], m_saved[i] ? m_saved[i]->constData() : nullptr);
    }
    static void Set(const char *variable, const char *value)
    {
        if (value)
            qputenv(variable, value);
        else
            qunsetenv(variable);
    }
    static constexpr const char *kVariables[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    std::vector<std::optional<QByteArray>> m_saved;
};

TEST_P(SystemLanguageTest, FirstSetVariableDecides)
{
    const EnvironmentCase &c = GetParam();
    Set("LC_ALL", c.lcAll);
    Set("LC_MESSAGES", c.lcMessages);
    Set("LANG", c.lang);
    EXPECT_EQ(SystemDefaultLanguageId(), c.expected);

    // With no "language" value the interface follows it (Korean system -> Korean).
    QTemporaryDir dir(ScratchRoot() + QStringLiteral("/language-XXXXXX"));
    CSettingsStore store(dir.path() + QStringLiteral("/user"), dir.path() + QStringLiteral("/m"));
    EXPECT_EQ(ResolveUiLanguage(store, SystemDefaultLanguageId()), MapUiLanguage(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Environment, SystemLanguageTest,
    ::testing::Values(
        EnvironmentCase{"lc_all_first", "ru_RU.UTF-8", "ja_JP.UTF-8", "ko_KR.UTF-8", 1049},
        EnvironmentCase{"empty_lc_all_skipped", "", "ja_JP.UTF-8", "ko_KR.UTF-8", 1041},
        EnvironmentCase{"lc_messages_before_lang", nullptr, "en_GB.UTF-8", "ko_KR.UTF-8", 2057},
        EnvironmentCase{"lang_last", nullptr, nullptr, "ko_KR.UTF-8", 1042},
        EnvironmentCase{"nothing_set", nullptr, nullptr, nullptr, 1033}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
