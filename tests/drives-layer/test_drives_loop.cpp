// The drive layer against a real mount: an exFAT image labelled CAMERA on a loop device,
// mounted through exfat-fuse, seen through the live /proc/self/mountinfo and its POLLPRI
// notification. The machine has no card reader, so only the sysfs tree is faked to call the
// loop device removable, and the dev tree stands in for udev's by-label link.

#include "platform/Drives.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace
{

struct Run {
    int exitCode = -1;
    QString output;
};

Run Exec(const QString &program, const QStringList &args)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAll()).trimmed()};
}

QString FindTool(const QString &name)
{
    return QStandardPaths::findExecutable(name, {"/usr/sbin", "/sbin", "/usr/bin", "/bin"});
}

} // namespace

class TestDrivesLoop : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void realExfatCardIsListedThenReportedRemoved();

private:
    QString m_loopDevice;
    QString m_mountPoint;
    bool m_mounted = false;
};

void TestDrivesLoop::cleanup()
{
    if (m_mounted) {
        Exec(FindTool("umount"), {m_mountPoint});
        m_mounted = false;
    }
    if (!m_loopDevice.isEmpty()) {
        Exec(FindTool("losetup"), {"-d", m_loopDevice});
        m_loopDevice.clear();
    }
    qunsetenv("QUORVIL_SYSFS");
    qunsetenv("QUORVIL_DEVDIR");
}

void TestDrivesLoop::realExfatCardIsListedThenReportedRemoved()
{
    const QString mkfs = FindTool("mkfs.exfat");
    const QString fuse = FindTool("mount.exfat-fuse");
    const QString losetup = FindTool("losetup");
    const QString umount = FindTool("umount");
    if (Exec(FindTool("id"), {"-u"}).output != "0") {
        QSKIP("needs root to attach a loop device and mount it; skipped");
    }
    if (mkfs.isEmpty() || fuse.isEmpty() || losetup.isEmpty() || umount.isEmpty()) {
        QSKIP("needs mkfs.exfat, mount.exfat-fuse, losetup and umount (scripts/install-deps "
              "installs exfatprogs, exfat-fuse, util-linux); skipped");
    }
    if (!QFile::exists("/dev/fuse") || !QFile::exists("/dev/loop-control")) {
        QSKIP("this machine offers no /dev/fuse or no loop devices; skipped");
    }
    qunsetenv("QUORVIL_MOUNTINFO"); // the live table, with its POLLPRI

    const QString base = qEnvironmentVariable("QUORVIL_TEST_TMP", QDir::tempPath());
    QTemporaryDir dir(base + "/drives-loop-XXXXXX");
    QVERIFY(dir.isValid());
    const QString image = dir.filePath("card.img");
    {
        QFile file(image);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(64 * 1024 * 1024));
    }
    QCOMPARE(Exec(mkfs, {"-L", "CAMERA", image}).exitCode, 0);
    const Run attach = Exec(losetup, {"-f", "--show", image});
    if (attach.exitCode != 0 || !attach.output.startsWith("/dev/loop")) {
        QSKIP(qPrintable("no loop device could be attached here (" + attach.output + "); skipped"));
    }
    m_loopDevice = attach.output;
    const QString kernelName = QFileInfo(m_loopDevice).fileName();

    QFile devFile("/sys/class/block/" + kernelName + "/dev");
    QVERIFY(devFile.open(QIODevice::ReadOnly));
    const QString devno = QString::fromLatin1(devFile.readAll()).trimmed(); // "7:0"

    // A sysfs tree that calls this loop device removable, and its by-label link.
    const QString sysfs = dir.filePath("sys");
    const QString devicePath = sysfs + "/devices/virtual/block/" + kernelName;
    QVERIFY(QDir().mkpath(devicePath));
    QVERIFY(QDir().mkpath(sysfs + "/dev/block"));
    {
        QFile removable(devicePath + "/removable");
        QVERIFY(removable.open(QIODevice::WriteOnly));
        removable.write("1\n");
    }
    QVERIFY(
        QFile::link("../../devices/virtual/block/" + kernelName, sysfs + "/dev/block/" + devno));
    const QString devDir = dir.filePath("dev");
    QVERIFY(QDir().mkpath(devDir + "/disk/by-label"));
    QVERIFY(QFile::link("../../" + kernelName, devDir + "/disk/by-label/CAMERA"));
    qputenv("QUORVIL_SYSFS", QFile::encodeName(sysfs));
    qputenv("QUORVIL_DEVDIR", QFile::encodeName(devDir));

    m_mountPoint = dir.filePath("media/CAMERA");
    QVERIFY(QDir().mkpath(m_mountPoint));
    const std::unique_ptr<IDriveMonitor> monitor = CreateDriveMonitor();
    QVERIFY(monitor->IsActive());
    QVERIFY(!FindRemovableDrive(m_mountPoint).has_value());
    QSignalSpy added(monitor.get(), &IDriveMonitor::DriveAdded);
    QSignalSpy removed(monitor.get(), &IDriveMonitor::DriveRemoved);

    const Run mount = Exec(fuse, {m_loopDevice, m_mountPoint});
    if (mount.exitCode != 0) {
        QSKIP(qPrintable("exfat-fuse could not mount here (" + mount.output + "); skipped"));
    }
    m_mounted = true;

    QTRY_COMPARE_WITH_TIMEOUT(added.size(), 1, 20000);
    const auto drive = added[0][0].value<RemovableDrive>();
    QCOMPARE(drive.root, m_mountPoint);
    QCOMPARE(drive.label, QString("CAMERA"));
    QCOMPARE(drive.kernelName, kernelName);
    QVERIFY(FindRemovableDrive(m_mountPoint).has_value());
    const std::optional<DriveSpace> space = GetDriveSpace(m_mountPoint);
    QVERIFY(space.has_value());
    QVERIFY(space->totalBytes > 48ull * 1024 * 1024 && space->totalBytes <= 64ull * 1024 * 1024);

    QCOMPARE(Exec(umount, {m_mountPoint}).exitCode, 0);
    m_mounted = false;
    QTRY_COMPARE_WITH_TIMEOUT(removed.size(), 1, 20000);
    QCOMPARE(removed[0][0].value<RemovableDrive>().root, m_mountPoint);
    QVERIFY(!FindRemovableDrive(m_mountPoint).has_value());
    // The empty folder is still there; its sizes are not the card's.
    QVERIFY(QFileInfo(m_mountPoint).isDir());
    QVERIFY(!GetDriveSpace(m_mountPoint).has_value());
}

QTEST_GUILESS_MAIN(TestDrivesLoop)
#include "test_drives_loop.moc"
