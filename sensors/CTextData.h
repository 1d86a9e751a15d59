#pragma once

#include "sensors/CGPSData.h"
#include "sensors/CGSensorData.h"
#include "platform/LocalTime.h"

#include <cstdint>
#include <span>
#include <vector>

// The sensor track of the open recording: every G-sensor sample and every valid GPS fix, in
// delivery order (ascending time offset). Not locked: it belongs to one thread (the main
// window's); the loader hands records over on that thread.
class CTextData
{
public:
    static constexpr std::size_t kInitialEntries = 1024;

    // Both arrays pre-sized to 1024 zeroed entries (the state before the first load).
    CTextData();
    // A track with both arrays empty (a chunk being filled).
    static CTextData Empty();

    // Parses one raw record of the data source and appends what it yields: 'M' and three
    // int32 little-endian raw axes (each halved, then clamped), or an RMC sentence starting
    // "GPRMC" (appended only when valid). Anything else is skipped. Bytes missing at the end
    // of a short record read as 0, as in the reader's zero-filled buffer. Returns 0.
    int AddRecord(std::span<const std::uint8_t> record, std::uint32_t time);

    // Empties both arrays and releases their storage.
    void RemoveAll();

    // Appends another track's entries (a chunk the loader's worker parsed).
    void Append(const CTextData &chunk);

    std::vector<CGSensorData> m_arrGSensor;
    std::vector<CGPSData> m_arrGPS;

private:
    struct EmptyTag {
    };
    explicit CTextData(EmptyTag) {}

    LocalClock m_clock; // reads the fix times
};
