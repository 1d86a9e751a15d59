#pragma once

#include <QString>

class QWidget;

// What the memory card controller needs from the main window. The main window owns the
// library root, the folder mode, the lists, the player and the displays; the controller
// decides when they change.
class IMemoryCardHost
{
public:
    virtual ~IMemoryCardHost() = default;

    // Owner of the selection dialog, the message box and the information window.
    virtual QWidget *HostWindow() = 0;

    // m_strLibraryRoot: a drive root (mount point), a folder, or empty for none.
    virtual QString LibraryRoot() const = 0;
    virtual void SetLibraryRoot(const QString &root) = 0;
    // m_bFolderMode.
    virtual void SetFolderMode(bool folderMode) = 0;

    // RefreshCatalogue(type, date filter flag); type 1 is category All.
    virtual void RefreshCatalogue(int type, bool dateFilter) = 0;
    // ApplyControlState(state): 0 Idle, 1 Listed, 2 Playing.
    virtual void ApplyControlState(int state) = 0;
    // The check state of the Folder button 1092.
    virtual void SetFolderButtonCheck(bool checked) = 0;

    // The reset after the card's drive was removed, called in this order (the controller sets
    // the library root to empty after step 1 and resets the information window before 13):
    // 1. kill the position timer (id 100) and StopAndReset.
    virtual void StopPlaybackForRemoval() = 0;
    // 3. close the channel player.
    virtual void CloseChannelPlayer() = 0;
    // 4. empty the file list and, when that panel exists, the extended-mode file list.
    virtual void ClearFileLists() = 0;
    // 5. uncheck the category buttons 1009-1012 and, when the panel exists, 1084-1087.
    virtual void ClearCategoryButtons() = 0;
    // 6. in extended mode: hide "Video window1", display mode 1, show the window normally, hide
    //    the control panel and top bar if visible; in every mode hide "Video window1".
    virtual void LeaveExtendedModeAndHideFrontVideo() = 0;
    // 7. file name text 1069 empty and repainted; time texts 1025 and 1024 "00:00:00".
    virtual void ResetFileNameAndTimes() = 0;
    // 8. slider 1020 to 0, 1021 to 5, 1023 to 0, each redrawn.
    virtual void ResetSliders() = 0;
    // 9. uncheck 1006 and 1027; m_nDisplayMode 1, m_nMapState 0, both flips false.
    virtual void ResetPictureState() = 0;
    // 10. LayoutControls(kind), then ApplyControlState(0) follows through ApplyControlState.
    virtual void LayoutControls(int kind) = 0;
    // 11. empty both arrays of the sensor track and redraw the G-sensor graph.
    virtual void ClearSensorTrackAndGraph() = 0;
    // 13. repaint the whole main window.
    virtual void RepaintMainWindow() = 0;
};
