#include "ScratchMount.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <unistd.h>

namespace
{
QString ScratchTemplate()
{
    return qEnvironmentVariable("QUORVIL_TEST_TMP", QDir::tempPath()) +
           QStringLiteral("/scratch-mount-XXXXXX");
}

int Exec(const QString &program, const QStringList &args, QString *output = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    if (output)
        *output = QString::fromLocal8Bit(process.readAll()).trimmed();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
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
    QString options = QStringLiteral("size=") + size;
    if (kind == Kind::ReadOnly)
        options += QStringLiteral(",ro");
    QString output;
    if (Exec(QStringLiteral("mount"),
             {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"), options,
              QStringLiteral("tmpfs"), Path()},
             &output) != 0) {
        m_strWhy = QStringLiteral("this machine does not allow a tmpfs mount: ") + output;
        return;
    }
    m_bMounted = true;
}

ScratchMount::~ScratchMount()
{
    if (m_bMounted)
        Exec(QStringLiteral("umount"), {QStringLiteral("-l"), Path()});
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
