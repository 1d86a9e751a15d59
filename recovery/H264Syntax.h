#pragma once

// Just enough H.264 syntax to tell a video sample from other bytes in a file that lost its
// index: the NAL unit header, the sequence parameter set (picture size, frame rate, the
// width of frame_num) and the first fields of a slice header.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace recovery
{

enum NalType : std::uint8_t {
    kNalSlice = 1,
    kNalIdrSlice = 5,
    kNalSei = 6,
    kNalSps = 7,
    kNalPps = 8,
    kNalAccessUnitDelimiter = 9,
    kNalFiller = 12,
};

// The first byte of a NAL unit: forbidden bit clear, a type a camera writes, and a reference
// priority that fits the type.
bool IsPlausibleNalHeader(std::uint8_t header);
inline NalType NalTypeOf(std::uint8_t header)
{
    return static_cast<NalType>(header & 0x1F);
}
inline bool IsSlice(NalType t)
{
    return t == kNalSlice || t == kNalIdrSlice;
}

struct SequenceParameters {
    int id = 0;
    int width = 0;  // after cropping
    int height = 0; // after cropping
    int log2MaxFrameNum = 4;
    bool separateColourPlanes = false;
    // From the timing information, when the encoder wrote it.
    std::optional<std::pair<int, int>> frameRate; // numerator, denominator
};

// The parameter set in a whole NAL unit (header byte included), or none when it does not parse.
std::optional<SequenceParameters> ParseSps(std::span<const std::uint8_t> nal);

struct SliceStart {
    unsigned firstMb = 0;
    unsigned sliceType = 0;
    unsigned ppsId = 0;
    unsigned frameNum = 0;
};

// The first fields of a slice header in a whole NAL unit (header byte included).
std::optional<SliceStart> ParseSliceStart(std::span<const std::uint8_t> nal,
                                          const SequenceParameters &sps);

// The SPS and PPS NAL units in an avcC record (an MP4 sample entry's decoder configuration).
struct ParameterSets {
    std::vector<std::vector<std::uint8_t>> sps;
    std::vector<std::vector<std::uint8_t>> pps;
};
std::optional<ParameterSets> ParseAvcC(std::span<const std::uint8_t> avcC);
// An avcC record with 4-byte lengths for one SPS and one PPS.
std::vector<std::uint8_t> MakeAvcC(std::span<const std::uint8_t> sps,
                                   std::span<const std::uint8_t> pps);

// Whether an Annex B access unit (start codes) holds an IDR slice.
bool AnnexBHasIdr(std::span<const std::uint8_t> accessUnit);

} // namespace recovery
