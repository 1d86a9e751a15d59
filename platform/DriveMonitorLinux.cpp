#include "platform/Drives.h"

#include "platform/PlatformLogging.h"
#include "platform/UniqueFd.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

namespace
{

bool Contains(const std::vector<RemovableDrive> &drives, const RemovableDrive &drive)
{
    return std::any_of(drives.begin(), drives.end(),
                       [&](const RemovableDrive &d) { return d.SameMount(drive); });
}

// The kernel flags every mount and unmount of this namespace as POLLPRI on the open mount
// table; a table file of a test only changes on disk, so a file watcher stands in there.
class CLinuxDriveMonitor final : public IDriveMonitor
{
public:
    CLinuxDriveMonitor()
    {
        m_drives = ListRemovableDrives();
        const QString overridePath = qEnvironmentVariable("QUORVIL_MOUNTINFO");
        if (overridePath.isEmpty()) {
            WatchKernelTable();
        } else {
            WatchFile(overridePath);
        }
    }

    ~CLinuxDriveMonitor() override
    {
        delete m_notifier; // before its descriptor closes
    }

    bool IsActive() const override { return m_notifier != nullptr || m_watcher != nullptr; }

    const std::vector<RemovableDrive> &Drives() const override { return m_drives; }

    void Rescan() override
    {
        std::vector<RemovableDrive> now = ListRemovableDrives();
        std::vector<RemovableDrive> removed;
        std::vector<RemovableDrive> added;
        for (const RemovableDrive &drive : m_drives) {
            if (!Contains(now, drive)) {
                removed.push_back(drive);
            }
        }
        for (const RemovableDrive &drive : now) {
            if (!Contains(m_drives, drive)) {
                added.push_back(drive);
            }
        }
        m_drives = std::move(now);
        // Removals first: a card swapped at the same path leaves, then arrives.
        for (const RemovableDrive &drive : removed) {
            qCDebug(lcPlatformDrives) << "removed" << drive.root;
            emit DriveRemoved(drive);
        }
        for (const RemovableDrive &drive : added) {
            qCDebug(lcPlatformDrives) << "added" << drive.root;
            emit DriveAdded(drive);
        }
    }

private:
    void WatchKernelTable()
    {
        m_fd = std::make_unique<UniqueFd>(::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC));
        if (m_fd->Get() < 0) {
            qCWarning(lcPlatformDrives)
                << "cannot open /proc/self/mountinfo; no drive notifications";
            return;
        }
        m_notifier = new QSocketNotifier(m_fd->Get(), QSocketNotifier::Exception, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] {
            // poll() has cleared the event; reading keeps the descriptor's position sane.
            char buffer[4096];
            ::lseek(m_fd->Get(), 0, SEEK_SET);
            while (::read(m_fd->Get(), buffer, sizeof buffer) > 0) {
            }
            Rescan();
        });
    }

    void WatchFile(const QString &path)
    {
        m_watchedFile = path;
        m_watcher = new QFileSystemWatcher(this);
        // The folder as well: a table written to a temporary name and renamed replaces the file.
        m_watcher->addPath(QFileInfo(path).absolutePath());
        if (QFileInfo::exists(path)) {
            m_watcher->addPath(path);
        }
        auto changed = [this] {
            if (!m_watcher->files().contains(m_watchedFile) && QFileInfo::exists(m_watchedFile)) {
                m_watcher->addPath(m_watchedFile);
            }
            Rescan();
        };
        connect(m_watcher, &QFileSystemWatcher::fileChanged, this, changed);
        connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, changed);
    }

    std::vector<RemovableDrive> m_drives;
    std::unique_ptr<UniqueFd> m_fd;
    QSocketNotifier *m_notifier = nullptr;   // child of this
    QFileSystemWatcher *m_watcher = nullptr; // child of this
    QString m_watchedFile;
};

} // namespace

std::unique_ptr<IDriveMonitor> CreateDriveMonitor()
{
    return std::make_unique<CLinuxDriveMonitor>();
}
