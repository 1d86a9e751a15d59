#pragma once

// Rebuilding a playable copy of a recording that a power loss cut short: the camera had not
// written its index yet (MP4 without moov, AVI without idx1 and header counts). The cut file
// is only ever read; the copy is written under a temporary name and renamed when complete.

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

namespace recovery
{

enum class FileState {
    NotRecording, // neither an MP4 nor an AVI of the camera's layout
    Complete,     // has its index: plays as it is
    Cut,          // lost its index: needs recovering
};

// Reads the file's top-level structure only (a few hundred bytes): cheap enough to ask for
// every file a user opens.
FileState ProbeFile(const QString &path);

struct RecoveryOptions {
    QString input;
    QString output;
    // An intact recording of the same camera with the same streams, whose codec set-up is
    // used where the cut file does not carry it. Empty: looked for beside the input.
    QString reference;
    bool findReference = true;
    bool overwrite = false; // replace an existing output file
    // Called now and then with the share of the input read (0..1); returning false cancels.
    std::function<bool(double)> progress;
};

enum class StreamKind { Video, Audio, Sensor };

struct RecoveredStream {
    StreamKind kind = StreamKind::Video;
    std::int64_t frames = 0; // sensor: records
    double seconds = 0;
};

struct RecoveryReport {
    bool ok = false;
    QString error; // why nothing was written, when !ok
    std::vector<RecoveredStream> streams;
    std::int64_t sensorRecords = 0;
    double seconds = 0;          // length of the copy (its first video stream)
    std::int64_t bytesUsed = 0;  // of the input, up to the last whole sample
    std::int64_t bytesTotal = 0; // size of the input
    QString reference;           // the reference used, if any
    QString stopReason;          // why the copy ends before the input does, if it does
};

// Writes the recovered copy of options.input to options.output.
RecoveryReport Recover(const RecoveryOptions &options);

} // namespace recovery
