#include "LoopCard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace
{

struct Run {
    int exitCode = -1;
    QString output;
};

QString Tool(const QString &name)
{
    return QStandardPaths::findExecutable(name, {"/usr/sbin", "/sbin", "/usr/bin", "/bin"});
}

Run Exec(const QString &name, const QStringList &args)
{
    const QString program = Tool(name);
    if (program.isEmpty()) {
        return {};
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAll()).trimmed()};
}

} // namespace

LoopCard::LoopCard()
    : m_dir(qEnvironmentVariable("QUORVIL_TEST_TMP", QDir::tempPath()) + "/loop-card-XXXXXX")
{
}

LoopCard::~LoopCard()
{
    Unmount();
    if (!m_strDevice.isEmpty()) {
        Exec("losetup", {"-d", m_strDevice});
    }
    qunsetenv("QUORVIL_SYSFS");
}

bool LoopCard::Fail(const QString &why)
{
    m_strWhy = why;
    return false;
}

bool LoopCard::Attach(qint64 bytes, const QString &label)
{
    if (Exec("id", {"-u"}).output != "0") {
        return Fail("needs root to attach a loop device and mount it");
    }
    for (const char *tool : {"mkfs.exfat", "mount.exfat-fuse", "losetup", "umount"}) {
        if (Tool(tool).isEmpty()) {
            return Fail(QString("needs %1 (scripts/install-deps installs exfatprogs, exfat-fuse, "
                                "util-linux)")
                            .arg(tool));
        }
    }
    if (!QFile::exists("/dev/fuse") || !QFile::exists("/dev/loop-control")) {
        return Fail("this machine offers no /dev/fuse or no loop devices");
    }
    if (!m_dir.isValid()) {
        return Fail("no scratch folder");
    }
    const QString image = m_dir.filePath("card.img");
    {
        QFile file(image);
        if (!file.open(QIODevice::WriteOnly) || !file.resize(bytes)) {
            return Fail("cannot make the card image");
        }
    }
    if (const Run mkfs = Exec("mkfs.exfat", {"-L", label, image}); mkfs.exitCode != 0) {
        return Fail("mkfs.exfat failed (" + mkfs.output + ")");
    }
    const Run attach = Exec("losetup", {"-f", "--show", image});
    if (attach.exitCode != 0 || !attach.output.startsWith("/dev/loop")) {
        return Fail("no loop device could be attached (" + attach.output + ")");
    }
    m_strDevice = attach.output;
    m_strKernelName = QFileInfo(m_strDevice).fileName();

    QFile devFile("/sys/class/block/" + m_strKernelName + "/dev");
    if (!devFile.open(QIODevice::ReadOnly)) {
        return Fail("the loop device has no device number in /sys");
    }
    const QString devno = QString::fromLatin1(devFile.readAll()).trimmed(); // "7:0"
    const QString sysfs = m_dir.filePath("sys");
    const QString devicePath = sysfs + "/devices/virtual/block/" + m_strKernelName;
    QFile removable(devicePath + "/removable");
    if (!QDir().mkpath(devicePath) || !QDir().mkpath(sysfs + "/dev/block") ||
        !removable.open(QIODevice::WriteOnly) || removable.write("1\n") != 2 ||
        !QFile::link("../../devices/virtual/block/" + m_strKernelName,
                     sysfs + "/dev/block/" + devno)) {
        return Fail("cannot build the sysfs tree");
    }
    removable.close();
    qputenv("QUORVIL_SYSFS", QFile::encodeName(sysfs));
    QDir().mkpath(MountPoint());
    return true;
}

bool LoopCard::Mount()
{
    const Run mount = Exec("mount.exfat-fuse", {m_strDevice, MountPoint()});
    if (mount.exitCode != 0) {
        return Fail("exfat-fuse could not mount here (" + mount.output + ")");
    }
    m_bMounted = true;
    return true;
}

bool LoopCard::Unmount()
{
    if (!m_bMounted) {
        return false;
    }
    m_bMounted = Exec("umount", {MountPoint()}).exitCode != 0;
    return !m_bMounted;
}
