#pragma once

// Writes a new file whose bulk is ranges of an existing one: those ranges are copied inside the
// operating system where the file systems allow it (no trip through this process's memory),
// else read and written. The source is only ever read.

#include "platform/UniqueFd.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace platform
{

class FileSplicer
{
public:
    FileSplicer() = default;
    FileSplicer(const FileSplicer &) = delete;
    FileSplicer &operator=(const FileSplicer &) = delete;

    // Opens `source` for reading and creates (or empties) `target`. False with a reason.
    bool Open(const QString &source, const QString &target, QString *error);

    // At the current position of the target, advancing it.
    bool Write(const void *data, std::int64_t size);
    bool CopyFromSource(std::int64_t offset, std::int64_t size);

    bool Seek(std::int64_t position);
    std::int64_t Position() const { return m_position; }
    std::int64_t Size() const { return m_size; }

    // Flushes and closes the target; false with a reason when anything failed.
    bool Close(QString *error);

private:
    bool Fail(const char *what);
    void Advance(std::int64_t bytes);

    static constexpr std::int64_t kBufferSize = 1 << 20;

    UniqueFd m_source;
    UniqueFd m_target;
    std::int64_t m_position = 0;
    std::int64_t m_size = 0;
    QString m_error;
    bool m_bCopyRange = true;   // false once the kernel copy failed: read and write instead
    std::vector<char> m_buffer; // for reading and writing, made on first need
};

} // namespace platform
