#pragma once

#include "filters/CBaseFilter.h"
#include "filters/IFileSourceFilter.h"
#include "filters/ISensorDataReader.h"

#include <QString>

#include <memory>
#include <stop_token>

struct AVFormatContext;
struct AVPacket;

// The sensor data source, class CLSID_SensorDataSource: reads the sensor data stream of a
// recording (AVI 'dats' stream or MP4 'gpmd' data track, docs/recording-format.md) with
// libavformat and hands over one record per ReadRecord. Every other stream is discarded
// unread. One thread at a time: the loader's worker creates, uses and releases it.
class CSensorDataSource : public CBaseFilter, public IFileSourceFilter, public ISensorDataReader
{
public:
    // What ReadRecord returns, with *size set to the record's length, for a record longer
    // than the caller's buffer. Nothing is written to the buffer and the record is dropped,
    // so the next call delivers the next record: a caller that asks again with the same
    // buffer never loops on it.
    static constexpr HRESULT kBufferTooSmall = static_cast<HRESULT>(0x8007007Au);

    CSensorDataSource();
    ~CSensorDataSource() override;
    CSensorDataSource(const CSensorDataSource &) = delete;
    CSensorDataSource &operator=(const CSensorDataSource &) = delete;

    QString Name() const override { return QStringLiteral("Sensor Data Source"); }

    // S_OK when the file is an AVI or MP4 recording with a sensor stream;
    // VFW_E_INVALID_FILE_FORMAT for any other file, one without a sensor stream, one it
    // cannot open, or anything that is not a regular file (a pipe, a device, a folder);
    // VFW_E_WRONG_STATE when already loaded. `path` is always a file name, never a URL.
    HRESULT Load(const QString &path) override;

    // S_OK and one record; kEndOfData at the end of the stream; kCannotReadFurther after
    // repeated read errors (a damaged or vanished file); kBufferTooSmall (above); E_POINTER
    // for a null argument; VFW_E_WRONG_STATE before a successful Load.
    HRESULT ReadRecord(std::uint8_t *buffer, std::uint32_t *size, std::uint32_t *time) override;

    // A stop request aborts a Load or ReadRecord blocked on slow input (a card reader) with a
    // failure; set it before Load.
    void SetStopToken(std::stop_token token) { m_stop = std::move(token); }

    // The index of the sensor stream in the file, -1 before Load.
    int StreamIndex() const { return m_nStream; }

    static std::unique_ptr<CBaseFilter> Create();

private:
    struct InputDeleter {
        void operator()(AVFormatContext *ctx) const;
    };
    struct PacketDeleter {
        void operator()(AVPacket *pkt) const;
    };

    std::unique_ptr<AVFormatContext, InputDeleter> m_input;
    std::unique_ptr<AVPacket, PacketDeleter> m_packet;
    static int Interrupted(void *self);

    std::stop_token m_stop;
    int m_nStream = -1;
    bool m_bEnded = false;
};
