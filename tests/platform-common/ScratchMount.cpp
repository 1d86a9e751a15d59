#include "tests/platform-common/ScratchMount.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <unistd.h>

namespace
{
QString ScratchTemplate()
{
    return qEnvironmentVariable("QUORVIL_TEST_TMP", QDir::tempPath()) +
           QStringLiteral("/scratch-mount-XXXXXX");
}

} // namespace

ScratchMount::ScratchMount(Kind kind, const QString &size) : m_dir(ScratchTemplate())
{
    if (::geteuid() != 0) {
        m_strWhy = QStringLiteral("mounting a small tmpfs needs root");
        return;
    }
    if (!m_dir.isValid() || !QDir().mkpath(Path())) {
        m_strWhy = QStringLiteral("no scratch folder");
        return;
    }
    // The system call itself: a mount(8) process would fork, which ThreadSanitizer builds
    // of the tests cannot follow.
    const QByteArray options = QStringLiteral("size=%1").arg(size).toLatin1();
    const unsigned long flags = kind == Kind::ReadOnly ? MS_RDONLY : 0;
    if (::mount("tmpfs", QFile::encodeName(Path()).constData(), "tmpfs", flags,
                options.constData()) != 0) {
        m_strWhy = QStringLiteral("this machine does not allow a tmpfs mount: ") +
                   QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    m_bMounted = true;
}

bool ScratchMount::MakeReadOnly()
{
    return m_bMounted && ::mount("tmpfs", QFile::encodeName(Path()).constData(), "tmpfs",
                                 MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

ScratchMount::~ScratchMount()
{
    if (m_bMounted)
        ::umount2(QFile::encodeName(Path()).constData(), MNT_DETACH);
}

ReadOnlyFolder::ReadOnlyFolder() : m_dir(ScratchTemplate())
{
    if (::geteuid() == 0) {
        m_mount = std::make_unique<ScratchMount>(ScratchMount::Kind::ReadOnly);
        if (m_mount->IsMounted())
            m_strPath = m_mount->Path();
        else
            m_strWhy = m_mount->Why();
        return;
    }
    const QString path = m_dir.path() + QStringLiteral("/read-only");
    if (QDir().mkpath(path) &&
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner))
        m_strPath = path;
    else
        m_strWhy = QStringLiteral("no read-only folder could be made");
}

ReadOnlyFolder::~ReadOnlyFolder()
{
    if (!m_mount && !m_strPath.isEmpty())
        QFile::setPermissions(m_strPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ExeOwner);
}
