#pragma once

#include "app/CExtendedPanel.h"

#include <QPixmap>

// The top bar of extended mode (dialog 284): 40 pixels high along the top edge, as wide as the
// main window. It shows the loaded recording's file name and carries copies of the view and
// flip buttons, and the button that leaves extended mode.
class CControlTopDlg : public CExtendedPanel
{
    Q_OBJECT
public:
    explicit CControlTopDlg(QWidget &owner);

    // Places the buttons for the present width.
    void LayoutPanel();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // Bitmap 270, loaded once: the bar repaints with every position tick.
    QPixmap m_bmpBackground;
};
