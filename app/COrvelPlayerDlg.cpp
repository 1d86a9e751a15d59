#include "app/COrvelPlayerDlg.h"

#include "app/AppLogging.h"
#include "platform/Locale.h"
#include "platform/SettingsStore.h"
#include "playback/DecoderSettings.h"
#include "ui/CTextTable.h"
#include "ui/ControlIds.h"
#include "ui/LanguageResolution.h"
#include "ui/SkinBitmap.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>

using namespace ControlIds;
using namespace MainWindowTables;

namespace
{

// The drive probe runs as a private window message, posted once the window is on screen.
constexpr int WM_DRIVE_PROBE = 0x45C;
constexpr QEvent::Type kDriveProbeEvent = static_cast<QEvent::Type>(QEvent::User + WM_DRIVE_PROBE);

constexpr int kSkinBitmapMain = 129;
constexpr int kSkinBitmapEmptyVideo = 498;
constexpr int kSkinBitmapMapBar = 279;
constexpr QPoint kEmptyVideoAt{3, 77};

// Commands that run at once while a recording opens: the transport guards its own against the
// open, and Close and Minimize are always wanted now.
bool RunsDuringOpen(int id)
{
    static constexpr int kIds[] = {IDC_CLOSE,  IDC_MINIMIZE,      IDC_PLAY,
                                   IDC_REWIND, IDC_FORWARD,       IDC_PREVIOUS,
                                   IDC_NEXT,   ID_ACCEL_PREVIOUS, ID_ACCEL_NEXT};
    return std::ranges::find(kIds, id) != std::end(kIds);
}

} // namespace

const COrvelPlayerDlg::CommandRoute COrvelPlayerDlg::kCommandRoutes[] = {
    {IDC_MINIMIZE, &COrvelPlayerDlg::OnMinimize},
    {IDC_CLOSE, &COrvelPlayerDlg::OnClose},
    {IDC_INFORMATION, &COrvelPlayerDlg::OnMemoryCardButton},
    {IDC_CALENDAR, &COrvelPlayerDlg::OnDateFilterButton},
    {IDC_SAVE, &COrvelPlayerDlg::OnSaveButton},
    {IDC_DELETE, &COrvelPlayerDlg::OnDeleteButton},
    {IDC_CAPTURE, &COrvelPlayerDlg::OnCapture},
    {IDC_PANEL_SAVE, &COrvelPlayerDlg::OnSaveButton},
    {IDC_PANEL_DELETE, &COrvelPlayerDlg::OnDeleteButton},
    {IDC_FILE_ALL, &COrvelPlayerDlg::OnCategoryAll},
    {IDC_FILE_NORMAL, &COrvelPlayerDlg::OnCategoryNormal},
    {IDC_FILE_EVENT, &COrvelPlayerDlg::OnCategoryEvent},
    {IDC_FILE_MOTION, &COrvelPlayerDlg::OnCategoryMotion},
    {IDC_FOLDER, &COrvelPlayerDlg::OnFolderButton},
    {IDC_CHECK_ALL, &COrvelPlayerDlg::OnCheckAllButton},
};

COrvelPlayerDlg::COrvelPlayerDlg(std::unique_ptr<IDialogs> dialogs, QWidget *parent,
                                 std::unique_ptr<IFileOperations> fileOperations)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      m_dialogs(dialogs ? std::move(dialogs) : CreateDialogs()),
      m_fileOperations(fileOperations ? std::move(fileOperations) : CreateFileOperations()),
      m_hIcon(LoadAppIcon()), m_layout(*this, m_controls, m_player, [this] { DrawGSensorGraph(); }),
      m_pictureSound(m_player, m_controls, m_strLibraryRoot),
      m_sensorViews(*this, m_controls, m_layout, m_player, m_textData, *m_dialogs, m_wLanguage)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Pointer zones of extended mode need moves without a pressed button.
    setMouseTracking(true);
    m_controls.m_wndMap.setParent(this);
    m_dlgSelectMonth.setParent(this, m_dlgSelectMonth.windowFlags() | Qt::Dialog);
    m_catalogue = std::make_unique<CCatalogueController>(m_controls.m_listFiles, *this);
    m_memoryCard = std::make_unique<CMemoryCardController>(*this, *m_dialogs, this);
    m_transport = std::make_unique<CTransport>(*this, m_player, m_controls, m_layout, *m_catalogue,
                                               m_sensorLoader, *m_dialogs);
    WireRooms();
}

COrvelPlayerDlg::~COrvelPlayerDlg()
{
    // The information window goes first; then the members in reverse order.
    m_memoryCard->DestroyInformationDlg();
    m_transport->KillTimerPosition();
    qApp->removeEventFilter(this);
    if (GetAppMainWindow() == this)
        SetAppMainWindow(nullptr);
}

// Who hears whom. The position tick's consumers (the map, the speed readout) connect to
// CTransport::positionTicked here.
void COrvelPlayerDlg::WireRooms()
{
    CConfigListCtrl &list = m_controls.m_listFiles;
    connect(&list, &CConfigListCtrl::clicked, this,
            [this](int row, int) { m_catalogue->OnFileListClick(row); });
    connect(&list, &CConfigListCtrl::doubleClicked, this,
            [this](int row, int) { m_transport->OnListDoubleClick(row); });
    connect(&m_sensorLoader, &CSensorLoader::loadStarted, this,
            [] { QApplication::setOverrideCursor(Qt::WaitCursor); });
    connect(&m_sensorLoader, &CSensorLoader::loadEnded, this, &COrvelPlayerDlg::OnSensorLoadEnded);
    connect(m_transport.get(), &CTransport::recordingOpened, this,
            [this](int videoStreams) { m_pictureSound.ApplyFlipsToOpened(videoStreams); });
    connect(m_transport.get(), &CTransport::positionTicked, this,
            [this](std::uint32_t positionMs) { m_sensorViews.OnPositionTick(positionMs); });
    connect(m_transport.get(), &CTransport::sensorTrackCleared, this,
            [this] { m_sensorViews.OnTrackCleared(); });
    m_transport->SetFlipSource([this] {
        return std::pair{m_pictureSound.FlipVertical(), m_pictureSound.FlipHorizontal()};
    });
}

// The panels' commands run the window's operations; the panel's list joins the catalogue,
// which from now on fills both lists alike.
void COrvelPlayerDlg::WirePanels()
{
    const std::pair<CExtendedPanel *, Owner> panels[] = {
        {ControlPanel(), Owner::ControlBar},
        {ControlTop(), Owner::TopBar},
        {ControlFileList(), Owner::FileListPanel},
    };
    for (const auto &[panel, owner] : panels) {
        connect(panel, &CExtendedPanel::Command, this,
                [this, owner](int id) { OnPanelCommand(owner, id); });
        connect(panel, &CExtendedPanel::HScroll, this, &COrvelPlayerDlg::OnPanelHScroll);
    }
    connect(ControlPanel(), &CControlPanelDlg::LaidOut, this,
            [this] { m_pictureSound.TakeSoundStateIntoBar(); });
    CConfigListCtrl &panelList = ControlFileList()->FileList();
    panelList.SetCurrentItemSource([this] { return m_transport->CurrentItem(); });
    connect(&panelList, &CConfigListCtrl::clicked, this,
            [this](int row, int) { m_catalogue->OnPanelFileListClick(row); });
    connect(&panelList, &CConfigListCtrl::doubleClicked, this,
            [this](int row, int) { m_transport->OnListDoubleClick(row); });
    m_catalogue->SetPanelList(&panelList);
}

int COrvelPlayerDlg::DoModal()
{
    const bool started = OnInitDialog();
    if (m_bClosed)
        return 0; // start-up closed the window (missing playback filters)
    if (!started)
        qCWarning(lcApp) << "start-up stopped early: a panel could not be created";
    QEventLoop loop;
    m_modalLoop = &loop;
    loop.exec();
    m_modalLoop = nullptr;
    return 0;
}

bool COrvelPlayerDlg::OnInitDialog()
{
    // 2. both window icons; 3. accelerator table 499 lives in PreTranslateKey; 4. title.
    setWindowIcon(m_hIcon);
    setWindowTitle(QStringLiteral("Quorvil"));
    qApp->installEventFilter(this);

    // 5. the installed decoder's settings.
    ConfigureDecoderRegistry(CSettingsStore::System());

    // 6. 1022 x 682 at the position first given. The window is not shown yet, so no windowing
    // system has placed it: without a given position it starts centred on its screen.
    if (!testAttribute(Qt::WA_Moved)) {
        if (const QScreen *target = screen() ? screen() : QGuiApplication::primaryScreen())
            move(target->availableGeometry().center() -
                 QPoint(CViewLayout::kWindowWidth / 2, CViewLayout::kWindowHeight / 2));
    }
    m_layout.FixWindowSize();
    move(m_layout.WindowRect().topLeft());

    // 7. the language; from here on texts resolve through this window.
    m_wLanguage = ResolveUiLanguage(CSettingsStore::System(), SystemDefaultLanguageId());
    SetAppMainWindow(this);

    CreateControls();                            // 8.
    m_layout.LayoutControls(LayoutKind::Normal); // 9.

    // 10. the playback filters; still missing after the installer: the message, then Close.
    m_player.SetUpDecoders([this] {
        m_dialogs->MessageBox(this, CTextTable().GetText(QStringLiteral("PLAYERDLG_NO_FILTER")),
                              MessageBoxButtons::Ok);
        OnCommand(IDC_CLOSE);
    });
    if (m_bClosed)
        return false; // the filter check closed the window

    // 11. drive notifications for as long as the window lives; without them the viewer runs on.
    if (!m_memoryCard->StartDriveNotifications())
        qCInfo(lcApp) << "running without drive notifications";

    // 12. the three panels, hidden pop-up windows owned by this window.
    m_controls.CreatePanels(*this);
    if (!ControlPanel() || !ControlTop() || !ControlFileList())
        return false;
    WirePanels();

    ApplyControlState(ControlState::Idle); // 13.

    // The window shows once it is complete, enabled as the idle state wants.
    show();
    // The folder of --library is listed before the probe, so a card the user then picks in the
    // probe's selection is what stays listed.
    if (!m_strStartupLibrary.isEmpty())
        QTimer::singleShot(0, this, &COrvelPlayerDlg::OpenStartupLibrary);
    // 14. the drive probe runs once the window is on screen.
    QCoreApplication::postEvent(this, new QEvent(kDriveProbeEvent));
    m_bInitialised = true;
    return true;
}

void COrvelPlayerDlg::CreateControls()
{
    m_layout.FixWindowSize();                                                 // 1.
    m_controls.Create(*this);                                                 // 2., 3., 5. to 11.
    m_player.AttachWindows(&m_controls.m_wndVideo1, &m_controls.m_wndVideo2); // 4.
    m_controls.m_listFiles.SetCurrentItemSource([this] { return m_transport->CurrentItem(); });
    for (const ButtonRow &row : Buttons())
        connect(Button(row.id), &CKipSkinButton::Command, this, &COrvelPlayerDlg::OnCommand);
    for (const SliderRow &row : Sliders())
        connect(Slider(row.id), &CKipImageSlider::HScroll, this,
                [this, id = row.id](int code, CKipImageSlider *) { OnHScroll(id, code); });
}

void COrvelPlayerDlg::ApplyControlState(ControlState state)
{
    m_controls.ApplyControlState(state, m_player.VideoStreams());
}

// ---------------------------------------------------------------------------------------
// Painting

void COrvelPlayerDlg::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_layout.GetDisplayMode() == DisplayMode::Extended) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    painter.drawPixmap(0, 0, LoadSkinBitmap(kSkinBitmapMain));
    if (m_layout.GetChannelView() == ChannelView::None)
        painter.drawPixmap(kEmptyVideoAt, LoadSkinBitmap(kSkinBitmapEmptyVideo));
    if (m_layout.GetMapState() == MapState::Small)
        painter.drawPixmap(695, 437, LoadSkinBitmap(kSkinBitmapMapBar));
    else if (m_layout.GetMapState() == MapState::Hidden)
        painter.drawPixmap(695, 635, LoadSkinBitmap(kSkinBitmapMapBar));
    m_sensorViews.Paint(painter);
}

// ---------------------------------------------------------------------------------------
// Dragging and window events

void COrvelPlayerDlg::mousePressEvent(QMouseEvent *event)
{
    if (m_layout.GetDisplayMode() != DisplayMode::Normal || event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // The windowing system moves the window when it can; without a window manager it cannot,
    // and the window follows the pointer itself.
    QWindow *window = windowHandle();
    if (window && window->startSystemMove()) {
        m_dragOffset.reset();
    } else {
        m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
    }
    event->accept();
}

void COrvelPlayerDlg::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragOffset && m_layout.GetDisplayMode() == DisplayMode::Normal &&
        (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - *m_dragOffset);
        event->accept();
        return;
    }
    m_layout.OnPointerMove(event->position().toPoint());
    QWidget::mouseMoveEvent(event);
}

void COrvelPlayerDlg::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_dragOffset && event->button() == Qt::LeftButton) {
        m_dragOffset.reset();
        m_layout.OnWindowMoved();
    }
    QWidget::mouseReleaseEvent(event);
}

void COrvelPlayerDlg::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_layout.OnResize(m_bInitialised);
}

bool COrvelPlayerDlg::eventFilter(QObject *watched, QEvent *event)
{
    // The panels handle their own keys, and the pointer over a panel is not over the window.
    if (event->type() == QEvent::KeyPress) {
        auto *widget = qobject_cast<QWidget *>(watched);
        // Keys for this window or any of its controls.
        if (widget && widget->window() == this && !m_controls.IsInPanel(widget) &&
            PreTranslateKey(static_cast<QKeyEvent *>(event)))
            return true;
    } else if (event->type() == QEvent::MouseMove &&
               m_layout.GetDisplayMode() == DisplayMode::Extended) {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && widget->window() == this && widget != this && !m_controls.IsInPanel(widget)) {
            const auto *move = static_cast<QMouseEvent *>(event);
            m_layout.OnPointerMove(mapFromGlobal(move->globalPosition().toPoint()));
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool COrvelPlayerDlg::PreTranslateKey(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true; // never closes the window
    case Qt::Key_Escape:
        if (m_layout.GetDisplayMode() == DisplayMode::Extended)
            m_layout.ToggleExtendedMode();
        return true;
    case Qt::Key_Space:
        OnCommand(IDC_PLAY);
        return true;
    case Qt::Key_Left:
        OnCommand(IDC_REWIND);
        return true;
    case Qt::Key_Right:
        OnCommand(IDC_FORWARD);
        return true;
    default:
        break;
    }
    // Accelerator table 499: PageUp and PageDown without modifiers.
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_PageUp) {
            OnCommand(ID_ACCEL_PREVIOUS);
            return true;
        }
        if (event->key() == Qt::Key_PageDown) {
            OnCommand(ID_ACCEL_NEXT);
            return true;
        }
    }
    return false;
}

void COrvelPlayerDlg::closeEvent(QCloseEvent *event)
{
    // An open still waiting for its file ends now, so the window's loop can end too.
    m_transport->CancelOpen();
    m_transport->KillTimerPosition();
    for (QWidget *panel :
         std::initializer_list<QWidget *>{ControlPanel(), ControlTop(), ControlFileList()})
        if (panel)
            panel->hide();
    QWidget::closeEvent(event);
    if (m_modalLoop)
        m_modalLoop->quit();
}

void COrvelPlayerDlg::customEvent(QEvent *event)
{
    if (event->type() == kDriveProbeEvent) {
        m_memoryCard->OnDriveProbe();
        return;
    }
    QWidget::customEvent(event);
}

// ---------------------------------------------------------------------------------------
// Command routing: the window's own commands by table, the rooms' ones by switch.

void COrvelPlayerDlg::OnCommand(int id)
{
    // While a recording opens, the commands that would work on the lists, the card, the
    // layout or the picture wait for it; the transport's own and Close, Minimize run now.
    if (!RunsDuringOpen(id) && m_transport->DeferWhileOpening([this, id] { OnCommand(id); }))
        return;
    switch (id) {
    case IDC_FLIP_VERTICAL:
    case IDC_FLIP_HORIZONTAL:
        m_pictureSound.ToggleFlip(id == IDC_FLIP_VERTICAL);
        return;
    case IDC_MUTE:
        m_pictureSound.OnMute();
        return;
    case IDC_EXTEND:
        m_layout.ToggleExtendedMode();
        return;
    case IDC_FRONT:
        m_layout.ShowFrontView();
        return;
    case IDC_REAR:
        m_layout.ShowRearView();
        return;
    case IDC_ALL_VIEWS:
        m_layout.ShowBothViews();
        return;
    case IDC_SHOW_MAP:
        m_sensorViews.OnShowMapButton(m_transport->CurrentItem());
        return;
    case IDC_LARGE_MAP:
        m_sensorViews.OnLargeMapButton(m_transport->CurrentItem());
        return;
    case IDC_REWIND:
        m_transport->OnRewind();
        return;
    case IDC_FORWARD:
        m_transport->OnForward();
        return;
    case IDC_PLAY:
        m_transport->OnPlayPause();
        return;
    case IDC_PREVIOUS:
    case ID_ACCEL_PREVIOUS:
        m_transport->OnPrevious();
        return;
    case IDC_NEXT:
    case ID_ACCEL_NEXT:
        m_transport->OnNext();
        return;
    default:
        break;
    }
    const auto it = std::ranges::find(kCommandRoutes, id, &CommandRoute::id);
    if (it != std::end(kCommandRoutes))
        (this->*(it->handler))();
}

void COrvelPlayerDlg::OnHScroll(int id, int code)
{
    switch (id) {
    case IDC_POSITION_SLIDER:
        m_transport->OnPositionSlider(code);
        break;
    case IDC_SPEED_SLIDER:
        m_transport->OnSpeedSlider(code);
        break;
    case IDC_VOLUME_SLIDER:
        m_pictureSound.OnVolumeSlider(code);
        break;
    case IDC_BRIGHTNESS_SLIDER:
        m_pictureSound.OnBrightnessSlider(code);
        break;
    default:
        break;
    }
}

void COrvelPlayerDlg::OnPanelCommand(Owner owner, int id)
{
    if (id == ID_ACCEL_PREVIOUS || id == ID_ACCEL_NEXT) {
        OnCommand(id);
        return;
    }
    if (owner == Owner::ControlBar && id == IDC_BAR_MUTE) {
        m_pictureSound.OnBarMute();
        return;
    }
    if (owner == Owner::ControlBar && id == IDC_BAR_FILE_LIST) {
        m_layout.OnFileListPanelButton();
        return;
    }
    const PanelCommandRoute *route = FindPanelCommand(owner, id);
    if (!route)
        return;
    if (route->copyCheck) {
        const CKipSkinButton *copy = m_controls.PanelButton(owner, id);
        SetButtonCheck(route->mainId, copy && copy->GetCheck() != 0);
    }
    OnCommand(route->mainId);
}

void COrvelPlayerDlg::OnPanelHScroll(int id, int code)
{
    switch (id) {
    case IDC_BAR_POSITION_SLIDER:
        m_transport->OnBarPositionSlider(code);
        break;
    case IDC_BAR_VOLUME_SLIDER:
        m_pictureSound.OnBarVolumeSlider(code);
        break;
    default:
        break;
    }
}

void COrvelPlayerDlg::OnMinimize()
{
    showMinimized();
}

void COrvelPlayerDlg::OnClose()
{
    m_bClosed = true;
    m_transport->CancelOpen();
    m_transport->KillTimerPosition();
    m_transport->DropPreparedNext();
    if (m_transport->IsRecordingLoaded())
        m_player.Stop();
    m_player.Close();
    close();
}

bool COrvelPlayerDlg::SelectCardDrive()
{
    return m_memoryCard->SelectCardDrive();
}

void COrvelPlayerDlg::OnSensorLoadEnded(CSensorLoader::LoadResult result)
{
    if (result == CSensorLoader::LoadResult::Completed) {
        if (m_textData.m_arrGPS.empty())
            m_layout.OnLoadWithoutFixes();
        if (m_layout.GetDisplayMode() == DisplayMode::Normal &&
            m_layout.GetMapState() != MapState::Large)
            DrawGSensorGraph();
    }
    // loadEnded follows every loadStarted, and only those.
    QApplication::restoreOverrideCursor();
}

void COrvelPlayerDlg::OpenStartupLibrary()
{
    // As the Folder command does once DIR was chosen in the folder browser.
    Button(IDC_FOLDER)->SetCheck(1);
    m_strLibraryRoot = m_strStartupLibrary;
    m_bFolderMode = true;
    const int dateFilter = Button(IDC_CALENDAR)->GetCheck();
    int type = m_catalogue->GetCheckedCategoryType();
    if (type == 0) {
        type = CCatalogue::TypeAll;
        Button(IDC_FILE_ALL)->SetCheck(1);
    }
    m_catalogue->RefreshCatalogue(type, dateFilter);
    SetButtonCheck(IDC_PANEL_FOLDER, true);
}

void COrvelPlayerDlg::OnMemoryCardButton()
{
    m_memoryCard->OnMemoryCardButton();
}
void COrvelPlayerDlg::OnDateFilterButton()
{
    m_catalogue->OnDateFilterButton();
}
void COrvelPlayerDlg::OnCategoryAll()
{
    m_catalogue->OnCategoryButton(CCatalogue::TypeAll);
}
void COrvelPlayerDlg::OnCategoryNormal()
{
    m_catalogue->OnCategoryButton(CCatalogue::TypeNormal);
}
void COrvelPlayerDlg::OnCategoryEvent()
{
    m_catalogue->OnCategoryButton(CCatalogue::TypeEvent);
}
void COrvelPlayerDlg::OnCategoryMotion()
{
    m_catalogue->OnCategoryButton(CCatalogue::TypeMotion);
}
void COrvelPlayerDlg::OnFolderButton()
{
    m_catalogue->OnFolderButton();
}
void COrvelPlayerDlg::OnCheckAllButton()
{
    m_catalogue->OnCheckAllButton();
}

void COrvelPlayerDlg::OnSaveButton()
{
    m_catalogue->OnSaveButton(*m_fileOperations);
}
void COrvelPlayerDlg::OnDeleteButton()
{
    // The rebuilt lists number their rows anew: the loaded recording is followed by its path,
    // so the orange row and the next recording after it stay right.
    if (const std::optional<int> loadedRow = m_catalogue->OnDeleteButton())
        m_transport->FollowLoadedRow(*loadedRow);
}
void COrvelPlayerDlg::OnCapture()
{
    if (m_strLibraryRoot.isEmpty())
        return;
    const QString recordingName =
        FileList()->GetItemText(m_transport->CurrentItem(), CConfigListCtrl::kColumnName);
    m_stillCapture.Capture(m_player, *m_dialogs, this, recordingName);
}

// ---------------------------------------------------------------------------------------
// The catalogue's and the memory card's view of this window.

bool COrvelPlayerDlg::GetButtonCheck(int id) const
{
    auto &controls = const_cast<CMainWindowControls &>(m_controls);
    if (CKipSkinButton *button = controls.Button(id))
        return button->GetCheck() != 0;
    CKipSkinButton *copy = controls.PanelButton(Owner::FileListPanel, id);
    return copy && copy->GetCheck() != 0;
}

void COrvelPlayerDlg::SetButtonCheck(int id, bool checked)
{
    CKipSkinButton *button = Button(id);
    if (!button)
        button = m_controls.PanelButton(Owner::FileListPanel, id);
    if (button)
        button->SetCheck(checked ? 1 : 0);
}

void COrvelPlayerDlg::RefreshCatalogue(CCatalogue::Type type, bool dateFilter)
{
    m_catalogue->RefreshCatalogue(type, dateFilter ? CCatalogue::DateFilterOn
                                                   : CCatalogue::DateFilterOff);
}

void COrvelPlayerDlg::SetFolderButtonCheck(bool checked)
{
    SetButtonCheck(IDC_FOLDER, checked);
}

void COrvelPlayerDlg::ClearCategoryButtons()
{
    for (const int id :
         {IDC_FILE_ALL, IDC_FILE_NORMAL, IDC_FILE_EVENT, IDC_FILE_MOTION, IDC_PANEL_FILE_ALL,
          IDC_PANEL_FILE_NORMAL, IDC_PANEL_FILE_EVENT, IDC_PANEL_FILE_MOTION})
        SetButtonCheck(id, false);
}

void COrvelPlayerDlg::ResetAfterCardRemoval(CInformationDlg *informationDlg)
{
    // 1. no tick, nothing playing, the displays of a stopped player.
    m_transport->KillTimerPosition();
    m_transport->StopAndReset();
    // 2. no library.
    m_strLibraryRoot.clear();
    // 3.
    m_player.Close();
    // 4. both file lists empty.
    m_catalogue->EmptyLists();
    // 5. no category checked, in the window and on the file list panel.
    ClearCategoryButtons();
    // 6.
    m_layout.LeaveExtendedModeAndHideFrontVideo();
    // 7., 8. the file name and time texts; the position, speed and brightness sliders.
    m_transport->ResetDisplays();
    // 9. no flips; display mode Normal, map state Hidden.
    m_pictureSound.ResetFlips();
    m_layout.ResetModes();
    // 10. the normal layout in the idle state.
    m_layout.LayoutControls(LayoutKind::Normal);
    ApplyControlState(ControlState::Idle);
    // 11. an empty sensor track and graph.
    m_sensorLoader.Stop();
    DrawGSensorGraph();
    // 12. the information window shows no card.
    if (informationDlg)
        informationDlg->ResetForCardRemoval();
    // 13.
    update();
}

void COrvelPlayerDlg::DrawGSensorGraph()
{
    m_sensorViews.DrawGSensorGraph();
}
