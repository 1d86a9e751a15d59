#include "recovery/FileWindow.h"

#include <algorithm>
#include <cstring>

namespace recovery
{
namespace
{

// Each read brings this much (a camera writes tens of kilobytes a frame); larger reads cost no
// less per byte.
constexpr std::size_t kReadAhead = 256u << 10;
constexpr std::size_t kAlign = 4096;

} // namespace

bool FileWindow::Open(const QString &path, QString *error)
{
    if (!m_reader.Open(path, error))
        return false;
    m_size = static_cast<std::size_t>(m_reader.Size());
    m_buffer.resize(kMaxSpan + kAlign + kReadAhead);
    m_from = m_filled = 0;
    return true;
}

void FileWindow::Fill(std::size_t offset, std::size_t count)
{
    m_from = offset - offset % kAlign;
    const std::size_t wanted =
        std::min(m_size - m_from, std::max(offset - m_from + count, kReadAhead));
    const std::int64_t n = m_reader.ReadAt(static_cast<std::int64_t>(m_from), m_buffer.data(),
                                           static_cast<std::int64_t>(wanted));
    if (n == static_cast<std::int64_t>(wanted)) {
        m_filled = wanted;
        return;
    }
    // Gone or shrunk under us: what was asked for reads as zeros, and the reader is told.
    if (m_error.isEmpty())
        m_error = n < 0 ? m_reader.Error() : QStringLiteral("the file became shorter");
    std::memset(m_buffer.data(), 0, wanted);
    m_filled = 0;
}

} // namespace recovery
