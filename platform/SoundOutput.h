#pragma once

#include <QObject>

#include <cstdint>
#include <memory>
#include <optional>

typedef struct _GstElement GstElement;

// The application's sound output: whether one exists, the audio sink that plays through it,
// and the one output volume (packed: low 16 bits left, high 16 bits right) that every audio
// renderer of every graph follows. UI thread only.
class CSoundOutput : public QObject
{
    Q_OBJECT
public:
    // What the operating system offers; one implementation per platform, a double in tests.
    class Backend
    {
    public:
        virtual ~Backend() = default;
        // Is there a sound output to play through at all?
        virtual bool Probe() = 0;
        // A new (floating) audio sink element for one graph, or nullptr without an output.
        virtual GstElement *CreateSink() = 0;
    };

    static CSoundOutput &Instance();
    // The platform's backend (CreatePlatformBackend), or the given one.
    void SetBackend(std::unique_ptr<Backend> backend);
    static std::unique_ptr<Backend> CreatePlatformBackend();

    // Whether a sound output exists; probed once, again after Reprobe or SetBackend.
    bool HasOutput();
    void Reprobe() { m_bProbed = false; }

    // The output volume, or nothing when there is no output (the query fails).
    std::optional<std::uint32_t> GetVolume();
    // False when there is no output; the value is kept either way.
    bool SetVolume(std::uint32_t packed);
    std::uint32_t Volume() const { return m_nVolume; }

    // A sink for one graph's audio renderer, or nullptr when there is no output.
    GstElement *CreateSink();

    // Linear gain 0..1 of the louder channel of a packed volume.
    static double GainOf(std::uint32_t packed);
    // The packed volume of a slider position 0..99: trunc(p * 655.35) on both channels.
    static std::uint32_t PackedFromPosition(int position);

signals:
    void VolumeChanged(std::uint32_t packed);

private:
    CSoundOutput();
    Backend &TheBackend();

    std::unique_ptr<Backend> m_backend;
    bool m_bProbed = false;
    bool m_bHasOutput = false;
    std::uint32_t m_nVolume = 0xFFFFFFFFu;
};
