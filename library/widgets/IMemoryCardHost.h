#pragma once

#include "library/CCatalogue.h"
#include "ui/MainWindowModes.h"

#include <QString>

class CInformationDlg;
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

    virtual void RefreshCatalogue(CCatalogue::Type type, bool dateFilter) = 0;
    virtual void ApplyControlState(ControlState state) = 0;
    // The check state of the Folder button.
    virtual void SetFolderButtonCheck(bool checked) = 0;

    // The card's drive was removed: playback stopped, the library root, lists and displays
    // emptied and the window back to its idle start. `informationDlg` (null when not open)
    // is reset in the same sequence.
    virtual void ResetAfterCardRemoval(CInformationDlg *informationDlg) = 0;
};
