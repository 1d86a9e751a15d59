#pragma once

#include "platform/HResult.h"

#include <cstdint>

// Interface {DFDDE520-9A29-42DF-8553-C7B5B70C4E6A} of the sensor data source: one record of
// the recording's sensor stream per call, in stream order.
class ISensorDataReader
{
public:
    // Results of ReadRecord besides S_OK: the end of the records. Callers treat both as the
    // end; the source reports kEndOfData when the stream ends and kCannotReadFurther when it
    // gave up on a damaged file.
    static constexpr HRESULT kEndOfData = S_FALSE;    // 1
    static constexpr HRESULT kCannotReadFurther = 38; // the end-of-file code

    virtual ~ISensorDataReader() = default;

    // On S_OK: buffer holds one record (its bytes as stored), *size its length and *time its
    // offset in ms from the start of the recording. On input *size is the buffer's capacity.
    // Any result other than S_OK, kEndOfData and kCannotReadFurther delivered nothing this
    // time; the caller may ask again.
    virtual HRESULT ReadRecord(std::uint8_t *buffer, std::uint32_t *size, std::uint32_t *time) = 0;
};
