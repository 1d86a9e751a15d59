#include "ui/CKipFileListVerticleScrollbar.h"

#include "ui/CSkinMemDC.h"
#include "ui/IScrollableList.h"
#include "ui/SkinBitmap.h"

#include <QHideEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace
{
const QColor kBackground(13, 14, 15);
constexpr int kSkinUp = 236;
constexpr int kSkinThumb = 238;
constexpr int kSkinTrack = 239;
constexpr int kSkinDown = 240;
} // namespace

CKipFileListVerticleScrollbar::CKipFileListVerticleScrollbar(QWidget *parent)
    : QWidget(parent), m_up(LoadSkinBitmap(kSkinUp)), m_track(LoadSkinBitmap(kSkinTrack)),
      m_down(LoadSkinBitmap(kSkinDown)), m_thumb(LoadSkinBitmap(kSkinThumb))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_timer1.setInterval(kRepeatPeriodMs);
    m_timer2.setInterval(kRepeatDelayMs);
    connect(&m_timer1, &QTimer::timeout, this, &CKipFileListVerticleScrollbar::OnTimer1);
    connect(&m_timer2, &QTimer::timeout, this, &CKipFileListVerticleScrollbar::OnTimer2);
}

CKipFileListVerticleScrollbar::~CKipFileListVerticleScrollbar() = default;

void CKipFileListVerticleScrollbar::SetList(IScrollableList *list)
{
    m_pList = list;
}

QRect CKipFileListVerticleScrollbar::GetThumbRect() const
{
    return QRect(QPoint(0, m_nThumbTop), QPoint(17, m_nThumbTop + m_nThumbHeight - 1));
}

bool CKipFileListVerticleScrollbar::OnUpArrow(const QPoint &pt) const
{
    return pt.x() >= 0 && pt.x() < 19 && pt.y() >= 0 && pt.y() < kArrowHeight;
}

bool CKipFileListVerticleScrollbar::OnDownArrow(const QPoint &pt) const
{
    return pt.x() >= 0 && pt.x() < 19 && pt.y() >= height() - kArrowHeight && pt.y() < height();
}

void CKipFileListVerticleScrollbar::ClampThumb()
{
    const int h = height();
    if (m_nThumbTop + m_nThumbHeight > h - kArrowHeight)
        m_nThumbTop = h - kArrowHeight - m_nThumbHeight;
    if (m_nThumbTop < kArrowHeight)
        m_nThumbTop = kArrowHeight;
}

void CKipFileListVerticleScrollbar::UpdateThumb()
{
    if (!m_pList)
        return;
    const int h = height();
    const int pos = m_pList->GetVerticalScrollPos();
    const int limit = m_pList->GetVerticalScrollLimit();
    const int count = m_pList->GetItemCount();
    const int perPage = m_pList->GetCountPerPage();
    const int track = h - 2 * kArrowHeight;
    if (limit > 0 && count > 0) {
        m_nThumbHeight = std::max(kMinThumbHeight,
                                  static_cast<int>(static_cast<double>(perPage) / count * track));
        setVisible(true);
    } else {
        m_nThumbHeight = 50;
        setVisible(false);
    }
    // An empty scroll range has no ratio; the thumb then rests at the top.
    m_dRatio = limit > 0 ? static_cast<double>(h - m_nThumbHeight - 2 * kArrowHeight) / limit : 0.0;
    m_nThumbTop = static_cast<int>(std::trunc(m_dRatio * pos)) + kArrowHeight;
    ClampThumb();
    update();
}

void CKipFileListVerticleScrollbar::Scroll(int dyPixels)
{
    if (m_pList && dyPixels != 0)
        m_pList->ScrollVertical(dyPixels);
}

void CKipFileListVerticleScrollbar::paintEvent(QPaintEvent *)
{
    QPainter target(this);
    CSkinMemDC dc(rect(), target);
    QPainter &p = dc.Painter();
    const int h = height();
    p.fillRect(rect(), kBackground);
    p.drawPixmap(QRect(1, 0, 17, 16), m_up, QRect(0, 0, 17, 16));
    for (int y = kArrowHeight; y <= h - kArrowHeight - 1; ++y)
        p.drawPixmap(QRect(0, y, 18, 1), m_track, QRect(0, 0, 18, 1));
    p.drawPixmap(QRect(1, h - kArrowHeight, 17, 16), m_down, QRect(0, 0, 17, 16));
    // Only the left 16 x 26 pixels of the thumb, stretched to the thumb's height.
    p.drawPixmap(QRect(1, m_nThumbTop, 16, m_nThumbHeight), m_thumb, QRect(0, 0, 16, 26));
}

void CKipFileListVerticleScrollbar::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pt = event->position().toPoint();
    if (GetThumbRect().contains(pt)) {
        m_ptDragStart = pt;
        m_bThumbDragging = true;
    } else if (OnDownArrow(pt)) {
        m_bDownHeld = true;
        m_timer2.start();
    } else if (OnUpArrow(pt)) {
        m_bUpHeld = true;
        m_timer2.start();
    }
}

void CKipFileListVerticleScrollbar::OnTimer2()
{
    // The delay is over: repeat while the arrow is held. Released early, it does nothing.
    m_timer2.stop();
    if (m_bUpHeld || m_bDownHeld)
        m_timer1.start();
}

void CKipFileListVerticleScrollbar::OnTimer1()
{
    if (m_bDownHeld)
        Scroll(kLineStepPx);
    else if (m_bUpHeld)
        Scroll(-kLineStepPx);
    else
        m_timer1.stop();
    UpdateThumb();
}

void CKipFileListVerticleScrollbar::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_bThumbDragging || !m_pList)
        return;
    const int h = height();
    const int limit = m_pList->GetVerticalScrollLimit();
    m_nThumbTop = event->position().toPoint().y() - m_nThumbHeight / 2;
    if (limit > 0) {
        m_dRatio = static_cast<double>(h - m_nThumbHeight - 2 * kArrowHeight) / limit;
        if (m_dRatio > 0) {
            const int target =
                static_cast<int>(std::trunc((m_nThumbTop - kArrowHeight) / m_dRatio));
            Scroll((target - m_pList->GetVerticalScrollPos()) * kDragRowPx);
        }
    }
    ClampThumb();
    update();
}

void CKipFileListVerticleScrollbar::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pt = event->position().toPoint();
    UpdateThumb();
    m_timer1.stop();
    m_timer2.stop();
    if (OnUpArrow(pt) || OnDownArrow(pt)) {
        if (m_bUpHeld)
            Scroll(-kLineStepPx);
        else if (m_bDownHeld)
            Scroll(kLineStepPx);
    } else if (!m_bThumbDragging && !m_bUpHeld && !m_bDownHeld && m_pList) {
        // A click on the track pages by the rows of one page.
        const int page = m_pList->GetCountPerPage() * kPageRowPx;
        Scroll(pt.y() > m_nThumbTop ? page : -page);
    }
    UpdateThumb();
    StopTracking();
}

void CKipFileListVerticleScrollbar::StopTracking()
{
    m_timer1.stop();
    m_timer2.stop();
    m_bUpHeld = m_bDownHeld = m_bThumbDragging = false;
}

void CKipFileListVerticleScrollbar::hideEvent(QHideEvent *event)
{
    // A hidden bar never sees the release: a held arrow would keep scrolling the list, even
    // after the bar comes back for a new catalogue.
    StopTracking();
    QWidget::hideEvent(event);
}
