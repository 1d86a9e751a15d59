#include "platform/files/FileSplicer.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace platform
{
namespace
{

// Reading and writing's buffer, where the kernel cannot copy.
constexpr std::size_t kBufferSize = 1 << 20;
constexpr ssize_t kWriteFailed = -2;

// Copies a piece of the source's bytes from `from` to `to` of the target, moving neither
// descriptor's position: in the kernel while `copyRange` holds (cleared for good once the kernel
// cannot copy between these files), else read into `buffer` (made on first need) and written.
// The bytes copied, 0 at the source's end, -1 when reading failed or kWriteFailed when writing
// did (errno set).
ssize_t CopyPiece(int source, loff_t from, int target, loff_t to, std::size_t size, bool &copyRange,
                  std::vector<char> &buffer)
{
    while (copyRange) {
        const ssize_t n = ::copy_file_range(source, &from, target, &to, size, 0);
        if (n >= 0)
            return n;
        if (errno != EINTR)
            copyRange = false;
    }
    if (buffer.empty())
        buffer.resize(kBufferSize);
    size = std::min(size, buffer.size());
    ssize_t n = 0;
    do
        n = ::pread(source, buffer.data(), size, from);
    while (n < 0 && errno == EINTR);
    if (n <= 0)
        return n;
    for (ssize_t written = 0; written < n;) {
        const ssize_t w = ::pwrite(target, buffer.data() + written,
                                   static_cast<std::size_t>(n - written), to + written);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return kWriteFailed;
        written += w;
    }
    return n;
}

} // namespace

bool FileSplicer::Fail(const char *what)
{
    if (m_error.isEmpty())
        m_error = QStringLiteral("%1: %2").arg(QLatin1String(what),
                                               QString::fromLocal8Bit(std::strerror(errno)));
    return false;
}

void FileSplicer::Advance(std::int64_t bytes)
{
    m_position += bytes;
    m_size = std::max(m_size, m_position);
}

bool FileSplicer::Open(const QString &source, const QString &target, QString *error)
{
    m_source.Reset(::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC));
    if (!m_source.Valid()) {
        Fail("cannot read the recording");
        *error = m_error;
        return false;
    }
    // Emptied only when not empty already: ext4 takes the emptying of a file as the sign of a
    // rewrite and flushes all of it to the disk when it is closed, which would hold up Close().
    m_target.Reset(
        ::open(QFile::encodeName(target).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    struct stat st = {};
    if (!m_target.Valid() || ::fstat(m_target.Get(), &st) != 0 ||
        (st.st_size > 0 && ::ftruncate(m_target.Get(), 0) != 0)) {
        Fail("cannot write the copy");
        *error = m_error;
        return false;
    }
    return true;
}

void FileSplicer::CopyAheadInBackground(std::int64_t offset, std::int64_t size)
{
    FinishCopyAhead();
    m_aheadFrom = offset;
    m_aheadDone = 0;
    m_aheadEnd = offset + size;
    m_ahead =
        std::jthread([this, offset](std::stop_token stop) { CopyAhead(std::move(stop), offset); });
}

void FileSplicer::CopyAhead(std::stop_token stop, std::int64_t offset)
{
    // In pieces, so that a stop is heard soon even on a slow card.
    constexpr std::int64_t kPiece = 4 << 20;
    bool copyRange = true;
    std::vector<char> buffer;
    for (loff_t at = offset; !stop.stop_requested();) {
        const std::int64_t left = m_aheadEnd.load() - at;
        if (left <= 0)
            break;
        const ssize_t n =
            CopyPiece(m_source.Get(), at, m_target.Get(), at,
                      static_cast<std::size_t>(std::min(left, kPiece)), copyRange, buffer);
        if (n <= 0)
            break; // the end of the source, or an error the caller meets again itself
        at += n;
        m_aheadDone += n;
    }
}

void FileSplicer::FinishCopyAhead()
{
    if (m_ahead.joinable())
        m_ahead.join();
}

void FileSplicer::Overwriting(std::int64_t size)
{
    // What the copy ahead put there from here on no longer counts.
    if (size > 0 && m_position < m_aheadFrom + m_aheadDone && m_position + size > m_aheadFrom)
        m_aheadDone = std::max<std::int64_t>(0, m_position - m_aheadFrom);
}

bool FileSplicer::Write(const void *data, std::int64_t size)
{
    FinishCopyAhead();
    Overwriting(size);
    const auto *p = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t n = ::write(m_target.Get(), p, static_cast<std::size_t>(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Fail("cannot write the copy");
        p += n;
        size -= n;
        Advance(n);
    }
    return true;
}

bool FileSplicer::CopyFromSource(std::int64_t offset, std::int64_t size)
{
    FinishCopyAhead();
    if (offset == m_position && offset >= m_aheadFrom &&
        offset + size <= m_aheadFrom + m_aheadDone) {
        // Already there.
        if (::lseek(m_target.Get(), offset + size, SEEK_SET) < 0)
            return Fail("cannot write the copy");
        Advance(size);
        return true;
    }
    Overwriting(size);
    while (size > 0) {
        const ssize_t n = CopyPiece(m_source.Get(), offset, m_target.Get(), m_position,
                                    static_cast<std::size_t>(size), m_bCopyRange, m_buffer);
        if (n == kWriteFailed)
            return Fail("cannot write the copy");
        if (n <= 0)
            return Fail("cannot read the recording");
        offset += n;
        size -= n;
        Advance(n);
    }
    // The pieces went to explicit offsets: the target's own position follows.
    if (::lseek(m_target.Get(), m_position, SEEK_SET) < 0)
        return Fail("cannot write the copy");
    return true;
}

bool FileSplicer::Seek(std::int64_t position)
{
    FinishCopyAhead();
    if (::lseek(m_target.Get(), position, SEEK_SET) < 0)
        return Fail("cannot write the copy");
    m_position = position;
    return true;
}

bool FileSplicer::Close(QString *error)
{
    FinishCopyAhead();
    bool ok = m_error.isEmpty();
    // The copy ahead may have gone past where the target ends.
    struct stat st = {};
    if (ok && m_target.Valid() &&
        (::fstat(m_target.Get(), &st) != 0 ||
         (st.st_size > m_size && ::ftruncate(m_target.Get(), m_size) != 0)))
        ok = Fail("cannot write the copy");
    if (m_target.Valid() && m_target.Close() != 0)
        ok = Fail("cannot write the copy");
    if (!ok)
        *error = m_error;
    return ok;
}

} // namespace platform
