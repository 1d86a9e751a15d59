#include "app/CMainWindowControls.h"

#include "platform/SoundOutput.h"
#include "ui/CKipFileListVerticleScrollbar.h"
#include "ui/CTextTable.h"

#include <QPalette>

#include <algorithm>

using namespace ControlIds;
using namespace MainWindowTables;

namespace
{

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

QString ControlName(int id)
{
    return QString::number(id);
}

} // namespace

CMainWindowControls::CMainWindowControls()
{
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
}

void CMainWindowControls::Create(QWidget &window)
{
    // 2. the video windows, black, without control ids.
    const auto setUpVideo = [&window](QWidget &video, const char *text, const QRect &ltrb,
                                      bool shown) {
        video.setParent(&window);
        video.setWindowTitle(QString::fromLatin1(text));
        video.setObjectName(QString::fromLatin1(text));
        video.setGeometry(ltrb);
        video.setVisible(shown);
        video.setMouseTracking(true);
    };
    setUpVideo(m_wndVideo1, "Video window1", QRect(QPoint(2, 175), QPoint(322 - 1, 317 - 1)), true);
    setUpVideo(m_wndVideo2, "Video window2", QRect(QPoint(348, 174), QPoint(668 - 1, 414 - 1)),
               false);

    // 3. the map window starts invisible. Until its page shows, it is an even surface of the
    // page's colour that covers the skin beneath it (the map bar of the hidden state included).
    m_wndMap.setObjectName(ControlName(IDC_MAP));
    m_wndMap.setGeometry(kNoRect);

    // 5. buttons in table order: skin, no caption, tooltip text.
    const CTextTable texts;
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        const ButtonRow &row = Buttons()[i];
        CKipSkinButton &button = *m_buttons[i];
        button.setParent(&window);
        button.setObjectName(ControlName(row.id));
        button.setFocusPolicy(Qt::StrongFocus);
        SetButtonSkin(row.id, row.skin);
        button.SetTooltipText(texts.GetText(QString::fromLatin1(row.tooltipKey)));
    }

    // 6. sliders: skins, the position slider's first place, no wheel.
    for (std::size_t i = 0; i < m_sliders.size(); ++i) {
        const SliderRow &row = Sliders()[i];
        CKipImageSlider &slider = *m_sliders[i];
        slider.setParent(&window);
        slider.setObjectName(ControlName(row.id));
        SetSliderSkin(row.id, row.skin);
        slider.SetWheelPasses(false);
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
        setup.text->setParent(&window);
        setup.text->setObjectName(ControlName(setup.id));
        setup.text->SetBackgroundBitmap(setup.background);
        setup.text->SetBackgroundColor(std::nullopt);
        setup.text->SetTextColor(setup.colour);
    }
    m_staticFileName.setText(QString());

    // 8. the file list with its skinned scrollbar and the six columns.
    m_listFiles.setObjectName(ControlName(IDC_FILE_LIST));
    m_listFiles.SetUpFileList(window, QRect(695, 126, 308, 508), 324);

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

void CMainWindowControls::CreatePanels(QWidget &window)
{
    m_dlgControlPanel = std::make_unique<CControlPanelDlg>(window);
    m_dlgControlTop = std::make_unique<CControlTopDlg>(window);
    m_dlgControlFileList = std::make_unique<CControlFileListDlg>(window);
}

bool CMainWindowControls::IsInPanel(const QWidget *widget) const
{
    for (const QWidget *panel : std::initializer_list<const QWidget *>{
             m_dlgControlPanel.get(), m_dlgControlTop.get(), m_dlgControlFileList.get()})
        if (panel && widget && (panel == widget || panel->isAncestorOf(widget)))
            return true;
    return false;
}

QWidget *CMainWindowControls::Control(int id)
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

CKipSkinButton *CMainWindowControls::Button(int id)
{
    const int i = ButtonIndex(id);
    return i < 0 ? nullptr : m_buttons[static_cast<std::size_t>(i)].get();
}

CKipImageSlider *CMainWindowControls::Slider(int id)
{
    const int i = SliderIndex(id);
    return i < 0 ? nullptr : m_sliders[static_cast<std::size_t>(i)].get();
}

CExtendedPanel *CMainWindowControls::Panel(Owner owner) const
{
    switch (owner) {
    case Owner::MainWindow:
        return nullptr;
    case Owner::TopBar:
        return ControlTop();
    case Owner::ControlBar:
        return ControlPanel();
    case Owner::FileListPanel:
        return ControlFileList();
    }
    return nullptr;
}

QWidget *CMainWindowControls::PanelControl(Owner owner, int id)
{
    if (owner == Owner::MainWindow)
        return Control(id);
    const CExtendedPanel *panel = Panel(owner);
    return panel ? panel->findChild<QWidget *>(ControlName(id)) : nullptr;
}

CKipSkinButton *CMainWindowControls::PanelButton(Owner owner, int id)
{
    if (owner == Owner::MainWindow)
        return Button(id);
    const CExtendedPanel *panel = Panel(owner);
    return panel ? panel->Button(id) : nullptr;
}

CKipImageSlider *CMainWindowControls::PanelSlider(Owner owner, int id)
{
    if (owner == Owner::MainWindow)
        return Slider(id);
    const CExtendedPanel *panel = Panel(owner);
    return panel ? panel->Slider(id) : nullptr;
}

CKipStaticTrans *CMainWindowControls::PanelText(Owner owner, int id)
{
    if (owner == Owner::MainWindow)
        return qobject_cast<CKipStaticTrans *>(Control(id));
    const CExtendedPanel *panel = Panel(owner);
    return panel ? panel->Text(id) : nullptr;
}

void CMainWindowControls::SetButtonSkin(int id, const Skin &skin)
{
    SetPanelButtonSkin(Owner::MainWindow, id, skin);
}

void CMainWindowControls::SetPanelButtonSkin(Owner owner, int id, const Skin &skin)
{
    if (CKipSkinButton *button = PanelButton(owner, id)) {
        button->SetBitmaps(skin[0], skin[1], skin[2], skin[3], skin[4]);
        button->setText(QString());
    }
}

void CMainWindowControls::SetSliderSkin(int id, const Skin &skin)
{
    if (CKipImageSlider *slider = Slider(id))
        slider->SetBitmaps(skin[0], skin[1], skin[2], skin[3], skin[4]);
}

void CMainWindowControls::PlaceAndShow(int id, const QRect &rect)
{
    if (QWidget *control = Control(id)) {
        control->setGeometry(rect);
        control->show();
    }
}

void CMainWindowControls::HideControls(std::span<const int> ids)
{
    for (const int id : ids)
        if (QWidget *control = Control(id))
            control->hide();
}

void CMainWindowControls::ShowFileList(bool shown)
{
    m_listFiles.setVisible(shown);
    if (QWidget *scrollbar = m_listFiles.GetSkinScrollbar())
        scrollbar->setVisible(shown);
}

void CMainWindowControls::ApplyControlState(ControlState state, int videoStreams)
{
    const int column = static_cast<int>(state);
    if (column < 0 || column > 2)
        return;
    for (const ControlStateRow &row : ControlStates()) {
        QWidget *control = PanelControl(row.owner, row.id);
        if (!control)
            continue; // a panel not created yet, or a control it does not carry
        switch (row.rules[static_cast<std::size_t>(column)]) {
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
    if (state == ControlState::Playing)
        ApplySingleStreamRule(videoStreams);
}

void CMainWindowControls::ApplyAudioRule()
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

void CMainWindowControls::ApplySingleStreamRule(int videoStreams)
{
    const bool single = videoStreams == 1;
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
