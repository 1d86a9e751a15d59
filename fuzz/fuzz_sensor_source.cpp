// The sensor data source on a recording of any content (seeded with generated AVI and MP4
// recordings): open it, then read every record.
#include "filters/CSensorDataSource.h"

#include "FuzzInput.h"

#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>

extern "C" {
#include <libavutil/log.h>
}

#include <array>

namespace
{

QString RecordingPath()
{
    static const QTemporaryDir folder;
    return folder.filePath(QStringLiteral("20140721_093000_NOR_C2.AVI"));
}

} // namespace

// Damaged input is the normal case here: the logs of every refused file only slow the run.
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    av_log_set_level(AV_LOG_QUIET);
    QLoggingCategory::setFilterRules(QStringLiteral("quorvil.*=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString path = RecordingPath();
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(ToByteArray(data, size));
    }
    CSensorDataSource source;
    if (source.Load(path) != S_OK)
        return 0;
    std::array<std::uint8_t, 512> buffer{};
    // Bounded: a source must end by itself, but a fuzzer run must end even when it does not.
    for (int record = 0; record < 100000; ++record) {
        std::uint32_t capacity = buffer.size();
        std::uint32_t time = 0;
        const HRESULT hr = source.ReadRecord(buffer.data(), &capacity, &time);
        if (hr == ISensorDataReader::kEndOfData || hr == ISensorDataReader::kCannotReadFurther)
            break;
    }
    return 0;
}
