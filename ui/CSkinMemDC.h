#pragma once

#include <QPainter>
#include <QPixmap>
#include <QRect>

// Off-screen surface for flicker-free drawing of a rectangle: drawing goes into a pixmap of
// the rectangle's size at the target's coordinates; the destructor copies it to the same place
// in the target.
class CSkinMemDC
{
public:
    CSkinMemDC(const QRect &rect, QPainter &target);
    ~CSkinMemDC();
    CSkinMemDC(const CSkinMemDC &) = delete;
    CSkinMemDC &operator=(const CSkinMemDC &) = delete;

    QPainter &Painter() { return m_painter; }
    QRect Rect() const { return m_rect; }

private:
    QPainter &m_target;
    QRect m_rect;
    QPixmap m_buffer;
    QPainter m_painter;
};
