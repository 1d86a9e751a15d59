#pragma once

// Splits the payload of an MP4 'mdat' box that has no index into samples by their content:
// H.264 access units (4-byte length-prefixed NAL units with sane lengths, types and slice
// headers), raw AAC frames (whose end the decoder finds) and sensor records (by their own
// layout). The camera writes samples in time order, one frame of each video stream per frame
// time in stream order, so the k-th access unit belongs to video stream k mod n.

#include "recovery/AacFrameFinder.h"
#include "recovery/Bytes.h"
#include "recovery/FileWindow.h"
#include "recovery/SensorRecords.h"
#include "recovery/StreamLayout.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace recovery
{

struct ScannedSample {
    enum class Kind { Video, Audio, Sensor } kind;
    int track = 0; // video stream number among the video streams
    std::size_t offset = 0;
    std::size_t length = 0;
    bool key = false;
    std::int64_t index = 0;   // video: frame number in its stream; audio: frame number
    std::uint32_t timeMs = 0; // sensor records
    std::size_t copyAt = 0;   // audio: where its bytes are in ScanResult::audio
};

struct ScanResult {
    std::vector<ScannedSample> samples;
    // The audio samples' bytes, one after another: the few bytes of them that the writer's
    // muxer reads come from here, not from the file.
    std::vector<std::uint8_t> audio;
    std::size_t end = 0; // offset after the last whole sample
    QString stopReason;  // why the scan stopped before the payload's end, if it did
    bool cancelled = false;
    bool unreadable = false; // the file could not be read: stopReason says why
};

class Mp4SampleScanner
{
public:
    // `layout.video` gives the number of video streams; a stream without avcC takes its
    // parameter sets from the stream itself, and the layout is completed with them.
    Mp4SampleScanner(FileWindow &file, StreamLayout &layout);

    ScanResult Scan(std::size_t payloadStart, std::size_t payloadEnd,
                    const std::function<bool(double)> &progress);

private:
    struct VideoState {
        std::int64_t count = 0;
        unsigned lastFrameNum = 0;
        bool lastWasReference = false;
    };
    struct AccessUnit {
        // NoSetup: a slice, but no parameter sets are known to read it with.
        enum class Result { No, NotWhole, NoSetup, Yes } result = Result::No;
        std::size_t length = 0;
        bool key = false;
        unsigned frameNum = 0;
        bool reference = false;
        // Parameter sets inside it, where they are in the file.
        struct Nal {
            std::size_t offset = 0, length = 0;
        } sps, pps;
    };

    // A probe only asks whether an access unit may start at `at` (a result other than No), and
    // reads no further than it takes to tell.
    AccessUnit MatchVideo(std::size_t at, int track, bool probe = false);
    bool MaySampleStartAt(std::size_t at);
    std::optional<std::size_t> MatchAudio(std::size_t at);
    bool IsFillerData(std::size_t nal, std::size_t size, bool whole);
    void Accept(const AccessUnit &au, int track);

    FileWindow &m_file;
    std::size_t m_end = 0;
    StreamLayout &m_layout;
    std::vector<VideoState> m_video;
    int m_nextTrack = 0; // the video stream of the next access unit
    std::vector<std::uint8_t> m_aacBytes;
    std::optional<AacFrameFinder> m_aac;
    bool m_aacTried = false;
    std::int64_t m_audioFrames = 0;
};

} // namespace recovery
