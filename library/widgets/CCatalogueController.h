#pragma once

#include <QString>

#include <cstdint>
#include <optional>

class CConfigListCtrl;
class CSelectMonthDlg;
class IDialogs;
class IFileOperations;
class QWidget;

// The main window's catalogue commands: rebuilding both file lists from the library root
// (RefreshCatalogue, ScanFolder), the category, date-filter, Check-all and Folder buttons,
// saving and deleting the checked recordings, and mirroring clicks between the main list
// (1029) and the file list panel's (1083), so the two always hold the same rows, check states
// and selection.
//
// It owns nothing: it works on the two lists and reaches the window's state and buttons
// through IHost, which the main window implements.
class CCatalogueController
{
public:
    class IHost
    {
    public:
        virtual ~IHost() = default;
        // m_strLibraryRoot: a mount point or a chosen folder; empty for none.
        virtual QString GetLibraryRoot() const = 0;
        virtual void SetLibraryRoot(const QString &root) = 0;
        // m_bFolderMode
        virtual bool GetFolderMode() const = 0;
        virtual void SetFolderMode(bool folderMode) = 0;
        // m_timeFilterDate: seconds since 1970
        virtual std::int64_t GetFilterDate() const = 0;
        virtual void SetFilterDate(std::int64_t seconds) = 0;
        // m_nCurrentItem: the row whose recording is loaded, -1 for none.
        virtual int GetCurrentItem() const = 0;
        // Check state of a button of the main window or of the file list panel, by control id
        // (ui/ControlIds.h); panel copies exist only while the file list panel does.
        virtual bool GetButtonCheck(int id) const = 0;
        virtual void SetButtonCheck(int id, bool checked) = 0;
        // The drive selection; true when a new drive became the library root.
        virtual bool SelectCardDrive() = 0;
        virtual IDialogs &GetDialogs() = 0;
        virtual QWidget *GetDialogOwner() = 0;
        // The one date selection dialog of the main window.
        virtual CSelectMonthDlg &GetSelectMonthDlg() = 0;
    };

    CCatalogueController(CConfigListCtrl &mainList, IHost &host);
    ~CCatalogueController();
    CCatalogueController(const CCatalogueController &) = delete;
    CCatalogueController &operator=(const CCatalogueController &) = delete;

    // The file list panel's list, or null while the panel does not exist. A list given here
    // is rebuilt at once with the main list's rows, check states and selection.
    void SetPanelList(CConfigListCtrl *panelList);
    CConfigListCtrl &GetMainList() const { return m_mainList; }
    CConfigListCtrl *GetPanelList() const { return m_pPanelList; }

    // Rebuilds both lists for category `type` (1 All, 2 Normal, 3 Event, 4 Motion; others
    // count as 1) and date filter flag (0 all dates, 1 the filter date); checks the category
    // buttons to match. Always true.
    bool RefreshCatalogue(int type, int dateFilter);
    // Appends one row per matching file of `folder` to both lists (drawing of the main list
    // off meanwhile), in the order the folder lists them.
    void ScanFolder(const QString &folder, const QString &categoryToken, int dateFilter);

    // Button handlers (the panel's copies forward to them, after copying their check state).
    void OnCategoryButton(int type);
    void OnDateFilterButton(); // after the click toggled 1003
    void OnCheckAllButton();   // after the click toggled 1093
    void OnFolderButton();     // after the click toggled 1092
    // A click on row `row` of the main list (NM_CLICK from 1029): the panel's list follows.
    void OnFileListClick(int row);
    // A click on row `row` of the panel's list (NM_CLICK from 1083): the main list follows.
    void OnPanelFileListClick(int row);

    // Save (1004): copies the file of every checked row, in row order, into a folder the user
    // picks (offered: the folder of the last save), keeping each file's name with the
    // extension as its path writes it. Rows, checks and selection stay.
    void OnSaveButton(IFileOperations &fileOperations);
    // Delete (1005): after the user confirmed, deletes the file of every checked row except
    // the playing one (m_nCurrentItem), and only files inside the library root; rebuilds the
    // lists and selects the row before the first checked one. Returns the playing
    // recording's row in the rebuilt lists (-1 when it is not listed), or nullopt when the
    // lists were not rebuilt (the rows kept their numbers).
    std::optional<int> OnDeleteButton();
    // m_strSaveFolder: the folder of the last save of this run.
    const QString &GetSaveFolder() const { return m_strSaveFolder; }
    // The row whose full path is `path`, -1 when none.
    int FindRowByPath(const QString &path) const;

    // Empties both lists (the card was removed).
    void EmptyLists();
    // Selects `row` alone in both lists; -1 clears both selections.
    void SelectRow(int row);
    // Repaints both lists (after m_nCurrentItem changed).
    void RepaintLists();
    // The first checked of All, Normal, Event, Motion as a type, 0 when none is checked.
    int GetCheckedCategoryType() const;

private:
    bool PanelExists() const { return m_pPanelList != nullptr; }
    void SetCategoryButtons(int type); // 0 clears all four
    void SetCheckAll(CConfigListCtrl &list, bool checked);
    static void MirrorClick(const CConfigListCtrl &from, CConfigListCtrl &to, int row);
    bool IsChecked(int row) const;
    bool IsInsideLibrary(const QString &path) const;

    CConfigListCtrl &m_mainList;
    CConfigListCtrl *m_pPanelList = nullptr; // not owned
    IHost &m_host;
    QString m_strSaveFolder;
};
