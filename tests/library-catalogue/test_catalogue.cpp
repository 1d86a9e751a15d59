#include "library/CCatalogue.h"

#include "platform/LocalTime.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

namespace
{

QString ScratchRoot()
{
    const QString root = qEnvironmentVariable("QUORVIL_TEST_TMP");
    return root.isEmpty() ? QDir::tempPath() : root;
}

const QDateTime kMarch5 = QDateTime(QDate(2014, 3, 5), QTime(12, 0), Qt::LocalTime);

// Writes a file of the given size and last-write time.
void WriteFile(const QString &path, qint64 size, const QDateTime &lastWrite = kMarch5)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_TRUE(file.resize(size));
    ASSERT_TRUE(file.setFileTime(lastWrite, QFileDevice::FileModificationTime));
}

QStringList Names(const std::vector<CRecordingEntry> &entries)
{
    QStringList names;
    for (const CRecordingEntry &entry : entries)
        names << entry.m_strName;
    return names;
}

class CatalogueTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QDir().mkpath(Recordings() + QStringLiteral("/20140721_102000_NOR_1_F.AVI")));
        // The card: three recordings, one under 1 KiB, one empty, a text file and a
        // sub-folder holding a recording (never read).
        WriteFile(Recordings() + QStringLiteral("/20140721_101600_EVT_1_F.MP4"), 2048);
        WriteFile(Recordings() + QStringLiteral("/20140721_101500_NOR_1_F.AVI"), 1234567);
        WriteFile(Recordings() + QStringLiteral("/20140305_090000_mot_1_F.avi"), 1024);
        WriteFile(Recordings() + QStringLiteral("/20140721_101700_NOR_1_F.mp4"), 1023);
        WriteFile(Recordings() + QStringLiteral("/20140721_101800_NOR_1_F.AVI"), 0);
        WriteFile(Recordings() + QStringLiteral("/readme.txt"), 4096);
        WriteFile(Recordings() + QStringLiteral("/20140721_101900_NOR_1_F.AVI.txt"), 4096);
        WriteFile(Recordings() + QStringLiteral("/20140721_102000_NOR_1_F.AVI/inner_NOR.AVI"),
                  4096);
    }

    QString Root() const { return m_dir.path() + QStringLiteral("/card"); }
    QString Recordings() const { return Root() + QStringLiteral("/Recordings"); }

    QTemporaryDir m_dir{ScratchRoot() + QStringLiteral("/catalogue-XXXXXX")};
};

struct FilterCase {
    const char *name;
    int type;
    int dateFilter;
    QDateTime filterDate;
    QStringList expected;
};

class CatalogueFilterTest : public CatalogueTest, public ::testing::WithParamInterface<FilterCase>
{
};

TEST_P(CatalogueFilterTest, ListsTheMatchingRecordingsInNameOrder)
{
    const FilterCase &c = GetParam();
    EXPECT_EQ(Names(CCatalogue::Build(Root(), false, c.type, c.dateFilter, c.filterDate)),
              c.expected);
}

const QString kEvent = QStringLiteral("20140721_101600_EVT_1_F.MP4");
const QString kNormal = QStringLiteral("20140721_101500_NOR_1_F.AVI");
const QString kMotion = QStringLiteral("20140305_090000_mot_1_F.avi");
const QDateTime kJuly21 = QDateTime(QDate(2014, 7, 21), QTime(23, 59), Qt::LocalTime);

INSTANTIATE_TEST_SUITE_P(
    Filters, CatalogueFilterTest,
    ::testing::Values(FilterCase{"all", 1, 0, {}, {kMotion, kNormal, kEvent}},
                      FilterCase{"normal", 2, 0, {}, {kNormal}},
                      FilterCase{"event", 3, 0, {}, {kEvent}},
                      FilterCase{"motion_in_lower_case", 4, 0, {}, {kMotion}},
                      FilterCase{"unknown_type_is_all", 9, 0, {}, {kMotion, kNormal, kEvent}},
                      FilterCase{"date_july_21", 1, 1, kJuly21, {kNormal, kEvent}},
                      FilterCase{"date_and_category", 3, 1, kJuly21, {kEvent}},
                      FilterCase{"date_march_5", 1, 1, kMarch5, {kMotion}},
                      FilterCase{"date_without_recordings",
                                 1,
                                 1,
                                 QDateTime(QDate(2014, 7, 22), QTime(0, 0), Qt::LocalTime),
                                 {}},
                      FilterCase{"date_that_cannot_be_converted", 1, 1, QDateTime(), {}},
                      FilterCase{"date_flag_out_of_range", 1, 2, kJuly21, {}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(CatalogueTest, RowsCarryTheColumnFormats)
{
    const std::vector<CRecordingEntry> entries = CCatalogue::Build(Root(), false, 1, 0, {});
    ASSERT_EQ(entries.size(), 3u);
    struct Expected {
        QString name;
        const char *size;
    };
    const Expected expected[] = {{kMotion, "1"}, {kNormal, "1,205"}, {kEvent, "2"}};
    const QString seconds = QString::number(kMarch5.toSecsSinceEpoch());
    for (size_t i = 0; i < entries.size(); ++i) {
        const CRecordingEntry &entry = entries[i];
        EXPECT_EQ(entry.ColumnText(CRecordingEntry::ColumnName), expected[i].name);
        EXPECT_EQ(entry.ColumnText(CRecordingEntry::ColumnDate), QStringLiteral("14.03.05"));
        EXPECT_EQ(entry.ColumnText(CRecordingEntry::ColumnSize),
                  QString::fromUtf8(expected[i].size));
        EXPECT_EQ(entry.ColumnText(CRecordingEntry::ColumnCheck), QStringLiteral("0"));
        EXPECT_EQ(entry.ColumnText(CRecordingEntry::ColumnPath),
                  Recordings() + u'/' + expected[i].name);
        EXPECT_EQ(entry.ColumnText(CRecordingEntry::ColumnFullDate), seconds);
        EXPECT_TRUE(QFileInfo::exists(entry.m_strPath));
    }
    CRecordingEntry checked = entries.front();
    checked.m_bChecked = true;
    EXPECT_EQ(checked.ColumnText(CRecordingEntry::ColumnCheck), QStringLiteral("1"));
    EXPECT_EQ(checked.ColumnText(CRecordingEntry::ColumnCount), QString());
}

TEST_F(CatalogueTest, FolderModeReadsTheFolderItself)
{
    const QString folder = m_dir.path() + QStringLiteral("/chosen");
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/Recordings")));
    WriteFile(folder + QStringLiteral("/20140101_000000_NOR_1_F.MP4"), 4096);
    WriteFile(folder + QStringLiteral("/Recordings/20140102_000000_NOR_1_F.MP4"), 4096);
    const auto entries = CCatalogue::Build(folder, true, 1, 0, {});
    EXPECT_EQ(Names(entries), QStringList{QStringLiteral("20140101_000000_NOR_1_F.MP4")});
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].m_strPath, folder + QStringLiteral("/20140101_000000_NOR_1_F.MP4"));
    // Out of folder mode the same root is read through its Recordings folder.
    EXPECT_EQ(Names(CCatalogue::Build(folder, false, 1, 0, {})),
              QStringList{QStringLiteral("20140102_000000_NOR_1_F.MP4")});
}

TEST_F(CatalogueTest, MissingOrVanishedFoldersGiveNothing)
{
    const QString bare = m_dir.path() + QStringLiteral("/bare-card");
    ASSERT_TRUE(QDir().mkpath(bare));
    EXPECT_TRUE(CCatalogue::Build(bare, false, 1, 0, {}).empty());
    EXPECT_TRUE(CCatalogue::Build(m_dir.path() + QStringLiteral("/gone"), false, 1, 0, {}).empty());
    EXPECT_TRUE(CCatalogue::Build(m_dir.path() + QStringLiteral("/gone"), true, 1, 0, {}).empty());
    EXPECT_TRUE(CCatalogue::Build(QString(), false, 1, 0, {}).empty());
    EXPECT_TRUE(CCatalogue::Build(QString(), true, 1, 0, {}).empty());
    // A regular file in place of the folder.
    WriteFile(m_dir.path() + QStringLiteral("/file-card"), 10);
    EXPECT_TRUE(
        CCatalogue::Build(m_dir.path() + QStringLiteral("/file-card"), true, 1, 0, {}).empty());
}

TEST_F(CatalogueTest, ScanAppendsInFolderOrderAndSortsOnce)
{
    const QString folder = m_dir.path() + QStringLiteral("/order");
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const char *name :
         {"B_____________________.AVI", "A_____________________.AVI", "C_____________________.AVI"})
        WriteFile(folder + u'/' + QString::fromUtf8(name), 2048);
    QStringList appended;
    CCatalogue::ScanFolder(folder, QString(), 0, {},
                           [&](CRecordingEntry &&entry) { appended << entry.m_strName; });
    EXPECT_EQ(appended.size(), 3);
    std::vector<CRecordingEntry> entries = CCatalogue::ScanFolder(folder, QString(), 0, {});
    EXPECT_EQ(Names(entries), appended);
    CCatalogue::SortByName(entries);
    EXPECT_EQ(Names(entries), (QStringList{QStringLiteral("A_____________________.AVI"),
                                           QStringLiteral("B_____________________.AVI"),
                                           QStringLiteral("C_____________________.AVI")}));
}

TEST_F(CatalogueTest, OddNamesAreListedWithTheirExactPath)
{
    const QString folder = m_dir.path() + QStringLiteral("/odd");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QStringList names = {
        QStringLiteral("20140721 101500 NOR 1 F.AVI"),
        QString::fromUtf8("20140721_101500_NOR_블랙박스_녹화 ü.MP4"),
        QStringLiteral("20140721_101500_NOR_") + QString(200, u'x') + QStringLiteral(".MP4"),
        QStringLiteral(".20140721_101500_NOR_hidden.AVI"),
        QStringLiteral("20140721_101500_NOR_'quote\"\\.AVI"),
    };
    for (const QString &name : names)
        WriteFile(folder + u'/' + name, 4096);
    // A name that is not valid UTF-8 is passed over without disturbing the others.
    const std::string raw =
        (QFile::encodeName(folder) + "/20140721_101500_NOR_\xff\xfe.AVI").toStdString();
    std::FILE *file = std::fopen(raw.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(std::string(4096, 'x').data(), 1, 4096, file);
    std::fclose(file);

    const std::vector<CRecordingEntry> entries = CCatalogue::Build(folder, true, 1, 0, {});
    std::remove(raw.c_str()); // QTemporaryDir cannot name it either
    QStringList expected = names;
    std::sort(expected.begin(), expected.end(), CCatalogue::NameLess);
    EXPECT_EQ(Names(entries), expected);
    for (const CRecordingEntry &entry : entries) {
        QFile reopened(entry.m_strPath);
        EXPECT_TRUE(reopened.open(QIODevice::ReadOnly)) << entry.m_strPath.toStdString();
        EXPECT_EQ(reopened.size(), 4096);
    }
}

TEST_F(CatalogueTest, LinksCountAsWhatTheyPointAt)
{
    const QString folder = m_dir.path() + QStringLiteral("/links");
    const QString elsewhere = m_dir.path() + QStringLiteral("/elsewhere");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QDir().mkpath(elsewhere + QStringLiteral("/inner")));
    WriteFile(elsewhere + QStringLiteral("/big.bin"), 4096);
    WriteFile(elsewhere + QStringLiteral("/small.bin"), 100);
    const struct {
        const char *name;
        const char *target;
    } links[] = {
        {"20140721_101500_NOR_link_F.AVI", "/big.bin"},      // a recording
        {"20140721_101600_NOR_small_F.AVI", "/small.bin"},   // under 1 KiB through the link
        {"20140721_101700_NOR_folder_F.AVI", "/inner"},      // a folder
        {"20140721_101800_NOR_dangling_F.AVI", "/gone.bin"}, // nothing
    };
    for (const auto &link : links)
        ASSERT_TRUE(QFile::link(elsewhere + QString::fromLatin1(link.target),
                                folder + u'/' + QString::fromLatin1(link.name)));
    const std::vector<CRecordingEntry> entries = CCatalogue::Build(folder, true, 1, 0, {});
    ASSERT_EQ(Names(entries), QStringList{QString::fromLatin1(links[0].name)});
    EXPECT_EQ(entries[0].m_strPath, folder + u'/' + QString::fromLatin1(links[0].name));
    EXPECT_EQ(entries[0].m_strSize, QStringLiteral("4"));
    EXPECT_EQ(entries[0].m_strDate, QStringLiteral("14.03.05"));
}

struct SizeCase {
    qint64 bytes;
    const char *expected;
};

TEST(CatalogueFormats, SizeIsKiBWithThousandsSeparated)
{
    const SizeCase cases[] = {
        {1024, "1"},
        {2047, "1"},
        {1234567, "1,205"},
        {999 * 1024, "999"},
        {1000 * 1024, "1,000"},
        {999999 * 1024LL, "999,999"},
        {1000000 * 1024LL, "1,000,000"},
        {4294967295LL, "4,194,303"},
        {0, "0"},
    };
    for (const SizeCase &c : cases)
        EXPECT_EQ(CCatalogue::FormatSize(c.bytes), QString::fromUtf8(c.expected)) << c.bytes;
}

TEST(CatalogueFormats, FullDateIsTheLow32BitsSigned)
{
    const std::pair<qint64, std::int32_t> cases[] = {
        {0, 0},
        {1394017200, 1394017200},
        {0x7FFFFFFFLL, 0x7FFFFFFF},
        {0x80000000LL, INT32_MIN},
        {0xFFFFFFFFLL, -1},
        {0x100000005LL, 5},
        {-1, -1},
    };
    for (const auto &[seconds, expected] : cases)
        EXPECT_EQ(CCatalogue::FullDateSeconds(seconds), expected) << seconds;
}

TEST(CatalogueFormats, DateColumnAndDateFilterString)
{
    EXPECT_EQ(CCatalogue::FormatDate(kMarch5), QStringLiteral("14.03.05"));
    EXPECT_EQ(CCatalogue::FormatDate(QDateTime(QDate(2000, 12, 31), QTime(23, 0), Qt::LocalTime)),
              QStringLiteral("00.12.31"));
    EXPECT_EQ(CCatalogue::FormatDate(QDateTime()), QStringLiteral("00.00.00"));
    EXPECT_EQ(CCatalogue::FormatDate(kMarch5.toSecsSinceEpoch()), QStringLiteral("14.03.05"));
    EXPECT_EQ(CCatalogue::DateFilterString(kJuly21), QStringLiteral("20140721"));
    EXPECT_EQ(CCatalogue::DateFilterString(QDate(987, 1, 2)), QStringLiteral("09870102"));
    EXPECT_EQ(CCatalogue::DateFilterString(QDateTime()), QStringLiteral("00000000"));
    EXPECT_EQ(CCatalogue::DateFilterString(QDate()), QStringLiteral("00000000"));
}

// The date column converts without Qt's per-call zone reload; it must still give the date
// Qt's local time gives, in zones with whole-hour, quarter-hour and half-hour daylight rules,
// before 1970 and after 2037.
TEST(CatalogueFormats, LocalDateAgreesWithQtLocalTime)
{
    const QByteArray savedTz = qgetenv("TZ");
    const bool tzWasSet = qEnvironmentVariableIsSet("TZ");
    const char *zones[] = {
        "UTC0",
        "CET-1CEST,M3.5.0,M10.5.0/3",
        "<+0545>-5:45",
        "<+1030>-10:30<+11>-11,M10.1.0,M4.1.0",
        "EST5EDT,M3.2.0,M11.1.0",
        ":Europe/Berlin",
        ":Asia/Kathmandu",
        ":Australia/Lord_Howe",
        ":America/St_Johns",
    };
    for (const char *zone : zones) {
        if (zone[0] == ':' &&
            !QFile::exists(QStringLiteral("/usr/share/zoneinfo/") + QString::fromLatin1(zone + 1)))
            continue;
        qputenv("TZ", zone);
        // Qt re-reads the zone at its next conversion, for the C library as well.
        (void)QDateTime::fromSecsSinceEpoch(0).toLocalTime();
        // Every 15 minutes and 7 seconds over 1969 to 1971 and 2013 to 2015, and a coarser
        // sweep up to 2040: every daylight change of those years falls between two samples.
        std::vector<qint64> moments = {-1, 0, 1, 2145916799, 2145916800, 4102444800};
        for (qint64 s = -31536000; s < 31536000; s += 907)
            moments.push_back(s);
        for (qint64 s = 1356998400; s < 1420070400; s += 907)
            moments.push_back(s);
        for (qint64 s = 0; s < 2208988800; s += 86399 * 7)
            moments.push_back(s);
        int mismatches = 0;
        for (const qint64 seconds : moments) {
            const QDate qt = QDateTime::fromSecsSinceEpoch(seconds).toLocalTime().date();
            const std::optional<LocalDate> ours = LocalDateOfSeconds(seconds);
            ASSERT_TRUE(ours.has_value()) << zone << " " << seconds;
            if (ours->year != qt.year() || ours->month != qt.month() || ours->day != qt.day()) {
                if (++mismatches < 5)
                    ADD_FAILURE() << zone << " " << seconds << ": " << ours->year << "-"
                                  << ours->month << "-" << ours->day << " vs "
                                  << qt.toString(Qt::ISODate).toStdString();
            }
        }
        EXPECT_EQ(mismatches, 0) << zone;
    }
    if (tzWasSet)
        qputenv("TZ", savedTz);
    else
        qunsetenv("TZ");
    (void)QDateTime::fromSecsSinceEpoch(0).toLocalTime();
}

struct NameCase {
    const char *name;
    bool extension;
    const char *token; // category token the name matches, "" for none
};

TEST(CatalogueNames, PositionsOfTheName)
{
    const NameCase cases[] = {
        {"20140721_101500_NOR_1_F.AVI", true, "NOR"},
        {"20140721_101500_evt_1_F.mp4", true, "EVT"},
        {"20140721_101500_Mot_1_F.Mp4", true, "MOT"},
        {"20140721_101500_NOR_1_F.MOV", false, "NOR"},
        {"20140721_101500_NO", false, ""},
        {".AVI", true, ""},
        {"AVI", false, ""},
        {"", false, ""},
        {"20140721_101500_XNOR_1.AVI", true, ""},
    };
    for (const NameCase &c : cases) {
        const QString name = QString::fromUtf8(c.name);
        EXPECT_EQ(CCatalogue::HasRecordingExtension(name), c.extension) << c.name;
        for (const char *token : {"NOR", "EVT", "MOT"}) {
            EXPECT_EQ(CCatalogue::MatchesCategory(name, QString::fromUtf8(token)),
                      std::string(token) == c.token)
                << c.name << " " << token;
        }
        EXPECT_TRUE(CCatalogue::MatchesCategory(name, QString())) << c.name;
    }
}

TEST(CatalogueNames, CategoryTokensAndFolders)
{
    const std::pair<int, const char *> tokens[] = {{1, ""},    {2, "NOR"}, {3, "EVT"},
                                                   {4, "MOT"}, {0, ""},    {5, ""}};
    for (const auto &[type, token] : tokens)
        EXPECT_EQ(CCatalogue::CategoryToken(type), QString::fromUtf8(token)) << type;
    EXPECT_EQ(CCatalogue::FolderToScan(QStringLiteral("/media/card"), false),
              QStringLiteral("/media/card/Recordings"));
    EXPECT_EQ(CCatalogue::FolderToScan(QStringLiteral("/media/card/"), false),
              QStringLiteral("/media/card/Recordings"));
    EXPECT_EQ(CCatalogue::FolderToScan(QStringLiteral("/home/u/clips"), true),
              QStringLiteral("/home/u/clips"));
}

TEST(CatalogueNames, OrdinalOrderByUtf16CodeUnits)
{
    // Upper case before lower case, '_' after 'Z', and a character beyond the basic plane
    // (a surrogate pair, 0xD83D...) before U+FF21 although its code point is larger.
    const QStringList sorted = {QStringLiteral("A"),
                                QStringLiteral("B"),
                                QStringLiteral("Z"),
                                QStringLiteral("_"),
                                QStringLiteral("a"),
                                QStringLiteral("ab"),
                                QString::fromUtf8("é"),
                                QString::fromUtf8("\xF0\x9F\x98\x80"),
                                QString::fromUtf8("\xEF\xBC\xA1")};
    for (qsizetype i = 0; i + 1 < sorted.size(); ++i) {
        EXPECT_TRUE(CCatalogue::NameLess(sorted[i], sorted[i + 1])) << i;
        EXPECT_FALSE(CCatalogue::NameLess(sorted[i + 1], sorted[i])) << i;
    }
    EXPECT_FALSE(CCatalogue::NameLess(sorted[0], sorted[0]));
}

} // namespace
