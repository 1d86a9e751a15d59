#include "platform/SettingsStore.h"

#include "tests/platform-common/ScratchMount.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

namespace
{

QString ScratchRoot()
{
    const QString root = qEnvironmentVariable("QUORVIL_TEST_TMP");
    return root.isEmpty() ? QDir::tempPath() : root;
}

class SettingsStoreTest : public ::testing::Test
{
protected:
    QTemporaryDir m_dir{ScratchRoot() + QStringLiteral("/settings-XXXXXX")};
    QString UserFolder() const { return m_dir.path() + QStringLiteral("/user"); }
    QString MachineFolder() const { return m_dir.path() + QStringLiteral("/machine"); }
    CSettingsStore m_store{UserFolder(), MachineFolder()};

    static constexpr auto kUser = SettingsHive::CurrentUser;
    static constexpr auto kMachine = SettingsHive::LocalMachine;

    QStringList FilesIn(const QString &folder) const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};

const QString kDecoderKey = QStringLiteral("Software\\GNU\\ffdshow");

struct PathCase {
    const char *name;
    const char *path;
    SettingsStatus expected;
};

class KeyPathTest : public SettingsStoreTest, public ::testing::WithParamInterface<PathCase>
{
};

TEST_P(KeyPathTest, OpensKeysLikeTheRegistry)
{
    ASSERT_EQ(m_store.CreateKey(kUser, kDecoderKey), SettingsStatus::Ok);
    EXPECT_EQ(m_store.OpenKey(kUser, QString::fromUtf8(GetParam().path)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, KeyPathTest,
    ::testing::Values(
        PathCase{"same_spelling", "Software\\GNU\\ffdshow", SettingsStatus::Ok},
        PathCase{"other_case", "SOFTWARE\\gnu\\FFDSHOW", SettingsStatus::Ok},
        PathCase{"parent_created_too", "software\\Gnu", SettingsStatus::Ok},
        PathCase{"root", "", SettingsStatus::Ok},
        PathCase{"missing_child", "Software\\GNU\\ffdshow\\x", SettingsStatus::NotFound},
        PathCase{"missing_sibling", "Software\\TARN", SettingsStatus::NotFound},
        PathCase{"prefix_is_not_a_key", "Software\\GN", SettingsStatus::NotFound},
        PathCase{"empty_segment", "Software\\\\GNU", SettingsStatus::InvalidArgument},
        PathCase{"leading_backslash", "\\Software", SettingsStatus::InvalidArgument},
        PathCase{"trailing_backslash", "Software\\", SettingsStatus::InvalidArgument},
        PathCase{"slash_is_part_of_a_name", "Software/GNU", SettingsStatus::NotFound}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(SettingsStoreTest, OpeningOrWritingAMissingKeyCreatesNothing)
{
    EXPECT_EQ(m_store.OpenKey(kUser, kDecoderKey), SettingsStatus::NotFound);
    EXPECT_EQ(m_store.OpenKey(kUser, kDecoderKey, SettingsAccess::ReadWrite),
              SettingsStatus::NotFound);
    EXPECT_EQ(m_store.SetNumber(kUser, kDecoderKey, QStringLiteral("h264"), 1),
              SettingsStatus::NotFound);
    EXPECT_EQ(m_store.GetNumber(kUser, kDecoderKey, QStringLiteral("h264")).status,
              SettingsStatus::NotFound);
    EXPECT_FALSE(QFileInfo::exists(UserFolder()));
    EXPECT_EQ(m_store.OpenKey(kUser, QStringLiteral("Software")), SettingsStatus::NotFound);
}

TEST_F(SettingsStoreTest, ValuesKeepTheirTypes)
{
    ASSERT_EQ(m_store.CreateKey(kUser, kDecoderKey), SettingsStatus::Ok);
    const std::vector<std::pair<QString, SettingsValue>> values = {
        {QStringLiteral("zero"), SettingsValue(0u)},
        {QStringLiteral("max"), SettingsValue(0xFFFFFFFFu)},
        {QStringLiteral("empty"), SettingsValue(QString())},
        {QStringLiteral("text"), SettingsValue(QStringLiteral("a.exe;b.exe;"))},
        {QStringLiteral("odd"), SettingsValue(QString::fromUtf8("\"q\\u\"\n한국語 ру"))},
        {QString(), SettingsValue(QStringLiteral("default value"))},
    };
    for (const auto &[name, value] : values)
        ASSERT_EQ(m_store.SetValue(kUser, kDecoderKey, name, value), SettingsStatus::Ok)
            << name.toStdString();

    CSettingsStore reopened(UserFolder(), MachineFolder());
    for (const auto &[name, value] : values) {
        const auto read = reopened.GetValue(kUser, kDecoderKey, name);
        ASSERT_TRUE(read.Ok()) << name.toStdString();
        EXPECT_EQ(read.value, value) << name.toStdString();
    }
    EXPECT_EQ(reopened.GetNumber(kUser, kDecoderKey, QStringLiteral("text")).status,
              SettingsStatus::WrongType);
    EXPECT_EQ(reopened.GetString(kUser, kDecoderKey, QStringLiteral("max")).status,
              SettingsStatus::WrongType);
    EXPECT_EQ(reopened.GetNumber(kUser, kDecoderKey, QStringLiteral("MAX")).value, 0xFFFFFFFFu);
}

TEST_F(SettingsStoreTest, ValueNamesCompareWithoutCaseAndKeepTheirFirstSpelling)
{
    ASSERT_EQ(m_store.CreateKey(kUser, kDecoderKey), SettingsStatus::Ok);
    ASSERT_EQ(m_store.SetNumber(kUser, kDecoderKey, QStringLiteral("multipleInstances"), 1),
              SettingsStatus::Ok);
    ASSERT_EQ(m_store.SetString(kUser, QStringLiteral("SOFTWARE\\GNU\\FFDSHOW"),
                                QStringLiteral("MULTIPLEINSTANCES"), QStringLiteral("x")),
              SettingsStatus::Ok);
    EXPECT_EQ(m_store.GetString(kUser, kDecoderKey, QStringLiteral("multipleinstances")).value,
              QStringLiteral("x"));

    QFile file(m_store.FilePath(kUser));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("\"Software\\\\GNU\\\\ffdshow\"")) << text.constData();
    EXPECT_TRUE(text.contains("\"multipleInstances\"")) << text.constData();
    EXPECT_FALSE(text.contains("MULTIPLEINSTANCES")) << text.constData();
}

TEST_F(SettingsStoreTest, HivesAreSeparate)
{
    ASSERT_EQ(m_store.CreateKey(kMachine, QStringLiteral("SOFTWARE\\Pelmo")), SettingsStatus::Ok);
    ASSERT_EQ(m_store.SetNumber(kMachine, QStringLiteral("SOFTWARE\\Pelmo"),
                                QStringLiteral("usingKipButton"), 1),
              SettingsStatus::Ok);
    EXPECT_EQ(m_store.OpenKey(kUser, QStringLiteral("SOFTWARE\\Pelmo")), SettingsStatus::NotFound);
    EXPECT_TRUE(QFileInfo::exists(MachineFolder() + QStringLiteral("/settings.json")));
    EXPECT_FALSE(QFileInfo::exists(UserFolder()));
}

TEST_F(SettingsStoreTest, DeletingKeysAndValues)
{
    ASSERT_EQ(m_store.CreateKey(kUser, kDecoderKey), SettingsStatus::Ok);
    ASSERT_EQ(m_store.CreateKey(kUser, QStringLiteral("Software\\GNUplot")), SettingsStatus::Ok);
    ASSERT_EQ(m_store.SetNumber(kUser, kDecoderKey, QStringLiteral("h264"), 1), SettingsStatus::Ok);
    EXPECT_EQ(m_store.DeleteValue(kUser, kDecoderKey, QStringLiteral("H264")), SettingsStatus::Ok);
    EXPECT_EQ(m_store.DeleteValue(kUser, kDecoderKey, QStringLiteral("h264")),
              SettingsStatus::NotFound);
    EXPECT_EQ(m_store.DeleteKey(kUser, QStringLiteral("software\\gnu")), SettingsStatus::Ok);
    EXPECT_EQ(m_store.OpenKey(kUser, kDecoderKey), SettingsStatus::NotFound);
    EXPECT_EQ(m_store.OpenKey(kUser, QStringLiteral("Software\\GNUplot")), SettingsStatus::Ok);
    EXPECT_EQ(m_store.DeleteKey(kUser, QString()), SettingsStatus::InvalidArgument);
}

TEST_F(SettingsStoreTest, WritesLeaveNoTemporaryFiles)
{
    ASSERT_EQ(m_store.CreateKey(kUser, kDecoderKey), SettingsStatus::Ok);
    for (std::uint32_t i = 0; i < 5; ++i)
        ASSERT_EQ(m_store.SetNumber(kUser, kDecoderKey, QStringLiteral("n"), i),
                  SettingsStatus::Ok);
    EXPECT_EQ(FilesIn(UserFolder()), QStringList{QStringLiteral("settings.json")});
}

TEST_F(SettingsStoreTest, AnUnwritableHiveReportsTheFailure)
{
    // A regular file where the hive's folder should be: fails for root as well.
    QFile blocker(m_dir.path() + QStringLiteral("/blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    CSettingsStore store(blocker.fileName() + QStringLiteral("/user"),
                         blocker.fileName() + QStringLiteral("/machine"));
    EXPECT_EQ(store.CreateKey(SettingsHive::LocalMachine, QStringLiteral("SOFTWARE\\Pelmo")),
              SettingsStatus::AccessDenied);
    EXPECT_EQ(store.OpenKey(SettingsHive::LocalMachine, QString(), SettingsAccess::ReadWrite),
              SettingsStatus::AccessDenied);
    EXPECT_EQ(store.OpenKey(SettingsHive::LocalMachine, QString()), SettingsStatus::Ok);
}

struct DamageCase {
    const char *name;
    QByteArray bytes;
};

class DamagedFileTest : public SettingsStoreTest, public ::testing::WithParamInterface<DamageCase>
{
};

TEST_P(DamagedFileTest, IsKeptAsideAndTheHiveStartsEmpty)
{
    const QByteArray damaged = GetParam().bytes;
    ASSERT_TRUE(QDir().mkpath(UserFolder()));
    {
        QFile file(m_store.FilePath(kUser));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(damaged);
    }

    EXPECT_EQ(m_store.OpenKey(kUser, kDecoderKey), SettingsStatus::NotFound);
    EXPECT_EQ(m_store.OpenKey(kUser, kDecoderKey), SettingsStatus::NotFound);
    QStringList copies = FilesIn(UserFolder()).filter(QStringLiteral("settings.json.damaged-"));
    ASSERT_EQ(copies.size(), 1) << FilesIn(UserFolder()).join(u' ').toStdString();
    QFile copy(UserFolder() + u'/' + copies.front());
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), damaged);

    // The first write replaces the damaged file; its copy stays.
    ASSERT_EQ(m_store.CreateKey(kUser, kDecoderKey), SettingsStatus::Ok);
    EXPECT_EQ(m_store.OpenKey(kUser, kDecoderKey), SettingsStatus::Ok);
    QFile file(m_store.FilePath(kUser));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QJsonDocument::fromJson(file.readAll()).isObject());
    EXPECT_EQ(FilesIn(UserFolder()).filter(QStringLiteral("damaged")), copies);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedFileTest,
    ::testing::Values(
        DamageCase{"garbage", QByteArrayLiteral("\x00\xff\x13 not json")},
        DamageCase{"empty_file", QByteArray()},
        DamageCase{"truncated",
                   QByteArray(R"({"format":"quorvil-settings","version":1,"keys":[{"pa)")},
        DamageCase{"other_format", QByteArray(R"({"format":"other","version":1,"keys":[]})")},
        DamageCase{"number_out_of_range",
                   QByteArray(R"({"format":"quorvil-settings","version":1,"keys":[{"path":"A",)"
                              R"("values":[{"name":"n","type":"number","data":4294967296}]}]})")},
        DamageCase{"bad_path", QByteArray(R"({"format":"quorvil-settings","version":1,)"
                                          R"("keys":[{"path":"A\\\\B"}]})")},
        DamageCase{"duplicate_value",
                   QByteArray(R"({"format":"quorvil-settings","version":1,"keys":[{"path":"A",)"
                              R"("values":[{"name":"n","type":"string","data":"x"},)"
                              R"({"name":"N","type":"string","data":"y"}]}]})")}),
    [](const auto &info) { return std::string(info.param.name); });

QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A disk that fills up while the hive is written: a small tmpfs, filled but for `room` bytes.
struct FullDiskCase {
    const char *name;
    qint64 room;
    bool damaged; // the file on the disk cannot be parsed
};

class FullDiskTest : public ::testing::TestWithParam<FullDiskCase>
{
};

TEST_P(FullDiskTest, FailedWritesLeaveTheFileAsItWas)
{
    ScratchMount disk(ScratchMount::Kind::SizeLimited, QStringLiteral("256k"));
    if (!disk.IsMounted())
        GTEST_SKIP() << disk.Why().toStdString();
    const QString folder = disk.Path() + QStringLiteral("/user");
    CSettingsStore store(folder, disk.Path() + QStringLiteral("/machine"));
    const auto user = SettingsHive::CurrentUser;
    const QString whitelist = QStringLiteral("a.exe;b.exe;");
    ASSERT_EQ(store.CreateKey(user, kDecoderKey), SettingsStatus::Ok);
    ASSERT_EQ(store.SetString(user, kDecoderKey, QStringLiteral("whitelist"), whitelist),
              SettingsStatus::Ok);
    if (GetParam().damaged) {
        QFile file(store.FilePath(user));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(R"({"format":"quorvil-settings","version":1,"keys":[{"pa)");
    }
    const QByteArray before = ReadBytes(store.FilePath(user));
    {
        QFile filler(disk.Path() + QStringLiteral("/filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const qint64 fill = QStorageInfo(disk.Path()).bytesAvailable() - GetParam().room;
        ASSERT_EQ(filler.write(QByteArray(fill, 'x')), fill);
    }

    // More than the room left: refused, the file as it was, nothing half-written beside it. (A
    // damaged file reads as an empty hive, where the key is not found.)
    const QString big(64 * 1024, u'q');
    EXPECT_EQ(store.SetString(user, kDecoderKey, QStringLiteral("big"), big),
              GetParam().damaged ? SettingsStatus::NotFound : SettingsStatus::IoError);
    EXPECT_EQ(ReadBytes(store.FilePath(user)), before);
    if (GetParam().damaged) {
        // Not replaced while no copy of it could be kept.
        EXPECT_EQ(store.OpenKey(user, kDecoderKey), SettingsStatus::NotFound);
        EXPECT_EQ(store.CreateKey(user, kDecoderKey), SettingsStatus::IoError);
        EXPECT_EQ(ReadBytes(store.FilePath(user)), before);
    } else {
        EXPECT_EQ(store.GetString(user, kDecoderKey, QStringLiteral("whitelist")).value, whitelist);
        EXPECT_EQ(store.SetNumber(user, kDecoderKey, QStringLiteral("h264"), 1),
                  GetParam().room > 0 ? SettingsStatus::Ok : SettingsStatus::IoError);
    }
    QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    left.removeIf([](const QString &name) { return name.contains(QLatin1String(".damaged-")); });
    EXPECT_EQ(left, QStringList{QStringLiteral("settings.json")});

    // Room again: the same write goes through.
    ASSERT_TRUE(QFile::remove(disk.Path() + QStringLiteral("/filler")));
    ASSERT_EQ(store.CreateKey(user, kDecoderKey), SettingsStatus::Ok);
    EXPECT_EQ(store.SetString(user, kDecoderKey, QStringLiteral("big"), big), SettingsStatus::Ok);
    EXPECT_EQ(store.GetString(user, kDecoderKey, QStringLiteral("big")).value, big);
}

INSTANTIATE_TEST_SUITE_P(Disks, FullDiskTest,
                         ::testing::Values(FullDiskCase{"room_for_small_writes", 16 * 1024, false},
                                           FullDiskCase{"no_room_at_all", 0, false},
                                           FullDiskCase{"damaged_file_no_room", 0, true}),
                         [](const auto &info) { return std::string(info.param.name); });

// A disk the system turned read-only: everything still reads, every write is refused, the
// file stays as it was.
TEST(SettingsStoreDisk, AReadOnlyDiskKeepsItsSettingsReadable)
{
    ScratchMount disk(ScratchMount::Kind::SizeLimited, QStringLiteral("256k"));
    if (!disk.IsMounted())
        GTEST_SKIP() << disk.Why().toStdString();
    CSettingsStore store(disk.Path() + QStringLiteral("/user"),
                         disk.Path() + QStringLiteral("/machine"));
    const auto user = SettingsHive::CurrentUser;
    ASSERT_EQ(store.CreateKey(user, kDecoderKey), SettingsStatus::Ok);
    ASSERT_EQ(store.SetNumber(user, kDecoderKey, QStringLiteral("h264"), 1), SettingsStatus::Ok);
    const QByteArray before = ReadBytes(store.FilePath(user));
    ASSERT_TRUE(disk.MakeReadOnly());

    EXPECT_EQ(store.GetNumber(user, kDecoderKey, QStringLiteral("h264")).value, 1u);
    EXPECT_EQ(store.OpenKey(user, kDecoderKey), SettingsStatus::Ok);
    EXPECT_EQ(store.OpenKey(user, kDecoderKey, SettingsAccess::ReadWrite),
              SettingsStatus::AccessDenied);
    EXPECT_EQ(store.SetNumber(user, kDecoderKey, QStringLiteral("h264"), 0),
              SettingsStatus::AccessDenied);
    EXPECT_EQ(store.CreateKey(SettingsHive::LocalMachine, QStringLiteral("SOFTWARE\\Pelmo")),
              SettingsStatus::AccessDenied);
    EXPECT_EQ(ReadBytes(store.FilePath(user)), before);
}

TEST_F(SettingsStoreTest, HandWrittenFileIsRead)
{
    ASSERT_TRUE(QDir().mkpath(UserFolder()));
    QFile file(m_store.FilePath(kUser));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"format":"quorvil-settings","version":1,"keys":[
        {"path":"SOFTWARE\\TARN\\Quorvil","values":[{"name":"language","type":"string","data":"1049"}]}]})");
    file.close();
    EXPECT_EQ(
        m_store
            .GetString(kUser, QStringLiteral("software\\tarn\\quorvil"), QStringLiteral("Language"))
            .value,
        QStringLiteral("1049"));
    EXPECT_EQ(m_store.OpenKey(kUser, QStringLiteral("SOFTWARE\\TARN")), SettingsStatus::Ok);
}

TEST_F(SettingsStoreTest, ConcurrentWritersLoseNothing)
{
    ASSERT_EQ(m_store.CreateKey(kUser, kDecoderKey), SettingsStatus::Ok);
    constexpr int kWriters = 3;
    constexpr std::uint32_t kValuesEach = 20;
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([this, w] {
            // Separate objects, as separate processes would have.
            CSettingsStore store(UserFolder(), MachineFolder());
            for (std::uint32_t i = 0; i < kValuesEach; ++i)
                store.SetNumber(kUser, kDecoderKey, QStringLiteral("w%1_%2").arg(w).arg(i), i);
        });
    }
    for (std::thread &writer : writers)
        writer.join();
    for (int w = 0; w < kWriters; ++w) {
        for (std::uint32_t i = 0; i < kValuesEach; ++i) {
            const auto read =
                m_store.GetNumber(kUser, kDecoderKey, QStringLiteral("w%1_%2").arg(w).arg(i));
            EXPECT_TRUE(read.Ok() && read.value == i) << w << " " << i;
        }
    }
}

struct FolderCase {
    const char *name;
    const char *configHome; // QUORVIL_CONFIG_HOME, nullptr for unset
    const char *xdgConfigHome;
    const char *home;
    const char *expected;
};

class DefaultFolderTest : public ::testing::TestWithParam<FolderCase>
{
};

void SetOrUnset(const char *name, const char *value)
{
    if (value)
        qputenv(name, value);
    else
        qunsetenv(name);
}

TEST_P(DefaultFolderTest, CurrentUserFolderFollowsTheEnvironment)
{
    const QByteArray saved[] = {qgetenv("QUORVIL_CONFIG_HOME"), qgetenv("XDG_CONFIG_HOME"),
                                qgetenv("HOME")};
    SetOrUnset("QUORVIL_CONFIG_HOME", GetParam().configHome);
    SetOrUnset("XDG_CONFIG_HOME", GetParam().xdgConfigHome);
    SetOrUnset("HOME", GetParam().home);
    EXPECT_EQ(CSettingsStore::DefaultFolder(SettingsHive::CurrentUser),
              QString::fromUtf8(GetParam().expected));
    qputenv("QUORVIL_CONFIG_HOME", saved[0]);
    qputenv("XDG_CONFIG_HOME", saved[1]);
    qputenv("HOME", saved[2]);
}

INSTANTIATE_TEST_SUITE_P(
    Environment, DefaultFolderTest,
    ::testing::Values(FolderCase{"override", "/tmp/q", "/x", "/home/u", "/tmp/q"},
                      FolderCase{"xdg", nullptr, "/x/cfg", "/home/u", "/x/cfg/quorvil"},
                      FolderCase{"relative_xdg_ignored", nullptr, "cfg", "/home/u",
                                 "/home/u/.config/quorvil"},
                      FolderCase{"home", nullptr, nullptr, "/home/u", "/home/u/.config/quorvil"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(SettingsStoreDefaults, LocalMachineFolderFollowsTheEnvironment)
{
    const QByteArray saved = qgetenv("QUORVIL_SYSTEM_CONFIG");
    qputenv("QUORVIL_SYSTEM_CONFIG", "/tmp/machine");
    EXPECT_EQ(CSettingsStore::DefaultFolder(SettingsHive::LocalMachine),
              QStringLiteral("/tmp/machine"));
    qunsetenv("QUORVIL_SYSTEM_CONFIG");
    EXPECT_EQ(CSettingsStore::DefaultFolder(SettingsHive::LocalMachine),
              QStringLiteral("/var/lib/quorvil"));
    if (!saved.isEmpty())
        qputenv("QUORVIL_SYSTEM_CONFIG", saved);
}

} // namespace
