#include "app/MainWindowTables.h"

#include "ui/ControlIds.h"

#include <algorithm>

namespace MainWindowTables
{

using namespace ControlIds;
using enum ButtonKind;

namespace
{

constexpr ButtonRow kButtons[] = {
    {IDC_INFORMATION, Push, {133, 135, 134, 133, 133}, "PLAYERDLG_INFORMATION"},
    {IDC_MINIMIZE, Push, {136, 138, 137, 136, 136}, "PLAYERDLG_MINIMIZE"},
    {IDC_CLOSE, Push, {130, 132, 131, 130, 130}, "PLAYERDLG_CLOSE"},
    {IDC_FRONT, Check, {456, 458, 457, 455, 456}, "PLAYERDLG_FRONT"},
    {IDC_REAR, Check, {460, 462, 461, 459, 460}, "PLAYERDLG_REAR"},
    {IDC_ALL_VIEWS, Check, {464, 466, 465, 463, 464}, "PLAYERDLG_ALL"},
    {IDC_FLIP_VERTICAL, Check, {145, 147, 146, 467, 145}, "PLAYERDLG_FLIPVERTICAL"},
    {IDC_FLIP_HORIZONTAL, Check, {469, 471, 470, 468, 469}, "PLAYERDLG_FLIPHORIZONTAL"},
    {IDC_CAPTURE, Push, {139, 141, 140, 497, 139}, "PLAYERDLG_CAPTURE"},
    {IDC_EXTEND, Push, {142, 144, 143, 142, 142}, "PLAYERDLG_EXTEND"},
    {IDC_FOLDER, Check, {313, 315, 314, 313, 313}, "PLAYERDLG_FOLDER"},
    {IDC_CALENDAR, Check, {148, 150, 149, 148, 148}, "PLAYERDLG_CALENDER"},
    {IDC_SAVE, Push, {154, 156, 155, 154, 154}, "PLAYERDLG_SAVE"},
    {IDC_DELETE, Push, {151, 153, 152, 151, 151}, "PLAYERDLG_DELETE"},
    {IDC_CHECK_ALL, Check, {451, 453, 452, 451, 451}, ""},
    {IDC_FILE_ALL, Check, {164, 166, 165, 164, 164}, "PLAYERDLG_FILE_ALL"},
    {IDC_FILE_NORMAL, Check, {173, 175, 174, 173, 173}, "PLAYERDLG_FILE_NORMAL"},
    {IDC_FILE_EVENT, Check, {167, 169, 168, 167, 167}, "PLAYERDLG_FILE_EVENT"},
    {IDC_FILE_MOTION, Check, {170, 172, 171, 170, 170}, "PLAYERDLG_FILE_MOTION"},
    {IDC_LARGE_MAP, Push, {160, 163, 161, 160, 160}, "PLAYERDLG_SHOW_LARGEMAP"},
    {IDC_SHOW_MAP, Push, {280, 282, 281, 280, 280}, "PLAYERDLG_SHOW_MAP"},
    {IDC_REWIND, Push, {206, 208, 207, 206, 206}, "PLAYERDLG_REWIND"},
    {IDC_FORWARD, Push, {191, 193, 192, 191, 191}, "PLAYERDLG_FORWARD"},
    {IDC_PLAY, Push, {200, 202, 201, 200, 200}, "PLAYERDLG_PLAY"},
    {IDC_PREVIOUS, Push, {203, 205, 204, 203, 203}, "PLAYERDLG_PREV"},
    {IDC_NEXT, Push, {194, 196, 195, 194, 194}, "PLAYERDLG_NEXT"},
    {IDC_SPEED_ICON, Push, {501, 501, 501, 501, 501}, "PLAYERDLG_SPEED"},
    {IDC_MUTE, Check, {223, 225, 224, 225, 223}, "PLAYERDLG_VOLUME"},
    {IDC_BRIGHTNESS_ICON, Push, {500, 500, 500, 500, 500}, "PLAYERDLG_BRIGHTNESS"},
};

constexpr SliderRow kSliders[] = {
    {IDC_POSITION_SLIDER, {209, 210, 213, 213, 213}, 0, 0, 0},
    {IDC_SPEED_SLIDER, {267, 215, 218, 218, 218}, 1, 9, 5},
    {IDC_VOLUME_SLIDER, {268, 216, 219, 219, 219}, 0, 99, 50},
    {IDC_BRIGHTNESS_SLIDER, {266, 214, 217, 217, 217}, -150, 150, 0},
};

constexpr PlacedControl kNormalLayout[] = {
    {IDC_INFORMATION, {150, 12, 37, 28}},
    {IDC_MINIMIZE, {937, 12, 36, 28}},
    {IDC_CLOSE, {973, 12, 37, 28}},
    {IDC_FRONT, {431, 53, 36, 22}},
    {IDC_REAR, {467, 53, 36, 22}},
    {IDC_ALL_VIEWS, {501, 53, 36, 22}},
    {IDC_FLIP_VERTICAL, {543, 53, 36, 22}},
    {IDC_FLIP_HORIZONTAL, {579, 53, 34, 22}},
    {IDC_CAPTURE, {613, 53, 34, 22}},
    {IDC_EXTEND, {647, 53, 36, 22}},
    {IDC_FOLDER, {871, 53, 36, 22}},
    {IDC_CALENDAR, {907, 53, 36, 22}},
    {IDC_SAVE, {940, 53, 34, 22}},
    {IDC_DELETE, {974, 53, 36, 22}},
    {IDC_CHECK_ALL, {963, 107, 39, 19}},
    {IDC_FILE_ALL, {695, 78, 81, 29}},
    {IDC_FILE_NORMAL, {776, 78, 81, 29}},
    {IDC_FILE_EVENT, {857, 78, 81, 29}},
    {IDC_FILE_MOTION, {938, 78, 82, 29}},
    {IDC_REWIND, {450, 475, 36, 28}},
    {IDC_FORWARD, {486, 475, 37, 28}},
    {IDC_PLAY, {535, 475, 37, 28}},
    {IDC_PREVIOUS, {584, 475, 36, 28}},
    {IDC_NEXT, {620, 475, 37, 28}},
    {IDC_SPEED_ICON, {450, 544, 22, 16}},
    {IDC_MUTE, {450, 581, 22, 16}},
    {IDC_BRIGHTNESS_ICON, {450, 617, 22, 21}},
    {IDC_POSITION_SLIDER, {30, 474, 391, 20}},
    {IDC_SPEED_SLIDER, {477, 544, 179, 15}},
    {IDC_VOLUME_SLIDER, {477, 582, 179, 15}},
    {IDC_BRIGHTNESS_SLIDER, {477, 620, 179, 15}},
    {IDC_POSITION_TIME, {40, 494, 50, 13}},
    {IDC_TOTAL_TIME, {364, 494, 50, 13}},
    {IDC_FILE_NAME, {121, 57, 290, 15}},
};

// Groups of controls that the layouts hide together.
constexpr std::array kPictureButtons{
    IDC_FRONT, IDC_REAR, IDC_ALL_VIEWS, IDC_FLIP_VERTICAL, IDC_FLIP_HORIZONTAL, IDC_CAPTURE};
constexpr std::array kLibraryButtons{IDC_FOLDER,      IDC_CALENDAR,   IDC_SAVE,
                                     IDC_DELETE,      IDC_CHECK_ALL,  IDC_FILE_ALL,
                                     IDC_FILE_NORMAL, IDC_FILE_EVENT, IDC_FILE_MOTION};
constexpr std::array kTransportButtons{IDC_REWIND, IDC_FORWARD, IDC_PLAY, IDC_PREVIOUS, IDC_NEXT};
constexpr std::array kSpeedAndSoundControls{IDC_SPEED_ICON, IDC_BRIGHTNESS_ICON, IDC_MUTE,
                                            IDC_SPEED_SLIDER, IDC_BRIGHTNESS_SLIDER};
constexpr std::array kTexts{IDC_POSITION_TIME, IDC_TOTAL_TIME, IDC_FILE_NAME};

template <std::size_t... N> constexpr auto Join(const std::array<int, N> &...groups)
{
    std::array<int, (N + ...)> out{};
    auto it = out.begin();
    ((it = std::ranges::copy(groups, it).out), ...);
    return out;
}

constexpr auto kHiddenInExtended =
    Join(std::array{IDC_MINIMIZE, IDC_CLOSE}, kPictureButtons, kLibraryButtons,
         std::array{IDC_LARGE_MAP, IDC_SHOW_MAP}, kSpeedAndSoundControls, kTexts);

constexpr PlacedControl kLargeMapLayout[] = {
    {IDC_INFORMATION, {150, 12, 37, 28}},
    {IDC_MINIMIZE, {937, 12, 36, 28}},
    {IDC_CLOSE, {973, 12, 37, 28}},
    {IDC_LARGE_MAP, {897, 12, 37, 28}},
};

constexpr auto kLargeMapHidden =
    Join(kPictureButtons, std::array{IDC_EXTEND}, kLibraryButtons, kTransportButtons,
         std::array{IDC_SHOW_MAP}, kSpeedAndSoundControls,
         std::array{IDC_POSITION_SLIDER, IDC_VOLUME_SLIDER}, kTexts);

const MapStateGeometry kMapStates[] = {
    {MapState::Hidden,
     QRect{695, 126, 329, 508},
     kNoRect,
     {937, 639, 36, 22},
     QRect{973, 639, 37, 22},
     {280, 282, 281, 280, 280},
     "PLAYERDLG_SHOW_MAP"},
    {MapState::Small,
     QRect{695, 126, 329, 310},
     {695, 466, 324, 197},
     {937, 441, 36, 22},
     QRect{973, 441, 37, 22},
     {158, 157, 159, 158, 158},
     "PLAYERDLG_HIDE_MAP"},
    {MapState::Large, std::nullopt, kLargeMapWindow, {897, 12, 37, 28}, std::nullopt, {}, ""},
};

constexpr int kPointerZoneHidden[] = {
    IDC_MINIMIZE,        IDC_CLOSE,        IDC_INFORMATION,   IDC_REWIND,
    IDC_FORWARD,         IDC_PLAY,         IDC_PREVIOUS,      IDC_NEXT,
    IDC_FLIP_VERTICAL,   IDC_CAPTURE,      IDC_CALENDAR,      IDC_SAVE,
    IDC_DELETE,          IDC_FILE_ALL,     IDC_FILE_NORMAL,   IDC_FILE_EVENT,
    IDC_FILE_MOTION,     IDC_LARGE_MAP,    IDC_SHOW_MAP,      IDC_MUTE,
    IDC_POSITION_SLIDER, IDC_SPEED_SLIDER, IDC_VOLUME_SLIDER, IDC_BRIGHTNESS_SLIDER,
    IDC_POSITION_TIME,   IDC_TOTAL_TIME,
};

using enum Rule;
using enum Owner;
constexpr std::array<Rule, 3> kAlways{Enable, Enable, Enable};
constexpr std::array<Rule, 3> kWithRecording{Disable, Disable, Enable};
constexpr std::array<Rule, 3> kWithLibrary{Disable, Enable, Enable};
constexpr std::array<Rule, 3> kViews{Disable, Disable, SingleStream};
constexpr std::array<Rule, 3> kAudio{AudioRule, AudioRule, AudioRule};
constexpr std::array<Rule, 3> kVideo{Hide, Hide, Keep};

constexpr ControlStateRow kControlStates[] = {
    {MainWindow, kVideoWindow1, kVideo},
    {MainWindow, kVideoWindow2, kVideo},
    {MainWindow, IDC_POSITION_SLIDER, kWithRecording},
    {MainWindow, IDC_SPEED_SLIDER, kAlways},
    {MainWindow, IDC_BRIGHTNESS_SLIDER, kAlways},
    {MainWindow, IDC_VOLUME_SLIDER, kAudio},
    {MainWindow, IDC_MUTE, kAudio},
    {MainWindow, IDC_FRONT, kViews},
    {MainWindow, IDC_REAR, kViews},
    {MainWindow, IDC_ALL_VIEWS, kViews},
    {MainWindow, IDC_FLIP_VERTICAL, kViews},
    {MainWindow, IDC_FLIP_HORIZONTAL, kViews},
    {MainWindow, IDC_CAPTURE, kWithRecording},
    {MainWindow, IDC_REWIND, kWithRecording},
    {MainWindow, IDC_FORWARD, kWithRecording},
    {MainWindow, IDC_PLAY, kWithRecording},
    {MainWindow, IDC_PREVIOUS, kWithRecording},
    {MainWindow, IDC_NEXT, kWithRecording},
    {MainWindow, IDC_EXTEND, kAlways},
    {MainWindow, IDC_FOLDER, kAlways},
    {MainWindow, IDC_CALENDAR, kWithLibrary},
    {MainWindow, IDC_SAVE, kWithLibrary},
    {MainWindow, IDC_DELETE, kWithLibrary},
    {MainWindow, IDC_LARGE_MAP, kWithRecording},
    {MainWindow, IDC_SHOW_MAP, kWithRecording},
    {TopBar, IDC_TOP_FRONT, kViews},
    {TopBar, IDC_TOP_REAR, kViews},
    {TopBar, IDC_TOP_ALL, kViews},
    {TopBar, IDC_TOP_FLIP_VERTICAL, kViews},
    {TopBar, IDC_TOP_FLIP_HORIZONTAL, kViews},
    {ControlBar, IDC_BAR_POSITION_SLIDER, kWithRecording},
    {ControlBar, IDC_BAR_REWIND, kWithRecording},
    {ControlBar, IDC_BAR_FORWARD, kWithRecording},
    {ControlBar, IDC_BAR_PLAY, kWithRecording},
    {ControlBar, IDC_BAR_PREVIOUS, kWithRecording},
    {ControlBar, IDC_BAR_NEXT, kWithRecording},
    {FileListPanel, IDC_PANEL_FOLDER, kAlways},
    {FileListPanel, IDC_PANEL_CALENDAR, kWithLibrary},
    {FileListPanel, IDC_PANEL_SAVE, kWithLibrary},
    {FileListPanel, IDC_PANEL_DELETE, kWithLibrary},
};

constexpr ButtonRow kControlBarButtons[] = {
    {IDC_BAR_INFORMATION, Push, {308, 310, 309, 308, 308}, "PLAYERDLG_INFORMATION"},
    {IDC_BAR_FILE_LIST, Check, {288, 290, 289, 288, 288}, "PLAYERDLG_FILELIST"},
    {IDC_BAR_REWIND, Push, {206, 208, 207, 206, 206}, "PLAYERDLG_REWIND"},
    {IDC_BAR_FORWARD, Push, {191, 193, 192, 191, 191}, "PLAYERDLG_FORWARD"},
    {IDC_BAR_PLAY, Push, {200, 202, 201, 200, 200}, "PLAYERDLG_PLAY"},
    {IDC_BAR_PREVIOUS, Push, {203, 205, 204, 203, 203}, "PLAYERDLG_PREV"},
    {IDC_BAR_NEXT, Push, {194, 196, 195, 194, 194}, "PLAYERDLG_NEXT"},
    {IDC_BAR_MUTE, Check, {303, 305, 304, 303, 303}, "PLAYERDLG_VOLUME"},
};

constexpr ButtonRow kTopBarButtons[] = {
    {IDC_TOP_FRONT, Check, {473, 475, 474, 472, 473}, "PLAYERDLG_FRONT"},
    {IDC_TOP_REAR, Check, {477, 479, 478, 476, 477}, "PLAYERDLG_REAR"},
    {IDC_TOP_ALL, Check, {481, 483, 482, 480, 481}, "PLAYERDLG_ALL"},
    {IDC_TOP_FLIP_VERTICAL, Check, {485, 487, 486, 484, 485}, "PLAYERDLG_FLIPVERTICAL"},
    {IDC_TOP_FLIP_HORIZONTAL, Check, {489, 491, 490, 488, 489}, "PLAYERDLG_FLIPHORIZONTAL"},
    {IDC_TOP_REDUCE, Push, {285, 287, 286, 285, 285}, "PLAYERDLG_REDUCE"},
};

constexpr ButtonRow kFileListPanelButtons[] = {
    {IDC_PANEL_FOLDER, Check, {313, 315, 314, 313, 313}, "PLAYERDLG_FOLDER"},
    {IDC_PANEL_CALENDAR, Check, {148, 150, 149, 148, 148}, "PLAYERDLG_CALENDER"},
    {IDC_PANEL_SAVE, Push, {154, 156, 155, 154, 154}, "PLAYERDLG_SAVE"},
    {IDC_PANEL_DELETE, Push, {151, 153, 152, 151, 151}, "PLAYERDLG_DELETE"},
    {IDC_PANEL_CHECK_ALL, Check, {451, 453, 452, 451, 451}, ""},
    {IDC_PANEL_FILE_ALL, Check, {164, 166, 165, 164, 164}, "PLAYERDLG_FILE_ALL"},
    {IDC_PANEL_FILE_NORMAL, Check, {173, 175, 174, 173, 173}, "PLAYERDLG_FILE_NORMAL"},
    {IDC_PANEL_FILE_EVENT, Check, {167, 169, 168, 167, 167}, "PLAYERDLG_FILE_EVENT"},
    {IDC_PANEL_FILE_MOTION, Check, {170, 172, 171, 170, 170}, "PLAYERDLG_FILE_MOTION"},
};

constexpr PlacedControl kFileListPanelLayout[] = {
    {IDC_PANEL_FILE_LIST, {2, 79, 324, 508}},   {IDC_PANEL_FILE_ALL, {2, 31, 81, 29}},
    {IDC_PANEL_FILE_NORMAL, {83, 31, 81, 29}},  {IDC_PANEL_FILE_EVENT, {164, 31, 81, 29}},
    {IDC_PANEL_FILE_MOTION, {245, 31, 82, 29}}, {IDC_PANEL_CALENDAR, {214, 6, 36, 22}},
    {IDC_PANEL_SAVE, {247, 6, 34, 22}},         {IDC_PANEL_DELETE, {281, 6, 36, 22}},
    {IDC_PANEL_FOLDER, {178, 6, 36, 22}},       {IDC_PANEL_CHECK_ALL, {270, 60, 39, 19}},
};

constexpr PanelCommandRoute kPanelCommands[] = {
    {ControlBar, IDC_BAR_REWIND, IDC_REWIND, false},
    {ControlBar, IDC_BAR_FORWARD, IDC_FORWARD, false},
    {ControlBar, IDC_BAR_PLAY, IDC_PLAY, false},
    {ControlBar, IDC_BAR_PREVIOUS, IDC_PREVIOUS, false},
    {ControlBar, IDC_BAR_NEXT, IDC_NEXT, false},
    {ControlBar, IDC_BAR_INFORMATION, IDC_INFORMATION, false},
    {TopBar, IDC_TOP_REDUCE, IDC_EXTEND, false},
    {TopBar, IDC_TOP_FRONT, IDC_FRONT, false},
    {TopBar, IDC_TOP_REAR, IDC_REAR, false},
    {TopBar, IDC_TOP_ALL, IDC_ALL_VIEWS, false},
    {TopBar, IDC_TOP_FLIP_VERTICAL, IDC_FLIP_VERTICAL, false},
    {TopBar, IDC_TOP_FLIP_HORIZONTAL, IDC_FLIP_HORIZONTAL, false},
    {FileListPanel, IDC_PANEL_FILE_ALL, IDC_FILE_ALL, false},
    {FileListPanel, IDC_PANEL_FILE_NORMAL, IDC_FILE_NORMAL, false},
    {FileListPanel, IDC_PANEL_FILE_EVENT, IDC_FILE_EVENT, false},
    {FileListPanel, IDC_PANEL_FILE_MOTION, IDC_FILE_MOTION, false},
    {FileListPanel, IDC_PANEL_CALENDAR, IDC_CALENDAR, true},
    {FileListPanel, IDC_PANEL_SAVE, IDC_SAVE, false},
    {FileListPanel, IDC_PANEL_DELETE, IDC_DELETE, false},
    {FileListPanel, IDC_PANEL_FOLDER, IDC_FOLDER, true},
    {FileListPanel, IDC_PANEL_CHECK_ALL, IDC_CHECK_ALL, true},
};

template <typename T> const T *FindById(std::span<const T> rows, int id)
{
    const auto it = std::ranges::find(rows, id, [](const T &row) { return row.id; });
    return it == rows.end() ? nullptr : &*it;
}

} // namespace

std::span<const ButtonRow> Buttons()
{
    return kButtons;
}
std::span<const SliderRow> Sliders()
{
    return kSliders;
}
const SliderRow *FindSlider(int id)
{
    return FindById(Sliders(), id);
}
std::span<const PlacedControl> NormalLayout()
{
    return kNormalLayout;
}
std::span<const int> NormalHiddenInExtended()
{
    return kHiddenInExtended;
}
std::span<const PlacedControl> LargeMapLayout()
{
    return kLargeMapLayout;
}
std::span<const int> LargeMapHidden()
{
    return kLargeMapHidden;
}
std::span<const int> PointerZoneHidden()
{
    return kPointerZoneHidden;
}
std::span<const ControlStateRow> ControlStates()
{
    return kControlStates;
}

QRect NormalLargeMapButtonRect(MapState mapState)
{
    return {937, mapState == MapState::Small ? 441 : 639, 36, 22};
}

QRect NormalShowMapButtonRect(MapState mapState)
{
    return {973, mapState == MapState::Small ? 441 : 639, 37, 22};
}

std::array<PlacedControl, 9> ExtendedLayout(int w, int h)
{
    return {{
        {IDC_INFORMATION, {w - 94, h - 36, 37, 28}},
        {IDC_EXTEND, {w - 56, 7, 36, 22}},
        {IDC_REWIND, {w - 550, h - 36, 36, 28}},
        {IDC_FORWARD, {w - 514, h - 36, 37, 28}},
        {IDC_PLAY, {w - 465, h - 36, 37, 28}},
        {IDC_PREVIOUS, {w - 416, h - 36, 36, 28}},
        {IDC_NEXT, {w - 380, h - 36, 37, 28}},
        {IDC_POSITION_SLIDER, {20, h - 39, w - 599, 20}},
        {IDC_VOLUME_SLIDER, {w - 291, h - 31, 181, 15}},
    }};
}

std::span<const ButtonRow> ControlBarButtons()
{
    return kControlBarButtons;
}
std::span<const ButtonRow> TopBarButtons()
{
    return kTopBarButtons;
}
std::span<const ButtonRow> FileListPanelButtons()
{
    return kFileListPanelButtons;
}
std::span<const PlacedControl> FileListPanelLayout()
{
    return kFileListPanelLayout;
}

std::array<PlacedControl, 12> ControlBarLayout(int w, int h)
{
    return {{
        {IDC_BAR_INFORMATION, {w - 93, h - 36, 36, 28}},
        {IDC_BAR_FILE_LIST, {w - 57, h - 36, 37, 28}},
        {IDC_BAR_REWIND, {w - 550, h - 36, 36, 28}},
        {IDC_BAR_FORWARD, {w - 514, h - 36, 37, 28}},
        {IDC_BAR_PLAY, {w - 465, h - 36, 37, 28}},
        {IDC_BAR_PREVIOUS, {w - 416, h - 36, 36, 28}},
        {IDC_BAR_NEXT, {w - 380, h - 36, 37, 28}},
        {IDC_BAR_MUTE, {w - 319, h - 32, 22, 16}},
        {IDC_BAR_POSITION_SLIDER, {20, h - 39, w - 599, 20}},
        {IDC_BAR_VOLUME_SLIDER, {w - 291, h - 31, 181, 15}},
        {IDC_BAR_POSITION_TIME, {20, h - 19, 50, 15}},
        {IDC_BAR_TOTAL_TIME, {w - 628, h - 19, 50, 15}},
    }};
}

std::array<PlacedControl, 6> TopBarLayout(int w)
{
    return {{
        {IDC_TOP_REDUCE, {w - 56, 7, 37, 28}},
        {IDC_TOP_FLIP_HORIZONTAL, {w - 99, 7, 37, 28}},
        {IDC_TOP_FLIP_VERTICAL, {w - 142, 7, 37, 28}},
        {IDC_TOP_ALL, {w - 188, 7, 40, 28}},
        {IDC_TOP_REAR, {w - 228, 7, 40, 28}},
        {IDC_TOP_FRONT, {w - 268, 7, 40, 28}},
    }};
}

const PanelCommandRoute *FindPanelCommand(Owner owner, int panelId)
{
    const auto it = std::ranges::find_if(kPanelCommands, [&](const PanelCommandRoute &route) {
        return route.owner == owner && route.panelId == panelId;
    });
    return it == std::end(kPanelCommands) ? nullptr : &*it;
}

const MapStateGeometry *FindMapState(MapState mapState)
{
    const auto it = std::ranges::find(kMapStates, mapState, &MapStateGeometry::mapState);
    return it == std::end(kMapStates) ? nullptr : &*it;
}

} // namespace MainWindowTables
