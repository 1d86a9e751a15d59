#include "app/CPictureAndSound.h"

#include "app/CMainWindowControls.h"
#include "filters/IDecoderParams.h"
#include "platform/SoundOutput.h"
#include "playback/CDShowPlayer.h"

using namespace ControlIds;
using namespace MainWindowTables;

namespace
{

constexpr Skin kMuteOffSkin{223, 225, 224, 225, 223};
constexpr Skin kMuteOnSkin{220, 222, 221, 222, 220};
// The decoder of the second channel carries the flips.
constexpr int kFlipChannel = 1;

bool IsTrackbarMove(int code)
{
    return code >= CKipImageSlider::TB_PAGEUP && code <= CKipImageSlider::TB_THUMBTRACK;
}

} // namespace

CPictureAndSound::CPictureAndSound(CDShowPlayer &player, CMainWindowControls &controls,
                                   const QString &libraryRoot)
    : m_player(player), m_controls(controls), m_strLibraryRoot(libraryRoot)
{
}

void CPictureAndSound::ApplyFlipsToOpened(int videoStreams)
{
    if (videoStreams == 1) {
        ResetFlips();
        return;
    }
    if (m_bFlipVertical) {
        m_player.SetDecoderParam(kFlipChannel, IDecoderParams::kParamFlip, 1);
        m_player.SetDecoderParam(kFlipChannel, IDecoderParams::kParamFlipVertical, 1);
    }
    if (m_bFlipHorizontal) {
        m_player.SetDecoderParam(kFlipChannel, IDecoderParams::kParamFlip, 1);
        m_player.SetDecoderParam(kFlipChannel, IDecoderParams::kParamFlipHorizontal, 1);
    }
}

void CPictureAndSound::ResetFlips()
{
    m_bFlipVertical = false;
    m_bFlipHorizontal = false;
    m_controls.Button(IDC_FLIP_VERTICAL)->SetCheck(0);
    m_controls.Button(IDC_FLIP_HORIZONTAL)->SetCheck(0);
}

void CPictureAndSound::ToggleFlip(bool vertical)
{
    const int id = vertical ? IDC_FLIP_VERTICAL : IDC_FLIP_HORIZONTAL;
    const int topId = vertical ? IDC_TOP_FLIP_VERTICAL : IDC_TOP_FLIP_HORIZONTAL;
    bool &flag = vertical ? m_bFlipVertical : m_bFlipHorizontal;
    if (m_strLibraryRoot.isEmpty())
        return;
    CKipSkinButton *button = m_controls.Button(id);
    CKipSkinButton *copy = m_controls.PanelButton(Owner::TopBar, topId);
    const PlayState state = m_player.GetState();
    if (!m_player.Graph() || (state != PlayState::Running && state != PlayState::Paused)) {
        button->SetCheck(0);
        if (copy)
            copy->SetCheck(0);
        return;
    }
    const bool flipped = !flag;
    if (m_player.SetDecoderParam(kFlipChannel, IDecoderParams::kParamFlip, 1) >= 0)
        m_player.SetDecoderParam(kFlipChannel,
                                 vertical ? IDecoderParams::kParamFlipVertical
                                          : IDecoderParams::kParamFlipHorizontal,
                                 flipped ? 1 : 0);
    m_player.Repaint();
    flag = flipped;
    button->SetCheck(flipped ? 1 : 0);
    if (copy)
        copy->SetCheck(flipped ? 1 : 0);
    m_player.Repaint();
}

void CPictureAndSound::OnVolumeSlider(int code)
{
    if (!IsTrackbarMove(code))
        return;
    const int p = m_controls.Slider(IDC_VOLUME_SLIDER)->GetPos();
    CKipSkinButton *mute = m_controls.Button(IDC_MUTE);
    mute->SetCheck(p > 0 ? 0 : 1);
    m_controls.SetButtonSkin(IDC_MUTE, p > 0 ? kMuteOffSkin : kMuteOnSkin);
    mute->repaint();
    CSoundOutput::Instance().SetVolume(CSoundOutput::PackedFromPosition(p));
}

void CPictureAndSound::OnBrightnessSlider(int code)
{
    if (!IsTrackbarMove(code))
        return;
    const int p = m_controls.Slider(IDC_BRIGHTNESS_SLIDER)->GetPos();
    for (const int channel : {0, 1}) {
        if (m_player.SetDecoderParam(channel, IDecoderParams::kParamPictureProperties, 1) >= 0)
            m_player.SetDecoderParam(channel, IDecoderParams::kParamBrightness, p);
    }
}

void CPictureAndSound::OnMute()
{
    CKipSkinButton *mute = m_controls.Button(IDC_MUTE);
    if (mute->GetCheck()) {
        CSoundOutput::Instance().SetVolume(0);
        mute->SetCheck(1);
        m_controls.SetButtonSkin(IDC_MUTE, kMuteOnSkin);
    } else {
        CSoundOutput::Instance().SetVolume(
            CSoundOutput::PackedFromPosition(m_controls.Slider(IDC_VOLUME_SLIDER)->GetPos()));
        m_controls.SetButtonSkin(IDC_MUTE, kMuteOffSkin);
    }
    mute->repaint();
}
