#pragma once

// Reading a recording's sensor records the way the viewer does, and writing them out as a GPX
// 1.1 track and a CSV of G-sensor samples.

#include "sensors/CTextData.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace sensorexport
{

struct Fix {
    CGPSData fix;               // as the viewer parsed it (valid fixes only)
    std::optional<QString> utc; // "YYYY-MM-DDThh:mm:ss[.fff]Z" from the sentence's own fields
};

struct Sample {
    CGSensorData sample; // as the viewer keeps it (halved, clamped)
    std::int32_t raw[3] = {0, 0, 0};
};

struct Recording {
    QString path;
    std::vector<Fix> fixes;
    std::vector<Sample> samples;
    std::size_t records = 0;  // records delivered by the data source
    std::size_t dropped = 0;  // records longer than the viewer's 2048-byte buffer
    std::size_t offGlobe = 0; // valid fixes whose position is no place on Earth (not in fixes)
    QString error;            // non-empty when the file could not be read
    QString damage;           // non-empty when reading stopped before the stream's end; the
                              // records before that point are kept
};

// Reads every record of `path` through the sensor data source with the viewer's buffer size.
Recording Read(const QString &path);

// The UTC time of an RMC sentence from its time and date fields, or none when either is
// missing or out of range.
std::optional<QString> RmcUtcTime(std::string_view sentence);

// NMEA ddmm.mmmm (signed) to decimal degrees, as the map converts it.
double Degrees(double nmea);

// A fix's latitude and longitude in decimal degrees as GPX takes them (latitude -90..90,
// longitude -180 up to but not including 180), or none for a position that is no place on
// Earth (a receiver's cold-start placeholder such as 36000.0000 N).
std::optional<std::pair<double, double>> GpxPosition(const CGPSData &fix);

// GPX 1.1: one track per recording with fixes, named by its file name.
QByteArray ToGpx(const std::vector<Recording> &recordings);
// CSV: file,offset_ms,x,y,z,raw_x,raw_y,raw_z, one line per G-sensor sample.
QByteArray ToCsv(const std::vector<Recording> &recordings);

// Writes through a temporary file renamed into place; "-" writes to standard output.
bool WriteFileAtomically(const QString &path, const QByteArray &bytes, QString *error);

} // namespace sensorexport
