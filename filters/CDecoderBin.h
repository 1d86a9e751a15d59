#pragma once

#include "filters/CGstElementFilter.h"
#include "filters/IDecoderParams.h"

#include <memory>

// The H.264 video decoder component: a bin of parser, the best installed H.264 decoder, a
// brightness stage and a flip stage, with one "sink" and one "src" pad. Brightness and flips
// follow SetDecoderParam; at their neutral values both stages pass frames through untouched.
// Lives on the UI thread; the stages themselves take new values between frames.
class CDecoderBin : public CGstElementFilter, public IDecoderParams
{
public:
    // Registry factory: nullptr when no H.264 decoder element is installed.
    static std::unique_ptr<CBaseFilter> Create();

    HRESULT SetDecoderParam(int id, std::int32_t value) override;

    // How much compressed data the input queue reads ahead. Unlimited (up to a large bound)
    // while the graph waits for first frames: one stream missing for a while in a damaged
    // file must not fill the other channel's queue and stall the splitter before both have a
    // frame. Once both are shown, a few seconds suffice, and the rest would only be memory.
    void LimitReadAhead(bool limit);

    // How many decoders of the graph run side by side: each takes its share of the processor
    // cores as threads. Set before the graph starts.
    void ShareCores(int decoders);

    // What the stages are set to now.
    int EffectiveBrightness() const;
    bool EffectiveFlipVertical() const { return m_bFlipEnabled && m_bFlipVertical; }
    bool EffectiveFlipHorizontal() const { return m_bFlipEnabled && m_bFlipHorizontal; }

    static constexpr int kBrightnessMin = -150;
    static constexpr int kBrightnessMax = 150;

private:
    CDecoderBin(GstElementHandle bin, GstElementHandle queue, GstElementHandle decoder,
                GstElementHandle balance, GstElementHandle flip);
    void ApplyBrightness();
    void ApplyFlip();

    GstElementHandle m_queue;   // inside the bin
    GstElementHandle m_decoder; // inside the bin
    GstElementHandle m_balance; // inside the bin; null when videobalance is not installed
    GstElementHandle m_flip;    // inside the bin; null when videoflip is not installed
    bool m_bPictureProperties = false;
    int m_nBrightness = 0;
    bool m_bFlipEnabled = false;
    bool m_bFlipVertical = false;
    bool m_bFlipHorizontal = false;
};
