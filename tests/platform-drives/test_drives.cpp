#include "FakeDriveTree.h"

#include "platform/Drives.h"
#include "platform/MountInfo.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(FakeDriveTree::Device)

namespace
{

const QString kPci = "devices/pci0000:00/0000:00:14.0";
const QString kUsbDevice = kPci + "/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0";

std::map<QString, QString> UsbBuses()
{
    return {{kPci, "pci"},
            {kPci + "/usb2", "usb"},
            {kPci + "/usb2/2-1", "usb"},
            {kPci + "/usb2/2-1/2-1:1.0", "usb"},
            {kUsbDevice, "scsi"}};
}

FakeDriveTree::Device UsbPartition(const QString &disk, std::uint32_t minor, QString removable)
{
    FakeDriveTree::Device d;
    d.sysPath = kUsbDevice + "/block/" + disk + "/" + disk + "1";
    d.major = 8;
    d.minor = minor;
    d.partition = true;
    d.removable = std::move(removable);
    d.subsystems = UsbBuses();
    return d;
}

QStringList Roots(const std::vector<RemovableDrive> &drives)
{
    QStringList roots;
    for (const RemovableDrive &d : drives) {
        roots << d.root;
    }
    return roots;
}

} // namespace

class TestDrivesLayer : public QObject
{
    Q_OBJECT
private slots:
    void decodeField_data();
    void decodeField();
    void parseTable();
    void deviceKinds_data();
    void deviceKinds();
    void skippedMounts_data();
    void skippedMounts();
    void escapedMountPointAndLabels();
    void twoCardsWithOneLabel();
    void wholeComponentRoots();
    void spaceFailsAfterRemoval();
    void monitorSeesTableChanges();
    void swapAtSamePathIsRemovalThenAddition();
};

void TestDrivesLayer::decodeField_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QString>("decoded");
    QTest::newRow("plain") << QByteArray("/media/anna/CAMERA") << QString("/media/anna/CAMERA");
    QTest::newRow("space") << QByteArray("/media/MY\\040CARD") << QString("/media/MY CARD");
    QTest::newRow("tab and newline") << QByteArray("a\\011b\\012c") << QString("a\tb\nc");
    QTest::newRow("backslash") << QByteArray("a\\134040") << QString("a\\040");
    QTest::newRow("utf-8 bytes") << QByteArray("Caf\\303\\251") << QString::fromUtf8("Café");
    QTest::newRow("short escape kept") << QByteArray("a\\04") << QString("a\\04");
    QTest::newRow("non-octal kept") << QByteArray("a\\08x") << QString("a\\08x");
    QTest::newRow("trailing backslash") << QByteArray("a\\") << QString("a\\");
}

void TestDrivesLayer::decodeField()
{
    QFETCH(QByteArray, field);
    QFETCH(QString, decoded);
    QCOMPARE(DecodeMountInfoField(field), decoded);
}

void TestDrivesLayer::parseTable()
{
    const QByteArray table =
        "36 35 98:0 /mnt1 /mnt/parent rw,noatime master:1 - ext3 /dev/root rw,errors=continue\n"
        "40 28 8:17 / /media/a\\040b rw - vfat /dev/sdb1 rw\n"
        "41 28 8:33 / /media/c rw shared:1 master:2 propagate_from:3 - exfat /dev/sdc1 rw\n"
        "garbage line\n"
        "42 28 8:x / /broken rw - vfat /dev/sdd1 rw\n"
        "43 28 8:49 / /no-separator rw vfat /dev/sde1 rw\n"
        "\n";
    const std::vector<MountEntry> entries = ParseMountInfo(table);
    QCOMPARE(entries.size(), size_t(3));
    QCOMPARE(entries[0].mountId, 36);
    QCOMPARE(entries[0].parentId, 35);
    QCOMPARE(entries[0].major, 98u);
    QCOMPARE(entries[0].fsRoot, QString("/mnt1"));
    QCOMPARE(entries[0].fsType, QString("ext3"));
    QCOMPARE(entries[1].mountPoint, QString("/media/a b"));
    QCOMPARE(entries[1].minor, 17u);
    QCOMPARE(entries[2].source, QString("/dev/sdc1"));
    QCOMPARE(entries[2].fsType, QString("exfat"));
}

void TestDrivesLayer::deviceKinds_data()
{
    QTest::addColumn<FakeDriveTree::Device>("device");
    QTest::addColumn<bool>("removable");

    QTest::newRow("USB card reader") << UsbPartition("sdb", 17, "1") << true;
    QTest::newRow("USB reader reporting removable 0") << UsbPartition("sdb", 17, "0") << true;

    FakeDriveTree::Device wholeDisk = UsbPartition("sdb", 16, "1");
    wholeDisk.sysPath = kUsbDevice + "/block/sdb";
    wholeDisk.partition = false;
    QTest::newRow("whole-disk card") << wholeDisk << true;

    const QString mmcHost = "devices/platform/soc/fe340000.mmc/mmc_host/mmc0";
    FakeDriveTree::Device sd;
    sd.sysPath = mmcHost + "/mmc0:aaaa/block/mmcblk0/mmcblk0p1";
    sd.major = 179;
    sd.minor = 1;
    sd.partition = true;
    sd.mmcType = "SD";
    sd.subsystems = {{mmcHost + "/mmc0:aaaa", "mmc"}};
    QTest::newRow("SD slot") << sd << true;

    FakeDriveTree::Device emmc = sd;
    emmc.mmcType = "MMC";
    QTest::newRow("soldered eMMC") << emmc << false;

    FakeDriveTree::Device memstick;
    memstick.sysPath = "devices/pci0000:00/0000:00:1c.0/memstick0/memstick0:1/block/mspblk0";
    memstick.major = 252;
    memstick.minor = 0;
    memstick.subsystems = {{"devices/pci0000:00/0000:00:1c.0/memstick0/memstick0:1", "memstick"}};
    QTest::newRow("Memory Stick") << memstick << true;

    FakeDriveTree::Device sata;
    sata.sysPath = "devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/block/sda/sda2";
    sata.major = 8;
    sata.minor = 2;
    sata.partition = true;
    sata.subsystems = {{"devices/pci0000:00/0000:00:17.0", "pci"},
                       {"devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0", "scsi"}};
    QTest::newRow("SATA disk") << sata << false;

    FakeDriveTree::Device nvme;
    nvme.sysPath = "devices/pci0000:00/0000:00:1d.0/0000:3d:00.0/nvme/nvme0/nvme0n1/nvme0n1p2";
    nvme.major = 259;
    nvme.minor = 2;
    nvme.partition = true;
    nvme.subsystems = {{"devices/pci0000:00/0000:00:1d.0/0000:3d:00.0", "pci"},
                       {"devices/pci0000:00/0000:00:1d.0/0000:3d:00.0/nvme/nvme0", "nvme"}};
    QTest::newRow("NVMe") << nvme << false;

    FakeDriveTree::Device loop;
    loop.sysPath = "devices/virtual/block/loop0";
    loop.major = 7;
    loop.minor = 0;
    QTest::newRow("loop") << loop << false;
}

void TestDrivesLayer::deviceKinds()
{
    QFETCH(FakeDriveTree::Device, device);
    QFETCH(bool, removable);
    FakeDriveTree tree;
    QVERIFY(tree.IsValid());
    tree.AddDevice(device);
    const QString root = tree.MediaPath("CARD");
    tree.WriteMounts({{40, device.major, device.minor, root}});

    const std::vector<RemovableDrive> drives = ListRemovableDrives();
    QCOMPARE(drives.size(), removable ? size_t(1) : size_t(0));
    QCOMPARE(HasRemovableDrive(), removable);
    QCOMPARE(FindRemovableDrive(root).has_value(), removable);
    if (removable) {
        QCOMPARE(drives[0].root, root);
        QCOMPARE(drives[0].kernelName, QFileInfo(device.sysPath).fileName());
        QCOMPARE(drives[0].mountId, 40);
    }
    // The same tree reached through a linked folder decides the same.
    const QString linked = tree.Root() + "/sys-link";
    QVERIFY(QFile::link(tree.SysfsRoot(), linked));
    qputenv("QUORVIL_SYSFS", QFile::encodeName(linked));
    QCOMPARE(HasRemovableDrive(), removable);
    qputenv("QUORVIL_SYSFS", QFile::encodeName(tree.SysfsRoot()));
}

void TestDrivesLayer::skippedMounts_data()
{
    QTest::addColumn<QString>("mountPoint");
    QTest::addColumn<QString>("fsRoot");
    QTest::addColumn<int>("major");
    QTest::newRow("the root file system") << "/"
                                          << "/" << 8;
    QTest::newRow("/boot") << "/boot"
                           << "/" << 8;
    QTest::newRow("bind mount of a sub-folder") << "@DCIM"
                                                << "/DCIM" << 8;
    QTest::newRow("no block device") << "@tmp"
                                     << "/" << 0;
}

void TestDrivesLayer::skippedMounts()
{
    QFETCH(QString, mountPoint);
    QFETCH(QString, fsRoot);
    QFETCH(int, major);
    FakeDriveTree tree;
    tree.AddDevice(UsbPartition("sdb", 17, "1"));
    if (mountPoint.startsWith('@')) {
        mountPoint = tree.MediaPath(mountPoint.mid(1));
    }
    tree.WriteMounts({{41, std::uint32_t(major), 17, mountPoint, fsRoot}});
    QVERIFY(ListRemovableDrives().empty());
}

void TestDrivesLayer::escapedMountPointAndLabels()
{
    FakeDriveTree tree;
    tree.AddDevice(UsbPartition("sdb", 17, "1"));
    tree.AddDevice(UsbPartition("sdc", 33, "1"));
    tree.AddDevice(UsbPartition("sdd", 49, "1"));
    // udev's database names the first; the second only has a by-label link; the third nothing.
    tree.AddUdevLabel(8, 17, "Caf\\xc3\\xa9\\x20Card");
    tree.AddByLabelLink("MY\\x20CARD", "sdc1");
    const QString first = tree.MediaPath(QString::fromUtf8("anna/Café Card"));
    const QString second = tree.MediaPath("anna/MY CARD\\x");
    const QString third = tree.MediaPath("anna/NO\tLABEL");
    tree.WriteMounts({{40, 8, 17, first, "/", "exfat", "/dev/sdb1"},
                      {41, 8, 33, second, "/", "vfat", "/dev/sdc1"},
                      {42, 8, 49, third, "/", "vfat", "/dev/sdd1"}});

    const std::vector<RemovableDrive> drives = ListRemovableDrives();
    QCOMPARE(Roots(drives), QStringList({first, second, third}));
    QCOMPARE(drives[0].label, QString::fromUtf8("Café Card"));
    QCOMPARE(drives[1].label, QString("MY CARD"));
    QCOMPARE(drives[2].label, QString());
    QCOMPARE(drives[1].device, QString("/dev/sdc1"));
}

void TestDrivesLayer::twoCardsWithOneLabel()
{
    FakeDriveTree tree;
    tree.AddDevice(UsbPartition("sdb", 17, "1"));
    tree.AddDevice(UsbPartition("sdc", 33, "1"));
    tree.AddUdevLabel(8, 17, "CAMERA");
    tree.AddUdevLabel(8, 33, "CAMERA");
    // udev keeps one by-label link for a label; it must not decide the other card's label.
    tree.AddByLabelLink("CAMERA", "sdc1");
    tree.WriteMounts(
        {{40, 8, 17, tree.MediaPath("anna/CAMERA")}, {41, 8, 33, tree.MediaPath("anna/CAMERA1")}});
    const std::vector<RemovableDrive> drives = ListRemovableDrives();
    QCOMPARE(drives.size(), size_t(2));
    QCOMPARE(drives[0].label, QString("CAMERA"));
    QCOMPARE(drives[1].label, QString("CAMERA"));
    QVERIFY(drives[0].root != drives[1].root);
}

void TestDrivesLayer::wholeComponentRoots()
{
    QVERIFY(PathIsOnRoot("/media/a/CAM", "/media/a/CAM"));
    QVERIFY(PathIsOnRoot("/media/a/CAM/", "/media/a/CAM"));
    QVERIFY(PathIsOnRoot("/media/a/CAM/Recordings", "/media/a/CAM/"));
    QVERIFY(!PathIsOnRoot("/media/a/CAMERA", "/media/a/CAM"));
    QVERIFY(!PathIsOnRoot("/media/a", "/media/a/CAM"));
    QVERIFY(!PathIsOnRoot("", "/media/a/CAM"));

    FakeDriveTree tree;
    tree.AddDevice(UsbPartition("sdb", 17, "1"));
    tree.AddDevice(UsbPartition("sdc", 33, "1"));
    const QString cam = tree.MediaPath("CAM");
    const QString camera = tree.MediaPath("CAMERA");
    tree.WriteMounts({{40, 8, 17, cam}, {41, 8, 33, camera}});
    QCOMPARE(RemovableDriveOf(camera + "/Recordings")->root, camera);
    QCOMPARE(RemovableDriveOf(cam + "/Recordings/x.avi")->root, cam);
    QVERIFY(!RemovableDriveOf(tree.MediaPath("CA")).has_value());
    QCOMPARE(FindRemovableDrive(camera + "/")->root, camera);
}

void TestDrivesLayer::spaceFailsAfterRemoval()
{
    FakeDriveTree tree;
    tree.AddDevice(UsbPartition("sdb", 17, "1"));
    const QString root = tree.MediaPath("CAMERA");
    tree.WriteMounts({{40, 8, 17, root}});
    const std::optional<DriveSpace> space = GetDriveSpace(root);
    QVERIFY(space.has_value());
    QVERIFY(space->totalBytes > 0);
    QVERIFY(space->freeBytesAvailable <= space->totalBytes);

    // The folder stays behind, but it is no drive any more.
    tree.WriteMounts({});
    QVERIFY(QFileInfo(root).isDir());
    QVERIFY(!GetDriveSpace(root).has_value());
    QVERIFY(!GetDriveSpace(QString()).has_value());
}

void TestDrivesLayer::monitorSeesTableChanges()
{
    FakeDriveTree tree;
    tree.AddDevice(UsbPartition("sdb", 17, "1"));
    tree.AddDevice(UsbPartition("sdc", 33, "1"));
    const QString camera = tree.MediaPath("CAMERA");
    const QString stick = tree.MediaPath("STICK");
    tree.WriteMounts({{40, 8, 17, camera}});

    const std::unique_ptr<IDriveMonitor> monitor = CreateDriveMonitor();
    QVERIFY(monitor->IsActive());
    QCOMPARE(Roots(monitor->Drives()), QStringList({camera}));
    QSignalSpy added(monitor.get(), &IDriveMonitor::DriveAdded);
    QSignalSpy removed(monitor.get(), &IDriveMonitor::DriveRemoved);

    tree.WriteMounts({{40, 8, 17, camera}, {41, 8, 33, stick}});
    QTRY_COMPARE(added.size(), 1);
    QCOMPARE(added[0][0].value<RemovableDrive>().root, stick);
    QCOMPARE(removed.size(), 0);

    tree.WriteMounts({{41, 8, 33, stick}});
    QTRY_COMPARE(removed.size(), 1);
    QCOMPARE(removed[0][0].value<RemovableDrive>().root, camera);
    QCOMPARE(added.size(), 1);
    QCOMPARE(Roots(monitor->Drives()), QStringList({stick}));
}

void TestDrivesLayer::swapAtSamePathIsRemovalThenAddition()
{
    FakeDriveTree tree;
    tree.AddDevice(UsbPartition("sdb", 17, "1"));
    const QString camera = tree.MediaPath("CAMERA");
    tree.WriteMounts({{40, 8, 17, camera}});
    const std::unique_ptr<IDriveMonitor> monitor = CreateDriveMonitor();

    QStringList events;
    connect(monitor.get(), &IDriveMonitor::DriveRemoved, this, [&](const RemovableDrive &d) {
        events << QString("removed %1 #%2").arg(QFileInfo(d.root).fileName()).arg(d.mountId);
    });
    connect(monitor.get(), &IDriveMonitor::DriveAdded, this, [&](const RemovableDrive &d) {
        events << QString("added %1 #%2").arg(QFileInfo(d.root).fileName()).arg(d.mountId);
    });
    // Another card in the same reader, mounted at the same path.
    tree.WriteMounts({{47, 8, 17, camera}});
    QTRY_COMPARE(events.size(), 2);
    QCOMPARE(events, QStringList({"removed CAMERA #40", "added CAMERA #47"}));
}

QTEST_GUILESS_MAIN(TestDrivesLayer)
#include "test_drives.moc"
