#include "platform/SettingsStore.h"
#include "playback/DecoderSettings.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace
{

QString ScratchRoot()
{
    const QString root = qEnvironmentVariable("QUORVIL_TEST_TMP");
    return root.isEmpty() ? QDir::tempPath() : root;
}

const QString kKey = QStringLiteral("Software\\GNU\\ffdshow");
constexpr auto kUser = SettingsHive::CurrentUser;

struct WhitelistCase {
    const char *name;
    const char *before;
    const char *after; // nullptr: left alone
};

class WhitelistTest : public ::testing::TestWithParam<WhitelistCase>
{
};

TEST_P(WhitelistTest, NamesTheViewerOnce)
{
    const std::optional<QString> updated =
        WhitelistWithViewer(QString::fromUtf8(GetParam().before));
    if (GetParam().after) {
        ASSERT_TRUE(updated.has_value());
        EXPECT_EQ(*updated, QString::fromUtf8(GetParam().after));
    } else {
        EXPECT_FALSE(updated.has_value()) << updated->toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, WhitelistTest,
    ::testing::Values(WhitelistCase{"two_entries", "a.exe;b.exe", "a.exe;b.exe;Quorvil.exe;"},
                      WhitelistCase{"trailing_separator_folded", "a.exe;", "a.exe;Quorvil.exe;"},
                      WhitelistCase{"empty", "", ";Quorvil.exe;"},
                      WhitelistCase{"already_named", "x.exe;Quorvil.exe;y.exe", nullptr},
                      WhitelistCase{"named_inside_another_name", "myQuorvil.exe.bak", nullptr},
                      WhitelistCase{"lower_case_is_another_name", "quorvil.exe",
                                    "quorvil.exe;Quorvil.exe;"},
                      WhitelistCase{"triple_separator_one_pass", "a;;;b", "a;;b;Quorvil.exe;"},
                      WhitelistCase{"double_trailing_separator", "a.exe;;", "a.exe;;Quorvil.exe;"},
                      WhitelistCase{"only_separators", ";;;;", ";;;Quorvil.exe;"}),
    [](const auto &info) { return std::string(info.param.name); });

class DecoderSettingsTest : public ::testing::Test
{
protected:
    QTemporaryDir m_dir{ScratchRoot() + QStringLiteral("/decoder-XXXXXX")};
    CSettingsStore m_store{m_dir.path() + QStringLiteral("/user"),
                           m_dir.path() + QStringLiteral("/machine")};

    QString Whitelist() const
    {
        return m_store.GetString(kUser, kKey, QStringLiteral("whitelist")).value;
    }
};

TEST_F(DecoderSettingsTest, WithoutTheDecoderKeyNothingIsCreated)
{
    ConfigureDecoderRegistry(m_store);
    EXPECT_EQ(m_store.OpenKey(kUser, QStringLiteral("Software\\GNU")), SettingsStatus::NotFound);
    EXPECT_FALSE(QFileInfo::exists(m_dir.path() + QStringLiteral("/user")));

    ASSERT_EQ(m_store.CreateKey(kUser, QStringLiteral("Software\\GNU")), SettingsStatus::Ok);
    ConfigureDecoderRegistry(m_store);
    EXPECT_EQ(m_store.OpenKey(kUser, kKey), SettingsStatus::NotFound);
}

TEST_F(DecoderSettingsTest, WritesTheDecoderValues)
{
    // The decoder's installer may spell the key in its own case.
    ASSERT_EQ(m_store.CreateKey(kUser, QStringLiteral("SOFTWARE\\gnu\\FFDSHOW")),
              SettingsStatus::Ok);
    ASSERT_EQ(m_store.SetNumber(kUser, kKey, QStringLiteral("multipleInstances"), 1),
              SettingsStatus::Ok);
    ConfigureDecoderRegistry(m_store);
    const auto instances = m_store.GetNumber(kUser, kKey, QStringLiteral("multipleInstances"));
    const auto h264 = m_store.GetNumber(kUser, kKey, QStringLiteral("h264"));
    ASSERT_TRUE(instances.Ok());
    ASSERT_TRUE(h264.Ok());
    EXPECT_EQ(instances.value, 0u);
    EXPECT_EQ(h264.value, 1u);
    EXPECT_EQ(Whitelist(), QStringLiteral(";Quorvil.exe;"));

    // A second run (the filter check runs it again) changes nothing more.
    ConfigureDecoderRegistry(m_store);
    EXPECT_EQ(Whitelist(), QStringLiteral(";Quorvil.exe;"));
}

TEST_F(DecoderSettingsTest, ExistingWhitelistIsExtendedOrLeftAlone)
{
    ASSERT_EQ(m_store.CreateKey(kUser, kKey), SettingsStatus::Ok);
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("a.exe;b.exe"), QStringLiteral("a.exe;b.exe;Quorvil.exe;")},
        {QStringLiteral("a.exe;"), QStringLiteral("a.exe;Quorvil.exe;")},
        {QStringLiteral("b.exe;Quorvil.exe;a.exe"), QStringLiteral("b.exe;Quorvil.exe;a.exe")},
    };
    for (const auto &[before, after] : cases) {
        ASSERT_EQ(m_store.SetString(kUser, kKey, QStringLiteral("whitelist"), before),
                  SettingsStatus::Ok);
        ConfigureDecoderRegistry(m_store);
        EXPECT_EQ(Whitelist(), after) << before.toStdString();
    }
}

TEST_F(DecoderSettingsTest, LongWhitelistKeepsEveryEntry)
{
    // Far beyond a 10240-byte read: nothing of it may be lost.
    QStringList entries;
    for (int i = 0; i < 3000; ++i)
        entries << QStringLiteral("program%1.exe").arg(i, 4, 10, QLatin1Char('0'));
    const QString whitelist = entries.join(u';');
    ASSERT_GT(whitelist.size() * 2, 10240 * 4);
    ASSERT_EQ(m_store.CreateKey(kUser, kKey), SettingsStatus::Ok);
    ASSERT_EQ(m_store.SetString(kUser, kKey, QStringLiteral("whitelist"), whitelist),
              SettingsStatus::Ok);
    ConfigureDecoderRegistry(m_store);
    EXPECT_EQ(Whitelist(), whitelist + QStringLiteral(";Quorvil.exe;"));

    // Named at the very end of a long list: left alone.
    const QString named = whitelist + QStringLiteral(";Quorvil.exe");
    ASSERT_EQ(m_store.SetString(kUser, kKey, QStringLiteral("whitelist"), named),
              SettingsStatus::Ok);
    ConfigureDecoderRegistry(m_store);
    EXPECT_EQ(Whitelist(), named);
}

TEST_F(DecoderSettingsTest, WhitelistStoredAsNumberReadsAsEmpty)
{
    ASSERT_EQ(m_store.CreateKey(kUser, kKey), SettingsStatus::Ok);
    ASSERT_EQ(m_store.SetNumber(kUser, kKey, QStringLiteral("whitelist"), 7), SettingsStatus::Ok);
    ConfigureDecoderRegistry(m_store);
    EXPECT_EQ(Whitelist(), QStringLiteral(";Quorvil.exe;"));
}

TEST_F(DecoderSettingsTest, OtherHiveIsNotTouched)
{
    ASSERT_EQ(m_store.CreateKey(SettingsHive::LocalMachine, kKey), SettingsStatus::Ok);
    ConfigureDecoderRegistry(m_store);
    EXPECT_EQ(m_store.GetValue(SettingsHive::LocalMachine, kKey, QStringLiteral("h264")).status,
              SettingsStatus::NotFound);
    EXPECT_EQ(m_store.OpenKey(kUser, kKey), SettingsStatus::NotFound);
}

} // namespace
