#include "library/CardInformation.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace CardInformation;

namespace
{

constexpr qint64 kMiB = 1024 * 1024;
constexpr qint64 kGiB = 1024 * kMiB;

QString TempTemplate()
{
    return qEnvironmentVariable("QUORVIL_TEST_TMP", QDir::tempPath()) + "/cardinfo-XXXXXX";
}

// Sparse files: the sizes are real, the disk stays empty.
void MakeFile(const QString &path, qint64 size)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(size));
}

void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray Le32(std::int32_t v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i) {
        b[i] = static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
    }
    return b;
}

} // namespace

TEST(SumCategoryKiB, CountsCategoriesRecursivelyByNameAndExtension)
{
    QTemporaryDir dir(TempTemplate());
    ASSERT_TRUE(dir.isValid());
    const QString rec = dir.filePath("Recordings");
    // Event: 1 GiB at the top, 1.5 GiB in a sub-folder, written as the camera names them.
    MakeFile(rec + "/20250101_120000_EVT_C2.AVI", 1 * kGiB);
    MakeFile(rec + "/2025/20250101_130000_EVT_C1.mp4", kGiB + kGiB / 2);
    // Motion: 40 MiB in all.
    MakeFile(rec + "/20250101_140000_MOT_C2.MP4", 30 * kMiB);
    MakeFile(rec + "/deep/er/20250101_150000_mot_C2.avi", 10 * kMiB);
    // Normal, with a size that is no whole KiB (truncated per file).
    MakeFile(rec + "/20250101_160000_NOR_C2.AVI", 2047);
    MakeFile(rec + "/20250101_161000_NOR_C2.AVI", 2047);
    // Not counted: wrong extension, too short a name, the token elsewhere in the name.
    MakeFile(rec + "/20250101_170000_EVT_C2.txt", 5 * kMiB);
    MakeFile(rec + "/EVT.AVI", 5 * kMiB);
    MakeFile(rec + "/EVT_20250101_180000_C2.AVI", 5 * kMiB);
    // A link back up the tree must not be walked round and round.
    ASSERT_TRUE(QFile::link(rec, rec + "/2025/loop"));

    EXPECT_EQ(SumCategoryKiB(rec, "EVT"), (kGiB + kGiB + kGiB / 2) >> 10);
    EXPECT_EQ(SumCategoryKiB(rec, "MOT"), (40 * kMiB) >> 10);
    EXPECT_EQ(SumCategoryKiB(rec, "NOR"), 2);
    EXPECT_EQ(FormatCapacity(SumCategoryKiB(rec, "EVT") / 1024.0), "2.5 GB");
    EXPECT_EQ(FormatCapacity(SumCategoryKiB(rec, "MOT") / 1024.0), "0.0 GB");
}

TEST(SumCategoryKiB, MissingFolderIsZero)
{
    EXPECT_EQ(SumCategoryKiB("/nonexistent/quorvil/Recordings", "EVT"), 0);
}

TEST(FormatCapacity, SinglePrecisionGigabytes)
{
    const double totalMiB = double(34359738368ull >> 20); // a 32 GiB card
    EXPECT_EQ(FormatCapacity(totalMiB), "32.0 GB");
    EXPECT_EQ(FormatCapacity(0.0), "0.0 GB");
    EXPECT_EQ(FormatCapacity(1536.0), "1.5 GB");
    EXPECT_EQ(FormatCapacity(double(15931539456ull >> 20)), "14.8 GB");
}

struct FirmwareCase {
    const char *name;
    QByteArray bytes;
    const char *expected;
};

class FirmwareVersion : public ::testing::TestWithParam<FirmwareCase>
{
};

TEST_P(FirmwareVersion, FromFileBytes)
{
    QTemporaryDir dir(TempTemplate());
    ASSERT_TRUE(dir.isValid());
    WriteBytes(dir.filePath("Configs/km7_sysenv.cfg"), GetParam().bytes);
    EXPECT_EQ(ReadFirmwareVersion(dir.path()), QString(GetParam().expected));
    EXPECT_EQ(FirmwareVersionFromBytes(GetParam().bytes), QString(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FirmwareVersion,
    ::testing::Values(
        FirmwareCase{"one_point_023", QByteArray(8, 'x') + Le32(1) + Le32(23), "1.023"},
        FirmwareCase{"twelve_bytes", QByteArray(8, 'x') + Le32(2), "2.000"},
        FirmwareCase{"longer_file", QByteArray(8, '\0') + Le32(3) + Le32(7) + "tail", "3.007"},
        FirmwareCase{"ten_bytes", QByteArray(8, '\0') + QByteArray("\x05\x01", 2), "261.000"},
        FirmwareCase{"one_byte", QByteArray(1, 'x'), "0.000"},
        FirmwareCase{"empty", QByteArray(), ""},
        FirmwareCase{"negative", QByteArray(8, '\0') + Le32(-1) + Le32(1000), "-1.1000"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(FirmwareVersionFile, MissingFileGivesEmptyAndNamesMatchWithoutCase)
{
    QTemporaryDir dir(TempTemplate());
    ASSERT_TRUE(dir.isValid());
    EXPECT_EQ(ReadFirmwareVersion(dir.path()), "");
    WriteBytes(dir.filePath("CONFIGS/KM7_SYSENV.CFG"), QByteArray(8, '\0') + Le32(4) + Le32(5));
    EXPECT_EQ(ReadFirmwareVersion(dir.path()), "4.005");
    EXPECT_EQ(PathOnCard(dir.path() + "/", "Configs/km7_sysenv.cfg"),
              dir.filePath("CONFIGS/KM7_SYSENV.CFG"));
}
