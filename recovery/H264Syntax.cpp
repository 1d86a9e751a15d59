#include "recovery/H264Syntax.h"

#include <algorithm>
#include <numeric>

namespace recovery
{
namespace
{

// The payload without its emulation prevention bytes (00 00 03 -> 00 00), at most `limit`
// bytes of it: the fields read here sit at the start.
std::vector<std::uint8_t> Rbsp(std::span<const std::uint8_t> payload, std::size_t limit)
{
    std::vector<std::uint8_t> out;
    out.reserve(std::min(payload.size(), limit));
    int zeros = 0;
    for (std::uint8_t b : payload) {
        if (out.size() >= limit)
            break;
        if (zeros >= 2 && b == 3) {
            zeros = 0;
            continue;
        }
        zeros = b == 0 ? zeros + 1 : 0;
        out.push_back(b);
    }
    return out;
}

// Reads bits most significant first; reading past the end sets a flag instead of failing.
class BitReader
{
public:
    explicit BitReader(const std::vector<std::uint8_t> &bytes) : m_bytes(bytes) {}

    unsigned Bit()
    {
        if (m_pos >= m_bytes.size() * 8) {
            m_overrun = true;
            return 0;
        }
        const unsigned bit = (m_bytes[m_pos / 8] >> (7 - m_pos % 8)) & 1;
        ++m_pos;
        return bit;
    }
    unsigned Bits(int n)
    {
        unsigned v = 0;
        for (int i = 0; i < n; ++i)
            v = (v << 1) | Bit();
        return v;
    }
    // Exp-Golomb; 32 leading zeros or more is not a value any field here takes.
    unsigned Ue()
    {
        int zeros = 0;
        while (!Bit()) {
            if (++zeros > 31 || m_overrun) {
                m_overrun = true;
                return 0;
            }
        }
        return ((1u << zeros) - 1) + Bits(zeros);
    }
    int Se()
    {
        const unsigned v = Ue();
        return v & 1 ? static_cast<int>((v + 1) / 2) : -static_cast<int>(v / 2);
    }
    bool Overrun() const { return m_overrun; }

private:
    const std::vector<std::uint8_t> &m_bytes;
    std::size_t m_pos = 0;
    bool m_overrun = false;
};

void SkipScalingList(BitReader &r, int size)
{
    int last = 8, next = 8;
    for (int j = 0; j < size; ++j) {
        if (next != 0)
            next = (last + r.Se() + 256) % 256;
        last = next == 0 ? last : next;
    }
}

// VUI up to the timing information.
std::optional<std::pair<int, int>> ReadFrameRate(BitReader &r)
{
    if (r.Bit()) { // aspect_ratio_info_present_flag
        if (r.Bits(8) == 255)
            r.Bits(32); // extended sample aspect ratio
    }
    if (r.Bit()) // overscan_info_present_flag
        r.Bit();
    if (r.Bit()) { // video_signal_type_present_flag
        r.Bits(4);
        if (r.Bit())
            r.Bits(24);
    }
    if (r.Bit()) { // chroma_loc_info_present_flag
        r.Ue();
        r.Ue();
    }
    if (!r.Bit()) // timing_info_present_flag
        return std::nullopt;
    const unsigned unitsInTick = r.Bits(32);
    const unsigned timeScale = r.Bits(32);
    if (r.Overrun() || unitsInTick == 0 || timeScale == 0)
        return std::nullopt;
    // Two fields per frame.
    std::uint64_t num = timeScale, den = 2ull * unitsInTick;
    const std::uint64_t g = std::gcd(num, den);
    num /= g;
    den /= g;
    if (num > 0x7FFFFFFF || den > 0x7FFFFFFF)
        return std::nullopt;
    return std::pair<int, int>(static_cast<int>(num), static_cast<int>(den));
}

} // namespace

bool IsPlausibleNalHeader(std::uint8_t header)
{
    if (header & 0x80)
        return false;
    const unsigned refIdc = (header >> 5) & 3;
    switch (NalTypeOf(header)) {
    case kNalSlice:
        return true;
    case kNalIdrSlice:
    case kNalSps:
    case kNalPps:
        return refIdc != 0;
    case kNalSei:
    case kNalAccessUnitDelimiter:
    case kNalFiller:
        return refIdc == 0;
    }
    return false;
}

std::optional<SequenceParameters> ParseSps(std::span<const std::uint8_t> nal)
{
    if (nal.size() < 4 || NalTypeOf(nal[0]) != kNalSps)
        return std::nullopt;
    const std::vector<std::uint8_t> rbsp = Rbsp(nal.subspan(1), 512);
    BitReader r(rbsp);
    SequenceParameters sps;
    const unsigned profile = r.Bits(8);
    r.Bits(16); // constraint flags, level
    sps.id = static_cast<int>(r.Ue());
    unsigned chromaFormat = 1;
    static constexpr unsigned kHighProfiles[] = {100, 110, 122, 244, 44,  83, 86,
                                                 118, 128, 138, 139, 134, 135};
    if (std::find(std::begin(kHighProfiles), std::end(kHighProfiles), profile) !=
        std::end(kHighProfiles)) {
        chromaFormat = r.Ue();
        if (chromaFormat == 3)
            sps.separateColourPlanes = r.Bit();
        r.Ue(); // bit depth luma
        r.Ue(); // bit depth chroma
        r.Bit();
        if (r.Bit()) { // seq_scaling_matrix_present_flag
            const int lists = chromaFormat == 3 ? 12 : 8;
            for (int i = 0; i < lists; ++i)
                if (r.Bit())
                    SkipScalingList(r, i < 6 ? 16 : 64);
        }
    }
    const unsigned log2MaxFrameNum = r.Ue() + 4;
    if (log2MaxFrameNum > 16)
        return std::nullopt;
    sps.log2MaxFrameNum = static_cast<int>(log2MaxFrameNum);
    const unsigned pocType = r.Ue();
    if (pocType == 0) {
        r.Ue();
    } else if (pocType == 1) {
        r.Bit();
        r.Se();
        r.Se();
        const unsigned cycle = r.Ue();
        for (unsigned i = 0; i < cycle && i < 256; ++i)
            r.Se();
    } else if (pocType != 2) {
        return std::nullopt;
    }
    r.Ue(); // max_num_ref_frames
    r.Bit();
    const unsigned widthMbs = r.Ue() + 1;
    const unsigned heightMapUnits = r.Ue() + 1;
    const unsigned frameMbsOnly = r.Bit();
    if (!frameMbsOnly)
        r.Bit();
    r.Bit(); // direct_8x8_inference_flag
    unsigned cropLeft = 0, cropRight = 0, cropTop = 0, cropBottom = 0;
    if (r.Bit()) {
        cropLeft = r.Ue();
        cropRight = r.Ue();
        cropTop = r.Ue();
        cropBottom = r.Ue();
    }
    const unsigned cropX = chromaFormat == 1 || chromaFormat == 2 ? 2 : 1;
    const unsigned cropY = (chromaFormat == 1 ? 2 : 1) * (2 - frameMbsOnly);
    const long width = static_cast<long>(widthMbs * 16) - cropX * (cropLeft + cropRight);
    const long height = static_cast<long>(heightMapUnits * 16 * (2 - frameMbsOnly)) -
                        static_cast<long>(cropY * (cropTop + cropBottom));
    if (r.Bit()) // vui_parameters_present_flag
        sps.frameRate = ReadFrameRate(r);
    if (r.Overrun() || width <= 0 || height <= 0 || width > 16384 || height > 16384)
        return std::nullopt;
    sps.width = static_cast<int>(width);
    sps.height = static_cast<int>(height);
    return sps;
}

std::optional<SliceStart> ParseSliceStart(std::span<const std::uint8_t> nal,
                                          const SequenceParameters &sps)
{
    if (nal.size() < 2 || !IsSlice(NalTypeOf(nal[0])))
        return std::nullopt;
    const std::vector<std::uint8_t> rbsp = Rbsp(nal.subspan(1), 16);
    BitReader r(rbsp);
    SliceStart s;
    s.firstMb = r.Ue();
    s.sliceType = r.Ue();
    s.ppsId = r.Ue();
    if (sps.separateColourPlanes)
        r.Bits(2);
    s.frameNum = r.Bits(sps.log2MaxFrameNum);
    if (r.Overrun() || s.sliceType > 9 || s.ppsId > 255)
        return std::nullopt;
    // An IDR picture is intra only (I or SI) and numbered 0.
    if (NalTypeOf(nal[0]) == kNalIdrSlice &&
        (s.frameNum != 0 || (s.sliceType % 5 != 2 && s.sliceType % 5 != 4)))
        return std::nullopt;
    return s;
}

std::optional<ParameterSets> ParseAvcC(std::span<const std::uint8_t> avcC)
{
    if (avcC.size() < 7 || avcC[0] != 1)
        return std::nullopt;
    ParameterSets sets;
    std::size_t pos = 5;
    auto readSets = [&](std::vector<std::vector<std::uint8_t>> &into, unsigned count) {
        for (unsigned i = 0; i < count; ++i) {
            if (pos + 2 > avcC.size())
                return false;
            const std::size_t len = avcC[pos] << 8 | avcC[pos + 1];
            pos += 2;
            if (pos + len > avcC.size())
                return false;
            into.emplace_back(avcC.begin() + pos, avcC.begin() + pos + len);
            pos += len;
        }
        return true;
    };
    if (!readSets(sets.sps, avcC[pos++] & 0x1F) || pos >= avcC.size() ||
        !readSets(sets.pps, avcC[pos++]))
        return std::nullopt;
    return sets;
}

std::vector<std::uint8_t> MakeAvcC(std::span<const std::uint8_t> sps,
                                   std::span<const std::uint8_t> pps)
{
    std::vector<std::uint8_t> out = {1,
                                     sps.size() > 1 ? sps[1] : std::uint8_t{0},
                                     sps.size() > 2 ? sps[2] : std::uint8_t{0},
                                     sps.size() > 3 ? sps[3] : std::uint8_t{0},
                                     0xFF,
                                     0xE1};
    auto put = [&](std::span<const std::uint8_t> nal) {
        out.push_back(static_cast<std::uint8_t>(nal.size() >> 8));
        out.push_back(static_cast<std::uint8_t>(nal.size()));
        out.insert(out.end(), nal.begin(), nal.end());
    };
    put(sps);
    out.push_back(1);
    put(pps);
    return out;
}

bool AnnexBHasIdr(std::span<const std::uint8_t> au)
{
    for (std::size_t i = 0; i + 3 < au.size(); ++i) {
        if (au[i] == 0 && au[i + 1] == 0 && au[i + 2] == 1) {
            // The first slice tells; what comes before it (SPS, PPS, SEI) is short.
            if (IsSlice(NalTypeOf(au[i + 3])))
                return NalTypeOf(au[i + 3]) == kNalIdrSlice;
            i += 2;
        }
    }
    return false;
}

} // namespace recovery
