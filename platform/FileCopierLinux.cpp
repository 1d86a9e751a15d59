#include "platform/FileCopier.h"

#include "platform/PlatformLogging.h"
#include "platform/UniqueFd.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <xxhash.h>

#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// ------------------------------------------------------------------------------------ I/O

std::int64_t FileCopyIo::Read(int fd, void *buffer, std::size_t size)
{
    return ::read(fd, buffer, size);
}

std::int64_t FileCopyIo::ReadBack(int fd, void *buffer, std::size_t size)
{
    return ::read(fd, buffer, size);
}

std::int64_t FileCopyIo::Write(int fd, const void *buffer, std::size_t size)
{
    return ::write(fd, buffer, size);
}

std::int64_t FileCopyIo::CopyRange(int in, std::uint64_t inOffset, int out, std::uint64_t outOffset,
                                   std::size_t size)
{
    auto from = static_cast<off_t>(inOffset);
    auto to = static_cast<off_t>(outOffset);
    return ::copy_file_range(in, &from, out, &to, size, 0);
}

int FileCopyIo::Sync(int fd)
{
    return ::fsync(fd);
}

// ------------------------------------------------------------------------------- progress

FileCopyStatus FileCopyProgress::Snapshot() const
{
    std::lock_guard lock(m_mutex);
    return m_status;
}

void FileCopyProgress::Start(int fileCount, std::uint64_t bytesTotal)
{
    std::lock_guard lock(m_mutex);
    m_status = {};
    m_status.fileCount = fileCount;
    m_status.bytesTotal = bytesTotal;
    m_status.workTotal = 2 * bytesTotal;
}

void FileCopyProgress::BeginFile(int index, const QString &fileName)
{
    std::lock_guard lock(m_mutex);
    m_status.fileIndex = index;
    m_status.fileName = fileName;
    m_status.verifying = false;
}

void FileCopyProgress::AddCopied(std::uint64_t bytes)
{
    std::lock_guard lock(m_mutex);
    m_status.bytesDone += bytes;
    m_status.workDone += bytes;
}

void FileCopyProgress::AddVerified(std::uint64_t bytes)
{
    std::lock_guard lock(m_mutex);
    m_status.workDone += bytes;
}

void FileCopyProgress::SetVerifying(bool verifying)
{
    std::lock_guard lock(m_mutex);
    m_status.verifying = verifying;
}

void FileCopyProgress::EndFile(std::uint64_t bytesDone, std::uint64_t workDone)
{
    std::lock_guard lock(m_mutex);
    m_status.bytesDone = bytesDone;
    m_status.workDone = workDone;
    m_status.verifying = false;
}

// ---------------------------------------------------------------------------------- copier

namespace
{
// The temporary copy: removed again unless it was renamed to its name.
class TemporaryTarget
{
public:
    explicit TemporaryTarget(QByteArray path) : m_path(std::move(path)) {}
    ~TemporaryTarget()
    {
        if (!m_kept && ::unlink(m_path.constData()) != 0 && errno != ENOENT)
            qCWarning(lcPlatformFileCopy) << "could not remove" << m_path << std::strerror(errno);
    }
    TemporaryTarget(const TemporaryTarget &) = delete;
    TemporaryTarget &operator=(const TemporaryTarget &) = delete;
    const QByteArray &Path() const { return m_path; }
    void Keep() { m_kept = true; }

private:
    QByteArray m_path;
    bool m_kept = false;
};

// Direct reads and writes move whole blocks from and to block-aligned memory.
constexpr std::size_t kDirectAlignment = 4096;
constexpr std::size_t kLargePage = std::size_t{2} << 20;
static_assert(FileCopier::kBufferSize % kLargePage == 0);

struct FreeDeleter {
    void operator()(char *memory) const { std::free(memory); }
};
using AlignedBuffer = std::unique_ptr<char, FreeDeleter>;

// One chunk's buffer, aligned for direct reads and writes; null when memory is short. On large
// pages where the system gives them: a direct transfer goes to the disk as one request per
// chunk then, instead of a few requests of some hundred scattered small pages each, which
// more than doubles its speed.
AlignedBuffer NewBuffer()
{
    AlignedBuffer buffer(
        static_cast<char *>(std::aligned_alloc(kLargePage, FileCopier::kBufferSize)));
    if (buffer)
        ::madvise(buffer.get(), FileCopier::kBufferSize, MADV_HUGEPAGE);
    return buffer;
}

struct HashStateDeleter {
    void operator()(XXH3_state_t *state) const { XXH3_freeState(state); }
};
using HashState = std::unique_ptr<XXH3_state_t, HashStateDeleter>;

HashState NewHash()
{
    HashState state(XXH3_createState());
    if (state)
        XXH3_64bits_reset(state.get());
    return state;
}

// Which end of the copy a system call failed on; the words for the user differ.
enum class Side { Source, Target };

QString Reason(Side side, int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return QStringLiteral("there is not enough free space on the disk");
    case ENOENT:
        return side == Side::Source ? QStringLiteral("the file no longer exists")
                                    : QStringLiteral("the folder no longer exists");
    case EACCES:
    case EPERM:
    case EROFS:
        return side == Side::Source ? QStringLiteral("the file cannot be read")
                                    : QStringLiteral("the folder cannot be written to");
    case EIO:
    case ENODEV:
    case ENXIO:
    case ESTALE:
        return side == Side::Source
                   ? QStringLiteral("the file could not be read (was the card removed?)")
                   : QStringLiteral("the copy could not be written (was the drive removed?)");
    case EEXIST:
        return QStringLiteral("a file of that name already exists");
    case ENODATA:
        return QStringLiteral("the file changed or could not be read completely");
    case EISDIR:
        return QStringLiteral("a folder of that name exists there");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

FileCopyResult Failure(const FileCopyJob &job, const QString &reason)
{
    const QFileInfo target(job.target);
    const QString message =
        QStringLiteral("\"%1\" could not be copied to \"%2\": %3.")
            .arg(QFileInfo(job.source).fileName(), target.absolutePath(), reason);
    qCWarning(lcPlatformFileCopy) << message;
    return {FileCopyOutcome::Failed, message};
}

FileCopyResult Failure(const FileCopyJob &job, Side side, int error)
{
    return Failure(job, Reason(side, error));
}

bool SameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

QByteArray TemporaryName(const QString &target)
{
    // Hidden beside the target: on the same file system, so the rename is atomic.
    const QFileInfo info(target);
    const QString suffix = QString::number(QRandomGenerator::global()->generate(), 36);
    return QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                             QStringLiteral(".copying-") + suffix);
}

// Writes all of `size` bytes, retrying short and interrupted writes; 0 or an errno.
int WriteAll(FileCopyIo &io, int fd, const char *data, std::size_t size)
{
    while (size > 0) {
        const std::int64_t written = io.Write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (written == 0)
            return EIO;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

// One read of the source, or of the copy when `back`, retried when interrupted.
std::int64_t ReadSome(FileCopyIo &io, int fd, char *buffer, std::size_t size, bool back = false)
{
    for (;;) {
        const std::int64_t got = back ? io.ReadBack(fd, buffer, size) : io.Read(fd, buffer, size);
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

// Reads the copy back behind the writer, on a thread of its own, so checking overlaps copying:
// each chunk once the writer is past it and it has been written to the disk, read past the
// page cache (O_DIRECT) where the file system allows, else after dropping it from the cache.
class BackReader
{
public:
    struct Result {
        int error = 0;
        bool cancelled = false;
        std::uint64_t bytes = 0;
        XXH64_hash_t hash = 0;
    };

    BackReader(FileCopyIo &io, const QByteArray &path, int copyFd, char *buffer,
               FileCopyProgress &progress, const std::atomic<bool> &cancel)
        : m_io(io), m_path(path), m_copyFd(copyFd), m_buffer(buffer), m_progress(progress),
          m_cancel(cancel), m_thread([this] { Run(); })
    {
    }
    ~BackReader() { Stop(); }
    BackReader(const BackReader &) = delete;
    BackReader &operator=(const BackReader &) = delete;

    // The writer has put this many bytes into the copy.
    void Written(std::uint64_t bytes)
    {
        std::lock_guard lock(m_mutex);
        m_written = bytes;
        m_changed.notify_all();
    }
    // The writer is done: `bytes` is the copy's whole size. Waits for the reader.
    Result Finish(std::uint64_t bytes)
    {
        {
            std::lock_guard lock(m_mutex);
            m_written = bytes;
            m_finished = true;
            m_changed.notify_all();
        }
        m_thread.join();
        return m_result;
    }
    // A read of the copy failed: the writer need not go on.
    bool Failed() const
    {
        std::lock_guard lock(m_mutex);
        return m_result.error != 0;
    }

private:
    void Stop()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
            m_changed.notify_all();
        }
        if (m_thread.joinable())
            m_thread.join();
    }

    // Waits until the next chunk from `offset` is complete in the copy; false when there is
    // none (the end, or stopped).
    bool WaitForChunk(std::uint64_t offset)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] {
            return m_stop || m_written >= offset + FileCopier::kBufferSize ||
                   (m_finished && m_written >= offset);
        });
        return !m_stop && !(m_finished && m_written == offset);
    }

    void SetResult(const Result &result)
    {
        std::lock_guard lock(m_mutex);
        m_result = result;
    }

    // Switches to cached reads of the copy from `offset` on; 0 or an errno.
    int UseCache(UniqueFd &fd, std::uint64_t offset)
    {
        fd.Reset(::open(m_path.constData(), O_RDONLY | O_CLOEXEC));
        if (!fd.Valid())
            return errno;
        m_bCached = true;
        return ::lseek(fd.Get(), static_cast<off_t>(offset), SEEK_SET) < 0 ? errno : 0;
    }

    void Run()
    {
        Result result;
        HashState hash = NewHash();
        UniqueFd fd(::open(m_path.constData(), O_RDONLY | O_DIRECT | O_CLOEXEC));
        if (!hash)
            result.error = ENOMEM;
        else if (!fd.Valid())
            result.error = UseCache(fd, 0);
        std::uint64_t offset = 0;
        while (result.error == 0 && WaitForChunk(offset)) {
            if (m_cancel.load()) {
                result.cancelled = true;
                break;
            }
            // The chunk onto the disk first; then read what the disk holds.
            const auto at = static_cast<off_t>(offset);
            if (::sync_file_range(m_copyFd, at, FileCopier::kBufferSize,
                                  SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                      SYNC_FILE_RANGE_WAIT_AFTER) != 0) {
                result.error = errno;
                break;
            }
            if (m_bCached)
                ::posix_fadvise(m_copyFd, at, FileCopier::kBufferSize, POSIX_FADV_DONTNEED);
            const std::int64_t got =
                ReadSome(m_io, fd.Get(), m_buffer, FileCopier::kBufferSize, true);
            if (got < 0 && errno == EINVAL && !m_bCached && offset == 0) {
                result.error = UseCache(fd, 0); // opened, but no direct reads after all
                continue;
            }
            if (got < 0) {
                result.error = errno;
                break;
            }
            if (got == 0)
                break; // shorter than written: the size check tells
            XXH3_64bits_update(hash.get(), m_buffer, static_cast<std::size_t>(got));
            offset += static_cast<std::uint64_t>(got);
            result.bytes = offset;
            m_progress.AddVerified(static_cast<std::uint64_t>(got));
        }
        if (hash)
            result.hash = XXH3_64bits_digest(hash.get());
        SetResult(result);
    }

    FileCopyIo &m_io;
    const QByteArray m_path;
    const int m_copyFd;
    char *const m_buffer; // the reader's own
    FileCopyProgress &m_progress;
    const std::atomic<bool> &m_cancel;
    bool m_bCached = false; // reader thread only

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::uint64_t m_written = 0; // guarded by m_mutex
    bool m_finished = false;     // guarded by m_mutex
    bool m_stop = false;         // guarded by m_mutex
    Result m_result;             // guarded by m_mutex; final once the thread ended
    std::thread m_thread;        // last: starts once everything above exists
};

// Puts each chunk read from the source into the copy, the fastest way the file systems allow:
// - written past the page cache (O_DIRECT) from the chunk's buffer: no copy into the cache
//   and no cache grown by the size of the files; the end of a file past its last whole block
//   goes one of the ways below;
// - else copied in the kernel from the source's cache (user-space writes are much slower on
//   some systems), with writeback started at once, so the final flush has little left to do;
// - else written from the buffer, the same way.
// Either way the readback compares against the bytes read.
class ChunkWriter
{
public:
    ChunkWriter(FileCopyIo &io, int source, int copy, const QByteArray &copyPath)
        : m_io(io), m_source(source), m_copy(copy),
          m_direct(::open(copyPath.constData(), O_WRONLY | O_DIRECT | O_CLOEXEC))
    {
    }

    // The chunk at `offset` of both files; 0 or an errno.
    int Put(std::uint64_t offset, const char *data, std::size_t size)
    {
        const std::size_t blocks = m_direct.Valid() ? size & ~(kDirectAlignment - 1) : 0;
        if (blocks > 0) {
            const int error = PutDirect(offset, data, blocks);
            if (error == 0) {
                m_bDirectWritten = true;
                offset += blocks;
                data += blocks;
                size -= blocks;
            } else if (!m_bDirectWritten && IsUnsupported(error)) {
                // Opened for direct writes, but they are refused: this chunk, and all after
                // it, the other way, over whatever part the refused write left.
                m_direct.Reset(-1);
            } else {
                return error;
            }
        }
        return size > 0 ? PutThroughCache(offset, data, size) : 0;
    }

private:
    static bool IsUnsupported(int error)
    {
        return error == EXDEV || error == EINVAL || error == EOPNOTSUPP || error == ENOSYS;
    }

    int PutDirect(std::uint64_t offset, const char *data, std::size_t size)
    {
        if (::lseek(m_direct.Get(), static_cast<off_t>(offset), SEEK_SET) < 0)
            return errno;
        return WriteAll(m_io, m_direct.Get(), data, size);
    }

    int PutThroughCache(std::uint64_t offset, const char *data, std::size_t size)
    {
        if (m_bCopyRange) {
            const int error = CopyRange(offset, size);
            if (error == 0 || !IsUnsupported(error))
                return error;
            // Nothing of this chunk was copied (an unsupported call fails at once).
            m_bCopyRange = false;
        }
        if (::lseek(m_copy, static_cast<off_t>(offset), SEEK_SET) < 0)
            return errno;
        if (const int error = WriteAll(m_io, m_copy, data, size))
            return error;
        StartWriteback(offset, size);
        return 0;
    }

    void StartWriteback(std::uint64_t offset, std::size_t size) const
    {
        ::sync_file_range(m_copy, static_cast<off_t>(offset), static_cast<off_t>(size),
                          SYNC_FILE_RANGE_WRITE);
    }

    int CopyRange(std::uint64_t offset, std::size_t size)
    {
        std::size_t done = 0;
        while (done < size) {
            const std::int64_t moved =
                m_io.CopyRange(m_source, offset + done, m_copy, offset + done, size - done);
            if (moved < 0) {
                if (errno == EINTR)
                    continue;
                // Part of the chunk already in the copy cannot fall back to writing.
                return done > 0 && IsUnsupported(errno) ? EIO : errno;
            }
            if (moved == 0)
                return ENODATA; // the source ended early: it shrank since it was read
            done += static_cast<std::size_t>(moved);
        }
        StartWriteback(offset, size);
        return 0;
    }

    FileCopyIo &m_io;
    int m_source;
    int m_copy;
    UniqueFd m_direct; // the copy opened for direct writes; invalid where they cannot be
    bool m_bDirectWritten = false;
    bool m_bCopyRange = true;
};

// Moves the finished copy to its name: never over an existing file unless `overwrite`.
int RenameIntoPlace(const QByteArray &from, const QByteArray &to, bool overwrite)
{
    if (overwrite)
        return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without the no-replace flag: check first (a small window, but it beats
    // refusing to copy to such a drive at all).
    struct stat existing {
    };
    if (::lstat(to.constData(), &existing) == 0)
        return EEXIST;
    return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}
} // namespace

FileCopier::FileCopier(std::shared_ptr<FileCopyIo> io)
    : m_io(io ? std::move(io) : std::make_shared<FileCopyIo>())
{
}

std::vector<FileCopyResult> FileCopier::Run(const std::vector<FileCopyJob> &jobs,
                                            const Callbacks &callbacks, FileCopyProgress &progress,
                                            const std::atomic<bool> &cancel)
{
    std::vector<std::uint64_t> sizes;
    std::uint64_t total = 0;
    for (const FileCopyJob &job : jobs) {
        const QFileInfo info(job.source);
        sizes.push_back(info.isFile() ? static_cast<std::uint64_t>(info.size()) : 0);
        total += sizes.back();
    }
    progress.Start(static_cast<int>(jobs.size()), total);

    std::vector<FileCopyResult> results;
    bool overwriteAll = false;
    bool cancelled = false;
    for (std::size_t index = 0; index < jobs.size(); ++index) {
        const FileCopyJob &job = jobs[index];
        progress.BeginFile(static_cast<int>(index), QFileInfo(job.target).fileName());
        const FileCopyStatus before = progress.Snapshot();
        FileCopyResult result;
        if (cancelled || cancel.load()) {
            cancelled = true;
            result.outcome = FileCopyOutcome::Cancelled;
        } else {
            bool overwrite = overwriteAll;
            struct stat existing {
            };
            const QByteArray target = QFile::encodeName(job.target);
            if (!overwrite && ::lstat(target.constData(), &existing) == 0) {
                const OverwriteAnswer answer = callbacks.askOverwrite
                                                   ? callbacks.askOverwrite(job.target)
                                                   : OverwriteAnswer::None;
                switch (answer) {
                case OverwriteAnswer::OverwriteAll:
                    overwriteAll = true;
                    [[fallthrough]];
                case OverwriteAnswer::Overwrite:
                    overwrite = true;
                    break;
                case OverwriteAnswer::Cancel:
                    cancelled = true;
                    result.outcome = FileCopyOutcome::Cancelled;
                    break;
                case OverwriteAnswer::None:
                case OverwriteAnswer::Skip:
                    result.outcome = FileCopyOutcome::Skipped;
                    break;
                }
            }
            if (result.outcome == FileCopyOutcome::None)
                result = CopyOne(job, overwrite, progress, cancel);
            if (result.outcome == FileCopyOutcome::Cancelled)
                cancelled = true;
            if (result.outcome == FileCopyOutcome::Failed && callbacks.reportFailure)
                callbacks.reportFailure(result.error);
        }
        // Whatever became of this file, the bar moves on to the next one's start.
        progress.EndFile(before.bytesDone + sizes[index], before.workDone + 2 * sizes[index]);
        results.push_back(std::move(result));
    }
    return results;
}

FileCopyResult FileCopier::CopyOne(const FileCopyJob &job, bool overwrite,
                                   FileCopyProgress &progress, const std::atomic<bool> &cancel)
{
    FileCopyIo &io = *m_io;
    const QByteArray sourcePath = QFile::encodeName(job.source);
    const QByteArray targetPath = QFile::encodeName(job.target);

    UniqueFd source(::open(sourcePath.constData(), O_RDONLY | O_CLOEXEC));
    if (!source.Valid())
        return Failure(job, Side::Source, errno);
    struct stat sourceStat {
    };
    if (::fstat(source.Get(), &sourceStat) != 0)
        return Failure(job, Side::Source, errno);
    if (!S_ISREG(sourceStat.st_mode))
        return Failure(job, QStringLiteral("it is not a file"));
    struct stat targetStat {
    };
    if (::stat(targetPath.constData(), &targetStat) == 0 && SameFile(sourceStat, targetStat))
        return Failure(job, QStringLiteral("the copy would be the file itself"));
    const auto size = static_cast<std::uint64_t>(sourceStat.st_size);

    TemporaryTarget temporary(TemporaryName(job.target));
    UniqueFd copy(
        ::open(temporary.Path().constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!copy.Valid()) {
        temporary.Keep(); // not ours to remove
        return Failure(job, Side::Target, errno);
    }
    // Claim the space first: a full disk shows before anything is copied.
    if (size > 0 &&
        ::fallocate(copy.Get(), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) != 0 &&
        errno != EOPNOTSUPP && errno != ENOSYS)
        return Failure(job, Side::Target, errno);
    ::posix_fadvise(source.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    ::posix_fadvise(source.Get(), 0, 2 * kBufferSize, POSIX_FADV_WILLNEED);

    // Copy, hashing what was read, while the copy is read back behind.
    const AlignedBuffer buffer = NewBuffer();
    const AlignedBuffer backBuffer = NewBuffer(); // aligned for the direct reads
    HashState sourceHash = NewHash();
    if (!buffer || !backBuffer || !sourceHash)
        return Failure(job, Side::Target, ENOMEM);
    ChunkWriter writer(io, source.Get(), copy.Get(), temporary.Path());
    BackReader reader(io, temporary.Path(), copy.Get(), backBuffer.get(), progress, cancel);
    std::uint64_t copied = 0;
    for (;;) {
        if (cancel.load())
            return {FileCopyOutcome::Cancelled, {}};
        if (reader.Failed())
            break; // its error is reported below
        const std::int64_t got = ReadSome(io, source.Get(), buffer.get(), kBufferSize);
        if (got < 0)
            return Failure(job, Side::Source, errno);
        if (got == 0)
            break;
        // Ask for the chunk after next now, so the disk reads ahead while this one is copied.
        ::posix_fadvise(source.Get(), static_cast<off_t>(copied + 2 * kBufferSize), kBufferSize,
                        POSIX_FADV_WILLNEED);
        XXH3_64bits_update(sourceHash.get(), buffer.get(), static_cast<std::size_t>(got));
        if (const int error = writer.Put(copied, buffer.get(), static_cast<std::size_t>(got)))
            return Failure(job, Side::Target, error);
        copied += static_cast<std::uint64_t>(got);
        progress.AddCopied(static_cast<std::uint64_t>(got));
        reader.Written(copied);
    }
    struct stat sourceAfter {
    };
    if (::fstat(source.Get(), &sourceAfter) != 0)
        return Failure(job, Side::Source, errno);

    // The rest of the check, then the whole file on the disk with the recording's own time.
    progress.SetVerifying(true);
    const BackReader::Result back = reader.Finish(copied);
    if (back.cancelled)
        return {FileCopyOutcome::Cancelled, {}};
    if (back.error != 0)
        return Failure(job, Side::Target, back.error);
    if (copied != size || static_cast<std::uint64_t>(sourceAfter.st_size) != size)
        return Failure(job, QStringLiteral("the file changed or could not be read completely"));
    if (back.bytes != size || back.hash != XXH3_64bits_digest(sourceHash.get()))
        return Failure(job, QStringLiteral("the copy read back differs from the original"));
    const struct timespec times[2] = {sourceStat.st_atim, sourceStat.st_mtim};
    ::futimens(copy.Get(), times);
    if (io.Sync(copy.Get()) != 0)
        return Failure(job, Side::Target, errno);
    struct stat copyStat {
    };
    if (::fstat(copy.Get(), &copyStat) != 0)
        return Failure(job, Side::Target, errno);
    if (static_cast<std::uint64_t>(copyStat.st_size) != size)
        return Failure(job, QStringLiteral("the copy has the wrong size"));
    if (copy.Close() != 0)
        return Failure(job, Side::Target, errno);

    if (const int error = RenameIntoPlace(temporary.Path(), targetPath, overwrite))
        return Failure(job, Side::Target, error);
    temporary.Keep();
    // The new name itself on the disk too.
    UniqueFd folder(::open(QFile::encodeName(QFileInfo(job.target).absolutePath()).constData(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Valid())
        ::fsync(folder.Get());
    qCDebug(lcPlatformFileCopy) << "copied" << job.source << "to" << job.target << size << "bytes";
    return {FileCopyOutcome::Copied, {}};
}
