// AVI: the header survives a power loss whole (it is written first); what is missing is the
// index and the counts the camera fills in when it closes the file. Scan the movi list, copy
// every whole chunk, fill in the counts and sizes, and append idx1.

#include "recovery/ContainerRecovery.h"
#include "recovery/H264Syntax.h"

#include "platform/files/FileSplicer.h"

#include <algorithm>
#include <vector>

namespace recovery
{
namespace
{

constexpr std::uint32_t kKeyFrame = 0x10; // AVIIF_KEYFRAME
// No chunk a dash camera writes comes near this; a larger size is damage, not a frame.
constexpr std::uint32_t kMaxChunkBytes = 64u << 20;
constexpr std::size_t kCopyBlock = 4u << 20;

struct AviStream {
    std::uint8_t type[4] = {}; // vids, auds, dats ...
    std::size_t strh = 0;      // offset of the strh chunk's data
    bool h264 = false;
    std::uint32_t scale = 1, rate = 1, sampleSize = 0;
    std::int64_t chunks = 0, records = 0;
    std::uint64_t bytes = 0;
    std::uint32_t largest = 0;
};

struct AviHeader {
    std::size_t avih = 0;            // offset of avih's data
    std::optional<std::size_t> dmlh; // offset of dmlh's data (OpenDML)
    std::vector<AviStream> streams;
    std::size_t movi = 0; // offset of the movi LIST
    std::uint32_t moviSize = 0;
    bool idx1 = false; // a whole idx1 after a whole movi
    bool riffWhole = false;
};

bool IsCompression(const std::uint8_t *p, std::initializer_list<const char *> codes)
{
    for (const char *c : codes)
        if (std::equal(p, p + 4, c, [](std::uint8_t a, char b) {
                return std::toupper(a) == std::toupper(static_cast<unsigned char>(b));
            }))
            return true;
    return false;
}

// The RIFF structure: the header lists, where movi starts, and whether idx1 follows it.
std::optional<AviHeader> ReadHeader(Bytes f)
{
    if (f.size() < 12 || !FourCc(&f[0], "RIFF") || !FourCc(&f[8], "AVI "))
        return std::nullopt;
    AviHeader h;
    const std::uint32_t riffSize = Le32(&f[4]);
    h.riffWhole = riffSize >= 4 && riffSize <= f.size() - 8;
    std::size_t at = 12;
    bool haveMovi = false;
    while (f.size() - at >= 8) {
        const std::uint8_t *id = &f[at];
        const std::uint32_t size = Le32(&f[at + 4]);
        const std::size_t data = at + 8;
        if (FourCc(id, "LIST") && f.size() - data >= 4 && FourCc(&f[data], "movi")) {
            h.movi = at;
            h.moviSize = size;
            haveMovi = true;
            if (size < 4 || size > f.size() - data)
                break; // cut inside it
        } else if (FourCc(id, "LIST") && f.size() - data >= 4 && FourCc(&f[data], "hdrl")) {
            if (size > f.size() - data)
                return std::nullopt; // the header itself is cut
            const std::size_t end = data + size;
            for (std::size_t c = data + 4; end - c >= 8 && c < end;) {
                const std::uint32_t cs = Le32(&f[c + 4]);
                if (cs > end - c - 8)
                    return std::nullopt;
                if (FourCc(&f[c], "avih") && cs >= 56)
                    h.avih = c + 8;
                if (FourCc(&f[c], "LIST") && cs >= 4 && FourCc(&f[c + 8], "odml")) {
                    for (std::size_t d = c + 12; d + 8 <= c + 8 + cs;) {
                        if (FourCc(&f[d], "dmlh") && Le32(&f[d + 4]) >= 4)
                            h.dmlh = d + 8;
                        d += 8 + ((Le32(&f[d + 4]) + 1) & ~1u);
                    }
                }
                if (FourCc(&f[c], "LIST") && cs >= 4 && FourCc(&f[c + 8], "strl")) {
                    AviStream s;
                    for (std::size_t d = c + 12; d + 8 <= c + 8 + cs;) {
                        const std::uint32_t ds = Le32(&f[d + 4]);
                        if (FourCc(&f[d], "strh") && ds >= 48) {
                            s.strh = d + 8;
                            std::copy_n(&f[d + 8], 4, s.type);
                            s.scale = std::max(1u, Le32(&f[d + 8 + 20]));
                            s.rate = std::max(1u, Le32(&f[d + 8 + 24]));
                            s.sampleSize = Le32(&f[d + 8 + 44]);
                            s.h264 = IsCompression(&f[d + 12], {"H264", "AVC1", "X264"});
                        }
                        if (FourCc(&f[d], "strf") && ds >= 20 && FourCc(s.type, "vids"))
                            s.h264 =
                                s.h264 || IsCompression(&f[d + 8 + 16], {"H264", "AVC1", "X264"});
                        d += 8 + ((ds + 1) & ~1u);
                    }
                    if (!s.strh)
                        return std::nullopt;
                    h.streams.push_back(s);
                }
                c += 8 + ((cs + 1) & ~1u);
            }
        } else if (FourCc(id, "idx1") && haveMovi) {
            h.idx1 = size <= f.size() - data;
        }
        if (size > f.size() - data)
            break;
        at = data + ((size + 1) & ~std::size_t{1});
    }
    if (!h.avih || h.streams.empty() || !haveMovi)
        return std::nullopt;
    return h;
}

// "00dc", "01wb", ...: the stream number, or none for another chunk.
std::optional<std::size_t> StreamOf(const std::uint8_t *id, std::size_t streams)
{
    if (id[0] < '0' || id[0] > '9' || id[1] < '0' || id[1] > '9')
        return std::nullopt;
    const std::size_t n = static_cast<std::size_t>((id[0] - '0') * 10 + (id[1] - '0'));
    if (n >= streams)
        return std::nullopt;
    return n;
}

bool IsKnownOtherChunk(const std::uint8_t *id)
{
    return FourCc(id, "JUNK") || (id[0] == 'i' && id[1] == 'x');
}

void AppendLe32(std::vector<std::uint8_t> &out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

} // namespace

FileState AviState(Bytes file)
{
    const auto h = ReadHeader(file);
    if (!h) // the signature alone: cut before the header was whole
        return file.size() >= 12 ? FileState::Cut : FileState::NotRecording;
    const bool moviWhole = h->moviSize >= 4 && h->moviSize <= file.size() - h->movi - 8;
    return moviWhole && h->idx1 && h->riffWhole ? FileState::Complete : FileState::Cut;
}

RecoveryReport RecoverAvi(Bytes f, const RecoveryOptions &options, const QString &outputPath)
{
    RecoveryReport report;
    auto h = ReadHeader(f);
    if (!h) {
        report.error = QStringLiteral("nothing to recover: the header is not whole");
        return report;
    }
    const std::size_t moviData = h->movi + 12; // after LIST, size, "movi"
    const std::size_t moviFourCc = h->movi + 8;
    std::vector<std::uint8_t> index;
    std::size_t at = moviData;
    std::size_t nextProgress = at + kCopyBlock * 4;
    QString stopReason;
    while (at < f.size()) {
        if (f.size() - at < 8) {
            stopReason = QStringLiteral("the chunk at byte %1 is not whole").arg(at);
            break;
        }
        const std::uint8_t *id = &f[at];
        const std::uint32_t size = Le32(&f[at + 4]);
        const auto stream = StreamOf(id, h->streams.size());
        if ((!stream && !IsKnownOtherChunk(id)) || size > kMaxChunkBytes) {
            if (!FourCc(id, "idx1"))
                stopReason = QStringLiteral("the bytes at %1 are not a chunk").arg(at);
            break;
        }
        const std::size_t padded = 8 + ((static_cast<std::size_t>(size) + 1) & ~std::size_t{1});
        if (size > f.size() - at - 8) {
            stopReason = QStringLiteral("the chunk at byte %1 is not whole").arg(at);
            break;
        }
        if (stream) {
            AviStream &s = h->streams[*stream];
            const Bytes data = f.subspan(at + 8, size);
            bool key = true;
            if (FourCc(s.type, "vids"))
                key = size > 0 && (!s.h264 || AnnexBHasIdr(data));
            else if (FourCc(s.type, "dats"))
                key = size > 0;
            ++s.chunks;
            s.records += size > 0;
            s.bytes += size;
            s.largest = std::max(s.largest, size);
            index.insert(index.end(), id, id + 4);
            AppendLe32(index, key ? kKeyFrame : 0);
            AppendLe32(index, static_cast<std::uint32_t>(at - moviFourCc));
            AppendLe32(index, size);
        }
        // A padding byte may be missing after the very last chunk.
        at = std::min(f.size(), at + padded);
        if (options.progress && at >= nextProgress) {
            nextProgress = at + kCopyBlock * 4;
            if (!options.progress(0.5 * static_cast<double>(at) / static_cast<double>(f.size()))) {
                report.error = QStringLiteral("cancelled");
                return report;
            }
        }
    }
    const std::size_t end = at;

    std::int64_t videoFrames = 0;
    for (const AviStream &s : h->streams)
        if (FourCc(s.type, "vids"))
            videoFrames = std::max(videoFrames, s.chunks);
    if (h->streams.front().chunks == 0 || !FourCc(h->streams.front().type, "vids")) {
        report.error =
            QStringLiteral("nothing to recover: %1")
                .arg(stopReason.isEmpty() ? QStringLiteral("no whole video frame") : stopReason);
        return report;
    }

    // The header with its counts and sizes filled in.
    std::vector<std::uint8_t> header(f.begin(), f.begin() + static_cast<std::ptrdiff_t>(moviData));
    const std::size_t total = end + (end & 1) + 8 + index.size();
    PutLe32(&header[4], static_cast<std::uint32_t>(total - 8));
    PutLe32(&header[h->movi + 4], static_cast<std::uint32_t>(end + (end & 1) - moviFourCc));
    PutLe32(&header[h->avih + 16], static_cast<std::uint32_t>(videoFrames));
    if (h->dmlh)
        PutLe32(&header[*h->dmlh], static_cast<std::uint32_t>(videoFrames));
    for (const AviStream &s : h->streams) {
        const std::uint64_t length = s.sampleSize ? s.bytes / s.sampleSize : s.chunks;
        PutLe32(&header[s.strh + 32], static_cast<std::uint32_t>(length));
        PutLe32(&header[s.strh + 36], s.largest); // dwSuggestedBufferSize
    }

    // The chunks are copied from the recording by the system; the rest is written.
    platform::FileSplicer out;
    if (!out.Open(options.input, outputPath, &report.error))
        return report;
    bool ok = out.Write(header.data(), static_cast<std::int64_t>(header.size()));
    for (std::size_t pos = moviData; ok && pos < end; pos += kCopyBlock) {
        ok = out.CopyFromSource(static_cast<std::int64_t>(pos),
                                static_cast<std::int64_t>(std::min(kCopyBlock, end - pos)));
        if (ok && options.progress &&
            !options.progress(0.5 + 0.5 * static_cast<double>(pos) / static_cast<double>(end))) {
            report.error = QStringLiteral("cancelled");
            return report;
        }
    }
    const std::uint8_t pad = 0;
    std::vector<std::uint8_t> idx1 = {'i', 'd', 'x', '1'};
    AppendLe32(idx1, static_cast<std::uint32_t>(index.size()));
    ok = ok && (!(end & 1) || out.Write(&pad, 1)) &&
         out.Write(idx1.data(), static_cast<std::int64_t>(idx1.size())) &&
         out.Write(index.data(), static_cast<std::int64_t>(index.size()));
    if (!out.Close(&report.error) || !ok) {
        if (report.error.isEmpty())
            report.error = QStringLiteral("cannot write %1").arg(outputPath);
        return report;
    }

    for (const AviStream &s : h->streams) {
        const double seconds = static_cast<double>(s.chunks) * s.scale / s.rate;
        if (FourCc(s.type, "vids"))
            report.streams.push_back({StreamKind::Video, s.chunks, seconds});
        else if (FourCc(s.type, "auds"))
            report.streams.push_back({StreamKind::Audio, s.chunks, seconds});
        else if (FourCc(s.type, "dats")) {
            report.streams.push_back({StreamKind::Sensor, s.records, seconds});
            report.sensorRecords += s.records;
        }
    }
    report.seconds = static_cast<double>(h->streams.front().chunks) * h->streams.front().scale /
                     h->streams.front().rate;
    report.bytesUsed = static_cast<std::int64_t>(end);
    report.stopReason = stopReason;
    report.ok = true;
    return report;
}

} // namespace recovery
