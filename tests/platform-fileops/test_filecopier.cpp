// The copy engine on real files: whole copies or nothing, the overwrite answers, a full disk,
// a pulled card, a vanished folder and Cancel.
#include "platform/FileCopier.h"

#include "tests/platform-common/ScratchMount.h"
#include "tests/platform-common/TestFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <map>
#include <string>
#include <utility>

using namespace test_files;

namespace
{
QString ScratchTemplate()
{
    return qEnvironmentVariable("QUORVIL_TEST_TMP", QDir::tempPath()) +
           QStringLiteral("/filecopier-XXXXXX");
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// Fails one read, write or flush with an errno (once: like a fault that hits one file), or
// runs a hook before each write.
class FaultyIo : public FileCopyIo
{
public:
    std::int64_t Read(int fd, void *buffer, std::size_t size) override
    {
        if (failReadAfter >= 0 && readSoFar >= failReadAfter) {
            failReadAfter = -1;
            errno = readError;
            return -1;
        }
        const std::int64_t got = FileCopyIo::Read(fd, buffer, size);
        if (got > 0)
            readSoFar += got;
        return got;
    }
    std::int64_t ReadBack(int fd, void *buffer, std::size_t size) override
    {
        if (std::exchange(refuseDirectRead, false)) {
            errno = EINVAL;
            return -1;
        }
        const std::int64_t got = FileCopyIo::ReadBack(fd, buffer, size);
        if (got > 0 && std::exchange(corruptReadBack, false))
            static_cast<char *>(buffer)[got / 2] ^= 0x10; // one bit the disk got wrong
        return got;
    }
    std::int64_t Write(int fd, const void *buffer, std::size_t size) override
    {
        const bool direct = (::fcntl(fd, F_GETFL) & O_DIRECT) != 0;
        if (direct && noDirectWrite) {
            errno = EINVAL;
            return -1;
        }
        if (!MayWrite(size))
            return -1;
        const std::int64_t done = FileCopyIo::Write(fd, buffer, size);
        if (done > 0) {
            writtenSoFar += done;
            (direct ? writtenDirect : writtenCached) += done;
        }
        return done;
    }
    std::int64_t CopyRange(int in, std::uint64_t inOffset, int out, std::uint64_t outOffset,
                           std::size_t size) override
    {
        if (noCopyRange) {
            errno = EXDEV;
            return -1;
        }
        if (!MayWrite(size))
            return -1;
        const std::int64_t done = FileCopyIo::CopyRange(in, inOffset, out, outOffset, size);
        if (done > 0) {
            writtenSoFar += done;
            copiedInKernel += done;
        }
        return done;
    }
    int Sync(int fd) override
    {
        if (syncError != 0) {
            errno = std::exchange(syncError, 0);
            return -1;
        }
        return FileCopyIo::Sync(fd);
    }

    std::int64_t failReadAfter = -1; // source bytes
    int readError = EIO;
    std::int64_t failWriteAfter = -1; // target bytes
    int writeError = ENOSPC;
    int syncError = 0;
    std::function<void(std::int64_t written)> beforeWrite;
    bool noCopyRange = false; // as between file systems that cannot copy in the kernel
    // As a file system that opens files for direct writes but refuses them.
    bool noDirectWrite = false;
    // Bytes that went into copies by each way.
    std::int64_t writtenDirect = 0;
    std::int64_t writtenCached = 0;
    std::int64_t copiedInKernel = 0;
    bool corruptReadBack = false;
    bool refuseDirectRead = false; // as a file system that opens O_DIRECT but cannot read so

private:
    // Runs the hook and the write fault before bytes go into the copy.
    bool MayWrite(std::size_t size)
    {
        if (beforeWrite)
            beforeWrite(writtenSoFar);
        if (failWriteAfter >= 0 &&
            writtenSoFar + static_cast<std::int64_t>(size) > failWriteAfter) {
            failWriteAfter = -1;
            errno = writeError;
            return false;
        }
        return true;
    }

    std::int64_t readSoFar = 0;
    std::int64_t writtenSoFar = 0;
};

class FileCopierTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_source = m_dir.filePath(QStringLiteral("card"));
        m_target = m_dir.filePath(QStringLiteral("pc"));
        ASSERT_TRUE(QDir().mkpath(m_source));
        ASSERT_TRUE(QDir().mkpath(m_target));
    }

    // A source file of `size` random bytes; its path.
    QString Source(const QString &name, qint64 size, quint32 seed = 1)
    {
        const QString path = m_source + u'/' + name;
        WriteFile(path, RandomBytes(size, seed));
        return path;
    }

    std::vector<FileCopyResult> Run(const std::vector<FileCopyJob> &jobs,
                                    std::shared_ptr<FileCopyIo> io = nullptr)
    {
        FileCopier copier(std::move(io));
        FileCopier::Callbacks callbacks;
        callbacks.askOverwrite = [this](const QString &target) {
            m_asked.push_back(QFileInfo(target).fileName());
            if (m_answers.empty())
                return OverwriteAnswer::Cancel;
            const OverwriteAnswer answer = m_answers.front();
            m_answers.erase(m_answers.begin());
            return answer;
        };
        callbacks.reportFailure = [this](const QString &message) { m_failures << message; };
        return copier.Run(jobs, callbacks, m_progress, m_cancel);
    }

    QTemporaryDir m_dir{ScratchTemplate()};
    QString m_source;
    QString m_target;
    FileCopyProgress m_progress;
    std::atomic<bool> m_cancel{false};
    std::vector<OverwriteAnswer> m_answers;
    QStringList m_asked;
    QStringList m_failures;
};

// ------------------------------------------------------------------------------ whole copies

// The ways bytes get into a copy, each taken when the one before is not possible.
enum class Way { Direct, InKernel, Writing };

// Whether `folder`'s file system takes direct writes.
bool TakesDirectWrites(const QString &folder)
{
    const QByteArray path = QFile::encodeName(folder + QStringLiteral("/.direct-probe"));
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_DIRECT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    void *block = std::aligned_alloc(4096, 4096);
    std::memset(block, 0, 4096);
    const bool written = ::write(fd, block, 4096) == 4096;
    std::free(block);
    ::close(fd);
    ::unlink(path.constData());
    return written;
}

// Sizes around the buffer and around a block, by each way.
using SizeCase = std::tuple<qint64, Way>;

std::string SizeCaseName(const ::testing::TestParamInfo<SizeCase> &info)
{
    static const char *const ways[] = {"direct", "in_kernel", "writing"};
    return std::to_string(std::get<0>(info.param)) + '_' +
           ways[static_cast<int>(std::get<1>(info.param))];
}

class FileCopierSizeTest : public FileCopierTest, public ::testing::WithParamInterface<SizeCase>
{
};

TEST_P(FileCopierSizeTest, CopiesByteForByteWithTheRecordingsTime)
{
    const auto [size, way] = GetParam();
    if (way == Way::Direct && !TakesDirectWrites(m_target))
        GTEST_SKIP() << "the test folder's file system takes no direct writes";
    const QString source = Source(QStringLiteral("20140721_101500_NOR_F.AVI"), size);
    const QDateTime recorded(QDate(2014, 7, 21), QTime(10, 15, 0));
    {
        QFile file(source);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(recorded, QFileDevice::FileModificationTime));
    }
    const QString target = m_target + QStringLiteral("/20140721_101500_NOR_F.AVI");

    auto io = std::make_shared<FaultyIo>();
    io->noDirectWrite = way != Way::Direct;
    io->noCopyRange = way == Way::Writing;
    const auto results = Run({{source, target}}, io);

    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].outcome, FileCopyOutcome::Copied) << results[0].error.toStdString();
    EXPECT_EQ(ReadFile(target), ReadFile(source));
    EXPECT_EQ(QFileInfo(target).lastModified(), recorded);
    EXPECT_EQ(Entries(m_target), QStringList{QStringLiteral("20140721_101500_NOR_F.AVI")});
    const FileCopyStatus status = m_progress.Snapshot();
    EXPECT_EQ(status.bytesDone, static_cast<std::uint64_t>(size));
    EXPECT_EQ(status.bytesTotal, static_cast<std::uint64_t>(size));
    EXPECT_TRUE(m_failures.isEmpty());
    // The way asked for carried the bytes; a direct copy's end past its last whole block is
    // copied in the kernel.
    const qint64 blocks = size / 4096 * 4096;
    switch (way) {
    case Way::Direct:
        EXPECT_EQ(io->writtenDirect, blocks);
        EXPECT_EQ(io->copiedInKernel, size - blocks);
        EXPECT_EQ(io->writtenCached, 0);
        break;
    case Way::InKernel:
        EXPECT_EQ(io->copiedInKernel, size);
        EXPECT_EQ(io->writtenDirect + io->writtenCached, 0);
        break;
    case Way::Writing:
        EXPECT_EQ(io->writtenCached, size);
        EXPECT_EQ(io->writtenDirect + io->copiedInKernel, 0);
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, FileCopierSizeTest,
    ::testing::Combine(::testing::Values(0, 1, 4096, 4097, FileCopier::kBufferSize - 1,
                                         FileCopier::kBufferSize, FileCopier::kBufferSize + 1,
                                         3 * FileCopier::kBufferSize + 17),
                       ::testing::Values(Way::Direct, Way::InKernel, Way::Writing)),
    SizeCaseName);

TEST_F(FileCopierTest, ChecksThroughTheCacheWithoutDirectReads)
{
    const QString source = Source(QStringLiteral("evt.AVI"), 2 * FileCopier::kBufferSize + 9);
    auto io = std::make_shared<FaultyIo>();
    io->refuseDirectRead = true;
    const auto results = Run({{source, m_target + QStringLiteral("/evt.AVI")}}, io);
    EXPECT_EQ(results[0].outcome, FileCopyOutcome::Copied) << results[0].error.toStdString();
    EXPECT_EQ(ReadFile(m_target + QStringLiteral("/evt.AVI")), ReadFile(source));
}

TEST_F(FileCopierTest, OddNamesCopyToo)
{
    const QString name = QStringLiteral("20140721_110000_NOR_F über alles 'x'.MP4");
    const QString source = Source(name, 5000);
    const auto results = Run({{source, m_target + u'/' + name}});
    EXPECT_EQ(results[0].outcome, FileCopyOutcome::Copied);
    EXPECT_EQ(ReadFile(m_target + u'/' + name), ReadFile(source));
}

// ------------------------------------------------------------------------------- overwrite

struct OverwriteCase {
    const char *name;
    std::vector<OverwriteAnswer> answers;
    std::vector<FileCopyOutcome> outcomes; // for a, b, c, where a and b exist already
    int questions;
};

class FileCopierOverwriteTest : public FileCopierTest,
                                public ::testing::WithParamInterface<OverwriteCase>
{
};

TEST_P(FileCopierOverwriteTest, AnswersAreHonoured)
{
    const OverwriteCase &c = GetParam();
    std::vector<FileCopyJob> jobs;
    std::map<QString, QByteArray> before;
    for (const QString &name :
         {QStringLiteral("a.AVI"), QStringLiteral("b.AVI"), QStringLiteral("c.AVI")}) {
        jobs.push_back({Source(name, 10000, name.at(0).unicode()), m_target + u'/' + name});
        if (name != QStringLiteral("c.AVI")) {
            WriteFile(jobs.back().target, QByteArray("old ") + name.toLatin1());
            before[name] = ReadFile(jobs.back().target);
        }
    }
    m_answers = c.answers;

    const auto results = Run(jobs);

    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(m_asked.size(), c.questions);
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        EXPECT_EQ(results[i].outcome, c.outcomes[i]) << "job " << i;
        const QString name = QFileInfo(jobs[i].target).fileName();
        const QByteArray now = ReadFile(jobs[i].target);
        if (c.outcomes[i] == FileCopyOutcome::Copied)
            EXPECT_EQ(now, ReadFile(jobs[i].source)) << "job " << i;
        else if (before.count(name))
            EXPECT_EQ(now, before[name]) << "job " << i << " must stay untouched";
        else
            EXPECT_FALSE(QFile::exists(jobs[i].target)) << "job " << i;
    }
    EXPECT_FALSE(Entries(m_target).join(u' ').contains(QStringLiteral(".copying-")));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, FileCopierOverwriteTest,
    ::testing::Values(
        OverwriteCase{"overwrite_each",
                      {OverwriteAnswer::Overwrite, OverwriteAnswer::Overwrite},
                      {FileCopyOutcome::Copied, FileCopyOutcome::Copied, FileCopyOutcome::Copied},
                      2},
        OverwriteCase{"skip_then_overwrite",
                      {OverwriteAnswer::Skip, OverwriteAnswer::Overwrite},
                      {FileCopyOutcome::Skipped, FileCopyOutcome::Copied, FileCopyOutcome::Copied},
                      2},
        OverwriteCase{"overwrite_all_asks_once",
                      {OverwriteAnswer::OverwriteAll},
                      {FileCopyOutcome::Copied, FileCopyOutcome::Copied, FileCopyOutcome::Copied},
                      1},
        OverwriteCase{
            "cancel_stops_the_rest",
            {OverwriteAnswer::Cancel},
            {FileCopyOutcome::Cancelled, FileCopyOutcome::Cancelled, FileCopyOutcome::Cancelled},
            1},
        OverwriteCase{"no_answer_keeps_the_file",
                      {OverwriteAnswer::None, OverwriteAnswer::Skip},
                      {FileCopyOutcome::Skipped, FileCopyOutcome::Skipped, FileCopyOutcome::Copied},
                      2}),
    [](const ::testing::TestParamInfo<OverwriteCase> &info) { return info.param.name; });

// ------------------------------------------------------------------------------------ faults

// A real disk that fills up: the copy fails with a message, nothing is left behind and the
// file already there under that name is untouched, and the next (smaller) file still copies.
TEST_F(FileCopierTest, FullDiskLeavesNothingBehind)
{
    ScratchMount disk(ScratchMount::Kind::SizeLimited, QStringLiteral("2m"));
    if (!disk.IsMounted())
        GTEST_SKIP() << disk.Why().toStdString();
    WriteFile(disk.Path() + QStringLiteral("/big.AVI"), "old");
    const QString big = Source(QStringLiteral("big.AVI"), 3 << 20);
    const QString small = Source(QStringLiteral("small.AVI"), 100000, 7);
    m_answers = {OverwriteAnswer::Overwrite};

    const auto results = Run({{big, disk.Path() + QStringLiteral("/big.AVI")},
                              {small, disk.Path() + QStringLiteral("/small.AVI")}});

    EXPECT_EQ(results[0].outcome, FileCopyOutcome::Failed);
    EXPECT_TRUE(results[0].error.contains(QStringLiteral("big.AVI")));
    EXPECT_TRUE(results[0].error.contains(QStringLiteral("not enough free space")))
        << results[0].error.toStdString();
    EXPECT_EQ(m_failures, QStringList{results[0].error});
    EXPECT_EQ(ReadFile(disk.Path() + QStringLiteral("/big.AVI")), QByteArray("old"));
    EXPECT_EQ(results[1].outcome, FileCopyOutcome::Copied);
    EXPECT_EQ(Entries(disk.Path()),
              (QStringList{QStringLiteral("big.AVI"), QStringLiteral("small.AVI")}));
}

struct FaultCase {
    const char *name;
    std::function<void(FaultyIo &)> arm;
    const char *message; // part of the failure text
};

class FileCopierFaultTest : public FileCopierTest, public ::testing::WithParamInterface<FaultCase>
{
};

// Faults this machine cannot make on demand, injected at the system calls.
TEST_P(FileCopierFaultTest, FailsWithMessageAndLeavesNothingBehind)
{
    const QString source = Source(QStringLiteral("evt.AVI"), 3 * FileCopier::kBufferSize);
    const QString next = Source(QStringLiteral("next.AVI"), 1000, 3);
    const QString existing = m_target + QStringLiteral("/evt.AVI");
    WriteFile(existing, "kept");
    auto io = std::make_shared<FaultyIo>();
    GetParam().arm(*io);
    m_answers = {OverwriteAnswer::Overwrite};

    const auto results =
        Run({{source, existing}, {next, m_target + QStringLiteral("/next.AVI")}}, io);

    EXPECT_EQ(results[0].outcome, FileCopyOutcome::Failed);
    EXPECT_TRUE(results[0].error.contains(QString::fromLatin1(GetParam().message)))
        << results[0].error.toStdString();
    EXPECT_EQ(m_failures.size(), 1);
    EXPECT_EQ(ReadFile(existing), QByteArray("kept"));
    // The other files go on.
    EXPECT_EQ(results[1].outcome, FileCopyOutcome::Copied);
    EXPECT_EQ(Entries(m_target),
              (QStringList{QStringLiteral("evt.AVI"), QStringLiteral("next.AVI")}));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FileCopierFaultTest,
    ::testing::Values(
        FaultCase{"disk_full_midway",
                  [](FaultyIo &io) { io.failWriteAfter = FileCopier::kBufferSize + 5; },
                  "not enough free space"},
        FaultCase{"disk_full_midway_in_kernel",
                  [](FaultyIo &io) {
                      io.noDirectWrite = true;
                      io.failWriteAfter = FileCopier::kBufferSize + 5;
                  },
                  "not enough free space"},
        FaultCase{"disk_full_midway_writing",
                  [](FaultyIo &io) {
                      io.noDirectWrite = true;
                      io.noCopyRange = true;
                      io.failWriteAfter = FileCopier::kBufferSize + 5;
                  },
                  "not enough free space"},
        FaultCase{"card_removed_midway",
                  [](FaultyIo &io) {
                      io.failReadAfter = FileCopier::kBufferSize;
                      io.readError = EIO;
                  },
                  "was the card removed?"},
        FaultCase{"flush_fails", [](FaultyIo &io) { io.syncError = EIO; }, "could not be written"},
        FaultCase{"copy_on_disk_differs", [](FaultyIo &io) { io.corruptReadBack = true; },
                  "read back differs from the original"}),
    [](const ::testing::TestParamInfo<FaultCase> &info) { return info.param.name; });

TEST_F(FileCopierTest, SourceShrinkingMidwayIsNoCopy)
{
    const QString source = Source(QStringLiteral("evt.AVI"), 3 * FileCopier::kBufferSize);
    auto io = std::make_shared<FaultyIo>();
    io->beforeWrite = [source](std::int64_t written) {
        if (written > 0)
            QFile::resize(source, FileCopier::kBufferSize);
    };
    const auto results = Run({{source, m_target + QStringLiteral("/evt.AVI")}}, io);
    EXPECT_EQ(results[0].outcome, FileCopyOutcome::Failed);
    EXPECT_TRUE(results[0].error.contains(QStringLiteral("changed or could not be read")));
    EXPECT_EQ(Entries(m_target), QStringList{});
}

TEST_F(FileCopierTest, VanishedSourceAndFolder)
{
    const QString gone = m_source + QStringLiteral("/gone.AVI");
    const QString source = Source(QStringLiteral("here.AVI"), 1000);
    const QString noFolder = m_dir.filePath(QStringLiteral("removed/here.AVI"));

    const auto results = Run({{gone, m_target + QStringLiteral("/gone.AVI")}, {source, noFolder}});

    EXPECT_EQ(results[0].outcome, FileCopyOutcome::Failed);
    EXPECT_TRUE(results[0].error.contains(QStringLiteral("the file no longer exists")));
    EXPECT_EQ(results[1].outcome, FileCopyOutcome::Failed);
    EXPECT_TRUE(results[1].error.contains(QStringLiteral("the folder no longer exists")));
    EXPECT_EQ(m_failures.size(), 2);
}

TEST_F(FileCopierTest, ReadOnlyFolderFailsWithMessage)
{
    ReadOnlyFolder folder;
    if (!folder.IsReady())
        GTEST_SKIP() << folder.Why().toStdString();
    const QString source = Source(QStringLiteral("evt.AVI"), 1000);
    const auto results = Run({{source, folder.Path() + QStringLiteral("/evt.AVI")}});
    EXPECT_EQ(results[0].outcome, FileCopyOutcome::Failed);
    EXPECT_TRUE(results[0].error.contains(QStringLiteral("cannot be written")))
        << results[0].error.toStdString();
    EXPECT_EQ(Entries(folder.Path()), QStringList{});
}

TEST_F(FileCopierTest, CopyOntoItselfIsRefused)
{
    const QString source = Source(QStringLiteral("evt.AVI"), 1000);
    const QByteArray bytes = ReadFile(source);
    m_answers = {OverwriteAnswer::Overwrite};
    const auto results = Run({{source, source}});
    EXPECT_EQ(results[0].outcome, FileCopyOutcome::Failed);
    EXPECT_EQ(ReadFile(source), bytes);
}

// Cancel while the second of three files is being written: the first copy stays whole, no
// part of the second is left, the third is not started.
TEST_F(FileCopierTest, CancelMidwayKeepsEarlierCopies)
{
    const std::vector<FileCopyJob> jobs = {
        {Source(QStringLiteral("a.AVI"), 2 * FileCopier::kBufferSize, 1),
         m_target + QStringLiteral("/a.AVI")},
        {Source(QStringLiteral("b.AVI"), 3 * FileCopier::kBufferSize, 2),
         m_target + QStringLiteral("/b.AVI")},
        {Source(QStringLiteral("c.AVI"), 1000, 3), m_target + QStringLiteral("/c.AVI")},
    };
    auto io = std::make_shared<FaultyIo>();
    io->beforeWrite = [this](std::int64_t written) {
        if (written > static_cast<std::int64_t>(3 * FileCopier::kBufferSize))
            m_cancel.store(true);
    };

    const auto results = Run(jobs, io);

    EXPECT_EQ(results[0].outcome, FileCopyOutcome::Copied);
    EXPECT_EQ(results[1].outcome, FileCopyOutcome::Cancelled);
    EXPECT_EQ(results[2].outcome, FileCopyOutcome::Cancelled);
    EXPECT_EQ(ReadFile(jobs[0].target), ReadFile(jobs[0].source));
    EXPECT_EQ(Entries(m_target), QStringList{QStringLiteral("a.AVI")});
    EXPECT_TRUE(m_failures.isEmpty()); // Cancel is the user's own doing: no message
}
} // namespace
