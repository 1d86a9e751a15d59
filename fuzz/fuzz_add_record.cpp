// One raw record of the sensor stream, appended to a track.
#include "sensors/CTextData.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    CTextData track = CTextData::Empty();
    track.AddRecord(std::span<const std::uint8_t>(data, size), 1000);
    CTextData merged;
    merged.Append(track);
    return 0;
}
