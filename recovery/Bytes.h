#pragma once

// Integer fields in a file's bytes.

#include <cstdint>
#include <span>

namespace recovery
{

using Bytes = std::span<const std::uint8_t>;

inline std::uint32_t Be32(const std::uint8_t *p)
{
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}
inline std::uint64_t Be64(const std::uint8_t *p)
{
    return std::uint64_t{Be32(p)} << 32 | Be32(p + 4);
}
inline std::uint32_t Le32(const std::uint8_t *p)
{
    return std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
}
inline void PutLe32(std::uint8_t *p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline bool FourCc(const std::uint8_t *p, const char (&code)[5])
{
    return p[0] == code[0] && p[1] == code[1] && p[2] == code[2] && p[3] == code[3];
}

} // namespace recovery
