#pragma once

// A file's bytes at any offset, read through one buffer that is filled ahead of where it was
// last asked: a scan that moves forward through a recording reads each part of it once, in
// large reads, and never maps it.

#include "recovery/Bytes.h"

#include "platform/files/FileReader.h"

#include <QString>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace recovery
{

class FileWindow
{
public:
    // The most At() hands out at once.
    static constexpr std::size_t kMaxSpan = 1u << 20;

    bool Open(const QString &path, QString *error);
    std::size_t Size() const { return m_size; }

    // The `count` bytes at `offset` (at most kMaxSpan; fewer only past the end of the file);
    // valid until the next call. When the file cannot be read they are zeros and Failed() says so:
    // the caller gives up at its next check, but never reads outside what it asked for.
    Bytes At(std::size_t offset, std::size_t count)
    {
        if (offset >= m_size)
            return {};
        count = std::min({count, kMaxSpan, m_size - offset});
        if (offset < m_from || offset + count > m_from + m_filled)
            Fill(offset, count);
        return Bytes(m_buffer.data() + (offset - m_from), count);
    }
    bool Failed() const { return !m_error.isEmpty(); }
    const QString &Error() const { return m_error; }

private:
    void Fill(std::size_t offset, std::size_t count);

    platform::FileReader m_reader;
    std::size_t m_size = 0;
    std::vector<std::uint8_t> m_buffer; // holds the file from m_from, m_filled bytes of it
    std::size_t m_from = 0;
    std::size_t m_filled = 0;
    QString m_error;
};

} // namespace recovery
