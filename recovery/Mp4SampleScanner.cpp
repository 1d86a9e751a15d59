#include "recovery/Mp4SampleScanner.h"

#include <algorithm>
#include <cmath>

namespace recovery
{
namespace
{

// Larger NAL units are not pictures a dash camera writes (and a length of 16 MB or more is
// more often the start of an AAC frame read as a length).
constexpr std::uint32_t kMaxNalBytes = 16u << 20;
// Parameter sets, SEI and delimiters are small.
constexpr std::uint32_t kMaxNonSliceNalBytes = 1u << 20;
constexpr std::size_t kProgressStep = 8u << 20;

// How much of a slice its header takes, at most, for what is read of it (16 bytes once
// emulation prevention is taken out).
constexpr std::size_t kSliceStartBytes = 64;

bool AllFf(Bytes b)
{
    return std::all_of(b.begin(), b.end(), [](std::uint8_t x) { return x == 0xFF; });
}

} // namespace

Mp4SampleScanner::Mp4SampleScanner(FileWindow &file, StreamLayout &layout)
    : m_file(file), m_layout(layout), m_video(layout.video.size())
{
}

// Filler data: 0xFF bytes and the stop bit (header byte included); the `size` bytes at `nal` may
// be cut short before its stop bit. Its ends are checked: pictures are padded with megabytes of
// it.
bool Mp4SampleScanner::IsFillerData(std::size_t nal, std::size_t size, bool whole)
{
    constexpr std::size_t kChecked = 32;
    if (size < (whole ? 2u : 1u))
        return false;
    const std::size_t payload = nal + 1;
    const std::size_t payloadSize = size - (whole ? 2 : 1);
    const std::size_t n = std::min(kChecked, payloadSize);
    // Front to back, so that a scan moving forward reads each end once.
    if (!AllFf(m_file.At(payload, n)))
        return false;
    const Bytes tail = m_file.At(payload + payloadSize - n, n + (whole ? 1 : 0));
    return AllFf(tail.first(n)) && (!whole || tail.back() == 0x80);
}

Mp4SampleScanner::AccessUnit Mp4SampleScanner::MatchVideo(std::size_t at, int track, bool probe)
{
    using R = AccessUnit::Result;
    const VideoState &state = m_video[static_cast<std::size_t>(track)];
    const VideoSetup &setup = m_layout.video[static_cast<std::size_t>(track)];
    AccessUnit au;
    std::optional<SequenceParameters> inBandSps;
    bool seenSlice = false;
    unsigned firstMbOfLast = 0;
    std::size_t q = at;
    for (;;) {
        if (m_end - q < 5) {
            if (seenSlice)
                break;
            au.result = q == at && m_end == q ? R::No : R::NotWhole;
            return au;
        }
        const Bytes head = m_file.At(q, 5);
        const std::uint32_t length = Be32(head.data());
        const std::uint8_t header = head[4];
        if (!IsPlausibleNalHeader(header) || length == 0 || length > kMaxNalBytes) {
            if (seenSlice)
                break;
            return au;
        }
        const std::size_t nal = q + 4;
        const std::size_t available = std::min<std::size_t>(length, m_end - nal);
        const bool whole = q + 4 + length <= m_end;
        const NalType type = NalTypeOf(header);
        if (IsSlice(type)) {
            const auto &sps = inBandSps ? inBandSps : setup.sps;
            if (!sps) {
                au.result = R::NoSetup;
                return au;
            }
            const auto slice =
                ParseSliceStart(m_file.At(nal, std::min(available, kSliceStartBytes)), *sps);
            if (!slice) {
                if (seenSlice)
                    break;
                return au;
            }
            if (seenSlice) {
                // A slice of the same picture continues it; a first slice starts the next.
                if (slice->firstMb == 0 || slice->frameNum != au.frameNum ||
                    slice->firstMb <= firstMbOfLast)
                    break;
            } else {
                if (slice->firstMb != 0)
                    return au;
                const unsigned maxFrameNum = 1u << sps->log2MaxFrameNum;
                const bool follows =
                    type == kNalIdrSlice ||
                    (state.count > 0 &&
                     (slice->frameNum == (state.lastFrameNum + 1) % maxFrameNum ||
                      (slice->frameNum == state.lastFrameNum && !state.lastWasReference)));
                if (!follows)
                    return au;
                au.frameNum = slice->frameNum;
                au.key = type == kNalIdrSlice;
                au.reference = (header >> 5) != 0;
            }
            firstMbOfLast = slice->firstMb;
            if (!whole) {
                au.result = R::NotWhole;
                return au;
            }
            seenSlice = true;
            // From here on it is an access unit, whole or not: all that a probe asks.
            if (probe) {
                au.result = R::Yes;
                return au;
            }
        } else {
            // Filler data pads a picture for a constant bit rate; anything else after a slice
            // starts the next sample.
            if (seenSlice) {
                if (type == kNalFiller && !whole && IsFillerData(nal, available, false)) {
                    au.result = R::NotWhole; // the picture's padding is cut
                    return au;
                }
                if (type != kNalFiller || !whole || !IsFillerData(nal, available, true))
                    break;
                q += 4 + length;
                continue;
            }
            if (type == kNalFiller)
                return au;
            if (length > kMaxNonSliceNalBytes)
                return au;
            if (!whole) {
                au.result = R::NotWhole;
                return au;
            }
            // Every NAL unit ends with its stop bit.
            if (m_file.At(nal + length - 1, 1)[0] == 0)
                return au;
            if (type == kNalSps) {
                inBandSps = ParseSps(m_file.At(nal, length));
                if (!inBandSps)
                    return au;
                au.sps = {nal, length};
            } else if (type == kNalPps) {
                au.pps = {nal, length};
            }
        }
        q += 4 + length;
    }
    au.result = R::Yes;
    au.length = q - at;
    return au;
}

bool Mp4SampleScanner::MaySampleStartAt(std::size_t at)
{
    if (at >= m_end)
        return true;
    if (!m_video.empty() && MatchVideo(at, m_nextTrack, true).result != AccessUnit::Result::No)
        return true;
    return MatchSensorRecord(m_file.At(at, std::min(m_end - at, kMaxSensorRecordBytes))).result !=
           SensorMatch::Result::No;
}

std::optional<std::size_t> Mp4SampleScanner::MatchAudio(std::size_t at)
{
    if (!m_aacTried) {
        m_aacTried = true;
        if (m_layout.audio)
            m_aac = AacFrameFinder::Create(m_layout.audio->config);
    }
    if (!m_aac)
        return std::nullopt;
    // A copy: looking for what may follow the frame reads elsewhere in the file. One byte past
    // the frame finder's reach tells it that more follows.
    const Bytes bytes = m_file.At(at, std::min(m_end - at, m_aac->Reach() + 1));
    m_aacBytes.assign(bytes.begin(), bytes.end());
    return m_aac->FrameLength(m_aacBytes,
                              [&](std::size_t offset) { return MaySampleStartAt(at + offset); });
}

void Mp4SampleScanner::Accept(const AccessUnit &au, int track)
{
    VideoState &state = m_video[static_cast<std::size_t>(track)];
    VideoSetup &setup = m_layout.video[static_cast<std::size_t>(track)];
    if (setup.avcC.empty() && au.sps.length > 0 && au.pps.length > 0) {
        const Bytes read = m_file.At(au.sps.offset, au.sps.length);
        const std::vector<std::uint8_t> sps(read.begin(), read.end());
        setup.avcC = MakeAvcC(sps, m_file.At(au.pps.offset, au.pps.length));
        setup.sps = ParseSps(sps);
        setup.width = setup.sps->width;
        setup.height = setup.sps->height;
        if (!m_layout.frameRateKnown && setup.sps->frameRate) {
            m_layout.fpsNum = setup.sps->frameRate->first;
            m_layout.fpsDen = setup.sps->frameRate->second;
            m_layout.frameRateKnown = true;
        }
    }
    state.count++;
    state.lastFrameNum = au.frameNum;
    state.lastWasReference = au.reference;
    m_nextTrack = (m_nextTrack + 1) % static_cast<int>(m_video.size());
}

ScanResult Mp4SampleScanner::Scan(std::size_t payloadStart, std::size_t payloadEnd,
                                  const std::function<bool(double)> &progress)
{
    m_end = payloadEnd;
    ScanResult result;
    std::size_t at = payloadStart;
    std::size_t nextProgress = at + kProgressStep;
    auto stop = [&](const QString &why) {
        result.stopReason = why;
        result.end = at;
        return result;
    };
    while (at < m_end) {
        if (m_file.Failed()) {
            result.unreadable = true;
            return stop(m_file.Error());
        }
        if (progress && at >= nextProgress) {
            nextProgress = at + kProgressStep;
            if (!progress(static_cast<double>(at) / static_cast<double>(m_file.Size()))) {
                result.cancelled = true;
                return stop(QStringLiteral("cancelled"));
            }
        }
        const int track = m_nextTrack;
        if (!m_video.empty()) {
            const AccessUnit au = MatchVideo(at, track);
            if (au.result == AccessUnit::Result::NotWhole)
                return stop(QStringLiteral("the video frame at byte %1 is not whole").arg(at));
            if (au.result == AccessUnit::Result::NoSetup)
                return stop(
                    QStringLiteral("video stream %1 carries no parameter sets, and no intact "
                                   "recording of the same camera was found to take "
                                   "them from")
                        .arg(track + 1));
            if (au.result == AccessUnit::Result::Yes) {
                const std::int64_t index = m_video[static_cast<std::size_t>(track)].count;
                if (m_layout.video[static_cast<std::size_t>(track)].avcC.empty() &&
                    (au.sps.length == 0 || au.pps.length == 0))
                    return stop(QStringLiteral("video stream %1 carries no whole parameter sets")
                                    .arg(track + 1));
                Accept(au, track);
                result.samples.push_back(
                    {ScannedSample::Kind::Video, track, at, au.length, au.key, index, 0});
                at += au.length;
                continue;
            }
        }
        const SensorMatch record =
            MatchSensorRecord(m_file.At(at, std::min(m_end - at, kMaxSensorRecordBytes)));
        if (record.result == SensorMatch::Result::NotWhole)
            return stop(QStringLiteral("the sensor record at byte %1 is not whole").arg(at));
        if (record.result == SensorMatch::Result::Yes) {
            m_layout.sensors = true;
            // Between the last frame written and the next one.
            const double frameMs = 1000.0 * m_layout.fpsDen / m_layout.fpsNum;
            const std::int64_t frames = m_video.empty() ? 0 : m_video.front().count;
            const std::int64_t from = frames > 0 ? std::llround((frames - 1) * frameMs) : 0;
            const std::uint32_t time = SensorRecordTime(
                record.kind, from, from + static_cast<std::int64_t>(std::ceil(frameMs)));
            result.samples.push_back(
                {ScannedSample::Kind::Sensor, 0, at, record.length, true, 0, time});
            at += record.length;
            continue;
        }
        if (const auto length = MatchAudio(at)) {
            result.samples.push_back({ScannedSample::Kind::Audio, 0, at, *length, true,
                                      m_audioFrames++, 0, result.audio.size()});
            result.audio.insert(result.audio.end(), m_aacBytes.begin(),
                                m_aacBytes.begin() + static_cast<std::ptrdiff_t>(*length));
            at += *length;
            continue;
        }
        return stop(QStringLiteral("the bytes at %1 are not a whole sample").arg(at));
    }
    if (m_file.Failed()) {
        result.unreadable = true;
        return stop(m_file.Error());
    }
    result.end = at;
    return result;
}

} // namespace recovery
