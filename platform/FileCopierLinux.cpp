#include "platform/FileCopier.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QRandomGenerator>

#include <xxhash.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcFileCopy, "quorvil.platform.filecopy")

// ------------------------------------------------------------------------------------ I/O

std::int64_t FileCopyIo::Read(int fd, void *buffer, std::size_t size)
{
    return ::read(fd, buffer, size);
}

std::int64_t FileCopyIo::Write(int fd, const void *buffer, std::size_t size)
{
    return ::write(fd, buffer, size);
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
// A file descriptor that closes itself.
class UniqueFd
{
public:
    explicit UniqueFd(int fd = -1) : m_fd(fd) {}
    ~UniqueFd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    UniqueFd(const UniqueFd &) = delete;
    UniqueFd &operator=(const UniqueFd &) = delete;
    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    // close(2)'s result: a write error may first show here.
    int Close()
    {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};

// The temporary copy: removed again unless it was renamed to its name.
class TemporaryTarget
{
public:
    explicit TemporaryTarget(QByteArray path) : m_path(std::move(path)) {}
    ~TemporaryTarget()
    {
        if (!m_kept && ::unlink(m_path.constData()) != 0 && errno != ENOENT)
            qCWarning(lcFileCopy) << "could not remove" << m_path << std::strerror(errno);
    }
    TemporaryTarget(const TemporaryTarget &) = delete;
    TemporaryTarget &operator=(const TemporaryTarget &) = delete;
    const QByteArray &Path() const { return m_path; }
    void Keep() { m_kept = true; }

private:
    QByteArray m_path;
    bool m_kept = false;
};

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
    qCWarning(lcFileCopy) << message;
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

// One read, retried when interrupted.
std::int64_t ReadSome(FileCopyIo &io, int fd, char *buffer, std::size_t size)
{
    for (;;) {
        const std::int64_t got = io.Read(fd, buffer, size);
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

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

    // Copy, hashing what was read.
    std::unique_ptr<char[]> buffer(new char[kBufferSize]);
    HashState sourceHash = NewHash();
    if (!sourceHash)
        return Failure(job, Side::Target, ENOMEM);
    std::uint64_t copied = 0;
    for (;;) {
        if (cancel.load())
            return {FileCopyOutcome::Cancelled, {}};
        const std::int64_t got = ReadSome(io, source.Get(), buffer.get(), kBufferSize);
        if (got < 0)
            return Failure(job, Side::Source, errno);
        if (got == 0)
            break;
        XXH3_64bits_update(sourceHash.get(), buffer.get(), static_cast<std::size_t>(got));
        if (const int error = WriteAll(io, copy.Get(), buffer.get(), static_cast<std::size_t>(got)))
            return Failure(job, Side::Target, error);
        copied += static_cast<std::uint64_t>(got);
        progress.AddCopied(static_cast<std::uint64_t>(got));
    }
    struct stat sourceAfter {
    };
    if (::fstat(source.Get(), &sourceAfter) != 0)
        return Failure(job, Side::Source, errno);
    if (copied != size || static_cast<std::uint64_t>(sourceAfter.st_size) != size)
        return Failure(job, QStringLiteral("the file changed or could not be read completely"));

    // On the disk, with the recording's own time.
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

    // Read the copy back from the disk, not from memory, and compare.
    progress.SetVerifying(true);
    ::posix_fadvise(copy.Get(), 0, 0, POSIX_FADV_DONTNEED);
    if (::lseek(copy.Get(), 0, SEEK_SET) != 0)
        return Failure(job, Side::Target, errno);
    HashState copyHash = NewHash();
    if (!copyHash)
        return Failure(job, Side::Target, ENOMEM);
    std::uint64_t verified = 0;
    for (;;) {
        if (cancel.load())
            return {FileCopyOutcome::Cancelled, {}};
        const std::int64_t got = ReadSome(io, copy.Get(), buffer.get(), kBufferSize);
        if (got < 0)
            return Failure(job, Side::Target, errno);
        if (got == 0)
            break;
        XXH3_64bits_update(copyHash.get(), buffer.get(), static_cast<std::size_t>(got));
        verified += static_cast<std::uint64_t>(got);
        progress.AddVerified(static_cast<std::uint64_t>(got));
    }
    if (verified != size ||
        XXH3_64bits_digest(copyHash.get()) != XXH3_64bits_digest(sourceHash.get()))
        return Failure(job, QStringLiteral("the copy read back differs from the original"));
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
    qCDebug(lcFileCopy) << "copied" << job.source << "to" << job.target << size << "bytes";
    return {FileCopyOutcome::Copied, {}};
}
