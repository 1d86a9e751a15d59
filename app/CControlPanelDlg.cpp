#include "app/CControlPanelDlg.h"

#include "ui/CKipImageSlider.h"
#include "ui/CKipStaticTrans.h"
#include "ui/ControlIds.h"
#include "ui/SkinBitmap.h"

#include <QPainter>

using namespace ControlIds;
using namespace MainWindowTables;

namespace
{
constexpr int kBackgroundStrip = 269;
constexpr int kTimeTextBackground = 278;
const QColor kTimeTextColour{164, 164, 164};
} // namespace

CControlPanelDlg::CControlPanelDlg(QWidget &owner)
    : CExtendedPanel(owner, "CControlPanelDlg"), m_bmpBackground(LoadSkinBitmap(kBackgroundStrip))
{
    CreateButtons(ControlBarButtons());
    CKipImageSlider &position = CreateSlider(IDC_BAR_POSITION_SLIDER, kBarPositionSkinCreated);
    position.setGeometry(kBarPositionSliderCreated);
    position.SetRange(0, 0);
    CKipImageSlider &volume = CreateSlider(IDC_BAR_VOLUME_SLIDER, kBarVolumeSkinCreated);
    const SliderRow *mainVolume = FindSlider(IDC_VOLUME_SLIDER);
    volume.SetRange(mainVolume->minimum, mainVolume->maximum);
    volume.SetPos(mainVolume->position);
    for (const int id : {IDC_BAR_POSITION_TIME, IDC_BAR_TOTAL_TIME})
        CreateText(id, kTimeTextColour).SetBackgroundBitmap(kTimeTextBackground);
    TranslateAcceleratorsOfControls();
}

void CControlPanelDlg::LayoutPanel()
{
    PlaceControls(ControlBarLayout(width(), height()));
    Slider(IDC_BAR_POSITION_SLIDER)
        ->SetBitmaps(kBarPositionSkinLaidOut[0], kBarPositionSkinLaidOut[1],
                     kBarPositionSkinLaidOut[2], kBarPositionSkinLaidOut[3],
                     kBarPositionSkinLaidOut[4]);
    Slider(IDC_BAR_VOLUME_SLIDER)
        ->SetBitmaps(kBarVolumeSkinLaidOut[0], kBarVolumeSkinLaidOut[1], kBarVolumeSkinLaidOut[2],
                     kBarVolumeSkinLaidOut[3], kBarVolumeSkinLaidOut[4]);
    for (const int id : {IDC_BAR_POSITION_SLIDER, IDC_BAR_VOLUME_SLIDER})
        Slider(id)->update();
    for (const int id : {IDC_BAR_POSITION_TIME, IDC_BAR_TOTAL_TIME})
        Text(id)->update();
    emit LaidOut();
}

void CControlPanelDlg::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPixmap &strip = m_bmpBackground;
    painter.drawPixmap(QRect(0, height() - strip.height(), width(), strip.height()), strip);
}
