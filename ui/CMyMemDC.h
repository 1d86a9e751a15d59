#pragma once

#include <QPainter>
#include <QPixmap>
#include <QRect>

// Back buffer over a target painter: drawing goes into an off-screen pixmap (in the target's
// coordinates) that the destructor copies to the same place in the target. For a printer the
// target is drawn into directly.
class CMyMemDC
{
public:
    CMyMemDC(QPainter &target, const QRect &clipBox);
    ~CMyMemDC();
    CMyMemDC(const CMyMemDC &) = delete;
    CMyMemDC &operator=(const CMyMemDC &) = delete;

    QPainter &Painter() { return m_bDirect ? m_target : m_painter; }
    QRect ClipBox() const { return m_rcClip; }

private:
    QPainter &m_target;
    QRect m_rcClip;
    bool m_bDirect;
    QPixmap m_buffer;
    QPainter m_painter;
};
