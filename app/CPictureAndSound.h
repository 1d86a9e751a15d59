#pragma once

class CDShowPlayer;
class CMainWindowControls;
class QString;

// The picture and sound room: the two picture flips (m_bFlipVertical, m_bFlipHorizontal), the
// brightness slider 1023, the volume slider 1022 and Mute 1026. Flips and brightness go to the
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

private:
    CDShowPlayer &m_player;
    CMainWindowControls &m_controls;
    const QString &m_strLibraryRoot;
    bool m_bFlipVertical = false;
    bool m_bFlipHorizontal = false;
};
