// A whole mount table as the kernel could write it.
#include "platform/MountInfo.h"

#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray text = ToByteArray(data, size);
    ParseMountInfo(text);
    DecodeMountInfoField(text);
    return 0;
}
