#pragma once

// The two containers' halves of recovery, behind RecordingRecovery.h.

#include "recovery/Bytes.h"
#include "recovery/RecordingRecovery.h"

#include <QString>

#include <optional>

namespace recovery
{

// MP4: the top-level boxes.
struct Mp4Boxes {
    bool ftyp = false;
    bool moov = false; // a whole moov box
    std::optional<std::size_t> payloadStart;
    std::size_t payloadEnd = 0;
    bool mdatWhole = false; // its declared size fits the file
};
Mp4Boxes ReadMp4Boxes(Bytes file);
FileState Mp4State(Bytes file);
// Both write the copy to outputPath (a temporary file the caller renames when complete).
RecoveryReport RecoverMp4(Bytes file, const RecoveryOptions &options, const QString &outputPath);

// AVI: the RIFF structure.
FileState AviState(Bytes file);
RecoveryReport RecoverAvi(Bytes file, const RecoveryOptions &options, const QString &outputPath);

} // namespace recovery
