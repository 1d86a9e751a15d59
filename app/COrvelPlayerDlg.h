#pragma once

#include "app/MainWindowIds.h"
#include "app/MainWindowTables.h"
#include "library/widgets/CCatalogueController.h"
#include "library/widgets/CConfigListCtrl.h"
#include "library/widgets/CInformationDlg.h"
#include "library/widgets/CMemoryCardController.h"
#include "library/widgets/CSelectMonthDlg.h"
#include "library/widgets/IMemoryCardHost.h"
#include "platform/Dialogs.h"
#include "playback/CDShowPlayer.h"
#include "sensors/CSensorLoader.h"
#include "sensors/CTextData.h"
#include "ui/AppMainWindow.h"
#include "ui/CKipImageSlider.h"
#include "ui/CKipSkinButton.h"
#include "ui/CKipStaticTrans.h"
#include "ui/CStaticView.h"

#include <QBasicTimer>
#include <QIcon>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

class QEventLoop;

// The main window: a frameless 1022 x 682 skinned window (extended mode: the whole screen) that
// owns every object of the user interface by value and routes every command by its id.
class COrvelPlayerDlg : public QWidget,
                        public IAppMainWindow,
                        public CCatalogueController::IHost,
                        public IMemoryCardHost
{
    Q_OBJECT
public:
    // `dialogs` answers message boxes and the folder browser (Qt's own when null).
    explicit COrvelPlayerDlg(std::unique_ptr<IDialogs> dialogs = nullptr,
                             QWidget *parent = nullptr);
    ~COrvelPlayerDlg() override;

    // Shows the window, runs the start-up sequence and returns when the window closes.
    int DoModal();
    // The start-up sequence; true when the three extended-mode panels were created.
    bool OnInitDialog();
    // Opened as a folder-mode library once the window is shown (--library DIR).
    void SetStartupLibraryFolder(const QString &folder) { m_strStartupLibrary = folder; }

    std::uint16_t GetLanguage() const override { return m_wLanguage; }

    // Layout kinds 1 (normal), 2 (extended) and 16 (large map); others do nothing.
    void LayoutControls(int kind) override;
    void ToggleExtendedMode();
    // Channel views: front (1), rear (2) or both (4) video windows, placed for the display mode.
    void ShowFrontView();
    void ShowRearView();
    void ShowBothViews();
    // Control states 0 Idle, 1 Listed, 2 Playing; others do nothing.
    void ApplyControlState(int state) override;
    // Places the file list, the map window and both map buttons as map state `mapState` wants.
    void ApplyMapStateGeometry(int mapState);

    // WM_COMMAND: every button, accelerator and panel forward ends here. Unknown ids do nothing.
    void OnCommand(int id);
    // WM_HSCROLL from slider `id` with trackbar code `code`.
    void OnHScroll(int id, int code);

    // Controls by id (nullptr for an unknown id); the video windows by kVideoWindow1/2.
    QWidget *Control(int id);
    CKipSkinButton *Button(int id);
    CKipImageSlider *Slider(int id);
    QWidget *MapWindow() { return &m_wndMap; }
    CConfigListCtrl *FileList() { return &m_listFiles; }
    QWidget *ControlPanel() const { return m_dlgControlPanel.get(); }
    QWidget *ControlTop() const { return m_dlgControlTop.get(); }
    QWidget *ControlFileList() const { return m_dlgControlFileList.get(); }

    bool IsPositionTimerActive() const { return m_timerPosition.isActive(); }
    void SetTimerPosition();
    void KillTimerPosition();

    CDShowPlayer &Player() { return m_player; }
    CCatalogueController &Catalogue() { return *m_catalogue; }
    CMemoryCardController &MemoryCard() { return *m_memoryCard; }

    // Opens the recording of file-list row `row` and plays it (a double click on the row).
    void OnListDoubleClick(int row);
    // Everything stopped and the displays reset (after the last recording).
    void StopAndReset();

    // CCatalogueController::IHost
    QString GetLibraryRoot() const override { return m_strLibraryRoot; }
    void SetLibraryRoot(const QString &root) override { m_strLibraryRoot = root; }
    bool GetFolderMode() const override { return m_bFolderMode; }
    void SetFolderMode(bool folderMode) override { m_bFolderMode = folderMode; }
    std::int64_t GetFilterDate() const override { return m_timeFilterDate; }
    void SetFilterDate(std::int64_t seconds) override { m_timeFilterDate = seconds; }
    int GetCurrentItem() const override { return m_nCurrentItem; }
    bool GetButtonCheck(int id) const override;
    void SetButtonCheck(int id, bool checked) override;
    bool SelectCardDrive() override;
    IDialogs &GetDialogs() override { return *m_dialogs; }
    QWidget *GetDialogOwner() override { return this; }
    CSelectMonthDlg &GetSelectMonthDlg() override { return m_dlgSelectMonth; }

    // IMemoryCardHost
    QWidget *HostWindow() override { return this; }
    QString LibraryRoot() const override { return m_strLibraryRoot; }
    void RefreshCatalogue(int type, bool dateFilter) override;
    void SetFolderButtonCheck(bool checked) override;
    void StopPlaybackForRemoval() override;
    void CloseChannelPlayer() override;
    void ClearFileLists() override;
    void ClearCategoryButtons() override;
    void LeaveExtendedModeAndHideFrontVideo() override;
    void ResetFileNameAndTimes() override;
    void ResetSliders() override;
    void ResetPictureState() override;
    void ClearSensorTrackAndGraph() override;
    void RepaintMainWindow() override;

    // Main window state shared with the other parts of the window.
    std::uint16_t m_wLanguage = 1033;
    int m_nDisplayMode = 1;
    int m_nChannelView = 0;
    int m_nMapState = 0;
    int m_nPointerZone = 0;
    QRect m_rcWindow;
    int m_nCurrentItem = -1;
    bool m_bFlipVertical = false;
    bool m_bFlipHorizontal = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void customEvent(QEvent *event) override;

private:
    struct CommandRoute {
        int id;
        void (COrvelPlayerDlg::*handler)();
    };
    static const CommandRoute kCommandRoutes[];

    void CreateControls();
    void LayoutNormal();
    void LayoutExtended();
    void LayoutLargeMap();
    void ReapplyChannelView();
    // Back to the 1022 x 682 window at m_rcWindow, display mode 1, the two bars hidden.
    void LeaveExtendedWindow();
    bool PreTranslateKey(QKeyEvent *event);
    void OnPointerMove(const QPoint &clientPos);
    void ApplyAudioRule();
    void ApplySingleStreamRule();
    void SetButtonSkin(int id, const MainWindowTables::Skin &skin);
    void SetSliderSkin(int id, const MainWindowTables::Skin &skin);
    void PlaceAndShow(int id, const QRect &rect);
    void HideControls(std::span<const int> ids);
    void ShowFileList(bool shown);
    QWidget *PanelControl(MainWindowTables::Owner owner, int id);
    int LoadedStreamCount() const;
    bool IsRecordingLoaded() const;
    bool OpenRecording(const QString &path);
    void SetPlayLook(bool pause);
    void UpdateTimeTexts(std::uint32_t positionMs, std::uint32_t durationMs);
    void SelectListRow(int row);
    void PaintGSensorGraph(QPainter &painter) const;

    // Message handlers.
    void OnMinimize();
    void OnClose();
    void OnExtend();
    void OnDriveProbe();
    void OnDriveNotify();
    void OnSensorReload();
    void OnPositionTick();
    void OpenStartupLibrary();

    // Operations whose body other parts of the window provide; routed by the command table.
    void OnMemoryCardButton();
    void OnDateFilterButton();
    void OnSaveButton();
    void OnDeleteButton();
    void OnFlipVertical();
    void OnFlipHorizontal();
    void OnCapture();
    void OnCategoryAll();
    void OnCategoryNormal();
    void OnCategoryEvent();
    void OnCategoryMotion();
    void OnRewind();
    void OnForward();
    void OnPlayPause();
    void OnPrevious();
    void OnNext();
    // Opens and plays the row m_nCurrentItem now names, selecting it in both lists.
    void OpenAndPlayCurrentItem();
    void OnLargeMapButton();
    void OnShowMapButton();
    void OnMute();
    void SetViewChecks(int checkedId);
    void UncheckView(int mainId, int topId);
    void RepaintVideo();
    void ToggleFlip(bool vertical);
    void DrawGSensorGraph();
    void OnSensorLoadEnded(CSensorLoader::LoadResult result);
    void OnFolderButton();
    void OnCheckAllButton();

    // 1. state fields are above.
    std::unique_ptr<IDialogs> m_dialogs;
    // 2.
    CDShowPlayer m_player;
    // 3.
    QString m_strLibraryRoot;
    bool m_bFolderMode = false;
    std::int64_t m_timeFilterDate = 0;
    // 4.
    QIcon m_hIcon;
    // 5. "Video window1" and "Video window2".
    CStaticView m_wndVideo1;
    CStaticView m_wndVideo2;
    // 6. the file list.
    CConfigListCtrl m_listFiles;
    // 7. 29 skin buttons (in CreateControls order), four sliders, the two time texts.
    std::array<std::unique_ptr<CKipSkinButton>, 29> m_buttons;
    std::array<std::unique_ptr<CKipImageSlider>, 4> m_sliders;
    CKipStaticTrans m_staticPositionTime{nullptr, MainWindowIds::IDC_POSITION_TIME};
    CKipStaticTrans m_staticTotalTime{nullptr, MainWindowIds::IDC_TOTAL_TIME};
    // 8. the map window.
    QWidget m_wndMap;
    // 9. the sensor track and the loader that fills it.
    CTextData m_textData;
    CSensorLoader m_sensorLoader{m_textData};
    // 10. the file name text.
    CKipStaticTrans m_staticFileName{nullptr, MainWindowIds::IDC_FILE_NAME};
    // 11. the three extended-mode panels.
    std::unique_ptr<QWidget> m_dlgControlPanel;
    std::unique_ptr<QWidget> m_dlgControlTop;
    std::unique_ptr<QWidget> m_dlgControlFileList;
    CSelectMonthDlg m_dlgSelectMonth;
    // 12.
    QImage m_bmpGSensorGraph;
    QString m_strSaveFolder;
    QString m_strCaptureFolder;

    // The catalogue commands and the memory card commands work on the members above.
    std::unique_ptr<CCatalogueController> m_catalogue;
    std::unique_ptr<CMemoryCardController> m_memoryCard;
    QBasicTimer m_timerPosition;
    QString m_strStartupLibrary;
    QEventLoop *m_modalLoop = nullptr;
    bool m_bInitialised = false;
    QSize m_laidOutExtendedSize;

    // Manual drag when the windowing system cannot move the window itself.
    std::optional<QPoint> m_dragOffset;
};
