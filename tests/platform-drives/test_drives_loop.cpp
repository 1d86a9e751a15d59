// The drive layer against a real mount: an exFAT image labelled CAMERA on a loop device,
// mounted through exfat-fuse, seen through the live /proc/self/mountinfo and its POLLPRI
// notification. The machine has no card reader, so only the sysfs tree is faked to call the
// loop device removable, and the dev tree stands in for udev's by-label link.

#include "LoopCard.h"

#include "platform/Drives.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

class TestDrivesLoop : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { qunsetenv("QUORVIL_DEVDIR"); }
    void realExfatCardIsListedThenReportedRemoved();
};

void TestDrivesLoop::realExfatCardIsListedThenReportedRemoved()
{
    qunsetenv("QUORVIL_MOUNTINFO"); // the live table, with its POLLPRI
    LoopCard card;
    if (!card.Attach(64 * 1024 * 1024, "CAMERA")) {
        QSKIP(qPrintable(card.Why() + "; skipped"));
    }
    const QString devDir = card.Folder() + "/dev";
    QVERIFY(QDir().mkpath(devDir + "/disk/by-label"));
    QVERIFY(QFile::link("../../" + card.KernelName(), devDir + "/disk/by-label/CAMERA"));
    qputenv("QUORVIL_DEVDIR", QFile::encodeName(devDir));

    const QString mountPoint = card.MountPoint();
    const std::unique_ptr<IDriveMonitor> monitor = CreateDriveMonitor();
    QVERIFY(monitor->IsActive());
    QVERIFY(!FindRemovableDrive(mountPoint).has_value());
    QSignalSpy added(monitor.get(), &IDriveMonitor::DriveAdded);
    QSignalSpy removed(monitor.get(), &IDriveMonitor::DriveRemoved);

    if (!card.Mount()) {
        QSKIP(qPrintable(card.Why() + "; skipped"));
    }
    QTRY_COMPARE_WITH_TIMEOUT(added.size(), 1, 20000);
    const auto drive = added[0][0].value<RemovableDrive>();
    QCOMPARE(drive.root, mountPoint);
    QCOMPARE(drive.label, QString("CAMERA"));
    QCOMPARE(drive.kernelName, card.KernelName());
    QVERIFY(FindRemovableDrive(mountPoint).has_value());
    const std::optional<DriveSpace> space = GetDriveSpace(mountPoint);
    QVERIFY(space.has_value());
    QVERIFY(space->totalBytes > 48ull * 1024 * 1024 && space->totalBytes <= 64ull * 1024 * 1024);

    QVERIFY(card.Unmount());
    QTRY_COMPARE_WITH_TIMEOUT(removed.size(), 1, 20000);
    QCOMPARE(removed[0][0].value<RemovableDrive>().root, mountPoint);
    QVERIFY(!FindRemovableDrive(mountPoint).has_value());
    // The empty folder is still there; its sizes are not the card's.
    QVERIFY(QFileInfo(mountPoint).isDir());
    QVERIFY(!GetDriveSpace(mountPoint).has_value());
}

QTEST_GUILESS_MAIN(TestDrivesLoop)
#include "test_drives_loop.moc"
