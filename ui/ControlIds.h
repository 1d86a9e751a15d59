#pragma once

// Control ids of the main window (dialog 102) and of its three extended-mode panels: they are
// the commands' identity. Every window that addresses a control by id takes the number from here.
namespace ControlIds
{

inline constexpr int IDC_MINIMIZE = 1000;
inline constexpr int IDC_CLOSE = 1001;
inline constexpr int IDC_INFORMATION = 1002;
inline constexpr int IDC_CALENDAR = 1003;
inline constexpr int IDC_SAVE = 1004;
inline constexpr int IDC_DELETE = 1005;
inline constexpr int IDC_FLIP_VERTICAL = 1006;
inline constexpr int IDC_CAPTURE = 1007;
inline constexpr int IDC_EXTEND = 1008;
inline constexpr int IDC_FILE_ALL = 1009;
inline constexpr int IDC_FILE_NORMAL = 1010;
inline constexpr int IDC_FILE_EVENT = 1011;
inline constexpr int IDC_FILE_MOTION = 1012;
inline constexpr int IDC_REWIND = 1013;
inline constexpr int IDC_FORWARD = 1014;
inline constexpr int IDC_PLAY = 1015;
inline constexpr int IDC_PREVIOUS = 1016;
inline constexpr int IDC_NEXT = 1017;
inline constexpr int IDC_LARGE_MAP = 1018;
inline constexpr int IDC_SHOW_MAP = 1019;
inline constexpr int IDC_POSITION_SLIDER = 1020;
inline constexpr int IDC_SPEED_SLIDER = 1021;
inline constexpr int IDC_VOLUME_SLIDER = 1022;
inline constexpr int IDC_BRIGHTNESS_SLIDER = 1023;
inline constexpr int IDC_TOTAL_TIME = 1024;
inline constexpr int IDC_POSITION_TIME = 1025;
inline constexpr int IDC_MUTE = 1026;
inline constexpr int IDC_FLIP_HORIZONTAL = 1027;
inline constexpr int IDC_FRONT = 1028;
inline constexpr int IDC_FILE_LIST = 1029;
inline constexpr int IDC_REAR = 1030;
inline constexpr int IDC_ALL_VIEWS = 1031;
inline constexpr int IDC_SPEED_ICON = 1032;
inline constexpr int IDC_BRIGHTNESS_ICON = 1033;
inline constexpr int IDC_MAP = 1068;
inline constexpr int IDC_FILE_NAME = 1069;
inline constexpr int IDC_FOLDER = 1092;
inline constexpr int IDC_CHECK_ALL = 1093;

// The two run-time video windows have no control id of their own (0xFFFF); the control-state
// table addresses them with these two keys, outside the range of real ids.
inline constexpr int kVideoWindow1 = -1;
inline constexpr int kVideoWindow2 = -2;

// Top bar (dialog 284), control bar (283) and file list panel (291) controls.
inline constexpr int IDC_TOP_FRONT = 1100;
inline constexpr int IDC_TOP_REAR = 1101;
inline constexpr int IDC_TOP_ALL = 1102;
inline constexpr int IDC_TOP_FLIP_VERTICAL = 1103;
inline constexpr int IDC_TOP_FLIP_HORIZONTAL = 1104;
inline constexpr int IDC_BAR_POSITION_SLIDER = 1067;
inline constexpr int IDC_BAR_REWIND = 1071;
inline constexpr int IDC_BAR_FORWARD = 1072;
inline constexpr int IDC_BAR_PLAY = 1073;
inline constexpr int IDC_BAR_PREVIOUS = 1074;
inline constexpr int IDC_BAR_NEXT = 1075;
inline constexpr int IDC_BAR_MUTE = 1076;
inline constexpr int IDC_BAR_VOLUME_SLIDER = 1077;
inline constexpr int IDC_BAR_INFORMATION = 1078;
inline constexpr int IDC_BAR_POSITION_TIME = 1079;
inline constexpr int IDC_BAR_TOTAL_TIME = 1080;
inline constexpr int IDC_BAR_FILE_LIST = 1081;
// The top bar reuses 1081 for its own button: leave extended mode.
inline constexpr int IDC_TOP_REDUCE = 1081;
inline constexpr int IDC_TOP_FILE_NAME = 1082;
inline constexpr int IDC_PANEL_FILE_LIST = 1083;
inline constexpr int IDC_PANEL_FILE_ALL = 1084;
inline constexpr int IDC_PANEL_FILE_NORMAL = 1085;
inline constexpr int IDC_PANEL_FILE_EVENT = 1086;
inline constexpr int IDC_PANEL_FILE_MOTION = 1087;
inline constexpr int IDC_PANEL_CALENDAR = 1088;
inline constexpr int IDC_PANEL_SAVE = 1089;
inline constexpr int IDC_PANEL_DELETE = 1090;
inline constexpr int IDC_PANEL_FOLDER = 1091;
inline constexpr int IDC_PANEL_CHECK_ALL = 1099;

// Accelerator table 499.
inline constexpr int ID_ACCEL_PREVIOUS = 32773; // PageUp
inline constexpr int ID_ACCEL_NEXT = 32774;     // PageDown

} // namespace ControlIds
