#include "library/CardInformation.h"

#include "library/LibraryLogging.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>

namespace CardInformation
{

namespace
{

constexpr qsizetype kCategoryPos = 16;
constexpr qsizetype kCategoryLen = 3;
constexpr int kFirmwareBytes = 16;

std::int32_t ReadLittleEndian32(const unsigned char *p)
{
    const std::uint32_t value = std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) |
                                (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
    return static_cast<std::int32_t>(value);
}

} // namespace

std::int64_t SumCategoryKiB(const QString &folder, const QString &category)
{
    std::int64_t total = 0;
    const QString wanted = category.toUpper();
    QDirIterator it(folder,
                    QDir::Dirs | QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isDir()) {
            // A linked folder could lead back up the tree: only real sub-folders are walked.
            if (!info.isSymLink()) {
                total += SumCategoryKiB(info.filePath(), category);
            }
            continue;
        }
        const QString name = info.fileName();
        const QString extension = name.right(4).toUpper();
        if (extension != QLatin1StringView(".AVI") && extension != QLatin1StringView(".MP4")) {
            continue;
        }
        if (name.mid(kCategoryPos, kCategoryLen).toUpper() == wanted) {
            total += static_cast<std::int64_t>(static_cast<std::uint64_t>(info.size()) >> 10);
        }
    }
    return total;
}

QString FirmwareVersionFromBytes(const QByteArray &bytes)
{
    if (bytes.isEmpty()) {
        return {};
    }
    unsigned char buffer[kFirmwareBytes] = {};
    std::memcpy(buffer, bytes.constData(), std::min<qsizetype>(bytes.size(), kFirmwareBytes));
    return QString::asprintf("%d.%03d", ReadLittleEndian32(buffer + 8),
                             ReadLittleEndian32(buffer + 12));
}

QString ReadFirmwareVersion(const QString &root)
{
    QFile file(PathOnCard(root, QStringLiteral("Configs/km7_sysenv.cfg")));
    if (!file.open(QIODevice::ReadOnly)) {
        qCDebug(lcLibrary) << "no firmware version file" << file.fileName();
        return {};
    }
    return FirmwareVersionFromBytes(file.read(kFirmwareBytes));
}

QString FormatCapacity(double mebibytes)
{
    const float gigabytes = static_cast<float>(mebibytes * (1.0 / 1024.0));
    return QString::asprintf("%.1f GB", static_cast<double>(gigabytes));
}

QString PathOnCard(const QString &root, const QString &relative)
{
    QString path = root;
    const QStringList parts = relative.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const QString exact = path + QLatin1Char('/') + part;
        if (QFileInfo::exists(exact)) {
            path = exact;
            continue;
        }
        const QStringList names = QDir(path).entryList(QDir::AllEntries | QDir::Hidden |
                                                       QDir::System | QDir::NoDotAndDotDot);
        const auto match = std::find_if(names.begin(), names.end(), [&](const QString &name) {
            return name.compare(part, Qt::CaseInsensitive) == 0;
        });
        path = match != names.end() ? path + QLatin1Char('/') + *match : exact;
    }
    return QDir::cleanPath(path);
}

} // namespace CardInformation
