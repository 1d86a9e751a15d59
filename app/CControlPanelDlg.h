#pragma once

#include "app/CExtendedPanel.h"

#include <QPixmap>

// The control bar of extended mode (dialog 283): 44 pixels high along the bottom edge, as wide
// as the main window. It carries copies of the position slider, the transport buttons, Mute,
// the volume slider, the Information button and both time texts, and the File list button that
// opens the file list panel.
class CControlPanelDlg : public CExtendedPanel
{
    Q_OBJECT
public:
    explicit CControlPanelDlg(QWidget &owner);

    // Places the controls for the present size; then the window's sound state is taken over.
    void LayoutPanel();

signals:
    // LayoutPanel placed the controls: the volume slider and Mute take the window's over.
    void LaidOut();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // Bitmap 269, loaded once: the bar repaints with every position tick.
    QPixmap m_bmpBackground;
};
