#pragma once

#include "ui/MainWindowModes.h"

#include <QRect>
#include <QSize>

#include <array>
#include <cstdint>
#include <optional>
#include <span>

// The main window's controls, their placement per layout kind and their enabled state per
// control state, as data. COrvelPlayerDlg walks these tables; nothing here touches a widget.
namespace MainWindowTables
{

using Skin = std::array<std::uint16_t, 5>;

enum class ButtonKind { Push, Check };

struct ButtonRow {
    int id;
    ButtonKind kind;
    Skin skin;              // normal, pressed, hover, disabled, focus
    const char *tooltipKey; // empty: no tooltip text
};

// The 29 skin buttons in the order CreateControls sets them up.
std::span<const ButtonRow> Buttons();

struct SliderRow {
    int id;
    Skin skin; // channel, fill, thumb, pressed thumb, focused thumb
    int minimum;
    int maximum;
    int position;
};

// Position, speed, volume and brightness; the position slider's range is set per recording.
std::span<const SliderRow> Sliders();
const SliderRow *FindSlider(int id);

struct PlacedControl {
    int id;
    QRect rect; // client pixels x, y, width, height
};

// Layout kind 1 (normal). The two map buttons depend on the map state.
std::span<const PlacedControl> NormalLayout();
QRect NormalLargeMapButtonRect(MapState mapState);
QRect NormalShowMapButtonRect(MapState mapState);
std::span<const int> NormalHiddenInExtended();

// Layout kind 2 (extended): rectangles follow the client size.
std::array<PlacedControl, 9> ExtendedLayout(int clientWidth, int clientHeight);
inline constexpr Skin kExtendedVolumeSkin{296, 297, 219, 219, 219};
inline constexpr Skin kLargeMapNormalSkin{160, 163, 161, 160, 160};
inline constexpr Skin kLargeMapReduceSkin{502, 504, 503, 502, 502};

// Layout kind 16 (large map): the controls that stay, and everything that is hidden.
std::span<const PlacedControl> LargeMapLayout();
std::span<const int> LargeMapHidden();

inline constexpr QRect kSmallMapAtLayout{695, 466, 323, 196};
inline constexpr QRect kLargeMapWindow{2, 48, 1017, 615};
inline constexpr QRect kNoRect{0, 0, 0, 0};

// File list and map geometry by map state, as the map commands apply it.
struct MapStateGeometry {
    MapState mapState;
    std::optional<QRect> fileList; // nullopt: hidden
    QRect mapWindow;
    QRect largeMapButton;
    std::optional<QRect> showMapButton; // nullopt: hidden
    Skin showMapSkin;
    const char *showMapTooltipKey;
};
const MapStateGeometry *FindMapState(MapState mapState);

// Pointer-zone hiding in extended mode (zones 21 and 22; zone 22 also hides Extend).
std::span<const int> PointerZoneHidden();

enum class Rule {
    Keep, // left as it is
    Enable,
    Disable,
    Hide,         // video windows
    AudioRule,    // enabled only when a sound output exists
    SingleStream, // enabled, then the single-stream rule
};

enum class Owner { MainWindow, TopBar, ControlBar, FileListPanel };

struct ControlStateRow {
    Owner owner;
    int id;
    std::array<Rule, 3> rules; // Idle, Listed, Playing
};
std::span<const ControlStateRow> ControlStates();

// ---------------------------------------------------------------------------------------
// The three extended-mode panels.

// Their buttons, each panel's in the order it sets them up.
std::span<const ButtonRow> ControlBarButtons();
std::span<const ButtonRow> TopBarButtons();
std::span<const ButtonRow> FileListPanelButtons();

inline constexpr int kControlBarHeight = 44;
inline constexpr int kTopBarHeight = 40;
inline constexpr QSize kFileListPanelSize{326, 587};
// The file list panel's top edge lies this far above the control bar's bottom edge.
inline constexpr int kFileListPanelAboveBarBottom = 631;

// The control bar's and the top bar's controls for a client of w x h.
std::array<PlacedControl, 12> ControlBarLayout(int w, int h);
std::array<PlacedControl, 6> TopBarLayout(int w);
// The file list panel's fixed places (its list included).
std::span<const PlacedControl> FileListPanelLayout();

// The control bar's sliders: skins at creation and after each layout; the position slider's
// place at creation; the volume slider's range and start.
inline constexpr Skin kBarPositionSkinCreated{209, 210, 213, 213, 213};
inline constexpr Skin kBarPositionSkinLaidOut{306, 307, 213, 213, 213};
inline constexpr Skin kBarVolumeSkinCreated{268, 216, 219, 219, 219};
inline constexpr Skin kBarVolumeSkinLaidOut{296, 297, 219, 219, 219};
inline constexpr QRect kBarPositionSliderCreated{39, 477, 371, 20};
inline constexpr QRect kTopFileNameRect{28, 11, 300, 15};

// Mute looks: the window's button and the control bar's copy, sound on and muted. The bar's
// copy takes the main window's state over with the "laid out" looks.
inline constexpr Skin kMuteOffSkin{223, 225, 224, 225, 223};
inline constexpr Skin kMuteOnSkin{220, 222, 221, 222, 220};
inline constexpr Skin kBarMuteOffSkin{303, 305, 304, 305, 303};
inline constexpr Skin kBarMuteOnSkin{300, 302, 301, 302, 300};
inline constexpr Skin kBarMuteOffLaidOut{303, 305, 304, 303, 303};
inline constexpr Skin kBarMuteOnLaidOut{300, 302, 301, 300, 300};

// A panel command and the window's command it runs. With copyCheck the panel button's check
// state is first given to the window's button, whose command reads it.
struct PanelCommandRoute {
    Owner owner;
    int panelId;
    int mainId;
    bool copyCheck;
};
const PanelCommandRoute *FindPanelCommand(Owner owner, int panelId);

} // namespace MainWindowTables
