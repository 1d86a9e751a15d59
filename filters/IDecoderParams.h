#pragma once

#include "platform/HResult.h"

#include <cstdint>

// The video decoder's parameter interface: one call, a parameter id and a 32-bit value.
// Ids: 205 picture properties on, 202 brightness offset (-150..150), 1101 flips on,
// 1112 vertical flip (0/1), 1113 horizontal flip (0/1). A new value applies to the next
// frame that leaves the decoder.
class IDecoderParams
{
public:
    virtual ~IDecoderParams() = default;
    virtual HRESULT SetDecoderParam(int id, std::int32_t value) = 0;
};
