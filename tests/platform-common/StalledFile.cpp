#include "tests/platform-common/StalledFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
constexpr int kPollMs = 5;
} // namespace

StalledFile::StalledFile(QString path, Kind kind, QByteArray head)
    : m_strPath(std::move(path)), m_kind(kind), m_head(std::move(head))
{
    const QByteArray native = QFile::encodeName(m_strPath);
    ::unlink(native.constData()); // a file listed before stands in its place
    if (::mkfifo(native.constData(), 0600) != 0) {
        m_strWhy = QStringLiteral("mkfifo: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    m_bReady = true;
    if (m_kind != Kind::NeverWritten)
        m_feeder = std::thread([this] { Feed(); });
}

StalledFile::~StalledFile()
{
    m_bStop = true;
    if (m_feeder.joinable())
        m_feeder.join();
    // Readers hanging in their open (no writer ever came) get one now, and the end of the file.
    for (int i = 0; i < 100 && ReleaseWaitingReader(); ++i) {
    }
    if (m_bReady)
        ::unlink(QFile::encodeName(m_strPath).constData());
}

bool StalledFile::ReleaseWaitingReader() const
{
    // Without a reader waiting this fails at once (ENXIO) instead of hanging.
    const int fd = ::open(QFile::encodeName(m_strPath).constData(), O_WRONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

// Feeder thread: serves one reader after the other. Each gets the head and then nothing more;
// when it leaves, the next one that opens gets the head again, as every read of the first
// bytes of a dying card's file succeeds and every read past them hangs. Every wait looks at
// m_bStop at least every few milliseconds.
void StalledFile::Feed()
{
    // A reader that leaves early must give the write an error, not end the process.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    const QByteArray native = QFile::encodeName(m_strPath);
    while (!m_bStop) {
        const int fd = ::open(native.constData(), O_WRONLY | O_NONBLOCK);
        if (fd < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
            continue;
        }
        qsizetype written = 0;
        bool readerLeft = false;
        while (!m_bStop && !readerLeft) {
            pollfd out{fd, POLLOUT, 0};
            if (::poll(&out, 1, kPollMs) <= 0)
                continue;
            // With no reader left the write end reports an error.
            if (out.revents & (POLLERR | POLLHUP)) {
                readerLeft = true;
            } else if (written < m_head.size()) {
                const ssize_t n =
                    ::write(fd, m_head.constData() + written, m_head.size() - written);
                if (n > 0)
                    written += n;
                else if (n < 0 && errno != EAGAIN && errno != EINTR)
                    readerLeft = true; // EPIPE
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
            }
        }
        ::close(fd); // a reader still there sees the end of the file
    }
}
