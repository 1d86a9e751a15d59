#pragma once

#include <QString>

#include <cstdint>

// One recording of the catalogue: one row of the file list. The path is the key by which
// everything else reaches the file.
struct CRecordingEntry {
    // The list's column indexes.
    enum Column {
        ColumnName = 0,     // "Name"
        ColumnDate = 1,     // "Data"
        ColumnSize = 2,     // "Size"
        ColumnCheck = 3,    // "Check"
        ColumnPath = 4,     // "Path"
        ColumnFullDate = 5, // "Full Date"
        ColumnCount = 6,
    };

    QString m_strName; // the file name as the file system returns it
    QString m_strDate; // last write, local time, "yy.mm.dd"
    QString m_strSize; // size in KiB, "1,205"
    bool m_bChecked = false;
    QString m_strPath;            // scanned folder, '/', file name
    std::int32_t m_nFullDate = 0; // last write in seconds since 1970, low 32 bits, signed

    // The cell text of a column: the check column reads "1" or "0"; "" past the last column.
    QString ColumnText(int column) const;
};
