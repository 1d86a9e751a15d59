#include "platform/files/FileReader.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform
{

bool FileReader::Open(const QString &path, QString *error)
{
    m_fd.Reset(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
    struct stat st = {};
    if (!m_fd.Valid() || ::fstat(m_fd.Get(), &st) != 0) {
        *error = QStringLiteral("cannot read %1: %2")
                     .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    m_size = st.st_size;
    return true;
}

std::int64_t FileReader::ReadAt(std::int64_t offset, void *buffer, std::int64_t count)
{
    auto *to = static_cast<char *>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t n =
            ::pread(m_fd.Get(), to + done, static_cast<std::size_t>(count - done), offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            m_error = QString::fromLocal8Bit(std::strerror(errno));
            return -1;
        }
        if (n == 0)
            break; // the end of the file
        done += n;
    }
    return done;
}

} // namespace platform
