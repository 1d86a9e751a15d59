#include "app/CControlFileListDlg.h"

#include "ui/ControlIds.h"
#include "ui/SkinBitmap.h"

#include <QPainter>

using namespace ControlIds;
using namespace MainWindowTables;

namespace
{
constexpr int kMainSkin = 129;
// The right column of the main skin, which this panel copies.
constexpr QRect kRightColumn{693, 47, 326, 587};
} // namespace

CControlFileListDlg::CControlFileListDlg(QWidget &owner)
    : CExtendedPanel(owner, "CControlFileListDlg"),
      m_bmpBackground(LoadSkinBitmap(kMainSkin).copy(kRightColumn))
{
    resize(kFileListPanelSize);
    CreateButtons(FileListPanelButtons());
    PlaceControls(FileListPanelLayout());
    // Prepared as the main window's list.
    m_listFiles.setObjectName(QString::number(IDC_PANEL_FILE_LIST));
    m_listFiles.SetUpFileList(*this, QRect(2, 79, 308, 508), 324);
    TranslateAcceleratorsOfControls();
}

void CControlFileListDlg::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(QPoint(0, 0), m_bmpBackground);
}
