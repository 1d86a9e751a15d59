#include "platform/files/FileSplicer.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
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
    m_target.Reset(::open(QFile::encodeName(target).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!m_target.Valid()) {
        Fail("cannot write the copy");
        *error = m_error;
        return false;
    }
    return true;
}

bool FileSplicer::Write(const void *data, std::int64_t size)
{
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
    if (::lseek(m_target.Get(), position, SEEK_SET) < 0)
        return Fail("cannot write the copy");
    m_position = position;
    return true;
}

bool FileSplicer::Close(QString *error)
{
    bool ok = m_error.isEmpty();
    if (m_target.Valid() && m_target.Close() != 0)
        ok = Fail("cannot write the copy");
    if (!ok)
        *error = m_error;
    return ok;
}

} // namespace platform
