#include "app/CPictureAndSound.h"

#include "app/CMainWindowControls.h"
#include "filters/IDecoderParams.h"
#include "platform/SoundOutput.h"
#include "playback/CDShowPlayer.h"

using namespace ControlIds;
using namespace MainWindowTables;

namespace
{

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
    for (const int id : {IDC_TOP_FLIP_VERTICAL, IDC_TOP_FLIP_HORIZONTAL})
        if (CKipSkinButton *copy = m_controls.PanelButton(Owner::TopBar, id))
            copy->SetCheck(0);
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
    if (IsTrackbarMove(code))
        SetLevelFrom(*m_controls.Slider(IDC_VOLUME_SLIDER), BarVolumeSlider());
}

void CPictureAndSound::OnBarVolumeSlider(int code)
{
    if (CKipImageSlider *bar = BarVolumeSlider(); bar && IsTrackbarMove(code))
        SetLevelFrom(*bar, m_controls.Slider(IDC_VOLUME_SLIDER));
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
    ApplyMute(m_controls.Button(IDC_MUTE)->GetCheck() != 0, *m_controls.Slider(IDC_VOLUME_SLIDER),
              BarVolumeSlider());
}

void CPictureAndSound::OnBarMute()
{
    CKipSkinButton *barMute = m_controls.PanelButton(Owner::ControlBar, IDC_BAR_MUTE);
    if (CKipImageSlider *bar = BarVolumeSlider(); barMute && bar)
        ApplyMute(barMute->GetCheck() != 0, *bar, m_controls.Slider(IDC_VOLUME_SLIDER));
}

// Both sliders always show one level: the one moved gives it, the copy follows.
void CPictureAndSound::SetLevelFrom(const CKipImageSlider &source, CKipImageSlider *copy)
{
    const int p = source.GetPos();
    MoveSlider(copy, p);
    ShowMuted(p <= 0);
    CSoundOutput::Instance().SetVolume(CSoundOutput::PackedFromPosition(p));
}

// Sound comes back at the level of the slider beside the Mute that was clicked.
void CPictureAndSound::ApplyMute(bool muted, const CKipImageSlider &levelSource,
                                 CKipImageSlider *copy)
{
    if (muted) {
        CSoundOutput::Instance().SetVolume(0);
        ShowMuted(true);
        return;
    }
    const int p = levelSource.GetPos();
    CSoundOutput::Instance().SetVolume(CSoundOutput::PackedFromPosition(p));
    MoveSlider(copy, p);
    ShowMuted(false);
}

void CPictureAndSound::MoveSlider(CKipImageSlider *slider, int position)
{
    if (slider) {
        slider->SetPos(position);
        slider->update();
    }
}

void CPictureAndSound::TakeSoundStateIntoBar()
{
    CKipSkinButton *barMute = m_controls.PanelButton(Owner::ControlBar, IDC_BAR_MUTE);
    CKipImageSlider *bar = BarVolumeSlider();
    if (!barMute || !bar)
        return;
    const int p = m_controls.Slider(IDC_VOLUME_SLIDER)->GetPos();
    MoveSlider(bar, p);
    const bool muted = m_controls.Button(IDC_MUTE)->GetCheck() != 0;
    CSoundOutput::Instance().SetVolume(muted ? 0 : CSoundOutput::PackedFromPosition(p));
    barMute->SetCheck(muted ? 1 : 0);
    m_controls.SetPanelButtonSkin(Owner::ControlBar, IDC_BAR_MUTE,
                                  muted ? kBarMuteOnLaidOut : kBarMuteOffLaidOut);
    barMute->update();
}

CKipImageSlider *CPictureAndSound::BarVolumeSlider()
{
    return m_controls.PanelSlider(Owner::ControlBar, IDC_BAR_VOLUME_SLIDER);
}

void CPictureAndSound::ShowMuted(bool muted)
{
    CKipSkinButton *mute = m_controls.Button(IDC_MUTE);
    mute->SetCheck(muted ? 1 : 0);
    m_controls.SetButtonSkin(IDC_MUTE, muted ? kMuteOnSkin : kMuteOffSkin);
    mute->repaint();
    if (CKipSkinButton *copy = m_controls.PanelButton(Owner::ControlBar, IDC_BAR_MUTE)) {
        copy->SetCheck(muted ? 1 : 0);
        m_controls.SetPanelButtonSkin(Owner::ControlBar, IDC_BAR_MUTE,
                                      muted ? kBarMuteOnSkin : kBarMuteOffSkin);
        copy->repaint();
    }
}
