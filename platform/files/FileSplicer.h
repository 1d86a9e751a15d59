#pragma once

// Writes a new file whose bulk is ranges of an existing one: those ranges are copied inside the
// operating system where the file systems allow it (no trip through this process's memory),
// else read and written. The source is only ever read.

#include "platform/UniqueFd.h"

#include <QString>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <stop_token>
#include <thread>
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

    // Starts copying the source's bytes [offset, offset + size) to the same offsets of the target
    // on a thread of its own, while the caller works out what the target is to hold: when the
    // target turns out to hold those bytes where the source does, CopyFromSource of them only
    // moves past them. Any other call waits for that copy to end first.
    void CopyAheadInBackground(std::int64_t offset, std::int64_t size);
    // The copy ahead need not go past `end` of the source after all (it stops there if it has
    // not yet).
    void TrimCopyAhead(std::int64_t end) { m_aheadEnd = std::min(m_aheadEnd.load(), end); }

    // At the current position of the target, advancing it.
    bool Write(const void *data, std::int64_t size);
    bool CopyFromSource(std::int64_t offset, std::int64_t size);

    bool Seek(std::int64_t position);
    std::int64_t Position() const { return m_position; }
    std::int64_t Size() const { return m_size; }

    // Flushes and closes the target, cutting it to Size(); false with a reason when anything
    // failed.
    bool Close(QString *error);

private:
    bool Fail(const char *what);
    void Advance(std::int64_t bytes);
    // Waits for the copy ahead to end.
    void FinishCopyAhead();
    // `size` bytes are about to be written at the current position.
    void Overwriting(std::int64_t size);
    void CopyAhead(std::stop_token stop, std::int64_t offset);

    UniqueFd m_source;
    UniqueFd m_target;
    std::int64_t m_position = 0;
    std::int64_t m_size = 0;
    QString m_error;
    bool m_bCopyRange = true;   // false once the kernel copy failed: read and write instead
    std::vector<char> m_buffer; // for reading and writing, made on first need
    // The copy ahead: [m_aheadFrom, m_aheadFrom + m_aheadDone) of the source lies at the same
    // offsets of the target. Written by its thread, read once it has ended.
    std::int64_t m_aheadFrom = 0;
    std::int64_t m_aheadDone = 0;
    std::atomic<std::int64_t> m_aheadEnd = 0; // where the source range ends; may move down
    std::jthread m_ahead;                     // last: stopped and joined before the files close
};

} // namespace platform
