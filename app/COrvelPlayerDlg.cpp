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

// Where each button lives in m_buttons: its index in the CreateControls order.
int ButtonIndex(int id)
{
    const auto buttons = Buttons();
    const auto it = std::ranges::find(buttons, id, &ButtonSpec::id);
    return it == buttons.end() ? -1 : static_cast<int>(it - buttons.begin());
}

int SliderIndex(int id)
{
    const auto sliders = Sliders();
    const auto it = std::ranges::find(sliders, id, &SliderSpec::id);
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

COrvelPlayerDlg::COrvelPlayerDlg(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_hIcon(LoadAppIcon())
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Pointer zones of extended mode need moves without a pressed button.
    setMouseTracking(true);
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        const ButtonSpec &spec = Buttons()[i];
        m_buttons[i] = std::make_unique<CKipSkinButton>(nullptr,
                                                        spec.kind == ButtonKind::Check
                                                            ? CKipSkinButton::Kind::CheckBox
                                                            : CKipSkinButton::Kind::Push,
                                                        spec.id);
    }
    for (std::size_t i = 0; i < m_sliders.size(); ++i)
        m_sliders[i] = std::make_unique<CKipImageSlider>(nullptr, Sliders()[i].id);
    m_wndMap.setParent(this);
}

COrvelPlayerDlg::~COrvelPlayerDlg()
{
    m_timerPosition.stop();
    qApp->removeEventFilter(this);
    if (GetAppMainWindow() == this)
        SetAppMainWindow(nullptr);
    // The owned objects go in the reverse order of their construction (member order).
}

int COrvelPlayerDlg::DoModal()
{
    show();
    if (!OnInitDialog())
        qCWarning(lcApp) << "start-up stopped early: a panel could not be created";
    if (!isVisible())
        return 0; // start-up closed the window (missing playback filters)
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

    // 10. filter check: not yet wired (see report).

    // 11. drive notifications for as long as the window lives; without them the viewer runs on.
    m_driveMonitor = CreateDriveMonitor();
    if (m_driveMonitor && m_driveMonitor->IsActive()) {
        const auto post = [this] {
            QCoreApplication::postEvent(this, new QEvent(MessageEventType(WM_DRIVE_NOTIFY)));
        };
        connect(m_driveMonitor.get(), &IDriveMonitor::DriveAdded, this, post);
        connect(m_driveMonitor.get(), &IDriveMonitor::DriveRemoved, this, post);
    }

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

    // 14. the drive probe runs once the window is on screen.
    QCoreApplication::postEvent(this, new QEvent(MessageEventType(WM_DRIVE_PROBE)));
    if (!m_strStartupLibrary.isEmpty())
        QTimer::singleShot(0, this, &COrvelPlayerDlg::OpenStartupLibrary);
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

    // 3. the map window starts invisible.
    m_wndMap.setObjectName(ControlName(IDC_MAP));
    m_wndMap.setGeometry(kNoRect);

    // 4. attaching the video windows to the player: not yet wired (see report).

    // 5. buttons in table order: skin, no caption, tooltip text.
    const CTextTable texts;
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        const ButtonSpec &spec = Buttons()[i];
        CKipSkinButton &button = *m_buttons[i];
        button.setParent(this);
        button.setObjectName(ControlName(spec.id));
        button.setFocusPolicy(Qt::StrongFocus);
        SetButtonSkin(spec.id, spec.skin);
        button.SetTooltipText(texts.GetText(QString::fromLatin1(spec.tooltipKey)));
        connect(&button, &CKipSkinButton::Command, this, &COrvelPlayerDlg::OnCommand);
    }

    // 6. sliders: skins, the position slider's first place, no wheel.
    for (std::size_t i = 0; i < m_sliders.size(); ++i) {
        const SliderSpec &spec = Sliders()[i];
        CKipImageSlider &slider = *m_sliders[i];
        slider.setParent(this);
        slider.setObjectName(ControlName(spec.id));
        SetSliderSkin(spec.id, spec.skin);
        slider.SetWheelPasses(false);
        connect(&slider, &CKipImageSlider::HScroll, this,
                [this, id = spec.id](int code, CKipImageSlider *) { OnHScroll(id, code); });
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
    for (const SliderSpec &spec : Sliders()) {
        CKipImageSlider *slider = Slider(spec.id);
        if (spec.id != IDC_POSITION_SLIDER)
            slider->setRange(spec.minimum, spec.maximum);
        slider->setValue(spec.position);
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

int COrvelPlayerDlg::LayoutControls(int kind)
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
    return 0;
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
    // 4.
    ShowFileList(true);
    // 5.
    SetButtonSkin(IDC_LARGE_MAP, kLargeMapNormalSkin);
    for (const PlacedControl &placed : NormalLayout())
        PlaceAndShow(placed.id, placed.rect);
    PlaceAndShow(IDC_LARGE_MAP, NormalLargeMapButtonRect(m_nMapState));
    PlaceAndShow(IDC_SHOW_MAP, NormalShowMapButtonRect(m_nMapState));
    for (const SliderSpec &spec : Sliders())
        SetSliderSkin(spec.id, spec.skin);
    // 6.
    ShowFileList(true);
    // 7.
    m_wndMap.setGeometry(m_nMapState == 8 ? kSmallMapAtLayout : kNoRect);
    // 8. the graph is drawn by the paint handler from m_bmpGSensorGraph.
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
        m_wndVideo1.hide();
        m_nDisplayMode = 1;
        showNormal();
        setFixedSize(kWindowWidth, kWindowHeight);
        move(m_rcWindow.topLeft());
        for (QWidget *panel : {ControlPanel(), ControlTop()})
            if (panel && panel->isVisible())
                panel->hide();
    }
    m_nPointerZone = 0;
    LayoutControls(m_nDisplayMode);
    update();
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
        if (QWidget *list = ControlFileList(); list && list->isVisible())
            list->hide();
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

int COrvelPlayerDlg::LoadedStreamCount() const
{
    return m_streamCountProbe ? m_streamCountProbe() : 0;
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

void COrvelPlayerDlg::OnHScroll(int id, int code)
{
    Q_UNUSED(id);
    Q_UNUSED(code);
}

void COrvelPlayerDlg::OnMinimize()
{
    showMinimized();
}

void COrvelPlayerDlg::OnClose()
{
    KillTimerPosition();
    close();
}

void COrvelPlayerDlg::OnExtend()
{
    ToggleExtendedMode();
}

void COrvelPlayerDlg::OnDriveProbe()
{
    // Only offer the card selection when some removable drive is there at all.
    if (!HasRemovableDrive())
        return;
    SelectCardDrive();
}

void COrvelPlayerDlg::OnDriveNotify() {}

void COrvelPlayerDlg::SelectCardDrive() {}

void COrvelPlayerDlg::RepaintVideo() {}
void COrvelPlayerDlg::OnSensorReload() {}
void COrvelPlayerDlg::OnPositionTick() {}
void COrvelPlayerDlg::OpenStartupLibrary() {}

void COrvelPlayerDlg::OnMemoryCardButton() {}
void COrvelPlayerDlg::OnDateFilterButton() {}
void COrvelPlayerDlg::OnSaveButton() {}
void COrvelPlayerDlg::OnDeleteButton() {}
void COrvelPlayerDlg::OnFlipVertical() {}
void COrvelPlayerDlg::OnFlipHorizontal() {}
void COrvelPlayerDlg::OnCapture() {}
void COrvelPlayerDlg::OnCategoryAll() {}
void COrvelPlayerDlg::OnCategoryNormal() {}
void COrvelPlayerDlg::OnCategoryEvent() {}
void COrvelPlayerDlg::OnCategoryMotion() {}
void COrvelPlayerDlg::OnRewind() {}
void COrvelPlayerDlg::OnForward() {}
void COrvelPlayerDlg::OnPlayPause() {}
void COrvelPlayerDlg::OnPrevious() {}
void COrvelPlayerDlg::OnNext() {}
void COrvelPlayerDlg::OnLargeMapButton() {}
void COrvelPlayerDlg::OnShowMapButton() {}
void COrvelPlayerDlg::OnMute() {}
void COrvelPlayerDlg::OnFolderButton() {}
void COrvelPlayerDlg::OnCheckAllButton() {}

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
