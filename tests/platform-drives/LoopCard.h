#pragma once

#include <QString>
#include <QTemporaryDir>

// A real exFAT card for tests that may use one: a sparse image labelled by mkfs.exfat,
// attached to a loop device and mounted through exfat-fuse. The machine has no card reader, so
// a sysfs tree of its own (installed through QUORVIL_SYSFS) calls the loop device removable.
// Everything is undone when it is destroyed: unmounted, detached, QUORVIL_SYSFS unset.
class LoopCard
{
public:
    LoopCard();
    ~LoopCard();
    LoopCard(const LoopCard &) = delete;
    LoopCard &operator=(const LoopCard &) = delete;

    // Makes the image of `bytes` with volume label `label` and attaches it. False with the
    // reason in Why() where the machine does not allow it (not root, tools or devices missing).
    bool Attach(qint64 bytes, const QString &label);
    // Mounts the attached card at MountPoint().
    bool Mount();
    // Unmounts it (the removal a test then expects to see).
    bool Unmount();

    QString Why() const { return m_strWhy; }
    QString Device() const { return m_strDevice; }         // "/dev/loop0"
    QString KernelName() const { return m_strKernelName; } // "loop0"
    QString MountPoint() const { return m_dir.filePath("media/CAMERA"); }
    QString Folder() const { return m_dir.path(); }

private:
    bool Fail(const QString &why);

    QTemporaryDir m_dir;
    QString m_strWhy;
    QString m_strDevice;
    QString m_strKernelName;
    bool m_bMounted = false;
};
