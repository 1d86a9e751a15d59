#pragma once

// Sample memory cards for tests, benchmarks and the demo: recordings of known content written
// with libavformat in the layout docs/recording-format.md describes, plus the firmware file.
//
// Picture content, for pixel tests (RGB before H.264; allow about +-40 per channel after
// decoding):
//   front: background kFrontBackground (red-dominant); a white square marker of side
//          MarkerSize(height) moves left to right across the vertical middle, its left edge at
//          MarkerX(width, height, frame, frameCount); the camera's wall-clock time
//          "YYYY-MM-DD HH:MM:SS" is burnt in, white on black, in the bottom band.
//   rear:  background kRearBackground (blue-dominant) with a yellow box kRearMarker covering
//          x < width/4, y < height/4 (top-left): a vertical or horizontal flip moves it to
//          another corner. Same moving marker and time text as the front.
//   Safe probe points (fractions of the picture): front (0.75, 0.15) is background red;
//   rear (0.10, 0.10) is yellow, rear (0.90, 0.10) and (0.10, 0.65) are background blue.
// Audio: a 1 kHz sine tone, mono AAC at 48 kHz.
// Sensor stream: 10 Hz G-sensor samples at offsets 50, 150, 250 ... ms and 1 Hz RMC sentences
// at 0, 1000, 2000 ... ms from a simulated drive (see MakeSensorRecords).

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace cardgen
{

enum class Container { Avi, Mp4 };

// File name tokens NOR, EVT, MOT.
enum class Category { Normal, Event, Motion };

// A real city to drive through; each puts the fixes in a different pair of hemispheres.
enum class City {
    Seoul,       // N, E
    Sydney,      // S, E
    BuenosAires, // S, W
    NewYork,     // N, W
};

struct Rgb {
    int r, g, b;
};
inline constexpr Rgb kFrontBackground{220, 40, 40};
inline constexpr Rgb kRearBackground{40, 60, 220};
inline constexpr Rgb kRearMarker{240, 220, 0};
inline constexpr Rgb kMovingMarker{255, 255, 255};

struct RecordingOptions {
    // The file to write (any folder; the name is not checked). WriteCard fills it in.
    QString path;
    Category category = Category::Normal;
    // The camera's wall clock at the first frame (the file name's date and time). The RMC
    // sentences carry this time minus 9 hours as UTC, the way the viewer reads them back.
    QDateTime start = QDateTime(QDate(2014, 7, 21), QTime(9, 30, 0));
    int durationMs = 10000;
    int width = 320;  // even, 16..1920
    int height = 180; // even, 16..1080
    int fps = 30;
    bool rear = true; // a second (rear) video stream
    Container container = Container::Avi;
    bool audio = true;
    bool sensors = true; // the sensor data stream at all
    bool gps = true;     // RMC sentences in it
    bool gsensor = true; // G-sensor samples in it
    City city = City::Seoul;
    std::uint32_t seed = 1;
    // A recording cut by a power loss, as the camera leaves it: every packet up to the cut is
    // written but the index never is (MP4: the mdat size still 0, no moov; AVI: the header's
    // counts and sizes still 0, no idx1). The file ends at cutAtByte, or at cutAtPercent of
    // the bytes written before the index would have been (whichever is set; byte wins).
    std::optional<std::int64_t> cutAtByte;
    std::optional<double> cutAtPercent;
    // The encoder repeats SPS and PPS before every key frame, as many cameras do.
    bool repeatParameterSets = false;
    // A constant bit rate per video stream in bits per second, padded with filler data as a
    // camera's hardware encoder does (0: the encoder's own quality-based rate, much smaller
    // for these simple pictures).
    int videoBitRate = 0;
    // The rear stream's rate when it differs from the front's (videoBitRate).
    std::optional<int> rearVideoBitRate;
    // Frames from one key frame to the next (1 to 300).
    int keyFrameInterval = 10;
    // Footage as costly to decode as a real camera's instead of the flat test pictures: a
    // detailed scene that scrolls and sways, with fresh sensor noise in every frame (the moving
    // marker and the clock still drawn on top), encoded in H.264 High profile with CABAC and
    // the deblocking filter. The colours and probe points above do not hold for it.
    bool realistic = false;
};

// A dash camera's recording: 1920x1080 at 30 fps, realistic pictures, a key frame every 30
// frames, front about 12 Mbit/s and rear about 8 Mbit/s; the rest of `base` is kept.
RecordingOptions CameraRecording(RecordingOptions base);

// One record of the sensor stream: its bytes exactly as stored in one packet and its time
// offset in ms from the start of the recording.
struct SensorRecord {
    std::uint32_t timeMs = 0;
    std::vector<std::uint8_t> bytes;
};

// The records WriteRecording stores, in stream order (ascending time). Empty when
// options.sensors is false. G-sensor: 'M' + three int32 little-endian raw values; GPS:
// "GPRMC,...*hh" plus a terminating zero byte. A few fixes are void (status V); in an Event
// recording a hard braking spike comes at 60 % of the duration.
std::vector<SensorRecord> MakeSensorRecords(const RecordingOptions &options);

// "YYYYMMDD_HHMMSS_CAT_Cn.EXT", n = 1 or 2 video streams, EXT = AVI or MP4.
QString RecordingFileName(const RecordingOptions &options);

// Frame count of a recording: durationMs * fps / 1000, at least 1.
int FrameCount(const RecordingOptions &options);

// The moving marker's side and left edge in frame `frame` of `frameCount`.
int MarkerSize(int height);
int MarkerX(int width, int height, int frame, int frameCount);

// Writes one recording to options.path through a temporary name in the same folder, renamed
// when complete. Deterministic for the same options. False with a reason in *error.
// Lowers libav's log level from its default (info) to warnings: the encoders' statistics.
bool WriteRecording(const RecordingOptions &options, QString *error = nullptr);

// Bytes of Configs/km7_sysenv.cfg: "KM7S", format revision 1 (uint16 LE), length of the
// settings text (uint16 LE), major and minor version (int32 LE each), then the settings text.
QByteArray FirmwareFileBytes(std::int32_t major, std::int32_t minor);

struct CardOptions {
    QString root;                             // the card's mount point (created if missing)
    std::vector<RecordingOptions> recordings; // path ignored: Recordings/<RecordingFileName>
    bool firmware = true;                     // write Configs/km7_sysenv.cfg
    std::int32_t firmwareMajor = 1;
    std::int32_t firmwareMinor = 23;
    // Write over files already there. Off: a folder holding any file of CardFiles (a real
    // card, say) is refused and left untouched.
    bool replaceExisting = false;
};

// The standard demo card: a dozen Normal, Event and Motion recordings on lastDay and the day
// before, AVI and MP4, one- and two-channel, 640x360, driving in Seoul, Sydney, Buenos Aires
// and New York; the last one cut by a power loss. The default day keeps tests reproducible;
// the command passes yesterday.
CardOptions DemoCard(const QString &root, QDate lastDay = QDate(2014, 7, 22));

// The files WriteCard writes, in its order.
QStringList CardFiles(const CardOptions &options);

// Of `paths`, those that exist now (a dangling link counts: writing would replace it).
QStringList ExistingFiles(const QStringList &paths);

// Writes Recordings/ and Configs/ under options.root. Lists the files written in *written.
// Each recording's modification time is the end of its recording, as the camera leaves it.
bool WriteCard(const CardOptions &options, QString *error = nullptr,
               QStringList *written = nullptr);

} // namespace cardgen
