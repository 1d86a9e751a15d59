#include "platform/Drives.h"

#include "platform/MountInfo.h"
#include "platform/PlatformLogging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <libudev.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <array>

namespace
{

// Where the layer looks; tests replace each tree through the environment.
struct DriveTrees {
    QString mountInfo = QStringLiteral("/proc/self/mountinfo");
    QString sysfs = QStringLiteral("/sys");
    QString devDir = QStringLiteral("/dev");
    bool liveMountTable = true;
    bool liveDevDir = true;
};

DriveTrees CurrentTrees()
{
    DriveTrees trees;
    if (const QString v = qEnvironmentVariable("QUORVIL_MOUNTINFO"); !v.isEmpty()) {
        trees.mountInfo = v;
        trees.liveMountTable = false;
    }
    if (const QString v = qEnvironmentVariable("QUORVIL_SYSFS"); !v.isEmpty()) {
        trees.sysfs = v;
    }
    if (const QString v = qEnvironmentVariable("QUORVIL_DEVDIR"); !v.isEmpty()) {
        trees.devDir = v;
        trees.liveDevDir = false;
    }
    return trees;
}

std::vector<MountEntry> ReadMountTable(const DriveTrees &trees)
{
    QFile file(trees.mountInfo);
    if (!file.open(QIODevice::ReadOnly)) {
        qCDebug(lcPlatformDrives) << "cannot read the mount table" << trees.mountInfo;
        return {};
    }
    return ParseMountInfo(file.readAll());
}

QString ReadSysAttribute(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.read(256)).trimmed();
}

// Mount points compare without a trailing separator ("/media/a/" is "/media/a").
QString NormalizedRoot(const QString &path)
{
    QString root = QDir::cleanPath(path);
    while (root.size() > 1 && root.endsWith(QLatin1Char('/'))) {
        root.chop(1);
    }
    return root;
}

// The buses whose disks the desktop offers as removable, as udisks2 sees them.
bool IsRemovableBus(const QString &subsystem)
{
    static const std::array<QLatin1StringView, 5> kBuses = {
        QLatin1StringView("usb"), QLatin1StringView("firewire"), QLatin1StringView("ieee1394"),
        QLatin1StringView("mmc"), QLatin1StringView("memstick")};
    return std::any_of(kBuses.begin(), kBuses.end(),
                       [&](QLatin1StringView bus) { return subsystem == bus; });
}

bool HangsUnderRemovableBus(const QString &diskPath, const QString &sysfs)
{
    // The disk's path is canonical, so its tree's must be too (a stand-in tree may be linked).
    QString devicesRoot = QFileInfo(sysfs + QStringLiteral("/devices")).canonicalFilePath();
    if (devicesRoot.isEmpty()) {
        devicesRoot = QDir::cleanPath(sysfs + QStringLiteral("/devices"));
    }
    QString dir = diskPath;
    while (dir.startsWith(devicesRoot + QLatin1Char('/'))) {
        const QFileInfo subsystem(dir + QStringLiteral("/subsystem"));
        if (subsystem.isSymLink() &&
            IsRemovableBus(QFileInfo(subsystem.symLinkTarget()).fileName())) {
            return true;
        }
        dir = QFileInfo(dir).path();
    }
    return false;
}

struct BlockDevice {
    QString kernelName; // "sdb1"
    QString diskPath;   // canonical sysfs folder of the whole disk
    QString diskName;   // "sdb"
};

std::optional<BlockDevice> ResolveBlockDevice(const DriveTrees &trees, std::uint32_t major,
                                              std::uint32_t minor)
{
    const QFileInfo link(trees.sysfs + QStringLiteral("/dev/block/%1:%2").arg(major).arg(minor));
    const QString devicePath = link.canonicalFilePath();
    if (devicePath.isEmpty()) {
        return std::nullopt; // no block device behind this mount (tmpfs, proc, btrfs subvolumes)
    }
    BlockDevice device;
    device.kernelName = QFileInfo(devicePath).fileName();
    // A partition's folder sits inside its disk's folder.
    device.diskPath = QFileInfo::exists(devicePath + QStringLiteral("/partition"))
                          ? QFileInfo(devicePath).path()
                          : devicePath;
    device.diskName = QFileInfo(device.diskPath).fileName();
    return device;
}

bool IsRemovable(const BlockDevice &device, const DriveTrees &trees)
{
    if (device.diskName.startsWith(QLatin1StringView("mmcblk"))) {
        // Every mmcblk hangs under the MMC bus; only the soldered eMMC ("MMC") stays inside.
        return ReadSysAttribute(device.diskPath + QStringLiteral("/device/type")) !=
               QLatin1StringView("MMC");
    }
    if (ReadSysAttribute(device.diskPath + QStringLiteral("/removable")) ==
        QLatin1StringView("1")) {
        return true;
    }
    // Many USB card readers report removable 0; their bus still says what they are.
    return HangsUnderRemovableBus(device.diskPath, trees.sysfs);
}

int HexValue(QChar c)
{
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
        return c.unicode() - '0';
    }
    if (c >= QLatin1Char('a') && c <= QLatin1Char('f')) {
        return c.unicode() - 'a' + 10;
    }
    if (c >= QLatin1Char('A') && c <= QLatin1Char('F')) {
        return c.unicode() - 'A' + 10;
    }
    return -1;
}

// udev writes labels with unsafe bytes as "\xHH" (ID_FS_LABEL_ENC, disk/by-label names).
QString DecodeUdevString(const QByteArray &encoded)
{
    QByteArray out;
    const QString text = QString::fromLatin1(encoded);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\\') && i + 3 < text.size() &&
            text[i + 1] == QLatin1Char('x')) {
            const int high = HexValue(text[i + 2]);
            const int low = HexValue(text[i + 3]);
            if (high >= 0 && low >= 0) {
                out.append(static_cast<char>(high * 16 + low));
                i += 3;
                continue;
            }
        }
        out.append(static_cast<char>(text[i].unicode()));
    }
    return QString::fromUtf8(out);
}

// A fake dev tree keeps udev's database beside it: <devdir>/udev/b<MAJ>:<MIN>.
std::optional<QString> LabelFromUdevDatabaseFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith("E:ID_FS_LABEL_ENC=")) {
            return DecodeUdevString(line.mid(18));
        }
    }
    return std::nullopt;
}

struct UdevDeleter {
    void operator()(udev *u) const { udev_unref(u); }
    void operator()(udev_device *d) const { udev_device_unref(d); }
};

std::optional<QString> LabelFromUdev(std::uint32_t major, std::uint32_t minor)
{
    const std::unique_ptr<udev, UdevDeleter> context(udev_new());
    if (!context) {
        return std::nullopt;
    }
    const std::unique_ptr<udev_device, UdevDeleter> device(
        udev_device_new_from_devnum(context.get(), 'b', makedev(major, minor)));
    if (!device) {
        return std::nullopt;
    }
    const char *encoded = udev_device_get_property_value(device.get(), "ID_FS_LABEL_ENC");
    if (!encoded) {
        return std::nullopt;
    }
    return DecodeUdevString(QByteArray(encoded));
}

// disk/by-label holds one link per label, so two cards with one label need udev's database.
QString LabelFromByLabelLinks(const DriveTrees &trees, const QString &kernelName)
{
    QDir dir(trees.devDir + QStringLiteral("/disk/by-label"));
    const QFileInfoList links =
        dir.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &link : links) {
        if (link.isSymLink() && QFileInfo(link.symLinkTarget()).fileName() == kernelName) {
            return DecodeUdevString(QFile::encodeName(link.fileName()));
        }
    }
    return {};
}

QString VolumeLabel(const DriveTrees &trees, const BlockDevice &device, std::uint32_t major,
                    std::uint32_t minor)
{
    std::optional<QString> label;
    if (trees.liveDevDir) {
        label = LabelFromUdev(major, minor);
    } else {
        label = LabelFromUdevDatabaseFile(trees.devDir +
                                          QStringLiteral("/udev/b%1:%2").arg(major).arg(minor));
    }
    return label ? *label : LabelFromByLabelLinks(trees, device.kernelName);
}

std::optional<RemovableDrive> Classify(const MountEntry &entry, const DriveTrees &trees)
{
    const QString root = NormalizedRoot(entry.mountPoint);
    if (root == QLatin1StringView("/") || root == QLatin1StringView("/boot")) {
        return std::nullopt;
    }
    if (entry.fsRoot != QLatin1StringView("/")) {
        return std::nullopt; // a bind mount of a sub-folder is not a drive
    }
    const auto device = ResolveBlockDevice(trees, entry.major, entry.minor);
    if (!device || !IsRemovable(*device, trees)) {
        return std::nullopt;
    }
    RemovableDrive drive;
    drive.root = root;
    drive.device = entry.source;
    drive.kernelName = device->kernelName;
    drive.mountId = entry.mountId;
    drive.major = entry.major;
    drive.minor = entry.minor;
    drive.label = VolumeLabel(trees, *device, entry.major, entry.minor);
    return drive;
}

} // namespace

std::vector<RemovableDrive> ListRemovableDrives()
{
    const DriveTrees trees = CurrentTrees();
    std::vector<RemovableDrive> drives;
    for (const MountEntry &entry : ReadMountTable(trees)) {
        if (auto drive = Classify(entry, trees)) {
            drives.push_back(std::move(*drive));
        }
    }
    return drives;
}

bool HasRemovableDrive()
{
    return !ListRemovableDrives().empty();
}

std::optional<RemovableDrive> FindRemovableDrive(const QString &root)
{
    if (root.isEmpty()) {
        return std::nullopt;
    }
    const QString wanted = NormalizedRoot(root);
    for (RemovableDrive &drive : ListRemovableDrives()) {
        if (drive.root == wanted) {
            return std::move(drive);
        }
    }
    return std::nullopt;
}

bool PathIsOnRoot(const QString &path, const QString &root)
{
    if (path.isEmpty() || root.isEmpty()) {
        return false;
    }
    const QString p = NormalizedRoot(path);
    const QString r = NormalizedRoot(root);
    if (p == r || r == QLatin1StringView("/")) {
        return true;
    }
    return p.startsWith(r) && p.at(r.size()) == QLatin1Char('/');
}

std::optional<RemovableDrive> RemovableDriveOf(const QString &path)
{
    std::optional<RemovableDrive> best;
    for (RemovableDrive &drive : ListRemovableDrives()) {
        if (PathIsOnRoot(path, drive.root) && (!best || drive.root.size() > best->root.size())) {
            best = std::move(drive);
        }
    }
    return best;
}

std::optional<DriveSpace> GetDriveSpace(const QString &root)
{
    if (root.isEmpty()) {
        return std::nullopt;
    }
    const DriveTrees trees = CurrentTrees();
    const QString wanted = NormalizedRoot(root);
    const std::vector<MountEntry> table = ReadMountTable(trees);
    // The last mount at a path is the one in use.
    const auto mount = std::find_if(table.rbegin(), table.rend(), [&](const MountEntry &entry) {
        return NormalizedRoot(entry.mountPoint) == wanted;
    });
    if (mount == table.rend()) {
        return std::nullopt;
    }
    const QByteArray path = QFile::encodeName(wanted);
    if (trees.liveMountTable) {
        // Still the mounted file system, not a folder that took its place in between.
        struct stat info = {};
        if (::stat(path.constData(), &info) != 0 ||
            info.st_dev != makedev(mount->major, mount->minor)) {
            return std::nullopt;
        }
    }
    struct statvfs fs = {};
    if (::statvfs(path.constData(), &fs) != 0) {
        return std::nullopt;
    }
    DriveSpace space;
    space.totalBytes = static_cast<std::uint64_t>(fs.f_blocks) * fs.f_frsize;
    space.freeBytesAvailable = static_cast<std::uint64_t>(fs.f_bavail) * fs.f_frsize;
    return space;
}
