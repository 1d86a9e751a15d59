#pragma once

// What a recording's streams are and how they are set up: from an intact recording of the same
// camera (the reference), from parameter sets inside the cut file, or from the camera's
// documented defaults.

#include "recovery/H264Syntax.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace recovery
{

struct VideoSetup {
    std::vector<std::uint8_t> avcC; // empty until known
    std::optional<SequenceParameters> sps;
    int width = 0;
    int height = 0;
};

struct AudioSetup {
    std::vector<std::uint8_t> config; // AudioSpecificConfig
    int sampleRate = 48000;
    int channels = 1;
    // The first frame's time in samples: encoders start with a priming frame before 0.
    std::int64_t firstPts = -1024;
};

struct StreamLayout {
    std::vector<VideoSetup> video;
    std::optional<AudioSetup> audio;
    bool sensors = false;
    int fpsNum = 30; // the camera's frame rate
    int fpsDen = 1;
    bool frameRateKnown = false; // else taken from the first parameter set that tells it
};

// The camera's audio when nothing tells otherwise: AAC-LC, 48 kHz, mono.
AudioSetup DefaultAudio();

// The layout of an intact MP4 recording, or none (with a reason) when it is not one.
std::optional<StreamLayout> ReadReference(const QString &path, QString *why);

// The number of video streams a recording's name announces ("..._C2.MP4"), if it follows the
// camera's naming.
std::optional<int> VideoStreamsByName(const QString &path);

// An intact recording beside `cut` (same folder, extension and video stream count) that can
// serve as its reference, nearest in name order; empty when there is none.
QString FindReference(const QString &cut);

} // namespace recovery
