#include "recovery/SensorRecords.h"

namespace recovery
{
namespace
{

constexpr std::size_t kGSensorRecordBytes = 13;
// The viewer's limit for a sentence, before its zero byte.
constexpr std::size_t kMaxSentence = kMaxSensorRecordBytes - 4;

int HexDigit(std::uint8_t c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "TTSSS,...*hh\0": a talker and type of five capitals, printable text, a correct checksum.
SensorMatch MatchSentence(Bytes bytes)
{
    using R = SensorMatch::Result;
    for (std::size_t i = 0; i < 6; ++i) {
        if (i >= bytes.size())
            return {R::NotWhole, SensorKind::Nmea, 0};
        const bool ok = i < 5 ? bytes[i] >= 'A' && bytes[i] <= 'Z' : bytes[i] == ',';
        if (!ok)
            return {};
    }
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < kMaxSentence; ++i) {
        if (i >= bytes.size())
            return {R::NotWhole, SensorKind::Nmea, 0};
        const std::uint8_t c = bytes[i];
        if (c == '*') {
            if (i + 3 >= bytes.size())
                return {R::NotWhole, SensorKind::Nmea, 0};
            const int hi = HexDigit(bytes[i + 1]), lo = HexDigit(bytes[i + 2]);
            if (hi < 0 || lo < 0 || (hi << 4 | lo) != sum || bytes[i + 3] != 0)
                return {};
            return {R::Yes, SensorKind::Nmea, i + 4};
        }
        if (c < 0x20 || c > 0x7E)
            return {};
        sum ^= c;
    }
    return {};
}

} // namespace

SensorMatch MatchSensorRecord(Bytes bytes)
{
    using R = SensorMatch::Result;
    if (bytes.empty())
        return {};
    if (bytes[0] == 'M') {
        if (bytes.size() < kGSensorRecordBytes)
            return {R::NotWhole, SensorKind::GSensor, 0};
        // A sensor's axes are 16-bit readings: the upper half of each 32-bit value only
        // extends the sign.
        for (std::size_t axis = 0; axis < 3; ++axis) {
            const std::uint8_t *high = &bytes[1 + 4 * axis + 2];
            const bool positive = high[0] == 0x00 && high[1] == 0x00;
            const bool negative = high[0] == 0xFF && high[1] == 0xFF;
            if (!positive && !negative)
                return {};
        }
        return {R::Yes, SensorKind::GSensor, kGSensorRecordBytes};
    }
    return MatchSentence(bytes);
}

SensorGrid GridOf(SensorKind kind)
{
    return kind == SensorKind::GSensor ? SensorGrid{100, 50} : SensorGrid{1000, 0};
}

std::uint32_t SensorRecordTime(SensorKind kind, std::int64_t fromMs,
                               std::optional<std::int64_t> toMs)
{
    const SensorGrid grid = GridOf(kind);
    const std::int64_t from = std::max<std::int64_t>(0, fromMs);
    const std::int64_t steps = (from - grid.phaseMs + grid.periodMs - 1) / grid.periodMs;
    const std::int64_t point = grid.phaseMs + std::max<std::int64_t>(0, steps) * grid.periodMs;
    if (point >= from && (!toMs || point < *toMs))
        return static_cast<std::uint32_t>(point);
    return static_cast<std::uint32_t>(from);
}

} // namespace recovery
