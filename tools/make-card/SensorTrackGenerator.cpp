// The simulated drive behind a recording's sensor stream: a car following real streets of a
// city at city speeds, with traffic-light stops, a U-turn at the end of the route, GPS
// dropouts and, in Event recordings, a hard braking with its G-sensor spike.

#include "tools/make-card/CardGenerator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <span>

namespace cardgen
{
namespace
{

struct LatLon {
    double lat, lon;
};

// Waypoints along real roads (decimal degrees).
constexpr std::array kSeoul{
    LatLon{37.5759, 126.9768}, // Gwanghwamun
    LatLon{37.5663, 126.9779}, // Seoul City Hall, Sejong-daero
    LatLon{37.5600, 126.9753}, // Sungnyemun
    LatLon{37.5547, 126.9707}, // Seoul Station
    LatLon{37.5410, 126.9706}, // Hangang-daero, Samgakji
    LatLon{37.5291, 126.9646}, // Yongsan
    LatLon{37.5172, 126.9589}, // Hangang Bridge
    LatLon{37.5133, 126.9426}, // Noryangjin
};
constexpr std::array kSydney{
    LatLon{-33.8615, 151.2108}, // Circular Quay
    LatLon{-33.8688, 151.2070}, // George Street, Wynyard
    LatLon{-33.8731, 151.2069}, // Town Hall
    LatLon{-33.8832, 151.2050}, // Central
    LatLon{-33.8841, 151.1953}, // Broadway
    LatLon{-33.8810, 151.1850}, // Parramatta Road, Glebe
    LatLon{-33.8790, 151.1700}, // Annandale
};
constexpr std::array kBuenosAires{
    LatLon{-34.6037, -58.3816}, // Obelisco, Avenida 9 de Julio
    LatLon{-34.5955, -58.3810}, // 9 de Julio, Tribunales
    LatLon{-34.5910, -58.3750}, // Retiro
    LatLon{-34.5860, -58.3900}, // Avenida del Libertador, Recoleta
    LatLon{-34.5750, -58.4100}, // Palermo
    LatLon{-34.5680, -58.4250}, // Palermo Chico
};
constexpr std::array kNewYork{
    LatLon{40.7580, -73.9855}, // Times Square
    LatLon{40.7681, -73.9819}, // Columbus Circle
    LatLon{40.7812, -73.9724}, // Central Park West
    LatLon{40.7940, -73.9640}, // West 96th Street
    LatLon{40.7995, -73.9583}, // Frederick Douglass Circle
};

std::span<const LatLon> Route(City city)
{
    switch (city) {
    case City::Sydney:
        return kSydney;
    case City::BuenosAires:
        return kBuenosAires;
    case City::NewYork:
        return kNewYork;
    case City::Seoul:
        break;
    }
    return kSeoul;
}

constexpr double kEarthRadiusM = 6371000.0;
constexpr double kDegToRad = std::numbers::pi / 180.0;
constexpr double kGravity = 9.81;
constexpr double kRawPerG = 128.0; // raw G-sensor units per g; the viewer halves them
constexpr double kKnotsPerMs = 3600.0 / 1852.0;

double DistanceM(LatLon a, LatLon b)
{
    const double dLat = (b.lat - a.lat) * kDegToRad;
    const double dLon = (b.lon - a.lon) * kDegToRad * std::cos((a.lat + b.lat) * 0.5 * kDegToRad);
    return kEarthRadiusM * std::hypot(dLat, dLon);
}

double BearingDeg(LatLon a, LatLon b)
{
    const double dLat = (b.lat - a.lat);
    const double dLon = (b.lon - a.lon) * std::cos((a.lat + b.lat) * 0.5 * kDegToRad);
    const double deg = std::atan2(dLon, dLat) / kDegToRad;
    return deg < 0 ? deg + 360.0 : deg;
}

// Portable, seedable generator: the same seed gives the same drive on every machine
// (std distributions are not specified bit for bit).
class Rng
{
public:
    explicit Rng(std::uint64_t seed) : m_state(seed ^ 0x9E3779B97F4A7C15ull) { Next(); }
    std::uint64_t Next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double Uniform(double lo, double hi)
    {
        return lo + (hi - lo) * static_cast<double>(Next() >> 11) * 0x1.0p-53;
    }
    bool Chance(double p) { return Uniform(0.0, 1.0) < p; }

private:
    std::uint64_t m_state;
};

// Position along the route as a distance from its first waypoint.
struct RoutePosition {
    LatLon where;
    double bearingDeg;
};

RoutePosition PositionAt(std::span<const LatLon> route, double distanceM)
{
    for (size_t i = 0; i + 1 < route.size(); ++i) {
        const double len = DistanceM(route[i], route[i + 1]);
        if (distanceM <= len || i + 2 == route.size()) {
            const double f = len > 0 ? std::clamp(distanceM / len, 0.0, 1.0) : 0.0;
            return {{route[i].lat + (route[i + 1].lat - route[i].lat) * f,
                     route[i].lon + (route[i + 1].lon - route[i].lon) * f},
                    BearingDeg(route[i], route[i + 1])};
        }
        distanceM -= len;
    }
    return {route.front(), 0.0};
}

double RouteLength(std::span<const LatLon> route)
{
    double total = 0;
    for (size_t i = 0; i + 1 < route.size(); ++i)
        total += DistanceM(route[i], route[i + 1]);
    return total;
}

void AppendInt32(std::vector<std::uint8_t> &out, std::int32_t value)
{
    const auto u = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(u >> shift));
}

SensorRecord GSensorRecord(std::uint32_t timeMs, double xG, double yG, double zG)
{
    SensorRecord rec{timeMs, {}};
    rec.bytes.reserve(13);
    rec.bytes.push_back('M');
    for (double g : {xG, yG, zG})
        AppendInt32(rec.bytes, static_cast<std::int32_t>(std::lround(g * kRawPerG)));
    return rec;
}

// "ddmm.mmmm" / "dddmm.mmmm" and the hemisphere letter.
void NmeaCoordinate(double deg, int degDigits, char positive, char negative, char *out, size_t size,
                    char *hemisphere)
{
    const double a = std::fabs(deg);
    int whole = static_cast<int>(a);
    double minutes = (a - whole) * 60.0;
    if (minutes >= 59.99995) { // keep 60.0000 from appearing after rounding
        minutes = 0;
        ++whole;
    }
    std::snprintf(out, size, "%0*d%07.4f", degDigits, whole, minutes);
    *hemisphere = deg < 0 ? negative : positive;
}

SensorRecord RmcRecord(std::uint32_t timeMs, const QDateTime &utc, bool valid, bool keepPosition,
                       LatLon where, double speedMs, double courseDeg)
{
    char hhmmss[16];
    char ddmmyy[16];
    std::snprintf(hhmmss, sizeof hhmmss, "%02d%02d%02d.00", utc.time().hour(), utc.time().minute(),
                  utc.time().second());
    std::snprintf(ddmmyy, sizeof ddmmyy, "%02d%02d%02d", utc.date().day(), utc.date().month(),
                  utc.date().year() % 100);

    char body[160];
    if (valid || keepPosition) {
        char lat[24], lon[24], ns, ew;
        NmeaCoordinate(where.lat, 2, 'N', 'S', lat, sizeof lat, &ns);
        NmeaCoordinate(where.lon, 3, 'E', 'W', lon, sizeof lon, &ew);
        std::snprintf(body, sizeof body, "GPRMC,%s,%c,%s,%c,%s,%c,%.3f,%.2f,%s,,,%c", hhmmss,
                      valid ? 'A' : 'V', lat, ns, lon, ew, speedMs * kKnotsPerMs, courseDeg, ddmmyy,
                      valid ? 'A' : 'N');
    } else {
        // A receiver without a fix: status V and empty position fields.
        std::snprintf(body, sizeof body, "GPRMC,%s,V,,,,,,,%s,,,N", hhmmss, ddmmyy);
    }
    unsigned checksum = 0;
    for (const char *p = body; *p; ++p)
        checksum ^= static_cast<unsigned char>(*p);
    char sentence[176];
    const int n = std::snprintf(sentence, sizeof sentence, "%s*%02X", body, checksum);

    SensorRecord rec{timeMs, {}};
    rec.bytes.assign(sentence, sentence + n);
    rec.bytes.push_back(0);
    return rec;
}

enum class Phase { Cruise, Stopping, Stopped, HardBrake };

} // namespace

std::vector<SensorRecord> MakeSensorRecords(const RecordingOptions &options)
{
    std::vector<SensorRecord> records;
    if (!options.sensors || options.durationMs <= 0 || (!options.gps && !options.gsensor))
        return records;

    const auto route = Route(options.city);
    const double routeLen = RouteLength(route);
    Rng rng(options.seed * 0x100000001B3ull + static_cast<std::uint64_t>(options.city));

    constexpr double dt = 0.1;
    const int steps = (options.durationMs + 99) / 100;
    records.reserve(static_cast<size_t>(steps + steps / 10 + 2));
    const int eventStep = options.category == Category::Event ? steps * 6 / 10 : -1;

    // The wall clock of the file name read as UTC+9; the sentences carry UTC.
    const QDateTime utcStart =
        QDateTime(options.start.date(), options.start.time(), Qt::UTC).addSecs(-9 * 3600);

    double distance = rng.Uniform(0.0, routeLen * 0.5);
    int direction = 1;                 // along the waypoints, or back after the U-turn at an end
    double v = rng.Uniform(8.0, 14.0); // m/s
    double target = v;
    Phase phase = Phase::Cruise;
    double phaseLeft = rng.Uniform(15.0, 40.0);
    double heading = -1; // smoothed course, degrees; set on the first step
    int voidRun = 0;

    for (int step = 0; step < steps; ++step) {
        const double t = step * dt;
        double accel = 0; // longitudinal, m/s^2

        if (step == eventStep)
            phase = Phase::HardBrake;
        switch (phase) {
        case Phase::Cruise:
            accel = std::clamp((target - v) * 0.6, -2.5, 1.8);
            phaseLeft -= dt;
            if (phaseLeft <= 0) {
                if (t > 30.0 && rng.Chance(0.35)) {
                    phase = Phase::Stopping; // a red light ahead
                } else {
                    target = rng.Uniform(7.0, 16.5); // 25..60 km/h
                    phaseLeft = rng.Uniform(10.0, 40.0);
                }
            }
            break;
        case Phase::Stopping:
            accel = v > 0 ? -2.2 : 0;
            if (v <= 0) {
                phase = Phase::Stopped;
                phaseLeft = rng.Uniform(5.0, 25.0);
            }
            break;
        case Phase::HardBrake:
            accel = v > 0 ? -8.0 : 0;
            if (v <= 0) {
                phase = Phase::Stopped;
                phaseLeft = 4.0;
            }
            break;
        case Phase::Stopped:
            phaseLeft -= dt;
            if (phaseLeft <= 0) {
                phase = Phase::Cruise;
                target = rng.Uniform(8.0, 15.0);
                phaseLeft = rng.Uniform(15.0, 40.0);
            }
            break;
        }

        // Slow down for the end of the route, then turn round.
        const double toEnd = direction > 0 ? routeLen - distance : distance;
        if (phase == Phase::Cruise && v * v / (2 * 2.2) >= toEnd)
            accel = -2.2;
        const double vBefore = v;
        v = std::max(0.0, v + accel * dt);
        accel = (v - vBefore) / dt;
        distance = std::clamp(distance + direction * v * dt, 0.0, routeLen);
        if ((direction > 0 && distance >= routeLen) || (direction < 0 && distance <= 0)) {
            direction = -direction;
            v = 0;
            phase = Phase::Stopped;
            phaseLeft = rng.Uniform(5.0, 10.0);
        }

        RoutePosition pos = PositionAt(route, distance);
        if (direction < 0)
            pos.bearingDeg = std::fmod(pos.bearingDeg + 180.0, 360.0);
        double yawRate = 0; // degrees per second
        if (heading < 0) {
            heading = pos.bearingDeg;
        } else if (v > 0.5) {
            double diff = std::remainder(pos.bearingDeg - heading, 360.0);
            const double maxTurn = 20.0 * dt;
            diff = std::clamp(diff, -maxTurn, maxTurn);
            heading = std::fmod(heading + diff + 360.0, 360.0);
            yawRate = diff / dt;
        }

        const auto timeMs = static_cast<std::uint32_t>(step * 100);
        if (options.gps && step % 10 == 0) {
            const int k = step / 10;
            // A few dropouts: one early while the receiver settles, then now and then a
            // short run (an underpass), half of them still repeating the last position.
            if (voidRun == 0 && (k == 2 || (k > 5 && rng.Chance(1.0 / 45.0))))
                voidRun = k == 2 ? 1 : 1 + static_cast<int>(rng.Next() % 3);
            const bool valid = voidRun == 0;
            const bool keepPosition = !valid && (k % 2 == 0);
            if (voidRun > 0)
                --voidRun;
            records.push_back(
                RmcRecord(timeMs, utcStart.addSecs(k), valid, keepPosition, pos.where, v, heading));
        }
        if (options.gsensor) {
            const double noise = 0.01 + 0.002 * v;
            double lateral = v * yawRate * kDegToRad / kGravity + rng.Uniform(-noise, noise);
            double longitudinal = accel / kGravity + rng.Uniform(-noise, noise);
            double vertical = 1.0 + rng.Uniform(-2 * noise, 2 * noise);
            if (step == eventStep) { // the jolt that triggered the event recording
                longitudinal = -2.6;
                vertical = 2.1;
                lateral += 0.4;
            } else if (eventStep >= 0 && step == eventStep + 1) {
                longitudinal = -1.4;
                vertical = 0.4;
            }
            records.push_back(GSensorRecord(timeMs + 50, lateral, longitudinal, vertical));
        }
    }
    // The last sample must lie inside the recording.
    while (!records.empty() &&
           records.back().timeMs >= static_cast<std::uint32_t>(options.durationMs))
        records.pop_back();
    return records;
}

} // namespace cardgen
