#pragma once

// A scripted sensor data source for loader tests: delivers a list of records, then ends,
// fails forever, or delivers records forever (optionally slowly).

#include "filters/CBaseFilter.h"
#include "filters/CFilterRegistry.h"
#include "filters/IFileSourceFilter.h"
#include "filters/ISensorDataReader.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

inline constexpr char CLSID_FakeSensorSource[] = "{F4CE0000-0000-4000-8000-00000000FA4E}";

struct FakeRecord {
    HRESULT result = S_OK;
    std::vector<std::uint8_t> bytes;
    std::uint32_t time = 0;
};

struct FakeScript {
    enum class Then { End, FailForever, RecordsForever };
    HRESULT loadResult = S_OK;
    std::vector<FakeRecord> records;
    Then then = Then::End;
    std::chrono::microseconds delay{0}; // per read
};

class CFakeSensorSource : public CBaseFilter, public IFileSourceFilter, public ISensorDataReader
{
public:
    // Set on the test's thread before a load starts; copied by the factory (which the loader
    // calls on that thread).
    static FakeScript &Script()
    {
        static FakeScript script;
        return script;
    }
    // The buffer capacity of the last read, as the caller passed it.
    static std::atomic<std::uint32_t> &LastCapacity()
    {
        static std::atomic<std::uint32_t> capacity{0};
        return capacity;
    }
    static void Register()
    {
        CFilterRegistry::Instance().Register(CLSID_FakeSensorSource, [] {
            return std::unique_ptr<CBaseFilter>(new CFakeSensorSource(Script()));
        });
    }

    explicit CFakeSensorSource(FakeScript script) : m_script(std::move(script)) {}
    QString Name() const override { return QStringLiteral("Fake Sensor Source"); }
    HRESULT Load(const QString &) override { return m_script.loadResult; }
    HRESULT ReadRecord(std::uint8_t *buffer, std::uint32_t *size, std::uint32_t *time) override
    {
        LastCapacity() = *size;
        if (m_script.delay.count())
            std::this_thread::sleep_for(m_script.delay);
        if (m_next < m_script.records.size()) {
            const FakeRecord &r = m_script.records[m_next++];
            if (r.result == S_OK) {
                const auto n = std::min<std::size_t>(r.bytes.size(), *size);
                std::memcpy(buffer, r.bytes.data(), n);
                *size = static_cast<std::uint32_t>(n);
                *time = r.time;
            }
            return r.result;
        }
        switch (m_script.then) {
        case FakeScript::Then::End:
            return kEndOfData;
        case FakeScript::Then::FailForever:
            return E_FAIL;
        case FakeScript::Then::RecordsForever:
            buffer[0] = 'M';
            *size = 13;
            *time = static_cast<std::uint32_t>(m_next++ * 100);
            return S_OK;
        }
        return E_FAIL;
    }

private:
    FakeScript m_script;
    std::size_t m_next = 0;
};
