#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// Removable drives: the memory card sits in a card reader and the desktop mounts it. A drive
// root is the mount point path ("/media/anna/CAMERA"), never a drive letter.
//
// The layer reads the live system by default. Tests point it at trees of their own through
// the environment (read at every call): QUORVIL_MOUNTINFO (a mount table in the format of
// /proc/self/mountinfo), QUORVIL_SYSFS (stands in for /sys) and QUORVIL_DEVDIR (stands in
// for /dev; labels then come from its disk/by-label links and from udev database files
// <devdir>/udev/b<MAJ>:<MIN> with "E:ID_FS_LABEL_ENC=..." lines, as a running udev keeps them).

// One mounted removable drive.
struct RemovableDrive {
    QString root;       // mount point, decoded ("/media/anna/MY CARD")
    QString label;      // volume label, decoded; empty when the volume has none
    QString device;     // mount source as the table names it ("/dev/sdb1")
    QString kernelName; // block device name in sysfs ("sdb1")
    int mountId = -1;   // first field of the mount table; with root it keys the drive
    std::uint32_t major = 0;
    std::uint32_t minor = 0;

    // A card swapped at the same path gets a new mount id: a different drive.
    bool SameMount(const RemovableDrive &other) const
    {
        return mountId == other.mountId && root == other.root;
    }
};

struct DriveSpace {
    std::uint64_t totalBytes = 0;
    std::uint64_t freeBytesAvailable = 0; // free to the calling user
};

// The removable drives mounted now, in mount table order.
std::vector<RemovableDrive> ListRemovableDrives();

// Whether at least one removable drive is mounted.
bool HasRemovableDrive();

// The removable drive whose mount point is `root` exactly (trailing '/' ignored).
std::optional<RemovableDrive> FindRemovableDrive(const QString &root);

// The removable drive that holds `path`: the longest mount point that is a whole-component
// prefix of it ("/media/a/CAM" holds "/media/a/CAM/x", not "/media/a/CAMERA").
std::optional<RemovableDrive> RemovableDriveOf(const QString &path);

// Whether `path` equals `root` or lies under it, comparing whole path components.
bool PathIsOnRoot(const QString &path, const QString &root);

// Total and free bytes of a drive's mount point. Fails (nullopt) when `root` is no longer a
// mount point of the table, so a removed card never reports the folder left under it.
std::optional<DriveSpace> GetDriveSpace(const QString &root);

// Notifies mount and unmount of removable drives, the equivalent of the shell's drive
// notifications. Watches /proc/self/mountinfo for POLLPRI, or the QUORVIL_MOUNTINFO file
// (through a file watcher) when that is set at creation.
class IDriveMonitor : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~IDriveMonitor() override = default;

    // Whether notifications can be delivered (the mount table could be watched).
    virtual bool IsActive() const = 0;
    // The removable drives as last seen.
    virtual const std::vector<RemovableDrive> &Drives() const = 0;
    // Re-reads the table now and reports the differences (also run on every change).
    virtual void Rescan() = 0;

signals:
    void DriveAdded(const RemovableDrive &drive);
    void DriveRemoved(const RemovableDrive &drive);
};

// Owned by the caller; lives on the thread that creates it (the UI thread).
std::unique_ptr<IDriveMonitor> CreateDriveMonitor();
