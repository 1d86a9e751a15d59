#pragma once

#include <QImage>
#include <QWidget>

// The window that hosts a video renderer. It shows the last frame it was handed, stretched
// over the whole window without keeping the aspect ratio (1:1 when the frame has the window's
// size, as the renderer makes it). It erases nothing and, without a
// frame, paints nothing, so it never draws over the picture with a background of its own.
// UI thread only; renderers hand frames over from there.
class CStaticView : public QWidget
{
    Q_OBJECT
public:
    explicit CStaticView(QWidget *parent = nullptr);

    // Shows frame (a null image is the same as ClearFrame) and repaints.
    void SetFrame(QImage frame);
    void ClearFrame();
    bool HasFrame() const { return !m_frame.isNull(); }
    const QImage &Frame() const { return m_frame; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_frame;
};
