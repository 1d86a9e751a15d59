#include "library/CRecordingEntry.h"

QString CRecordingEntry::ColumnText(int column) const
{
    switch (column) {
    case ColumnName:
        return m_strName;
    case ColumnDate:
        return m_strDate;
    case ColumnSize:
        return m_strSize;
    case ColumnCheck:
        return m_bChecked ? QStringLiteral("1") : QStringLiteral("0");
    case ColumnPath:
        return m_strPath;
    case ColumnFullDate:
        return QString::number(m_nFullDate);
    default:
        return QString();
    }
}
