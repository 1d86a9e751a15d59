// The camera's firmware file: its bytes as read from the card.
#include "library/CardInformation.h"

#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    CardInformation::FirmwareVersionFromBytes(ToByteArray(data, size));
    return 0;
}
