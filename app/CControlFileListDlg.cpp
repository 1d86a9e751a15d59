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
    : CExtendedPanel(owner, "CControlFileListDlg")
{
    resize(kFileListPanelSize);
    CreateButtons(FileListPanelButtons());
    PlaceControls(FileListPanelLayout());
    // Prepared as the main window's list: the skinned scrollbar made at the narrow width, then
    // the list widened and the scrollbar fitted again.
    m_listFiles.setParent(this);
    m_listFiles.setObjectName(QString::number(IDC_PANEL_FILE_LIST));
    m_listFiles.setGeometry(2, 79, 308, 508);
    m_listFiles.CreateSkinScrollbar();
    m_listFiles.setGeometry(2, 79, 324, 508);
    m_listFiles.ApplyLayout();
    m_listFiles.InsertFileListColumns();
    m_listFiles.SetRedraw(true);
    TranslateAcceleratorsOfControls();
}

void CControlFileListDlg::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(QPoint(0, 0), LoadSkinBitmap(kMainSkin), kRightColumn);
}
