#include "ui/CMyMemDC.h"

#include <QPaintDevice>

CMyMemDC::CMyMemDC(QPainter &target, const QRect &clipBox)
    : m_target(target), m_rcClip(clipBox),
      m_bDirect(!target.device() || target.device()->devType() == QInternal::Printer ||
                clipBox.isEmpty())
{
    if (m_bDirect)
        return;
    const qreal ratio = target.device()->devicePixelRatioF();
    m_buffer = QPixmap(clipBox.size() * ratio);
    m_buffer.setDevicePixelRatio(ratio);
    m_buffer.fill(Qt::transparent);
    m_painter.begin(&m_buffer);
    m_painter.translate(-clipBox.topLeft());
}

CMyMemDC::~CMyMemDC()
{
    if (m_bDirect)
        return;
    m_painter.end();
    m_target.drawPixmap(m_rcClip.topLeft(), m_buffer);
}
