#include "app/CControlTopDlg.h"

#include "ui/CKipStaticTrans.h"
#include "ui/ControlIds.h"
#include "ui/SkinBitmap.h"

#include <QPainter>

using namespace ControlIds;
using namespace MainWindowTables;

namespace
{
constexpr int kBackgroundStrip = 270;
} // namespace

CControlTopDlg::CControlTopDlg(QWidget &owner)
    : CExtendedPanel(owner, "CControlTopDlg"), m_bmpBackground(LoadSkinBitmap(kBackgroundStrip))
{
    CreateButtons(TopBarButtons());
    CKipStaticTrans &fileName = CreateText(IDC_TOP_FILE_NAME, Qt::white);
    fileName.setGeometry(kTopFileNameRect);
    fileName.setText(QString());
    TranslateAcceleratorsOfControls();
}

void CControlTopDlg::LayoutPanel()
{
    PlaceControls(TopBarLayout(width()));
}

void CControlTopDlg::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(QRect(0, 0, width(), m_bmpBackground.height()), m_bmpBackground);
}
