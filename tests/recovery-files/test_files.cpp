// A recording is read through FileWindow and its copy written through FileSplicer: every read
// gives the file's own bytes wherever it lands, a file that shrinks underneath reads as a failure
// instead of running off its end, and a copy made ahead of time never shows in the result unless
// it is what the result holds.

#include "platform/files/FileSplicer.h"
#include "recovery/FileWindow.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <vector>

namespace
{

QString TempRoot()
{
    return qEnvironmentVariable("QUORVIL_TEST_TMP", QDir::tempPath());
}

// Bytes that differ from their neighbours and from those a page or a window away.
std::uint8_t PatternAt(std::size_t offset, unsigned seed = 1)
{
    return static_cast<std::uint8_t>((offset * 2654435761u + seed * 40503u) >> 13);
}

QByteArray Pattern(std::size_t size, unsigned seed = 1)
{
    QByteArray bytes(static_cast<qsizetype>(size), '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[static_cast<qsizetype>(i)] = static_cast<char>(PatternAt(i, seed));
    return bytes;
}

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class FilesTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString Path(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir{TempRoot() + QStringLiteral("/recovery-files-XXXXXX")};
};

TEST_F(FilesTest, WindowReadsTheFilesOwnBytesWhereverAsked)
{
    constexpr std::size_t kSize = 3u << 20;
    const QString path = Path(QStringLiteral("recording.MP4"));
    ASSERT_TRUE(WriteFile(path, Pattern(kSize)));
    recovery::FileWindow window;
    QString error;
    ASSERT_TRUE(window.Open(path, &error)) << error.toStdString();
    ASSERT_EQ(window.Size(), kSize);

    constexpr std::size_t kMax = recovery::FileWindow::kMaxSpan;
    struct Read {
        std::size_t offset, count, expected;
    } reads[] = {
        {48, 5, 5},                                 // the first box
        {300000, 33, 33},                           // ahead, past the first read
        {299990, 64, 64},                           // back a little, across where that read began
        {1000, 1, 1},                               // far back
        {262140, 16, 16},                           // across the end of a read ahead
        {4095, kMax, kMax},                         // the most at once, from an odd offset
        {kSize - 10, 64, 10},                       // the end of the file: what there is
        {kSize - 1, 1, 1},                          // its last byte
        {kSize, 8, 0},                              // past it: nothing
        {kSize + 5000, 8, 0},                       // far past it
        {123457, 3 * kMax, kMax},                   // more than a span: a span
        {2 * kMax + 7, kMax, kSize - 2 * kMax - 7}, // a span that the end cuts
    };
    for (const Read &r : reads) {
        const recovery::Bytes got = window.At(r.offset, r.count);
        ASSERT_EQ(got.size(), r.expected) << "at " << r.offset;
        for (std::size_t i = 0; i < got.size(); ++i)
            ASSERT_EQ(got[i], PatternAt(r.offset + i)) << "at " << r.offset << " + " << i;
    }
    EXPECT_FALSE(window.Failed());
}

TEST_F(FilesTest, WindowOnAFileThatShrinksReportsItInsteadOfReadingPastItsEnd)
{
    const QString path = Path(QStringLiteral("recording.MP4"));
    ASSERT_TRUE(WriteFile(path, Pattern(2u << 20)));
    recovery::FileWindow window;
    QString error;
    ASSERT_TRUE(window.Open(path, &error));
    ASSERT_EQ(window.At(10, 4)[0], PatternAt(10));

    // The card's file goes short under the reader (a card pulled or rewritten).
    ASSERT_TRUE(QFile::resize(path, 4096));
    const recovery::Bytes got = window.At(1u << 20, 100);
    ASSERT_EQ(got.size(), 100u); // as asked: nothing reads outside it
    EXPECT_TRUE(std::all_of(got.begin(), got.end(), [](std::uint8_t b) { return b == 0; }));
    EXPECT_TRUE(window.Failed());
    EXPECT_FALSE(window.Error().isEmpty());
}

// Where the copy is written, and what it is asked to hold after the copy ahead started.
struct CopyCase {
    const char *name;
    bool otherFileSystem;    // the target on another file system: read and write, not copied
    std::int64_t headerSize; // written before the range; equal to `from`: the range lies in place
    bool copyAhead = true;
};

class SplicerTest : public FilesTest, public ::testing::WithParamInterface<CopyCase>
{
};

TEST_P(SplicerTest, TheCopyHoldsExactlyWhatWasWritten)
{
    const CopyCase c = GetParam();
    QString targetFolder = m_dir.path();
    QTemporaryDir shm(QStringLiteral("/dev/shm/quorvil-files-XXXXXX"));
    if (c.otherFileSystem) {
        if (!shm.isValid())
            GTEST_SKIP() << "no /dev/shm here";
        targetFolder = shm.path();
    }
    constexpr std::int64_t kSourceSize = 9 << 20; // more than one piece of the copy ahead
    constexpr std::int64_t kFrom = 48;
    const QByteArray source = Pattern(kSourceSize, 2);
    const QString sourcePath = Path(QStringLiteral("cut.MP4"));
    ASSERT_TRUE(WriteFile(sourcePath, source));
    const QString targetPath = QDir(targetFolder).filePath(QStringLiteral("copy.MP4"));
    ASSERT_TRUE(WriteFile(targetPath, QByteArray(20 << 20, 'x'))); // emptied by Open

    // The copy holds a header, most of the source's range behind it (not its last 100000 bytes:
    // a cut sample) and a shorter trailer; the copy ahead brings the whole range in place, so it
    // ends past where the copy does.
    const QByteArray header(static_cast<qsizetype>(c.headerSize), 'h');
    const QByteArray trailer = Pattern(70000, 3);
    const std::int64_t taken = kSourceSize - kFrom - 100000;
    platform::FileSplicer out;
    QString error;
    ASSERT_TRUE(out.Open(sourcePath, targetPath, &error)) << error.toStdString();
    if (c.copyAhead)
        out.CopyAheadInBackground(kFrom, kSourceSize - kFrom);
    ASSERT_TRUE(out.Write(header.constData(), header.size()));
    ASSERT_TRUE(out.CopyFromSource(kFrom, taken / 2));
    ASSERT_TRUE(out.CopyFromSource(kFrom + taken / 2, taken - taken / 2));
    ASSERT_TRUE(out.Write(trailer.constData(), trailer.size()));
    // A size patched in afterwards, as a muxer does.
    ASSERT_TRUE(out.Seek(0));
    ASSERT_TRUE(out.Write("SIZE", 4));
    ASSERT_TRUE(out.Close(&error)) << error.toStdString();

    QByteArray expected = header + source.mid(kFrom, taken) + trailer;
    expected.replace(0, 4, "SIZE");
    const QByteArray got = ReadFile(targetPath);
    ASSERT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected);
}

INSTANTIATE_TEST_SUITE_P(Targets, SplicerTest,
                         ::testing::Values(CopyCase{"InPlace", false, 48},
                                           CopyCase{"Shifted", false, 56},
                                           CopyCase{"InPlaceOnAnotherFileSystem", true, 48},
                                           CopyCase{"ShiftedOnAnotherFileSystem", true, 56},
                                           CopyCase{"WithoutCopyAhead", false, 48, false}),
                         [](const ::testing::TestParamInfo<CopyCase> &info) {
                             return std::string(info.param.name);
                         });

// Bytes written over part of what was copied ahead are not taken for the source's afterwards.
TEST_F(FilesTest, SplicerForgetsCopiedAheadBytesWrittenOver)
{
    const QByteArray source = Pattern(1 << 20, 5);
    const QString sourcePath = Path(QStringLiteral("cut.MP4"));
    ASSERT_TRUE(WriteFile(sourcePath, source));
    const QString targetPath = Path(QStringLiteral("copy.MP4"));
    platform::FileSplicer out;
    QString error;
    ASSERT_TRUE(out.Open(sourcePath, targetPath, &error));
    out.CopyAheadInBackground(0, source.size());
    const QByteArray other(4096, 'w');
    ASSERT_TRUE(out.Seek(100000));
    ASSERT_TRUE(out.Write(other.constData(), other.size()));
    ASSERT_TRUE(out.Seek(0));
    ASSERT_TRUE(out.CopyFromSource(0, source.size()));
    ASSERT_TRUE(out.Close(&error)) << error.toStdString();
    EXPECT_TRUE(ReadFile(targetPath) == source);
}

// Dropped mid-copy (cancelled, or a failure elsewhere): its thread is joined before the files
// close, what it wrote is the source's own bytes in place, and the source is as it was.
TEST_F(FilesTest, SplicerDroppedWhileCopyingAheadLeavesOnlyTheSourcesBytes)
{
    const QByteArray source = Pattern(64 << 20, 4);
    const QString sourcePath = Path(QStringLiteral("long.MP4"));
    const QString targetPath = Path(QStringLiteral("copy.MP4"));
    ASSERT_TRUE(WriteFile(sourcePath, source));
    {
        platform::FileSplicer out;
        QString error;
        ASSERT_TRUE(out.Open(sourcePath, targetPath, &error));
        out.CopyAheadInBackground(0, source.size());
    }
    const QByteArray copied = ReadFile(targetPath);
    ASSERT_LE(copied.size(), source.size());
    EXPECT_TRUE(copied == source.left(copied.size()));
    EXPECT_TRUE(ReadFile(sourcePath) == source);
}

} // namespace
