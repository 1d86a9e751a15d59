#pragma once

#include "app/CMainWindowControls.h"
#include "app/CPictureAndSound.h"
#include "app/CSensorViews.h"
#include "app/CTransport.h"
#include "app/CViewLayout.h"
#include "library/widgets/CCatalogueController.h"
#include "library/widgets/CInformationDlg.h"
#include "library/widgets/CMemoryCardController.h"
#include "library/widgets/CSelectMonthDlg.h"
#include "library/widgets/IMemoryCardHost.h"
#include "platform/Dialogs.h"
#include "platform/FileOperations.h"
#include "playback/CDShowPlayer.h"
#include "playback/CStillCapture.h"
#include "sensors/CSensorLoader.h"
#include "sensors/CTextData.h"
#include "ui/AppMainWindow.h"
#include "ui/MainWindowModes.h"

#include <QIcon>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>

class QEventLoop;

// The main window: a frameless 1022 x 682 skinned window (extended mode: the whole screen). It
// receives the events, routes every command by its id and owns the objects below; the jobs go
// to its rooms:
//   m_controls   the widgets, found by id, and the control states
//   m_layout     where they sit: layout kinds, channel views, map states, extended mode
//   m_transport  the loaded row: open, play, steps, previous/next, stop, the position tick
//   m_pictureSound  the flips, brightness, volume and Mute
//   m_catalogue  the file lists, the category, date, folder and Check-all buttons, Save, Delete
//   m_stillCapture  Capture and the folder of the last still
//   m_memoryCard the card's drive: selection, notifications, removal, information window
// and keeps start-up, dragging, keys and painting.
class COrvelPlayerDlg : public QWidget,
                        public IAppMainWindow,
                        public CCatalogueController::IHost,
                        public IMemoryCardHost
{
    Q_OBJECT
public:
    // `dialogs` answers message boxes, the folder browser and the save dialog; `fileOperations`
    // copies what Save copies (Qt's and ours when null).
    explicit COrvelPlayerDlg(std::unique_ptr<IDialogs> dialogs = nullptr, QWidget *parent = nullptr,
                             std::unique_ptr<IFileOperations> fileOperations = nullptr);
    ~COrvelPlayerDlg() override;

    // Runs the start-up sequence, then the window until it closes.
    int DoModal();
    // The start-up sequence; the window shows when it ends. True when the three extended-mode
    // panels were created.
    bool OnInitDialog();
    // Opened as a folder-mode library once the window is shown (--library DIR).
    void SetStartupLibraryFolder(const QString &folder) { m_strStartupLibrary = folder; }

    std::uint16_t GetLanguage() const override { return m_wLanguage; }

    // WM_COMMAND: every button, accelerator and panel forward ends here. Unknown ids do nothing.
    void OnCommand(int id);
    // WM_HSCROLL from slider `id` with trackbar code `code`.
    void OnHScroll(int id, int code);
    // A command of panel `owner` (its own control id, or an accelerator command): the window's
    // operation for the same command runs.
    void OnPanelCommand(MainWindowTables::Owner owner, int id);
    // WM_HSCROLL from the control bar's slider `id`.
    void OnPanelHScroll(int id, int code);
    // Control states Idle, Listed and Playing; other numbers do nothing.
    void ApplyControlState(ControlState state) override;
    void LayoutControls(LayoutKind kind) { m_layout.LayoutControls(kind); }

    // Controls by id (nullptr for an unknown id); the video windows by ControlIds::kVideoWindow1/2.
    QWidget *Control(int id) { return m_controls.Control(id); }
    CKipSkinButton *Button(int id) { return m_controls.Button(id); }
    CKipImageSlider *Slider(int id) { return m_controls.Slider(id); }
    QWidget *MapWindow() { return &m_controls.m_wndMap; }
    CConfigListCtrl *FileList() { return &m_controls.m_listFiles; }
    CControlPanelDlg *ControlPanel() const { return m_controls.ControlPanel(); }
    CControlTopDlg *ControlTop() const { return m_controls.ControlTop(); }
    CControlFileListDlg *ControlFileList() const { return m_controls.ControlFileList(); }

    CDShowPlayer &Player() { return m_player; }
    CViewLayout &Views() { return m_layout; }
    CTransport &Transport() { return *m_transport; }
    CSensorViews &SensorViews() { return m_sensorViews; }
    const CTextData &SensorTrack() const { return m_textData; }
    const CSensorLoader &SensorLoader() const { return m_sensorLoader; }
    CCatalogueController &Catalogue() { return *m_catalogue; }
    CMemoryCardController &MemoryCard() { return *m_memoryCard; }
    const CStillCapture &StillCapture() const { return m_stillCapture; }

    // CCatalogueController::IHost
    QString GetLibraryRoot() const override { return m_strLibraryRoot; }
    void SetLibraryRoot(const QString &root) override { m_strLibraryRoot = root; }
    bool GetFolderMode() const override { return m_bFolderMode; }
    void SetFolderMode(bool folderMode) override { m_bFolderMode = folderMode; }
    std::int64_t GetFilterDate() const override { return m_timeFilterDate; }
    void SetFilterDate(std::int64_t seconds) override { m_timeFilterDate = seconds; }
    int GetCurrentItem() const override { return m_transport->CurrentItem(); }
    bool GetButtonCheck(int id) const override;
    void SetButtonCheck(int id, bool checked) override;
    bool SelectCardDrive() override;
    IDialogs &GetDialogs() override { return *m_dialogs; }
    QWidget *GetDialogOwner() override { return this; }
    CSelectMonthDlg &GetSelectMonthDlg() override { return m_dlgSelectMonth; }

    // IMemoryCardHost
    QWidget *HostWindow() override { return this; }
    QString LibraryRoot() const override { return m_strLibraryRoot; }
    void RefreshCatalogue(CCatalogue::Type type, bool dateFilter) override;
    void SetFolderButtonCheck(bool checked) override;
    void ResetAfterCardRemoval(CInformationDlg *informationDlg) override;

    std::uint16_t m_wLanguage = 1033;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void customEvent(QEvent *event) override;

private:
    struct CommandRoute {
        int id;
        void (COrvelPlayerDlg::*handler)();
    };
    static const CommandRoute kCommandRoutes[];

    void CreateControls();
    void WireRooms();
    void WirePanels();
    bool PreTranslateKey(QKeyEvent *event);
    void DrawGSensorGraph();
    void OnSensorLoadEnded(CSensorLoader::LoadResult result);
    void OpenStartupLibrary();
    void ClearCategoryButtons();

    // Commands routed by the command table.
    void OnMinimize();
    void OnClose();
    void OnMemoryCardButton();
    void OnDateFilterButton();
    void OnSaveButton();
    void OnDeleteButton();
    void OnCapture();
    void OnCategoryAll();
    void OnCategoryNormal();
    void OnCategoryEvent();
    void OnCategoryMotion();
    void OnFolderButton();
    void OnCheckAllButton();

    std::unique_ptr<IDialogs> m_dialogs;
    std::unique_ptr<IFileOperations> m_fileOperations;
    CDShowPlayer m_player;
    QString m_strLibraryRoot;
    bool m_bFolderMode = false;
    std::int64_t m_timeFilterDate = 0;
    QIcon m_hIcon;
    CMainWindowControls m_controls;
    // The sensor track and the loader that fills it.
    CTextData m_textData;
    CSensorLoader m_sensorLoader{m_textData};
    CSelectMonthDlg m_dlgSelectMonth;
    // m_strCaptureFolder lives here; m_strSaveFolder in m_catalogue.
    CStillCapture m_stillCapture;

    // The rooms and controllers work on the members above.
    CViewLayout m_layout;
    CPictureAndSound m_pictureSound;
    CSensorViews m_sensorViews;
    std::unique_ptr<CCatalogueController> m_catalogue;
    std::unique_ptr<CMemoryCardController> m_memoryCard;
    std::unique_ptr<CTransport> m_transport;

    QString m_strStartupLibrary;
    QEventLoop *m_modalLoop = nullptr;
    bool m_bInitialised = false;
    bool m_bClosed = false;

    // Manual drag when the windowing system cannot move the window itself.
    std::optional<QPoint> m_dragOffset;
};
