// An RMC sentence as the sensor stream stores it: any bytes, any length.
#include "sensors/CGPSData.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    CGPSData fix;
    fix.ParseRMC(std::string_view(reinterpret_cast<const char *>(data), size), 1234);
    return 0;
}
