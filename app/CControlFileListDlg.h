#pragma once

#include "app/CExtendedPanel.h"
#include "library/widgets/CConfigListCtrl.h"

#include <QPixmap>

// The file list panel of extended mode (dialog 291), 326 x 587: a copy of the main window's
// right column, with its own file list (1083) that the catalogue keeps equal to the main one,
// and copies of the category, date, Check-all, Folder, Save and Delete buttons.
class CControlFileListDlg : public CExtendedPanel
{
    Q_OBJECT
public:
    explicit CControlFileListDlg(QWidget &owner);

    CConfigListCtrl &FileList() { return m_listFiles; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // The slice of the main skin behind the panel's controls, cut once.
    QPixmap m_bmpBackground;
    CConfigListCtrl m_listFiles;
};
