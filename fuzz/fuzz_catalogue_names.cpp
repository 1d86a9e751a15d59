// The catalogue's name rules on any file name, against a category token or date filter text
// (the part after the input's first zero byte).
#include "library/CCatalogue.h"

#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto [name, other] = SplitAtZero(data, size);
    CCatalogue::HasRecordingExtension(name);
    CCatalogue::MatchesCategory(name, other);
    CCatalogue::MatchesDate(name, other);
    CCatalogue::NameLess(name, other);
    CCatalogue::MakeEntry(QStringLiteral("/media/card/DCIM"), name, static_cast<qint64>(size) << 20,
                          static_cast<std::int64_t>(size) * 86400);
    return 0;
}
