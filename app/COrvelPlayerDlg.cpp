#include "app/COrvelPlayerDlg.h"

#include "app/MainWindowIds.h"
#include "platform/Drives.h"
#include "platform/Locale.h"
#include "platform/SettingsStore.h"
#include "playback/DecoderSettings.h"
#include "ui/LanguageResolution.h"
#include "platform/SoundOutput.h"
#include "ui/CKipFileListVerticleScrollbar.h"
#include "ui/CKipSkinButton.h"
#include "ui/CTextTable.h"
#include "ui/SkinBitmap.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>

Q_LOGGING_CATEGORY(lcApp, "quorvil.app")

using namespace MainWindowIds;
using namespace MainWindowTables;

namespace
{

// Private window messages travel as Qt events whose type carries the message number.
constexpr QEvent::Type MessageEventType(int message)
{
    return static_cast<QEvent::Type>(QEvent::User + message);
}

constexpr int kSkinBitmapMain = 129;
constexpr int kSkinBitmapEmptyVideo = 498;
constexpr int kSkinBitmapMapBar = 279;
constexpr QPoint kEmptyVideoAt{3, 77};
constexpr QPoint kGSensorGraphAt{41, 531};
constexpr int kSkinBitmapGSensorGraph = 292;
constexpr QRgb kMapSurface = qRgb(33, 33, 33);
constexpr Skin kMuteOffSkin{223, 225, 224, 225, 223};
constexpr Skin kMuteOnSkin{220, 222, 221, 222, 220};

// Where each button lives in m_buttons: its index in the CreateControls order.
int ButtonIndex(int id)
{
    const auto buttons = Buttons();
    const auto it = std::ranges::find(buttons, id, &ButtonRow::id);
    return it == buttons.end() ? -1 : static_cast<int>(it - buttons.begin());
}

int SliderIndex(int id)
{
    const auto sliders = Sliders();
    const auto it = std::ranges::find(sliders, id, &SliderRow::id);
    return it == sliders.end() ? -1 : static_cast<int>(it - sliders.begin());
}

// Pure green is the transparent colour of the G-sensor graph.
QImage WithGreenTransparent(const QImage &image)
{
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((line[x] & 0x00FFFFFF) == 0x0000FF00)
                line[x] = 0;
    }
    return out;
}

QString ControlName(int id)
{
    return QString::number(id);
}

} // namespace

const COrvelPlayerDlg::CommandRoute COrvelPlayerDlg::kCommandRoutes[] = {
    {IDC_MINIMIZE, &COrvelPlayerDlg::OnMinimize},
    {IDC_CLOSE, &COrvelPlayerDlg::OnClose},
    {IDC_INFORMATION, &COrvelPlayerDlg::OnMemoryCardButton},
    {IDC_CALENDAR, &COrvelPlayerDlg::OnDateFilterButton},
    {IDC_SAVE, &COrvelPlayerDlg::OnSaveButton},
    {IDC_DELETE, &COrvelPlayerDlg::OnDeleteButton},
    {IDC_FLIP_VERTICAL, &COrvelPlayerDlg::OnFlipVertical},
    {IDC_CAPTURE, &COrvelPlayerDlg::OnCapture},
    {IDC_EXTEND, &COrvelPlayerDlg::OnExtend},
    {IDC_FILE_ALL, &COrvelPlayerDlg::OnCategoryAll},
    {IDC_FILE_NORMAL, &COrvelPlayerDlg::OnCategoryNormal},
    {IDC_FILE_EVENT, &COrvelPlayerDlg::OnCategoryEvent},
    {IDC_FILE_MOTION, &COrvelPlayerDlg::OnCategoryMotion},
    {IDC_REWIND, &COrvelPlayerDlg::OnRewind},
    {IDC_FORWARD, &COrvelPlayerDlg::OnForward},
    {IDC_PLAY, &COrvelPlayerDlg::OnPlayPause},
    {IDC_PREVIOUS, &COrvelPlayerDlg::OnPrevious},
    {IDC_NEXT, &COrvelPlayerDlg::OnNext},
    {IDC_LARGE_MAP, &COrvelPlayerDlg::OnLargeMapButton},
    {IDC_SHOW_MAP, &COrvelPlayerDlg::OnShowMapButton},
    {IDC_MUTE, &COrvelPlayerDlg::OnMute},
    {IDC_FLIP_HORIZONTAL, &COrvelPlayerDlg::OnFlipHorizontal},
    {IDC_FRONT, &COrvelPlayerDlg::ShowFrontView},
    {IDC_REAR, &COrvelPlayerDlg::ShowRearView},
    {IDC_ALL_VIEWS, &COrvelPlayerDlg::ShowBothViews},
    {IDC_FOLDER, &COrvelPlayerDlg::OnFolderButton},
    {IDC_CHECK_ALL, &COrvelPlayerDlg::OnCheckAllButton},
    {ID_ACCEL_PREVIOUS, &COrvelPlayerDlg::OnPrevious},
    {ID_ACCEL_NEXT, &COrvelPlayerDlg::OnNext},
};

COrvelPlayerDlg::COrvelPlayerDlg(std::unique_ptr<IDialogs> dialogs, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      m_dialogs(dialogs ? std::move(dialogs) : CreateDialogs()), m_hIcon(LoadAppIcon())
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Pointer zones of extended mode need moves without a pressed button.
    setMouseTracking(true);
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        const ButtonRow &row = Buttons()[i];
        m_buttons[i] = std::make_unique<CKipSkinButton>(nullptr,
                                                        row.kind == ButtonKind::Check
                                                            ? CKipSkinButton::Kind::CheckBox
                                                            : CKipSkinButton::Kind::Push,
                                                        row.id);
    }
    for (std::size_t i = 0; i < m_sliders.size(); ++i)
        m_sliders[i] = std::make_unique<CKipImageSlider>(nullptr, Sliders()[i].id);
    m_wndMap.setParent(this);
    m_dlgSelectMonth.setParent(this, m_dlgSelectMonth.windowFlags() | Qt::Dialog);
    m_catalogue = std::make_unique<CCatalogueController>(m_listFiles, *this);
    m_memoryCard = std::make_unique<CMemoryCardController>(*this, *m_dialogs, this);
    connect(&m_listFiles, &CConfigListCtrl::clicked, this,
            [this](int row, int) { m_catalogue->OnFileListClick(row); });
    connect(&m_sensorLoader, &CSensorLoader::loadStarted, this,
            [] { QApplication::setOverrideCursor(Qt::WaitCursor); });
    connect(&m_sensorLoader, &CSensorLoader::loadEnded, this, &COrvelPlayerDlg::OnSensorLoadEnded);
    connect(&m_listFiles, &CConfigListCtrl::doubleClicked, this,
            [this](int row, int) { OnListDoubleClick(row); });
}

COrvelPlayerDlg::~COrvelPlayerDlg()
{
    // The information window goes first; then the members in reverse order.
    m_memoryCard->DestroyInformationDlg();
    m_timerPosition.stop();
    qApp->removeEventFilter(this);
    if (GetAppMainWindow() == this)
        SetAppMainWindow(nullptr);
    // The owned objects go in the reverse order of their construction (member order).
}

int COrvelPlayerDlg::DoModal()
{
    show();
    const bool started = OnInitDialog();
    if (!isVisible())
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

    // 6. 1022 x 682 at the position first given.
    setFixedSize(kWindowWidth, kWindowHeight);
    m_rcWindow = QRect(geometry().topLeft(), QSize(kWindowWidth, kWindowHeight));
    move(m_rcWindow.topLeft());

    // 7. the language; from here on texts resolve through this window.
    m_wLanguage = ResolveUiLanguage(CSettingsStore::System(), SystemDefaultLanguageId());
    SetAppMainWindow(this);

    CreateControls();  // 8.
    LayoutControls(1); // 9.

    // 10. the playback filters; still missing after the installer: the message, then Close.
    m_player.SetUpDecoders([this] {
        m_dialogs->MessageBox(this, CTextTable().GetText(QStringLiteral("PLAYERDLG_NO_FILTER")),
                              MessageBoxButtons::Ok);
        OnCommand(IDC_CLOSE);
    });
    if (!isVisible())
        return false; // the filter check closed the window

    // 11. drive notifications for as long as the window lives; without them the viewer runs on.
    if (!m_memoryCard->StartDriveNotifications())
        qCInfo(lcApp) << "running without drive notifications";

    // 12. the three panels, hidden pop-up windows owned by this window.
    const auto makePanel = [this](const char *name) {
        auto panel = std::make_unique<QWidget>(this, Qt::Tool | Qt::FramelessWindowHint);
        panel->setObjectName(QString::fromLatin1(name));
        panel->hide();
        return panel;
    };
    m_dlgControlPanel = makePanel("CControlPanelDlg");
    m_dlgControlTop = makePanel("CControlTopDlg");
    m_dlgControlFileList = makePanel("CControlFileListDlg");
    if (!m_dlgControlPanel || !m_dlgControlTop || !m_dlgControlFileList)
        return false;

    ApplyControlState(static_cast<int>(ControlState::Idle)); // 13.

    // The folder of --library is listed before the probe, so a card the user then picks in the
    // probe's selection is what stays listed.
    if (!m_strStartupLibrary.isEmpty())
        QTimer::singleShot(0, this, &COrvelPlayerDlg::OpenStartupLibrary);
    // 14. the drive probe runs once the window is on screen.
    QCoreApplication::postEvent(this, new QEvent(MessageEventType(WM_DRIVE_PROBE)));
    m_bInitialised = true;
    return true;
}

// ---------------------------------------------------------------------------------------
// Controls

QWidget *COrvelPlayerDlg::Control(int id)
{
    if (const int i = ButtonIndex(id); i >= 0)
        return m_buttons[static_cast<std::size_t>(i)].get();
    if (const int i = SliderIndex(id); i >= 0)
        return m_sliders[static_cast<std::size_t>(i)].get();
    switch (id) {
    case kVideoWindow1:
        return &m_wndVideo1;
    case kVideoWindow2:
        return &m_wndVideo2;
    case IDC_FILE_LIST:
        return &m_listFiles;
    case IDC_MAP:
        return &m_wndMap;
    case IDC_TOTAL_TIME:
        return &m_staticTotalTime;
    case IDC_POSITION_TIME:
        return &m_staticPositionTime;
    case IDC_FILE_NAME:
        return &m_staticFileName;
    default:
        return nullptr;
    }
}

CKipSkinButton *COrvelPlayerDlg::Button(int id)
{
    const int i = ButtonIndex(id);
    return i < 0 ? nullptr : m_buttons[static_cast<std::size_t>(i)].get();
}

CKipImageSlider *COrvelPlayerDlg::Slider(int id)
{
    const int i = SliderIndex(id);
    return i < 0 ? nullptr : m_sliders[static_cast<std::size_t>(i)].get();
}

void COrvelPlayerDlg::SetButtonSkin(int id, const Skin &skin)
{
    if (CKipSkinButton *button = Button(id)) {
        button->SetBitmaps(skin[0], skin[1], skin[2], skin[3], skin[4]);
        button->setText(QString());
    }
}

void COrvelPlayerDlg::SetSliderSkin(int id, const Skin &skin)
{
    if (CKipImageSlider *slider = Slider(id))
        slider->SetBitmaps(skin[0], skin[1], skin[2], skin[3], skin[4]);
}

void COrvelPlayerDlg::CreateControls()
{
    // 1.
    setFixedSize(kWindowWidth, kWindowHeight);
    m_rcWindow = QRect(geometry().topLeft(), QSize(kWindowWidth, kWindowHeight));

    // 2. the video windows, black, without control ids.
    const auto setUpVideo = [this](QWidget &video, const char *text, const QRect &ltrb,
                                   bool shown) {
        video.setParent(this);
        video.setWindowTitle(QString::fromLatin1(text));
        video.setObjectName(QString::fromLatin1(text));
        video.setGeometry(ltrb);
        video.setVisible(shown);
        video.setMouseTracking(true);
    };
    setUpVideo(m_wndVideo1, "Video window1", QRect(QPoint(2, 175), QPoint(322 - 1, 317 - 1)), true);
    setUpVideo(m_wndVideo2, "Video window2", QRect(QPoint(348, 174), QPoint(668 - 1, 414 - 1)),
               false);

    // 3. the map window starts invisible. Until a page shows in it, it is an even dark surface
    // that covers the skin beneath it (the map bar of the hidden state included).
    m_wndMap.setObjectName(ControlName(IDC_MAP));
    m_wndMap.setGeometry(kNoRect);
    QPalette mapPalette = m_wndMap.palette();
    mapPalette.setColor(QPalette::Window, QColor(kMapSurface));
    m_wndMap.setPalette(mapPalette);
    m_wndMap.setAutoFillBackground(true);

    // 4.
    m_player.AttachWindows(&m_wndVideo1, &m_wndVideo2);

    // 5. buttons in table order: skin, no caption, tooltip text.
    const CTextTable texts;
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        const ButtonRow &row = Buttons()[i];
        CKipSkinButton &button = *m_buttons[i];
        button.setParent(this);
        button.setObjectName(ControlName(row.id));
        button.setFocusPolicy(Qt::StrongFocus);
        SetButtonSkin(row.id, row.skin);
        button.SetTooltipText(texts.GetText(QString::fromLatin1(row.tooltipKey)));
        connect(&button, &CKipSkinButton::Command, this, &COrvelPlayerDlg::OnCommand);
    }

    // 6. sliders: skins, the position slider's first place, no wheel.
    for (std::size_t i = 0; i < m_sliders.size(); ++i) {
        const SliderRow &row = Sliders()[i];
        CKipImageSlider &slider = *m_sliders[i];
        slider.setParent(this);
        slider.setObjectName(ControlName(row.id));
        SetSliderSkin(row.id, row.skin);
        slider.SetWheelPasses(false);
        connect(&slider, &CKipImageSlider::HScroll, this,
                [this, id = row.id](int code, CKipImageSlider *) { OnHScroll(id, code); });
    }
    Slider(IDC_POSITION_SLIDER)->setGeometry(39, 477, 371, 20);

    // 7. the three texts.
    struct TextSetup {
        CKipStaticTrans *text;
        int id;
        int background;
        QColor colour;
    };
    const TextSetup textSetups[] = {
        {&m_staticPositionTime, IDC_POSITION_TIME, 293, QColor(164, 164, 164)},
        {&m_staticTotalTime, IDC_TOTAL_TIME, 294, QColor(164, 164, 164)},
        {&m_staticFileName, IDC_FILE_NAME, 312, QColor(146, 146, 146)},
    };
    for (const TextSetup &setup : textSetups) {
        setup.text->setParent(this);
        setup.text->setObjectName(ControlName(setup.id));
        setup.text->SetBackgroundBitmap(setup.background);
        setup.text->SetBackgroundColor(std::nullopt);
        setup.text->SetTextColor(setup.colour);
    }
    m_staticFileName.setText(QString());

    // 8. the file list with its skinned scrollbar and the six columns.
    m_listFiles.setParent(this);
    m_listFiles.setObjectName(ControlName(IDC_FILE_LIST));
    m_listFiles.setGeometry(695, 126, 308, 508);
    m_listFiles.CreateSkinScrollbar();
    m_listFiles.setGeometry(695, 126, 324, 508);
    m_listFiles.ApplyLayout();
    m_listFiles.InsertFileListColumns();
    m_listFiles.SetRedraw(true);
    m_listFiles.SetCurrentItemSource([this] { return m_nCurrentItem; });

    // 9. volume at 50 and Mute usable; 10. speed; 11. brightness.
    for (const SliderRow &row : Sliders()) {
        CKipImageSlider *slider = Slider(row.id);
        if (row.id != IDC_POSITION_SLIDER)
            slider->setRange(row.minimum, row.maximum);
        slider->setValue(row.position);
    }
    Slider(IDC_VOLUME_SLIDER)->setEnabled(true);
    CSoundOutput::Instance().SetVolume(CSoundOutput::PackedFromPosition(50));
    Button(IDC_MUTE)->setEnabled(true);
    Button(IDC_MUTE)->SetCheck(0);
}

// ---------------------------------------------------------------------------------------
// Layout

void COrvelPlayerDlg::PlaceAndShow(int id, const QRect &rect)
{
    if (QWidget *control = Control(id)) {
        control->setGeometry(rect);
        control->show();
    }
}

void COrvelPlayerDlg::HideControls(std::span<const int> ids)
{
    for (const int id : ids)
        if (QWidget *control = Control(id))
            control->hide();
}

void COrvelPlayerDlg::ShowFileList(bool shown)
{
    m_listFiles.setVisible(shown);
    if (QWidget *scrollbar = m_listFiles.GetSkinScrollbar())
        scrollbar->setVisible(shown);
}

void COrvelPlayerDlg::LayoutControls(int kind)
{
    switch (kind) {
    case 1:
        LayoutNormal();
        break;
    case 2:
        LayoutExtended();
        break;
    case 16:
        LayoutLargeMap();
        break;
    default:
        break;
    }
}

void COrvelPlayerDlg::ReapplyChannelView()
{
    switch (m_nChannelView) {
    case 1:
        ShowFrontView();
        break;
    case 2:
        ShowRearView();
        break;
    case 4:
        ShowBothViews();
        break;
    default:
        break;
    }
}

void COrvelPlayerDlg::LayoutNormal()
{
    // 1.
    m_nDisplayMode = 1;
    setFixedSize(kWindowWidth, kWindowHeight);
    m_rcWindow = QRect(geometry().topLeft(), QSize(kWindowWidth, kWindowHeight));
    move(m_rcWindow.topLeft());
    // 2., 3.
    ReapplyChannelView();
    if (IsRecordingLoaded())
        RepaintVideo();
    // 4.
    ShowFileList(true);
    // 5.
    SetButtonSkin(IDC_LARGE_MAP, kLargeMapNormalSkin);
    for (const PlacedControl &placed : NormalLayout())
        PlaceAndShow(placed.id, placed.rect);
    PlaceAndShow(IDC_LARGE_MAP, NormalLargeMapButtonRect(m_nMapState));
    PlaceAndShow(IDC_SHOW_MAP, NormalShowMapButtonRect(m_nMapState));
    for (const SliderRow &row : Sliders())
        SetSliderSkin(row.id, row.skin);
    // 6.
    ShowFileList(true);
    // 7.
    m_wndMap.setGeometry(m_nMapState == 8 ? kSmallMapAtLayout : kNoRect);
    // 8.
    if (m_nMapState != 16)
        DrawGSensorGraph();
    update();
}

void COrvelPlayerDlg::LayoutExtended()
{
    // 1.
    m_nDisplayMode = 2;
    const int w = width();
    const int h = height();
    m_laidOutExtendedSize = size();
    // 2.
    ReapplyChannelView();
    if (IsRecordingLoaded())
        RepaintVideo();
    // 3.
    ShowFileList(false);
    HideControls(NormalHiddenInExtended());
    // 4.
    for (const PlacedControl &placed : ExtendedLayout(w, h))
        PlaceAndShow(placed.id, placed.rect);
    SetSliderSkin(IDC_POSITION_SLIDER, FindSlider(IDC_POSITION_SLIDER)->skin);
    SetSliderSkin(IDC_VOLUME_SLIDER, kExtendedVolumeSkin);
    // 5.
    m_wndMap.setGeometry(kNoRect);
}

void COrvelPlayerDlg::LayoutLargeMap()
{
    // 1.
    m_wndVideo1.hide();
    m_wndVideo2.hide();
    ShowFileList(false);
    // 2., 4.
    for (const PlacedControl &placed : LargeMapLayout())
        PlaceAndShow(placed.id, placed.rect);
    SetButtonSkin(IDC_LARGE_MAP, kLargeMapReduceSkin);
    Button(IDC_LARGE_MAP)->SetTooltipText(QString());
    // 3., 5.
    HideControls(LargeMapHidden());
    // 6.
    m_wndMap.setGeometry(kLargeMapWindow);
    update();
}

void COrvelPlayerDlg::ApplyMapStateGeometry(int mapState)
{
    const MapStateGeometry *geometry = FindMapState(mapState);
    if (!geometry)
        return;
    if (geometry->fileList) {
        m_listFiles.setGeometry(*geometry->fileList);
        m_listFiles.ApplyLayout();
        ShowFileList(true);
        m_listFiles.setFocus();
    } else {
        ShowFileList(false);
    }
    m_wndMap.setGeometry(geometry->mapWindow);
    PlaceAndShow(IDC_LARGE_MAP, geometry->largeMapButton);
    if (geometry->showMapButton) {
        SetButtonSkin(IDC_SHOW_MAP, geometry->showMapSkin);
        Button(IDC_SHOW_MAP)
            ->setToolTip(CTextTable().GetText(QString::fromLatin1(geometry->showMapTooltipKey)));
        PlaceAndShow(IDC_SHOW_MAP, *geometry->showMapButton);
    } else {
        Button(IDC_SHOW_MAP)->hide();
    }
    update();
}

void COrvelPlayerDlg::ToggleExtendedMode()
{
    if (m_nDisplayMode == 1) {
        m_rcWindow = geometry();
        hide();
        m_nDisplayMode = 2;
        for (QWidget *panel : {ControlPanel(), ControlTop(), ControlFileList()})
            if (panel)
                panel->hide();
        // Without a window manager a maximise request does nothing: take the screen itself.
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        const QScreen *target = screen() ? screen() : QGuiApplication::primaryScreen();
        if (target)
            setGeometry(target->geometry());
        showMaximized();
    } else {
        LeaveExtendedWindow();
    }
    m_nPointerZone = 0;
    LayoutControls(m_nDisplayMode);
    update();
}

void COrvelPlayerDlg::LeaveExtendedWindow()
{
    m_wndVideo1.hide();
    m_nDisplayMode = 1;
    showNormal();
    setFixedSize(kWindowWidth, kWindowHeight);
    move(m_rcWindow.topLeft());
    // The file list panel keeps its visibility.
    for (QWidget *panel : {ControlPanel(), ControlTop()})
        if (panel && panel->isVisible())
            panel->hide();
}

void COrvelPlayerDlg::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_nDisplayMode != 2)
        return;
    // The windowing system may settle the maximised size after the switch.
    if (m_bInitialised && size() != m_laidOutExtendedSize)
        LayoutControls(2);
    const QRect r = geometry();
    if (QWidget *bar = ControlPanel()) {
        bar->hide();
        bar->setGeometry(r.left(), r.bottom() + 1 - 44, r.width(), 44);
    }
    if (QWidget *top = ControlTop()) {
        top->hide();
        top->setGeometry(r.left(), r.top(), r.width(), 40);
    }
}

void COrvelPlayerDlg::OnPointerMove(const QPoint &p)
{
    if (m_nDisplayMode != 2)
        return;
    const QRect c = rect();
    const bool inTop = p.y() >= c.top() && p.y() < 40;
    const bool inBottom = p.y() >= c.height() - 44 && p.y() < c.height();
    const int zone = (inTop || inBottom) ? 21 : 22;
    if (zone == m_nPointerZone)
        return;
    m_nPointerZone = zone;
    ShowFileList(false);
    HideControls(PointerZoneHidden());
    Button(IDC_EXTEND)->setVisible(zone == 21);
    if (IsRecordingLoaded())
        RepaintVideo();
    const QRect r = geometry();
    if (zone == 21) {
        if (QWidget *bar = ControlPanel(); bar && !bar->isVisible()) {
            bar->setGeometry(r.left(), r.bottom() + 1 - 44, r.width(), 44);
            bar->show();
        }
        if (QWidget *top = ControlTop(); top && !top->isVisible()) {
            top->setGeometry(r.left(), r.top(), r.width(), 40);
            top->show();
        }
    } else {
        for (QWidget *panel : {ControlPanel(), ControlTop()})
            if (panel && panel->isVisible())
                panel->hide();
        if (QWidget *list = ControlFileList(); list && list->isVisible()) {
            list->hide();
            if (auto *button = qobject_cast<CKipSkinButton *>(
                    PanelControl(Owner::ControlBar, IDC_BAR_FILE_LIST)))
                button->SetCheck(0);
        }
    }
}

// ---------------------------------------------------------------------------------------
// Control states

QWidget *COrvelPlayerDlg::PanelControl(Owner owner, int id)
{
    QWidget *panel = nullptr;
    switch (owner) {
    case Owner::MainWindow:
        return Control(id);
    case Owner::TopBar:
        panel = ControlTop();
        break;
    case Owner::ControlBar:
        panel = ControlPanel();
        break;
    case Owner::FileListPanel:
        panel = ControlFileList();
        break;
    }
    return panel ? panel->findChild<QWidget *>(ControlName(id)) : nullptr;
}

void COrvelPlayerDlg::ApplyControlState(int state)
{
    if (state < 0 || state > 2)
        return;
    for (const ControlStateRow &row : ControlStates()) {
        QWidget *control = PanelControl(row.owner, row.id);
        if (!control)
            continue; // a panel not created yet, or a control it does not carry
        switch (row.rules[static_cast<std::size_t>(state)]) {
        case Rule::Keep:
            break;
        case Rule::Enable:
        case Rule::SingleStream:
            control->setEnabled(true);
            break;
        case Rule::Disable:
            control->setEnabled(false);
            break;
        case Rule::Hide:
            control->hide();
            break;
        case Rule::AudioRule:
            break; // below, once for the slider and Mute together
        }
    }
    ApplyAudioRule();
    if (state == static_cast<int>(ControlState::Playing))
        ApplySingleStreamRule();
}

void COrvelPlayerDlg::ApplyAudioRule()
{
    const bool hasOutput = CSoundOutput::Instance().GetVolume().has_value();
    CKipImageSlider *volume = Slider(IDC_VOLUME_SLIDER);
    CKipSkinButton *mute = Button(IDC_MUTE);
    if (hasOutput) {
        volume->setEnabled(true);
        mute->setEnabled(true);
        return;
    }
    volume->setValue(0);
    volume->update();
    volume->setEnabled(false);
    mute->SetCheck(1);
    mute->setEnabled(false);
}

void COrvelPlayerDlg::ApplySingleStreamRule()
{
    const bool single = LoadedStreamCount() == 1;
    const std::pair<Owner, std::array<int, 5>> sets[] = {
        {Owner::MainWindow,
         {IDC_FRONT, IDC_REAR, IDC_ALL_VIEWS, IDC_FLIP_VERTICAL, IDC_FLIP_HORIZONTAL}},
        {Owner::TopBar,
         {IDC_TOP_FRONT, IDC_TOP_REAR, IDC_TOP_ALL, IDC_TOP_FLIP_VERTICAL,
          IDC_TOP_FLIP_HORIZONTAL}},
    };
    for (const auto &[owner, ids] : sets)
        for (std::size_t i = 0; i < ids.size(); ++i)
            if (QWidget *control = PanelControl(owner, ids[i]))
                control->setEnabled(i == 0 || !single);
}

// ---------------------------------------------------------------------------------------
// Painting

void COrvelPlayerDlg::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_nDisplayMode == 2) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    painter.drawPixmap(0, 0, LoadSkinBitmap(kSkinBitmapMain));
    if (m_nChannelView == 0)
        painter.drawPixmap(kEmptyVideoAt, LoadSkinBitmap(kSkinBitmapEmptyVideo));
    if (m_nMapState == 8)
        painter.drawPixmap(695, 437, LoadSkinBitmap(kSkinBitmapMapBar));
    else if (m_nMapState == 0)
        painter.drawPixmap(695, 635, LoadSkinBitmap(kSkinBitmapMapBar));
    PaintGSensorGraph(painter);
}

void COrvelPlayerDlg::PaintGSensorGraph(QPainter &painter) const
{
    if (m_nDisplayMode != 1 || m_nMapState == 16 || m_bmpGSensorGraph.isNull())
        return;
    painter.drawImage(kGSensorGraphAt, WithGreenTransparent(m_bmpGSensorGraph));
}

// ---------------------------------------------------------------------------------------
// Dragging

void COrvelPlayerDlg::mousePressEvent(QMouseEvent *event)
{
    if (m_nDisplayMode != 1 || event->button() != Qt::LeftButton) {
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
    if (m_dragOffset && m_nDisplayMode == 1 && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - *m_dragOffset);
        event->accept();
        return;
    }
    OnPointerMove(event->position().toPoint());
    QWidget::mouseMoveEvent(event);
}

void COrvelPlayerDlg::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_dragOffset && event->button() == Qt::LeftButton) {
        m_dragOffset.reset();
        m_rcWindow = geometry();
    }
    QWidget::mouseReleaseEvent(event);
}

// ---------------------------------------------------------------------------------------
// Keys and events

bool COrvelPlayerDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *widget = qobject_cast<QWidget *>(watched);
        // Keys for this window or any of its controls; the panels are windows of their own.
        if (widget && widget->window() == this && PreTranslateKey(static_cast<QKeyEvent *>(event)))
            return true;
    } else if (event->type() == QEvent::MouseMove && m_nDisplayMode == 2) {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && widget->window() == this && widget != this) {
            const auto *move = static_cast<QMouseEvent *>(event);
            OnPointerMove(mapFromGlobal(move->globalPosition().toPoint()));
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
        if (m_nDisplayMode == 2)
            ToggleExtendedMode();
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
    m_timerPosition.stop();
    for (QWidget *panel : {ControlPanel(), ControlTop(), ControlFileList()})
        if (panel)
            panel->hide();
    QWidget::closeEvent(event);
    if (m_modalLoop)
        m_modalLoop->quit();
}

void COrvelPlayerDlg::customEvent(QEvent *event)
{
    switch (static_cast<int>(event->type()) - QEvent::User) {
    case WM_DRIVE_PROBE:
        OnDriveProbe();
        break;
    case WM_DRIVE_NOTIFY:
        OnDriveNotify();
        break;
    case WM_SENSOR_RELOAD:
        OnSensorReload();
        break;
    default:
        QWidget::customEvent(event);
        break;
    }
}

void COrvelPlayerDlg::SetTimerPosition()
{
    m_timerPosition.start(kTimerPositionPeriodMs, this);
}

void COrvelPlayerDlg::KillTimerPosition()
{
    m_timerPosition.stop();
}

void COrvelPlayerDlg::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_timerPosition.timerId())
        OnPositionTick();
    QWidget::timerEvent(event);
}

// ---------------------------------------------------------------------------------------
// Command routing

void COrvelPlayerDlg::OnCommand(int id)
{
    const auto it = std::ranges::find(kCommandRoutes, id, &CommandRoute::id);
    if (it != std::end(kCommandRoutes))
        (this->*(it->handler))();
}

void COrvelPlayerDlg::OnMinimize()
{
    showMinimized();
}

void COrvelPlayerDlg::OnClose()
{
    KillTimerPosition();
    if (IsRecordingLoaded())
        m_player.Stop();
    m_player.Close();
    close();
}

void COrvelPlayerDlg::OnExtend()
{
    ToggleExtendedMode();
}

void COrvelPlayerDlg::OnDriveProbe()
{
    m_memoryCard->OnDriveProbe();
}

// Drive changes reach the memory card controller as queued calls of its own monitor.
void COrvelPlayerDlg::OnDriveNotify() {}

bool COrvelPlayerDlg::SelectCardDrive()
{
    return m_memoryCard->SelectCardDrive();
}

void COrvelPlayerDlg::RepaintVideo()
{
    m_player.Repaint();
}

// Nothing in the viewer sends 0x45A; it loads the track in the foreground.
void COrvelPlayerDlg::OnSensorReload()
{
    // The loader reports start and end as for a worker load.
    if (m_player.Graph())
        m_sensorLoader.OnSensorReload(m_player.Graph()->Path());
}

void COrvelPlayerDlg::OnSensorLoadEnded(CSensorLoader::LoadResult result)
{
    if (result == CSensorLoader::LoadResult::Completed) {
        if (m_textData.m_arrGPS.empty()) {
            // A recording without fixes has no map to show.
            if (m_nMapState == 16)
                LayoutControls(1);
            if (m_nMapState != 0) {
                m_nMapState = 0;
                ApplyMapStateGeometry(0);
                ReapplyChannelView();
                RepaintVideo();
            }
        }
        if (m_nDisplayMode == 1 && m_nMapState != 16)
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
        type = 1;
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
    m_catalogue->OnCategoryButton(1);
}
void COrvelPlayerDlg::OnCategoryNormal()
{
    m_catalogue->OnCategoryButton(2);
}
void COrvelPlayerDlg::OnCategoryEvent()
{
    m_catalogue->OnCategoryButton(3);
}
void COrvelPlayerDlg::OnCategoryMotion()
{
    m_catalogue->OnCategoryButton(4);
}
void COrvelPlayerDlg::OnFolderButton()
{
    m_catalogue->OnFolderButton();
}
void COrvelPlayerDlg::OnCheckAllButton()
{
    m_catalogue->OnCheckAllButton();
}

// Save, delete and capture have no body yet; their commands arrive here and do nothing.
void COrvelPlayerDlg::OnSaveButton()
{
    qCDebug(lcApp) << "save: not available yet";
}
void COrvelPlayerDlg::OnDeleteButton()
{
    qCDebug(lcApp) << "delete: not available yet";
}
void COrvelPlayerDlg::OnCapture()
{
    qCDebug(lcApp) << "capture: not available yet";
}

// ---------------------------------------------------------------------------------------
// Channel views: which video windows show, and where.

namespace
{

// The 16:9 fit of one picture into the whole client area in extended mode.
QRect FitSixteenByNine(int w, int h)
{
    if (h >= w / 16 * 9)
        return {0, (h - w / 16 * 9) / 2, w, w / 16 * 9};
    return {(w - h / 9 * 16) / 2, 0, h / 9 * 16, h};
}

constexpr QRect kSingleViewRect{3, 78, 688, 387};

} // namespace

void COrvelPlayerDlg::SetViewChecks(int checkedId)
{
    const std::pair<int, int> views[] = {
        {IDC_FRONT, IDC_TOP_FRONT}, {IDC_REAR, IDC_TOP_REAR}, {IDC_ALL_VIEWS, IDC_TOP_ALL}};
    for (const auto &[mainId, topId] : views) {
        if (CKipSkinButton *button = Button(mainId)) {
            button->SetCheck(mainId == checkedId ? 1 : 0);
            button->repaint();
        }
        if (auto *copy = qobject_cast<CKipSkinButton *>(PanelControl(Owner::TopBar, topId)))
            copy->SetCheck(mainId == checkedId ? 1 : 0);
    }
}

void COrvelPlayerDlg::UncheckView(int mainId, int topId)
{
    Button(mainId)->SetCheck(0);
    if (auto *copy = qobject_cast<CKipSkinButton *>(PanelControl(Owner::TopBar, topId)))
        copy->SetCheck(0);
}

void COrvelPlayerDlg::ShowFrontView()
{
    m_nChannelView = 1;
    const bool largeMap = m_nMapState == 16;
    if (m_nDisplayMode == 1) {
        m_wndVideo1.hide();
        m_wndVideo1.setGeometry(kSingleViewRect);
        RepaintVideo();
        m_wndVideo2.hide();
        m_wndVideo1.setVisible(!largeMap);
    } else {
        m_wndVideo1.setGeometry(FitSixteenByNine(width(), height()));
        m_wndVideo1.show();
        m_wndVideo2.hide();
        RepaintVideo();
    }
    SetViewChecks(IDC_FRONT);
    update();
}

void COrvelPlayerDlg::ShowRearView()
{
    if (LoadedStreamCount() < 2) {
        UncheckView(IDC_REAR, IDC_TOP_REAR);
        return;
    }
    m_nChannelView = 2;
    if (m_nDisplayMode == 1) {
        m_wndVideo1.hide();
        m_wndVideo2.setGeometry(kSingleViewRect);
        m_wndVideo2.setVisible(m_nMapState != 16);
    } else {
        m_wndVideo2.setGeometry(FitSixteenByNine(width(), height()));
        m_wndVideo1.hide();
        m_wndVideo2.show();
    }
    RepaintVideo();
    SetViewChecks(IDC_REAR);
    update();
}

void COrvelPlayerDlg::ShowBothViews()
{
    if (LoadedStreamCount() < 2) {
        UncheckView(IDC_ALL_VIEWS, IDC_TOP_ALL);
        return;
    }
    m_nChannelView = 4;
    const bool shown = m_nMapState != 16;
    // The windows pass through a zero size first so the renderers repaint freshly sized.
    if (m_nDisplayMode == 1) {
        m_wndVideo1.setGeometry(3, 175, 0, 0);
        m_wndVideo2.setGeometry(347, 175, 0, 0);
        m_wndVideo1.setVisible(shown);
        m_wndVideo2.setVisible(shown);
        RepaintVideo();
        SetViewChecks(IDC_ALL_VIEWS);
        m_wndVideo1.setGeometry(3, 175, 344, 194);
        m_wndVideo2.setGeometry(347, 175, 344, 194);
        m_wndVideo1.setVisible(shown);
        m_wndVideo2.setVisible(shown);
    } else {
        const int w = width();
        const int h = height();
        const int u = h < w / 16 * 9 ? h / 9 : w / 16;
        const int d = u * 9 / 2;
        const int y = (h - d) / 2;
        m_wndVideo1.setGeometry(0, y, 0, 0);
        m_wndVideo1.show();
        m_wndVideo2.setGeometry(w / 2, y, 0, 0);
        m_wndVideo2.show();
        RepaintVideo();
        SetViewChecks(IDC_ALL_VIEWS);
        m_wndVideo1.setGeometry(0, y, w / 2, d);
        m_wndVideo2.setGeometry(w / 2, y, w / 2, d);
        m_wndVideo1.show();
        m_wndVideo2.show();
    }
    RepaintVideo();
    update();
}

// ---------------------------------------------------------------------------------------
// The catalogue's and the memory card's view of this window.

bool COrvelPlayerDlg::GetButtonCheck(int id) const
{
    auto *self = const_cast<COrvelPlayerDlg *>(this);
    if (CKipSkinButton *button = self->Button(id))
        return button->GetCheck() != 0;
    auto *copy = qobject_cast<CKipSkinButton *>(self->PanelControl(Owner::FileListPanel, id));
    return copy && copy->GetCheck() != 0;
}

void COrvelPlayerDlg::SetButtonCheck(int id, bool checked)
{
    CKipSkinButton *button = Button(id);
    if (!button)
        button = qobject_cast<CKipSkinButton *>(PanelControl(Owner::FileListPanel, id));
    if (button)
        button->SetCheck(checked ? 1 : 0);
}

void COrvelPlayerDlg::RefreshCatalogue(int type, bool dateFilter)
{
    m_catalogue->RefreshCatalogue(type, dateFilter ? 1 : 0);
}

void COrvelPlayerDlg::SetFolderButtonCheck(bool checked)
{
    SetButtonCheck(IDC_FOLDER, checked);
}

void COrvelPlayerDlg::StopPlaybackForRemoval()
{
    KillTimerPosition();
    StopAndReset();
}

void COrvelPlayerDlg::CloseChannelPlayer()
{
    m_player.Close();
}

void COrvelPlayerDlg::ClearFileLists()
{
    m_catalogue->EmptyLists();
}

void COrvelPlayerDlg::ClearCategoryButtons()
{
    for (const int id :
         {IDC_FILE_ALL, IDC_FILE_NORMAL, IDC_FILE_EVENT, IDC_FILE_MOTION, 1084, 1085, 1086, 1087})
        SetButtonCheck(id, false);
}

void COrvelPlayerDlg::LeaveExtendedModeAndHideFrontVideo()
{
    if (m_nDisplayMode == 2)
        LeaveExtendedWindow();
    m_wndVideo1.hide();
}

void COrvelPlayerDlg::ResetFileNameAndTimes()
{
    m_staticFileName.setText(QString());
    m_staticFileName.repaint();
    m_staticPositionTime.setText(QStringLiteral("00:00:00"));
    m_staticTotalTime.setText(QStringLiteral("00:00:00"));
}

void COrvelPlayerDlg::ResetSliders()
{
    Slider(IDC_POSITION_SLIDER)->SetPos(0);
    Slider(IDC_SPEED_SLIDER)->SetPos(5);
    Slider(IDC_BRIGHTNESS_SLIDER)->SetPos(0);
    for (const int id : {IDC_POSITION_SLIDER, IDC_SPEED_SLIDER, IDC_BRIGHTNESS_SLIDER})
        Slider(id)->RedrawNow();
}

void COrvelPlayerDlg::ResetPictureState()
{
    Button(IDC_FLIP_VERTICAL)->SetCheck(0);
    Button(IDC_FLIP_HORIZONTAL)->SetCheck(0);
    m_nDisplayMode = 1;
    m_nMapState = 0;
    m_bFlipVertical = false;
    m_bFlipHorizontal = false;
}

void COrvelPlayerDlg::ClearSensorTrackAndGraph()
{
    m_sensorLoader.Stop();
    DrawGSensorGraph();
}

void COrvelPlayerDlg::RepaintMainWindow()
{
    update();
}

// The graph bitmap starts from its empty background (292); the curves are drawn onto it by
// the G-sensor side once the track has samples.
void COrvelPlayerDlg::DrawGSensorGraph()
{
    m_bmpGSensorGraph = LoadSkinImage(kSkinBitmapGSensorGraph);
    update(QRect(kGSensorGraphAt, m_bmpGSensorGraph.size()));
}

// ---------------------------------------------------------------------------------------
// Transport: opening a row, play and pause, steps, previous and next, the position tick.

namespace
{

QString FormatTime(std::uint32_t ms)
{
    const std::uint32_t seconds = ms / 1000;
    return QString::asprintf("%02u:%02u:%02u", seconds / 3600, seconds % 3600 / 60, seconds % 60);
}

} // namespace

int COrvelPlayerDlg::LoadedStreamCount() const
{
    return m_player.VideoStreams();
}

bool COrvelPlayerDlg::IsRecordingLoaded() const
{
    return m_player.Graph() != nullptr && m_player.GetState() != PlayState::Closed;
}

void COrvelPlayerDlg::SetPlayLook(bool pause)
{
    CKipSkinButton *play = Button(IDC_PLAY);
    if (pause) {
        play->SetBitmaps(197, 199, 198, 197, 197);
        play->SetTooltipText(CTextTable().GetText(QStringLiteral("PLAYERDLG_PAUSE")));
    } else {
        play->SetBitmaps(200, 202, 201, 200, 200);
        play->SetTooltipText(CTextTable().GetText(QStringLiteral("PLAYERDLG_PLAY")));
    }
    play->setText(QString());
}

void COrvelPlayerDlg::UpdateTimeTexts(std::uint32_t positionMs, std::uint32_t durationMs)
{
    const QString elapsed = FormatTime(positionMs);
    if (m_staticPositionTime.text() != elapsed) {
        m_staticPositionTime.setText(elapsed);
        m_staticPositionTime.repaint();
    }
    const QString total = FormatTime(durationMs);
    if (m_staticTotalTime.text() != total)
        m_staticTotalTime.setText(total);
}

void COrvelPlayerDlg::SelectListRow(int row)
{
    m_catalogue->SelectRow(row);
    m_listFiles.EnsureVisible(row);
    if (CConfigListCtrl *panelList = m_catalogue->GetPanelList())
        panelList->EnsureVisible(row);
}

bool COrvelPlayerDlg::OpenRecording(const QString &path)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!m_player.OpenFile(path)) {
        QApplication::restoreOverrideCursor();
        return false;
    }
    m_wndVideo1.hide();
    m_wndVideo2.hide();
    const std::uint32_t durationMs = m_player.GetDurationMs();
    Slider(IDC_POSITION_SLIDER)->SetRange(0, static_cast<int>(durationMs));
    m_staticTotalTime.setText(FormatTime(durationMs));

    const int slash = std::max(path.lastIndexOf('/'), path.lastIndexOf('\\'));
    m_staticFileName.hide();
    m_staticFileName.setText(slash < 0 ? path : path.mid(slash + 1));
    Slider(IDC_SPEED_SLIDER)->SetPos(5);
    Slider(IDC_BRIGHTNESS_SLIDER)->SetPos(0);
    Slider(IDC_SPEED_SLIDER)->RedrawNow();
    Slider(IDC_BRIGHTNESS_SLIDER)->RedrawNow();
    if (m_nDisplayMode == 1 && m_nMapState != 16)
        m_staticFileName.show();

    if (m_player.VideoStreams() == 1) {
        m_nChannelView = 1;
        m_bFlipVertical = false;
        m_bFlipHorizontal = false;
        Button(IDC_FLIP_VERTICAL)->SetCheck(0);
        Button(IDC_FLIP_HORIZONTAL)->SetCheck(0);
        ShowFrontView();
    } else {
        if (m_nChannelView == 0)
            m_nChannelView = 1;
        ReapplyChannelView();
        if (m_bFlipVertical) {
            m_player.SetDecoderParam(1, 1101, 1);
            m_player.SetDecoderParam(1, 1112, 1);
        }
        if (m_bFlipHorizontal) {
            m_player.SetDecoderParam(1, 1101, 1);
            m_player.SetDecoderParam(1, 1113, 1);
        }
    }
    ApplyControlState(static_cast<int>(ControlState::Playing));
    m_sensorLoader.StartSensorLoad(path);
    QApplication::restoreOverrideCursor();
    return true;
}

void COrvelPlayerDlg::OnPlayPause()
{
    const PlayState state = m_player.GetState();
    if (m_player.Graph() && state == PlayState::Paused) {
        SetPlayLook(true);
        m_player.SetSpeed(CDShowPlayer::SpeedToRate(Slider(IDC_SPEED_SLIDER)->GetPos()));
        m_player.Play();
        SetTimerPosition();
    } else if (m_player.Graph() && state == PlayState::Running) {
        m_player.Pause();
        SetPlayLook(false);
    } else {
        if (m_listFiles.GetItemCount() <= 0)
            return;
        const int row = m_listFiles.GetSelectedItem();
        if (row < 0)
            return;
        if (row != m_nCurrentItem) {
            m_nCurrentItem = row;
            if (!OpenRecording(m_listFiles.GetItemText(row, CConfigListCtrl::kColumnPath)))
                return;
        }
        m_player.Play();
        SetTimerPosition();
        SetPlayLook(true);
        Slider(IDC_POSITION_SLIDER)->SetRange(0, static_cast<int>(m_player.GetDurationMs()));
        m_staticTotalTime.setText(FormatTime(m_player.GetDurationMs()));
        ApplyControlState(static_cast<int>(ControlState::Playing));
    }
    m_catalogue->RepaintLists();
}

void COrvelPlayerDlg::OnRewind()
{
    const PlayState state = m_player.GetState();
    if (!m_player.Graph() || (state != PlayState::Running && state != PlayState::Paused))
        return;
    m_player.StepBack();
    OnPositionTick();
}

void COrvelPlayerDlg::OnForward()
{
    const PlayState state = m_player.GetState();
    if (!m_player.Graph() || (state != PlayState::Running && state != PlayState::Paused))
        return;
    m_player.StepForward();
    OnPositionTick();
    m_player.Repaint();
}

void COrvelPlayerDlg::OpenAndPlayCurrentItem()
{
    const QString path = m_listFiles.GetItemText(m_nCurrentItem, CConfigListCtrl::kColumnPath);
    if (path.isEmpty())
        return;
    SelectListRow(m_nCurrentItem);
    if (OpenRecording(path))
        OnPlayPause();
}

void COrvelPlayerDlg::OnPrevious()
{
    if (m_nCurrentItem <= 0)
        return;
    --m_nCurrentItem;
    OpenAndPlayCurrentItem();
}

void COrvelPlayerDlg::OnNext()
{
    if (m_nCurrentItem + 1 >= m_listFiles.GetItemCount()) {
        StopAndReset();
        return;
    }
    ++m_nCurrentItem;
    OpenAndPlayCurrentItem();
}

void COrvelPlayerDlg::OnListDoubleClick(int row)
{
    if (row < 0 || row >= m_listFiles.GetItemCount())
        return;
    const QString path = m_listFiles.GetItemText(row, CConfigListCtrl::kColumnPath);
    if (path.isEmpty())
        return;
    m_nCurrentItem = row;
    if (!OpenRecording(path)) {
        m_nCurrentItem = -1;
        return;
    }
    if (CConfigListCtrl *panelList = m_catalogue->GetPanelList()) {
        panelList->ClearSelection();
        panelList->SelectItem(row);
    }
    OnPlayPause();
}

void COrvelPlayerDlg::StopAndReset()
{
    m_nChannelView = 0;
    KillTimerPosition();
    m_player.Stop();
    if (CDShowGraph *graph = m_player.Graph())
        graph->SetPositions(0);
    m_player.Close();
    Slider(IDC_POSITION_SLIDER)->SetPos(0);
    Slider(IDC_POSITION_SLIDER)->RedrawNow();
    m_staticPositionTime.setText(QStringLiteral("00:00:00"));
    m_staticTotalTime.setText(QStringLiteral("00:00:00"));
    m_staticFileName.setText(QString());
    m_nCurrentItem = -1;
    SetPlayLook(false);
    if (m_nMapState == 8) {
        m_nMapState = 0;
        ApplyMapStateGeometry(0);
    } else if (m_nMapState == 16) {
        m_nMapState = 0;
        LayoutControls(m_nDisplayMode);
        // Layout kind 1 leaves the list as it was before the large map (short, when the small
        // map was shown) and the Show map button in its "Hide Map" look: the hidden map's ones.
        ApplyMapStateGeometry(0);
    }
    m_sensorLoader.Stop();
    DrawGSensorGraph();
    ApplyControlState(static_cast<int>(ControlState::Listed));
    update();
}

void COrvelPlayerDlg::OnPositionTick()
{
    if (!m_player.Graph() || m_player.GetState() == PlayState::Closed)
        return;
    CKipImageSlider *seek = Slider(IDC_POSITION_SLIDER);
    if (m_player.GetState() == PlayState::Running) {
        const std::uint32_t position = m_player.GetPositionMs();
        const std::uint32_t duration = m_player.GetDurationMs();
        if (position >= duration) {
            seek->SetPos(static_cast<int>(position));
            UpdateTimeTexts(position, duration);
            OnNext();
            return;
        }
        if (!seek->IsDragging()) {
            seek->SetPos(static_cast<int>(position));
            seek->RedrawNow();
        }
        UpdateTimeTexts(position, duration);
        return;
    }
    // Paused or stopped: pausing shows the frame at the position.
    m_player.Pause();
    const std::uint32_t position = m_player.GetPositionMs();
    seek->SetPos(static_cast<int>(position));
    UpdateTimeTexts(position, m_player.GetDurationMs());
}

// ---------------------------------------------------------------------------------------
// Sliders, sound and picture.

void COrvelPlayerDlg::OnHScroll(int id, int code)
{
    const int p = Slider(id) ? Slider(id)->GetPos() : 0;
    switch (id) {
    case IDC_POSITION_SLIDER:
        if (code == CKipImageSlider::TB_PAGEUP || code == CKipImageSlider::TB_PAGEDOWN ||
            code == CKipImageSlider::TB_THUMBTRACK) {
            m_player.SeekTo(static_cast<std::uint32_t>(std::max(p, 0)));
            OnPositionTick();
        }
        break;
    case IDC_SPEED_SLIDER:
        if (code >= CKipImageSlider::TB_PAGEUP && code <= CKipImageSlider::TB_THUMBTRACK &&
            m_player.GetState() == PlayState::Running)
            m_player.SetSpeed(CDShowPlayer::SpeedToRate(p));
        break;
    case IDC_VOLUME_SLIDER:
        if (code >= CKipImageSlider::TB_PAGEUP && code <= CKipImageSlider::TB_THUMBTRACK) {
            Button(IDC_MUTE)->SetCheck(p > 0 ? 0 : 1);
            SetButtonSkin(IDC_MUTE, p > 0 ? kMuteOffSkin : kMuteOnSkin);
            Button(IDC_MUTE)->repaint();
            CSoundOutput::Instance().SetVolume(CSoundOutput::PackedFromPosition(p));
        }
        break;
    case IDC_BRIGHTNESS_SLIDER:
        if (code >= CKipImageSlider::TB_PAGEUP && code <= CKipImageSlider::TB_THUMBTRACK) {
            for (const int channel : {0, 1}) {
                if (m_player.SetDecoderParam(channel, 205, 1) >= 0)
                    m_player.SetDecoderParam(channel, 202, p);
            }
        }
        break;
    default:
        break;
    }
}

void COrvelPlayerDlg::OnMute()
{
    CKipSkinButton *mute = Button(IDC_MUTE);
    if (mute->GetCheck()) {
        CSoundOutput::Instance().SetVolume(0);
        mute->SetCheck(1);
        SetButtonSkin(IDC_MUTE, kMuteOnSkin);
    } else {
        CSoundOutput::Instance().SetVolume(
            CSoundOutput::PackedFromPosition(Slider(IDC_VOLUME_SLIDER)->GetPos()));
        SetButtonSkin(IDC_MUTE, kMuteOffSkin);
    }
    mute->repaint();
}

void COrvelPlayerDlg::ToggleFlip(bool vertical)
{
    const int id = vertical ? IDC_FLIP_VERTICAL : IDC_FLIP_HORIZONTAL;
    const int topId = vertical ? IDC_TOP_FLIP_VERTICAL : IDC_TOP_FLIP_HORIZONTAL;
    bool &flag = vertical ? m_bFlipVertical : m_bFlipHorizontal;
    if (m_strLibraryRoot.isEmpty())
        return;
    auto *copy = qobject_cast<CKipSkinButton *>(PanelControl(Owner::TopBar, topId));
    const PlayState state = m_player.GetState();
    if (!m_player.Graph() || (state != PlayState::Running && state != PlayState::Paused)) {
        Button(id)->SetCheck(0);
        if (copy)
            copy->SetCheck(0);
        return;
    }
    const bool flipped = !flag;
    if (m_player.SetDecoderParam(1, 1101, 1) >= 0)
        m_player.SetDecoderParam(1, vertical ? 1112 : 1113, flipped ? 1 : 0);
    m_player.Repaint();
    flag = flipped;
    Button(id)->SetCheck(flipped ? 1 : 0);
    if (copy)
        copy->SetCheck(flipped ? 1 : 0);
    m_player.Repaint();
}

void COrvelPlayerDlg::OnFlipVertical()
{
    ToggleFlip(true);
}
void COrvelPlayerDlg::OnFlipHorizontal()
{
    ToggleFlip(false);
}

// ---------------------------------------------------------------------------------------
// Map buttons: the geometry of the map states. The page, its navigation and the check for a
// recording without fixes belong to the map side.

void COrvelPlayerDlg::OnShowMapButton()
{
    m_nMapState = m_nMapState == 8 ? 0 : 8;
    ApplyMapStateGeometry(m_nMapState);
    Button(IDC_LARGE_MAP)
        ->SetTooltipText(CTextTable().GetText(QStringLiteral("PLAYERDLG_SHOW_LARGEMAP")));
}

void COrvelPlayerDlg::OnLargeMapButton()
{
    if (m_nMapState == 16) {
        m_nMapState = 8;
        LayoutControls(1);
        ApplyMapStateGeometry(8);
        Button(IDC_LARGE_MAP)
            ->SetTooltipText(CTextTable().GetText(QStringLiteral("PLAYERDLG_SHOW_LARGEMAP")));
        if (m_nCurrentItem >= 0)
            m_listFiles.EnsureVisible(m_nCurrentItem);
        return;
    }
    m_nMapState = 16;
    LayoutControls(16);
    Button(IDC_LARGE_MAP)
        ->SetTooltipText(CTextTable().GetText(QStringLiteral("PLAYERDLG_REDUCE_MAP")));
}
