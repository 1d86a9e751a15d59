#include "FakeDriveTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace
{
void WriteText(const QString &path, const QByteArray &text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(text);
    }
}

QString TempTemplate()
{
    return qEnvironmentVariable("QUORVIL_TEST_TMP", QDir::tempPath()) + "/drives-XXXXXX";
}
} // namespace

FakeDriveTree::Device FakeDriveTree::UsbCardReaderPartition()
{
    const QString pci = "devices/pci0000:00/0000:00:14.0";
    const QString usb = pci + "/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0";
    Device device;
    device.sysPath = usb + "/block/sdb/sdb1";
    device.major = 8;
    device.minor = 17;
    device.partition = true;
    device.removable = "1";
    device.subsystems = {{pci, "pci"},
                         {pci + "/usb2", "usb"},
                         {pci + "/usb2/2-1", "usb"},
                         {pci + "/usb2/2-1/2-1:1.0", "usb"},
                         {usb, "scsi"}};
    return device;
}

FakeDriveTree::FakeDriveTree() : m_dir(TempTemplate())
{
    QDir().mkpath(SysfsRoot() + "/dev/block");
    QDir().mkpath(SysfsRoot() + "/bus");
    QDir().mkpath(DevRoot() + "/disk/by-label");
    WriteMounts({});
    qputenv("QUORVIL_MOUNTINFO", QFile::encodeName(MountInfoPath()));
    qputenv("QUORVIL_SYSFS", QFile::encodeName(SysfsRoot()));
    qputenv("QUORVIL_DEVDIR", QFile::encodeName(DevRoot()));
}

FakeDriveTree::~FakeDriveTree()
{
    qunsetenv("QUORVIL_MOUNTINFO");
    qunsetenv("QUORVIL_SYSFS");
    qunsetenv("QUORVIL_DEVDIR");
}

QString FakeDriveTree::MediaPath(const QString &name) const
{
    return m_dir.path() + "/media/" + name;
}

void FakeDriveTree::AddDevice(const Device &device)
{
    const QString sys = SysfsRoot();
    const QString devicePath = sys + "/" + device.sysPath;
    QDir().mkpath(devicePath);
    const QString diskPath = device.partition ? QFileInfo(devicePath).path() : devicePath;
    if (device.partition) {
        WriteText(devicePath + "/partition", "1\n");
    }
    WriteText(diskPath + "/removable", device.removable.toUtf8() + "\n");
    if (!device.mmcType.isEmpty()) {
        WriteText(diskPath + "/device/type", device.mmcType.toUtf8() + "\n");
    }
    for (const auto &[folder, bus] : device.subsystems) {
        QDir().mkpath(sys + "/bus/" + bus);
        QDir().mkpath(sys + "/" + folder);
        QFile::link(sys + "/bus/" + bus, sys + "/" + folder + "/subsystem");
    }
    const QString link = sys + QString("/dev/block/%1:%2").arg(device.major).arg(device.minor);
    QFile::remove(link);
    QFile::link(QDir(sys + "/dev/block").relativeFilePath(devicePath), link);
}

void FakeDriveTree::AddByLabelLink(const QString &encodedName, const QString &kernelName)
{
    QFile::link("../../" + kernelName, DevRoot() + "/disk/by-label/" + encodedName);
}

void FakeDriveTree::AddUdevLabel(std::uint32_t major, std::uint32_t minor,
                                 const QString &encodedLabel)
{
    WriteText(DevRoot() + QString("/udev/b%1:%2").arg(major).arg(minor),
              "S:disk/by-uuid/1234-ABCD\nE:ID_FS_TYPE=exfat\nE:ID_FS_LABEL_ENC=" +
                  encodedLabel.toUtf8() + "\n");
}

QByteArray FakeDriveTree::Escape(const QString &field)
{
    QByteArray out;
    for (const char c : field.toUtf8()) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\\') {
            out +=
                "\\" + QByteArray::number(static_cast<unsigned char>(c), 8).rightJustified(3, '0');
        } else {
            out += c;
        }
    }
    return out;
}

void FakeDriveTree::WriteMounts(const std::vector<Mount> &mounts)
{
    QByteArray text = "22 28 0:21 / /proc rw,relatime - proc proc rw\n"
                      "28 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
                      "30 28 0:50 / /run/user/1000 rw - tmpfs tmpfs rw\n";
    for (const Mount &m : mounts) {
        if (m.mountPoint.startsWith(Root())) {
            QDir().mkpath(m.mountPoint);
        }
        text += QByteArray::number(m.mountId) + " 28 " + QByteArray::number(m.major) + ":" +
                QByteArray::number(m.minor) + " " + Escape(m.fsRoot) + " " + Escape(m.mountPoint) +
                " rw,nosuid,nodev,relatime shared:300 - " + m.fsType.toUtf8() + " " +
                Escape(m.source) + " rw,uid=1000\n";
    }
    QSaveFile file(MountInfoPath());
    if (file.open(QIODevice::WriteOnly)) {
        file.write(text);
        file.commit();
    }
}
