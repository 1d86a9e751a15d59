#pragma once

#include "library/CRecordingEntry.h"

#include <QDate>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

// The rules that turn a folder of the card into catalogue rows: which folder to read, which
// files are recordings of the chosen category and date, how their columns read, and the
// order of the rows. No widgets: the file lists append what this yields.
class CCatalogue
{
public:
    // The category filter's type argument: 1 All, 2 Normal, 3 Event, 4 Motion.
    enum Type { TypeAll = 1, TypeNormal = 2, TypeEvent = 3, TypeMotion = 4 };
    // The date filter flag: 0 every date, 1 only the filter date; other values keep nothing.
    enum DateFilter { DateFilterOff = 0, DateFilterOn = 1 };

    static constexpr qint64 kMinimumSizeBytes = 1024;

    // "" for All and for any unknown type, else "NOR", "EVT" or "MOT".
    static QString CategoryToken(int type);

    // Folder mode reads the chosen folder itself; otherwise the root's "Recordings" folder.
    // An empty root gives an empty folder, which scans as nothing.
    static QString FolderToScan(const QString &libraryRoot, bool folderMode);

    // "yyyymmdd" of the filter date in local time; "00000000" when it cannot be converted.
    static QString DateFilterString(const QDateTime &filterDate);
    static QString DateFilterString(const QDate &filterDate);

    // Name tests on the name's positions: the last four characters are ".AVI" or ".MP4", the
    // three from position 16 are the category token, the first eight the recording date.
    // Letters compare upper-cased; names too short for a position simply do not match.
    static bool HasRecordingExtension(const QString &name);
    static bool MatchesCategory(const QString &name, const QString &categoryToken);
    static bool MatchesDate(const QString &name, const QString &dateFilterString);

    // Column formats.
    static QString FormatDate(std::int64_t lastWriteSeconds); // "yy.mm.dd", local time
    static QString FormatDate(const QDateTime &lastWrite);
    static QString FormatSize(qint64 sizeBytes);                   // KiB, thousands separated
    static std::int32_t FullDateSeconds(qint64 secondsSinceEpoch); // low 32 bits, signed

    // The row for one file of a folder, unchecked.
    static CRecordingEntry MakeEntry(const QString &folder, const QString &name, qint64 sizeBytes,
                                     std::int64_t lastWriteSeconds);

    // Reads the files directly inside folder (no sub-folders) and hands every recording that
    // passes the filters to append, in the order the folder lists them. A missing or
    // unreadable folder yields nothing.
    using EntrySink = std::function<void(CRecordingEntry &&entry)>;
    static void ScanFolder(const QString &folder, const QString &categoryToken, int dateFilter,
                           const QDateTime &filterDate, const EntrySink &append);
    static std::vector<CRecordingEntry> ScanFolder(const QString &folder,
                                                   const QString &categoryToken, int dateFilter,
                                                   const QDateTime &filterDate);

    // The list's order: names compared code unit by code unit as unsigned 16-bit values.
    static bool NameLess(const QString &left, const QString &right);
    static void SortByName(std::vector<CRecordingEntry> &entries);

    // The whole rebuild: folder to scan, category token, scan, sort.
    static std::vector<CRecordingEntry> Build(const QString &libraryRoot, bool folderMode, int type,
                                              int dateFilter, const QDateTime &filterDate);
};
