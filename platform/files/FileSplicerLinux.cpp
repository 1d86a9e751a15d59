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
    loff_t in = offset, out = offset;
    bool copyRange = true;
    std::vector<char> buffer;
    for (;;) {
        const std::int64_t left = m_aheadEnd.load() - in;
        if (left <= 0 || stop.stop_requested())
            break;
        const auto piece = static_cast<std::size_t>(std::min(left, kPiece));
        ssize_t n = 0;
        if (copyRange) {
            n = ::copy_file_range(m_source.Get(), &in, m_target.Get(), &out, piece, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) { // not between these file systems: read and write
                copyRange = false;
                continue;
            }
        } else {
            buffer.resize(piece);
            n = ::pread(m_source.Get(), buffer.data(), piece, in);
            if (n < 0 && errno == EINTR)
                continue;
            for (ssize_t written = 0; n > 0 && written < n;) {
                const ssize_t w = ::pwrite(m_target.Get(), buffer.data() + written,
                                           static_cast<std::size_t>(n - written), out + written);
                if (w < 0 && errno == EINTR)
                    continue;
                if (w <= 0)
                    n = written; // what did land still counts
                else
                    written += w;
            }
            in += n;
            out += n;
        }
        if (n <= 0)
            break; // the end of the source, or an error the caller meets again itself
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
    loff_t from = offset;
    while (m_bCopyRange && size > 0) {
        const ssize_t n = ::copy_file_range(m_source.Get(), &from, m_target.Get(), nullptr,
                                            static_cast<std::size_t>(size), 0);
        if (n < 0 && errno == EINTR)
            continue;
        // Not between these file systems, or not at all: read and write instead, and for the
        // later ranges too (a recording is copied in many small ranges).
        if (n < 0)
            m_bCopyRange = false;
        if (n <= 0)
            break;
        size -= n;
        Advance(n);
    }
    if (size > 0 && m_buffer.empty())
        m_buffer.resize(kBufferSize);
    while (size > 0) {
        const ssize_t n =
            ::pread(m_source.Get(), m_buffer.data(),
                    static_cast<std::size_t>(std::min<std::int64_t>(size, kBufferSize)), from);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Fail("cannot read the recording");
        if (!Write(m_buffer.data(), n))
            return false;
        from += n;
        size -= n;
    }
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
