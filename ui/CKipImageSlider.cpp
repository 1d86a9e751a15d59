#include "ui/CKipImageSlider.h"

#include "ui/CKipMarkers.h"
#include "ui/CMyMemDC.h"
#include "ui/SkinBitmap.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace
{

// TransparentBlt with white: the thumb's white pixels let the channel show through.
QPixmap WhiteKeyed(int id)
{
    return LoadSkinBitmapKeyed(id, QColor(255, 255, 255));
}

} // namespace

CKipImageSlider::CKipImageSlider(QWidget *parent, int id) : QAbstractSlider(parent), m_nId(id)
{
    setOrientation(Qt::Horizontal);
    setSingleStep(1);
    setPageStep(10);
    setFocusPolicy(Qt::StrongFocus);
    WriteKipMarker(QStringLiteral("usingKipSlider"));
}

CKipImageSlider::~CKipImageSlider() = default;

void CKipImageSlider::SetBitmaps(int channel, int fill, int thumb, int thumbPressed,
                                 int thumbFocused)
{
    m_channel = LoadSkinBitmap(channel);
    m_fill = LoadSkinBitmap(fill);
    m_thumb = WhiteKeyed(thumb);
    m_thumbPressed = WhiteKeyed(thumbPressed);
    m_thumbFocused = WhiteKeyed(thumbFocused);
    m_nThumbWidth = m_thumb.width();
    m_nThumbHeight = m_thumb.height();
    m_nMargin = 0;
    m_nThumbY = height() / 2 - m_nThumbHeight / 2;
    update();
}

QSize CKipImageSlider::sizeHint() const
{
    if (!m_channel.isNull())
        return m_channel.size();
    return QSize(100, 20);
}

int CKipImageSlider::PointerToPos(int x, int clientWidth, int thumbWidth, int margin, int min,
                                  int max)
{
    const int thumbX = x - thumbWidth / 2 - margin;
    const int track = clientWidth - 2 * margin - thumbWidth;
    if (track <= 0)
        return min;
    const double span = static_cast<double>(max) + 1.0 - min;
    const double p = min + std::trunc(span / track * thumbX);
    if (p < min)
        return min;
    if (p > static_cast<double>(max) + 1.0)
        return max + 1;
    return static_cast<int>(p);
}

int CKipImageSlider::PosToThumbX(int pos, int clientWidth, int thumbWidth, int margin, int min,
                                 int max)
{
    if (max == min)
        return margin;
    const double track = clientWidth - 2 * margin - thumbWidth;
    return margin + static_cast<int>(std::trunc(track / (static_cast<double>(max) - min) *
                                                (static_cast<double>(pos) - min)));
}

void CKipImageSlider::Notify(int code)
{
    // Posted, like WM_HSCROLL: the owner sees it after this event is done.
    QMetaObject::invokeMethod(
        this, [this, code] { emit HScroll(code, this); }, Qt::QueuedConnection);
}

bool CKipImageSlider::ApplyPointer(int x)
{
    const int p = PointerToPos(x, width(), m_nThumbWidth, m_nMargin, minimum(), maximum());
    if (p == value())
        return false;
    const int before = value();
    setValue(p); // max + 1 is held at max
    return value() != before;
}

const QPixmap &CKipImageSlider::CurrentThumb() const
{
    if (m_bDragging)
        return m_thumbPressed;
    if (isEnabled() && hasFocus())
        return m_thumbFocused;
    return m_thumb;
}

void CKipImageSlider::paintEvent(QPaintEvent *)
{
    QPainter target(this);
    CMyMemDC dc(target, rect());
    QPainter &p = dc.Painter();
    const int w = width(), h = height();
    const int thumbX = PosToThumbX(value(), w, m_nThumbWidth, m_nMargin, minimum(), maximum());

    // 1. The channel, stretched over the whole client area.
    if (!m_channel.isNull())
        p.drawPixmap(QRect(0, (h - m_channel.height()) / 2, w, h), m_channel);
    // 2. The fill up to the thumb: copied up to the bitmap's width, stretched beyond.
    if (!m_fill.isNull() && thumbX + 5 > 0) {
        const int srcWidth = std::min(m_fill.width(), thumbX + 5);
        p.drawPixmap(QRect(0, (h - m_fill.height()) / 2, thumbX + 5, h), m_fill,
                     QRect(0, 0, srcWidth, m_fill.height()));
    }
    // 3. The thumb, white transparent.
    const QPixmap &thumb = CurrentThumb();
    if (!thumb.isNull())
        p.drawPixmap(QRect(thumbX, m_nThumbY, m_nThumbWidth, m_nThumbHeight), thumb);
}

void CKipImageSlider::RedrawNow()
{
    repaint();
}

void CKipImageSlider::resizeEvent(QResizeEvent *event)
{
    // Keep the thumb centred when the owner moves the slider after skinning it.
    m_nThumbY = height() / 2 - m_nThumbHeight / 2;
    QAbstractSlider::resizeEvent(event);
}

void CKipImageSlider::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_bDragging) {
        event->accept();
        return;
    }
    m_bDragging = true;
    m_bMoved = false;
    setFocus(Qt::MouseFocusReason);
    if (ApplyPointer(event->position().toPoint().x())) {
        m_bMoved = true;
        Notify(TB_THUMBTRACK);
    }
    repaint();
    event->accept();
}

void CKipImageSlider::mouseDoubleClickEvent(QMouseEvent *event)
{
    mousePressEvent(event);
}

void CKipImageSlider::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_bDragging) {
        event->ignore();
        return;
    }
    if (ApplyPointer(event->position().toPoint().x())) {
        m_bMoved = true;
        Notify(TB_THUMBTRACK);
        repaint();
    }
    event->accept();
}

void CKipImageSlider::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_bDragging) {
        event->accept();
        return;
    }
    m_bDragging = false;
    if (ApplyPointer(event->position().toPoint().x())) {
        Notify(TB_THUMBTRACK);
        m_bMoved = true;
    }
    if (m_bMoved) {
        Notify(TB_THUMBPOSITION);
        m_bMoved = false;
    }
    repaint();
    event->accept();
}

void CKipImageSlider::keyPressEvent(QKeyEvent *event)
{
    const int pos = value(), lo = minimum(), hi = maximum();
    int next = pos;
    int code = -1;
    switch (event->key()) {
    case Qt::Key_PageUp:
        next = std::max(pos - pageStep(), lo), code = TB_PAGEUP;
        break;
    case Qt::Key_PageDown:
        next = std::min(pos + pageStep(), hi + 1), code = TB_PAGEDOWN;
        break;
    case Qt::Key_End:
        next = hi + 1, code = TB_BOTTOM;
        break;
    case Qt::Key_Home:
        next = lo, code = TB_TOP;
        break;
    case Qt::Key_Left:
        next = std::max(pos - singleStep(), lo), code = TB_LINEUP;
        break;
    case Qt::Key_Right:
        next = std::min(pos + singleStep(), hi + 1), code = TB_LINEDOWN;
        break;
    // The plain trackbar's own handling of the vertical arrows, held at max.
    case Qt::Key_Up:
        next = std::max(pos - singleStep(), lo), code = TB_LINEUP;
        break;
    case Qt::Key_Down:
        next = std::min(pos + singleStep(), hi), code = TB_LINEDOWN;
        break;
    default:
        event->ignore();
        return;
    }
    setValue(next);
    repaint();
    Notify(code);
    event->accept();
}

void CKipImageSlider::keyReleaseEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (!event->isAutoRepeat())
            Notify(TB_ENDTRACK);
        event->accept();
        return;
    default:
        event->ignore();
    }
}

void CKipImageSlider::wheelEvent(QWheelEvent *event)
{
    update();
    event->accept();
    if (!m_bWheelPasses)
        return;
    // One line per wheel notch; away from the user moves towards the start.
    const int notches = event->angleDelta().y() / 120;
    if (notches == 0)
        return;
    const int code = notches > 0 ? TB_LINEUP : TB_LINEDOWN;
    setValue(value() - notches * singleStep());
    Notify(code);
    Notify(TB_ENDTRACK);
}

void CKipImageSlider::focusOutEvent(QFocusEvent *event)
{
    QAbstractSlider::focusOutEvent(event);
    m_bDragging = false;
    update();
}
