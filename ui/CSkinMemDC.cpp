#include "ui/CSkinMemDC.h"

#include <QPaintDevice>

CSkinMemDC::CSkinMemDC(const QRect &rect, QPainter &target) : m_target(target), m_rect(rect)
{
    const qreal ratio = target.device() ? target.device()->devicePixelRatioF() : 1.0;
    m_buffer = QPixmap(rect.size().expandedTo(QSize(1, 1)) * ratio);
    m_buffer.setDevicePixelRatio(ratio);
    m_buffer.fill(Qt::transparent);
    m_painter.begin(&m_buffer);
    m_painter.translate(-rect.topLeft());
}

CSkinMemDC::~CSkinMemDC()
{
    m_painter.end();
    if (!m_rect.isEmpty())
        m_target.drawPixmap(m_rect.topLeft(), m_buffer);
}
