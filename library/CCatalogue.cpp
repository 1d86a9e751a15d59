#include "library/CCatalogue.h"

#include "library/LibraryLogging.h"
#include "platform/FolderListing.h"
#include "platform/LocalTime.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace
{

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

QString CCatalogue::FormatDate(std::int64_t lastWriteSeconds)
{
    const LocalDate date = LocalDateOfSeconds(lastWriteSeconds).value_or(LocalDate{});
    char text[16];
    std::snprintf(text, sizeof text, "%02d.%02d.%02d", std::abs(date.year) % 100, date.month,
                  date.day);
    return QString::fromLatin1(text);
}

QString CCatalogue::FormatDate(const QDateTime &lastWrite)
{
    if (!lastWrite.isValid())
        return QStringLiteral("00.00.00");
    return FormatDate(lastWrite.toSecsSinceEpoch());
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
                                      std::int64_t lastWriteSeconds)
{
    CRecordingEntry entry;
    entry.m_strName = name;
    entry.m_strDate = FormatDate(lastWriteSeconds);
    entry.m_strSize = FormatSize(sizeBytes);
    entry.m_strPath = JoinPath(folder, name);
    entry.m_nFullDate = FullDateSeconds(lastWriteSeconds);
    return entry;
}

void CCatalogue::ScanFolder(const QString &folder, const QString &categoryToken, int dateFilter,
                            const QDateTime &filterDate, const EntrySink &append)
{
    if (dateFilter != DateFilterOff && dateFilter != DateFilterOn)
        return;
    const QString dateString =
        dateFilter == DateFilterOn ? DateFilterString(filterDate) : QString();

    CFolderListing listing(folder);
    if (!listing.IsOpen()) {
        qCDebug(lcLibrary) << "no folder to scan at" << folder;
        return;
    }
    // The name tests come first, so only recordings of the category cost a status call.
    while (listing.Next()) {
        const QString &name = listing.Name();
        if (!HasRecordingExtension(name) || !MatchesCategory(name, categoryToken))
            continue;
        if (dateFilter == DateFilterOn && !MatchesDate(name, dateString))
            continue;
        if (listing.KnownToBeFolder())
            continue;
        // Regular files (and links to them) only: folders, devices and pipes are never
        // recordings.
        const std::optional<CFolderListing::Status> status = listing.GetStatus();
        if (!status || !status->bRegularFile || status->sizeBytes < kMinimumSizeBytes)
            continue;
        // A name that is not valid UTF-8 cannot be reached again through its decoded path;
        // listing it would only lead to a file that cannot be opened.
        if (!listing.NameIsExact()) {
            qCWarning(lcLibrary) << "skipping a file whose name cannot be decoded in" << folder;
            continue;
        }
        // Whole seconds as a date-time of milliseconds gives them (towards zero).
        append(MakeEntry(folder, name, status->sizeBytes, status->lastWriteMs / 1000));
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
