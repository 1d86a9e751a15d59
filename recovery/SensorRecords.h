#pragma once

// The sensor stream's records recognised by their own layout (docs/recording-format.md): a
// G-sensor sample ('M' and three 32-bit axes holding 16-bit readings) or an NMEA sentence
// ending in a zero byte.

#include "recovery/Bytes.h"

#include <cstdint>
#include <optional>

namespace recovery
{

enum class SensorKind { GSensor, Nmea };

struct SensorMatch {
    enum class Result { No, NotWhole, Yes } result = Result::No;
    SensorKind kind = SensorKind::GSensor;
    std::size_t length = 0;
};

// The most bytes a record takes: a sentence of the viewer's longest, "*hh" and its zero byte.
inline constexpr std::size_t kMaxSensorRecordBytes = 1024 + 4;

// Whether a record starts at bytes[0]; NotWhole when one starts but the bytes end inside it.
SensorMatch MatchSensorRecord(Bytes bytes);

// When the camera takes each kind of record: G-sensor samples every 100 ms at 50, 150, ...;
// fixes every second at 0, 1000, ... (ms from the first frame).
struct SensorGrid {
    std::uint32_t periodMs;
    std::uint32_t phaseMs;
};
SensorGrid GridOf(SensorKind kind);

// A record's time: the point of its kind's grid in [fromMs, toMs) (the frames written before
// and after it), else fromMs.
std::uint32_t SensorRecordTime(SensorKind kind, std::int64_t fromMs,
                               std::optional<std::int64_t> toMs);

} // namespace recovery
