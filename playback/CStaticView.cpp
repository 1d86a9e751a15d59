#include "playback/CStaticView.h"

#include <QPaintEvent>
#include <QPainter>

#include <utility>

CStaticView::CStaticView(QWidget *parent) : QWidget(parent)
{
    // No erase of our own: what is behind shows until a frame arrives.
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
}

void CStaticView::SetFrame(QImage frame)
{
    m_frame = std::move(frame);
    // A frame covers every pixel, so nothing behind needs painting first.
    setAttribute(Qt::WA_OpaquePaintEvent, !m_frame.isNull());
    update();
}

void CStaticView::ClearFrame()
{
    SetFrame(QImage());
}

void CStaticView::paintEvent(QPaintEvent *event)
{
    if (m_frame.isNull())
        return;
    QPainter painter(this);
    painter.setClipRegion(event->region());
    // The renderer converts each frame at the window's size: painted 1:1. Any other frame
    // (one converted before a resize) is stretched, aspect ratio ignored.
    if (m_frame.deviceIndependentSize() == QSizeF(size()))
        painter.drawImage(QPointF(0, 0), m_frame);
    else
        painter.drawImage(rect(), m_frame);
}
