#pragma once

// Reads an existing file at any offset, without moving a shared position and without mapping
// it: a reader that looks at a few bytes here and there across a large file pays for what it
// reads, not for every page it touches.

#include "platform/UniqueFd.h"

#include <QString>

#include <cstdint>

namespace platform
{

class FileReader
{
public:
    FileReader() = default;
    FileReader(const FileReader &) = delete;
    FileReader &operator=(const FileReader &) = delete;

    // False with a reason.
    bool Open(const QString &path, QString *error);
    std::int64_t Size() const { return m_size; }

    // Reads up to `count` bytes at `offset` into `buffer`: the number read, fewer only at the
    // end of the file, or -1 with Error() set.
    std::int64_t ReadAt(std::int64_t offset, void *buffer, std::int64_t count);
    const QString &Error() const { return m_error; }

private:
    UniqueFd m_fd;
    std::int64_t m_size = 0;
    QString m_error;
};

} // namespace platform
