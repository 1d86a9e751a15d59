#include "platform/SoundOutput.h"

#include <algorithm>

CSoundOutput &CSoundOutput::Instance()
{
    static CSoundOutput output;
    return output;
}

CSoundOutput::CSoundOutput() = default;

void CSoundOutput::SetBackend(std::unique_ptr<Backend> backend)
{
    m_backend = std::move(backend);
    m_bProbed = false;
}

CSoundOutput::Backend &CSoundOutput::TheBackend()
{
    if (!m_backend)
        m_backend = CreatePlatformBackend();
    return *m_backend;
}

bool CSoundOutput::HasOutput()
{
    if (!m_bProbed) {
        m_bHasOutput = TheBackend().Probe();
        m_bProbed = true;
    }
    return m_bHasOutput;
}

std::optional<std::uint32_t> CSoundOutput::GetVolume()
{
    if (!HasOutput())
        return std::nullopt;
    return m_nVolume;
}

bool CSoundOutput::SetVolume(std::uint32_t packed)
{
    const bool changed = packed != m_nVolume;
    m_nVolume = packed;
    if (changed)
        emit VolumeChanged(packed);
    return HasOutput();
}

GstElement *CSoundOutput::CreateSink()
{
    if (!HasOutput())
        return nullptr;
    return TheBackend().CreateSink();
}

double CSoundOutput::GainOf(std::uint32_t packed)
{
    const std::uint32_t left = packed & 0xFFFFu;
    const std::uint32_t right = packed >> 16;
    return std::max(left, right) / 65535.0;
}

std::uint32_t CSoundOutput::PackedFromPosition(int position)
{
    const auto v = static_cast<std::uint32_t>(std::clamp(position, 0, 99) * 655.35);
    return (v << 16) | v;
}
