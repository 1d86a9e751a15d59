#pragma once

class CDShowPlayer;
class CKipImageSlider;
class CMainWindowControls;
class QString;

// The picture and sound room: the two picture flips (m_bFlipVertical, m_bFlipHorizontal), the
// brightness slider 1023, the volume slider 1022 and Mute 1026, with the copies the extended
// mode's bars carry of them (top bar flips, control bar volume 1077 and Mute 1076): whichever
// copy the user moves, this room keeps the others in step. Flips and brightness go to the
// decoders as parameters; the volume is the application volume of the sound output.
class CPictureAndSound
{
public:
    // `libraryRoot` is the window's; without a library the flip buttons do nothing.
    CPictureAndSound(CDShowPlayer &player, CMainWindowControls &controls,
                     const QString &libraryRoot);

    bool FlipVertical() const { return m_bFlipVertical; }
    bool FlipHorizontal() const { return m_bFlipHorizontal; }

    // Buttons 1006 and 1027 (and the top bar's copies).
    void ToggleFlip(bool vertical);
    // A recording with `videoStreams` streams was opened: a single stream starts unflipped, a
    // second stream keeps the flips chosen before.
    void ApplyFlipsToOpened(int videoStreams);
    // Both flips off and their buttons unchecked.
    void ResetFlips();

    // Trackbar code `code` from the volume or the brightness slider.
    void OnVolumeSlider(int code);
    void OnBrightnessSlider(int code);
    void OnMute();
    // The control bar's volume slider (trackbar code `code`) and its Mute, after the click.
    void OnBarVolumeSlider(int code);
    void OnBarMute();
    // The control bar was laid out: its volume slider and Mute take the window's state over.
    void TakeSoundStateIntoBar();

private:
    CKipImageSlider *BarVolumeSlider();
    // Both Mute buttons checked (or cleared) with the matching look.
    void ShowMuted(bool muted);
    void SetLevelFrom(const CKipImageSlider &source, CKipImageSlider *copy);
    void ApplyMute(bool muted, const CKipImageSlider &levelSource, CKipImageSlider *copy);
    static void MoveSlider(CKipImageSlider *slider, int position);

    CDShowPlayer &m_player;
    CMainWindowControls &m_controls;
    const QString &m_strLibraryRoot;
    bool m_bFlipVertical = false;
    bool m_bFlipHorizontal = false;
};
