#pragma once

// The main window's modes. The values are the numbers the window's messages and settings use,
// so a mode converts to and from its number without a table.

// m_nDisplayMode: the 1022 x 682 skinned window, or the whole screen with pop-up bars.
enum class DisplayMode : int { Normal = 1, Extended = 2 };

// m_nMapState: where the map window sits.
enum class MapState : int { Hidden = 0, Small = 8, Large = 16 };

// m_nChannelView: which video windows show; None until a recording was opened.
enum class ChannelView : int { None = 0, Front = 1, Rear = 2, Both = 4 };

// The argument of LayoutControls; other numbers lay out nothing.
enum class LayoutKind : int { Normal = 1, Extended = 2, LargeMap = 16 };

// The argument of ApplyControlState; other numbers change nothing.
enum class ControlState : int { Idle = 0, Listed = 1, Playing = 2 };

// Extended mode's pointer zones: near the top or bottom edge (the bars show), or elsewhere.
enum class PointerZone : int { None = 0, Edge = 21, Middle = 22 };
