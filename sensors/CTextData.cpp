#include "sensors/CTextData.h"

#include <cstring>
#include <string_view>

namespace
{

std::int32_t Int32At(std::span<const std::uint8_t> record, std::size_t offset)
{
    std::uint32_t u = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const std::uint8_t b = offset + i < record.size() ? record[offset + i] : 0;
        u |= static_cast<std::uint32_t>(b) << (8 * i);
    }
    return static_cast<std::int32_t>(u);
}

} // namespace

CTextData::CTextData() : m_arrGSensor(kInitialEntries), m_arrGPS(kInitialEntries) {}

CTextData CTextData::Empty()
{
    return CTextData(EmptyTag{});
}

int CTextData::AddRecord(std::span<const std::uint8_t> record, std::uint32_t time)
{
    if (record.empty())
        return 0;
    if (record[0] == 'M') {
        // Division truncates toward zero, as the axes are defined.
        m_arrGSensor.emplace_back(Int32At(record, 1) / 2, Int32At(record, 5) / 2,
                                  Int32At(record, 9) / 2, time);
        return 0;
    }
    constexpr std::string_view kRmc = "GPRMC";
    if (record.size() >= kRmc.size() && std::memcmp(record.data(), kRmc.data(), kRmc.size()) == 0) {
        CGPSData fix;
        fix.ParseRMC(std::string_view(reinterpret_cast<const char *>(record.data()), record.size()),
                     time, m_clock);
        if (fix.m_bValid == 1)
            m_arrGPS.push_back(fix);
    }
    return 0;
}

void CTextData::RemoveAll()
{
    m_arrGSensor = {};
    m_arrGPS = {};
    m_clock = {};
}

void CTextData::Append(const CTextData &chunk)
{
    m_arrGSensor.insert(m_arrGSensor.end(), chunk.m_arrGSensor.begin(), chunk.m_arrGSensor.end());
    m_arrGPS.insert(m_arrGPS.end(), chunk.m_arrGPS.begin(), chunk.m_arrGPS.end());
}
