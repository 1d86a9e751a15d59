#pragma once

#include "platform/HResult.h"

#include <QString>

// A component that reads its data from a file, opened with Load before any other call.
class IFileSourceFilter
{
public:
    virtual ~IFileSourceFilter() = default;
    // S_OK, or a failure code (VFW_E_INVALID_FILE_FORMAT for a file it cannot read).
    virtual HRESULT Load(const QString &path) = 0;
};
