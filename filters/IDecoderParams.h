#pragma once

#include "platform/HResult.h"

#include <cstdint>

// The video decoder's parameter interface: one call, a parameter id and a 32-bit value. A new
// value applies to the next frame that leaves the decoder. Callers and the decoder both take
// the ids from here.
class IDecoderParams
{
public:
    static constexpr int kParamPictureProperties = 205; // picture properties on (0/1)
    static constexpr int kParamBrightness = 202;        // brightness offset -150..150
    static constexpr int kParamFlip = 1101;             // flips on (0/1)
    static constexpr int kParamFlipVertical = 1112;     // 0/1
    static constexpr int kParamFlipHorizontal = 1113;   // 0/1

    virtual ~IDecoderParams() = default;
    virtual HRESULT SetDecoderParam(int id, std::int32_t value) = 0;
};
