#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <map>
#include <vector>

// A mount table, a sysfs tree and a dev tree of our own, so the drive layer can be shown any
// kind of disk. Installs itself through QUORVIL_MOUNTINFO, QUORVIL_SYSFS and QUORVIL_DEVDIR and
// removes those again when destroyed.
class FakeDriveTree
{
public:
    struct Device {
        QString sysPath; // under sysfs, "devices/.../block/sdb/sdb1"
        std::uint32_t major = 0;
        std::uint32_t minor = 0;
        bool partition = false;
        QString removable = QStringLiteral("0"); // the disk's removable attribute
        QString mmcType;                         // device/type of an mmcblk disk, if any
        // Folders under sysfs (relative) with the bus their subsystem link names.
        std::map<QString, QString> subsystems;
    };
    struct Mount {
        int mountId = 0;
        std::uint32_t major = 0;
        std::uint32_t minor = 0;
        QString mountPoint; // absolute; a real folder is made for it when it lies in Root()
        QString fsRoot = QStringLiteral("/");
        QString fsType = QStringLiteral("exfat");
        QString source = QStringLiteral("/dev/sdx1");
    };

    // A USB card reader's first partition (sdb1, 8:17), removable.
    static Device UsbCardReaderPartition();

    FakeDriveTree();
    ~FakeDriveTree();

    bool IsValid() const { return m_dir.isValid(); }
    QString Root() const { return m_dir.path(); }
    QString SysfsRoot() const { return m_dir.path() + "/sys"; }
    QString DevRoot() const { return m_dir.path() + "/dev"; }
    QString MountInfoPath() const { return m_dir.path() + "/mountinfo"; }
    // A folder under the tree that can serve as a mount point.
    QString MediaPath(const QString &name) const;

    void AddDevice(const Device &device);
    // disk/by-label/<encodedName> -> ../../<kernelName>
    void AddByLabelLink(const QString &encodedName, const QString &kernelName);
    // udev's database entry of a device with its ID_FS_LABEL_ENC.
    void AddUdevLabel(std::uint32_t major, std::uint32_t minor, const QString &encodedLabel);
    // Rewrites the mount table (to a temporary name, then renamed, as a real writer would).
    void WriteMounts(const std::vector<Mount> &mounts);

    // The kernel's escaping of a mount table field.
    static QByteArray Escape(const QString &field);

private:
    QTemporaryDir m_dir;
};
