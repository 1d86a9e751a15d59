#pragma once

// A corpus of damaged recordings for robustness tests: short generated recordings (AVI and MP4,
// one and two video streams) cut, flipped, zeroed and mislabelled in the ways a worn card, a
// pulled card or a careless copy leaves them. Every damage is made from a seed, so the same seed
// writes the same bytes.

#include <QString>

#include <cstdint>
#include <vector>

namespace cardgen
{

// One file of the corpus.
struct DamagedFile {
    QString name;   // file name inside the corpus folder
    QString label;  // short id of the damage ("avi-cut-in-index")
    QString damage; // what was done to it, in words
};

// The files WriteDamagedCorpus writes, in its order (names and labels, nothing written).
std::vector<DamagedFile> DamagedCorpusFiles();

// Writes the corpus into `folder` (created if missing), each file through a temporary name,
// and corpus.txt listing "name<TAB>label<TAB>damage" per line. Refuses, writing nothing, a
// folder that already holds any of its files unless `replace`. Deterministic for `seed`.
// False with a reason in *error.
bool WriteDamagedCorpus(const QString &folder, std::uint32_t seed, bool replace,
                        std::vector<DamagedFile> *written = nullptr, QString *error = nullptr);

} // namespace cardgen
