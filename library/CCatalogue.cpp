#include "library/CCatalogue.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QLoggingCategory>

#include <algorithm>
#include <cstdlib>

namespace
{
Q_LOGGING_CATEGORY(lcCatalogue, "quorvil.library")

const QString kRecordingsFolder = QStringLiteral("Recordings");

QString JoinPath(const QString &folder, const QString &name)
{
    if (folder.endsWith(u'/'))
        return folder + name;
    return folder + u'/' + name;
}

QString TwoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

} // namespace

QString CCatalogue::CategoryToken(int type)
{
    switch (type) {
    case TypeNormal:
        return QStringLiteral("NOR");
    case TypeEvent:
        return QStringLiteral("EVT");
    case TypeMotion:
        return QStringLiteral("MOT");
    default:
        return QString();
    }
}

QString CCatalogue::FolderToScan(const QString &libraryRoot, bool folderMode)
{
    // No library chosen: nothing to read (never the file system's own root).
    if (libraryRoot.isEmpty())
        return QString();
    if (folderMode)
        return libraryRoot;
    return JoinPath(libraryRoot, kRecordingsFolder);
}

QString CCatalogue::DateFilterString(const QDate &filterDate)
{
    if (!filterDate.isValid() || filterDate.year() < 0)
        return QStringLiteral("00000000");
    return QStringLiteral("%1%2%3")
        .arg(filterDate.year(), 4, 10, QLatin1Char('0'))
        .arg(TwoDigits(filterDate.month()), TwoDigits(filterDate.day()));
}

QString CCatalogue::DateFilterString(const QDateTime &filterDate)
{
    if (!filterDate.isValid())
        return QStringLiteral("00000000");
    return DateFilterString(filterDate.toLocalTime().date());
}

bool CCatalogue::HasRecordingExtension(const QString &name)
{
    const QString extension = name.right(4).toUpper();
    return extension == QLatin1String(".AVI") || extension == QLatin1String(".MP4");
}

bool CCatalogue::MatchesCategory(const QString &name, const QString &categoryToken)
{
    return categoryToken.isEmpty() || name.mid(16, 3).toUpper() == categoryToken;
}

bool CCatalogue::MatchesDate(const QString &name, const QString &dateFilterString)
{
    return name.left(8) == dateFilterString;
}

QString CCatalogue::FormatDate(const QDateTime &lastWrite)
{
    const QDate date = lastWrite.toLocalTime().date();
    return QStringLiteral("%1.%2.%3")
        .arg(TwoDigits(std::abs(date.year()) % 100), TwoDigits(date.month()),
             TwoDigits(date.day()));
}

QString CCatalogue::FormatSize(qint64 sizeBytes)
{
    // Every group of three digits is separated, so that large files read as numbers too.
    const QString digits = QString::number(sizeBytes >> 10);
    QString grouped;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += u',';
        grouped += digits[i];
    }
    return grouped;
}

std::int32_t CCatalogue::FullDateSeconds(qint64 secondsSinceEpoch)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(secondsSinceEpoch & 0xFFFFFFFF));
}

CRecordingEntry CCatalogue::MakeEntry(const QString &folder, const QString &name, qint64 sizeBytes,
                                      const QDateTime &lastWrite)
{
    CRecordingEntry entry;
    entry.m_strName = name;
    entry.m_strDate = FormatDate(lastWrite);
    entry.m_strSize = FormatSize(sizeBytes);
    entry.m_strPath = JoinPath(folder, name);
    entry.m_nFullDate = FullDateSeconds(lastWrite.toSecsSinceEpoch());
    return entry;
}

void CCatalogue::ScanFolder(const QString &folder, const QString &categoryToken, int dateFilter,
                            const QDateTime &filterDate, const EntrySink &append)
{
    if (dateFilter != DateFilterOff && dateFilter != DateFilterOn)
        return;
    const QString dateString =
        dateFilter == DateFilterOn ? DateFilterString(filterDate) : QString();

    if (!QFileInfo(folder).isDir()) {
        qCDebug(lcCatalogue) << "no folder to scan at" << folder;
        return;
    }
    // Regular files (and links to them) only: folders, devices and pipes are never recordings.
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        const QString name = info.fileName();
        if (!HasRecordingExtension(name) || !MatchesCategory(name, categoryToken))
            continue;
        if (info.size() < kMinimumSizeBytes)
            continue;
        if (dateFilter == DateFilterOn && !MatchesDate(name, dateString))
            continue;
        CRecordingEntry entry = MakeEntry(folder, name, info.size(), info.lastModified());
        // A name that is not valid UTF-8 cannot be reached again through its decoded path;
        // listing it would only lead to a file that cannot be opened.
        if (!QFileInfo::exists(entry.m_strPath)) {
            qCWarning(lcCatalogue) << "skipping a file whose name cannot be decoded in" << folder;
            continue;
        }
        append(std::move(entry));
    }
}

std::vector<CRecordingEntry> CCatalogue::ScanFolder(const QString &folder,
                                                    const QString &categoryToken, int dateFilter,
                                                    const QDateTime &filterDate)
{
    std::vector<CRecordingEntry> entries;
    ScanFolder(folder, categoryToken, dateFilter, filterDate,
               [&](CRecordingEntry &&entry) { entries.push_back(std::move(entry)); });
    return entries;
}

bool CCatalogue::NameLess(const QString &left, const QString &right)
{
    const QStringView l(left);
    const QStringView r(right);
    return std::lexicographical_compare(l.utf16(), l.utf16() + l.size(), r.utf16(),
                                        r.utf16() + r.size());
}

void CCatalogue::SortByName(std::vector<CRecordingEntry> &entries)
{
    std::stable_sort(entries.begin(), entries.end(),
                     [](const CRecordingEntry &a, const CRecordingEntry &b) {
                         return NameLess(a.m_strName, b.m_strName);
                     });
}

std::vector<CRecordingEntry> CCatalogue::Build(const QString &libraryRoot, bool folderMode,
                                               int type, int dateFilter,
                                               const QDateTime &filterDate)
{
    std::vector<CRecordingEntry> entries = ScanFolder(FolderToScan(libraryRoot, folderMode),
                                                      CategoryToken(type), dateFilter, filterDate);
    SortByName(entries);
    return entries;
}
