#include "library/widgets/CCellCtrl.h"

#include "library/widgets/CConfigListCtrl.h"

#include <QFontMetrics>
#include <QPainter>

std::uint32_t CCellCtrl::s_nClassStyle = 0;

CCellCtrl::CCellCtrl() = default;

CCellCtrl::~CCellCtrl() = default;

void CCellCtrl::Create(CConfigListCtrl *list, const bool *enabled, const QString &text)
{
    m_pList = list;
    m_pEnabled = enabled;
    m_strText = text;
}

void CCellCtrl::Draw(QPainter &painter, const QRect &rect, ItemState)
{
    painter.fillRect(rect, CConfigListCtrl::kBackgroundColour);
    painter.setFont(NormalFont());
    painter.setPen(CConfigListCtrl::kTextColour);
    int flags = Qt::AlignVCenter | Qt::TextSingleLine;
    const std::uint32_t style = GetStyle();
    flags |= (style & kStyleCenter)  ? Qt::AlignHCenter
             : (style & kStyleRight) ? Qt::AlignRight
                                     : Qt::AlignLeft;
    painter.drawText(rect, flags, m_strText);
}

int CCellCtrl::GetMinWidth() const
{
    return QFontMetrics(NormalFont()).horizontalAdvance(m_strText + QLatin1Char('i'));
}

QFont CCellCtrl::NormalFont() const
{
    return m_pList != nullptr ? m_pList->GetCellFont(false) : QFont();
}

QFont CCellCtrl::BoldFont() const
{
    return m_pList != nullptr ? m_pList->GetCellFont(true) : QFont();
}

void CCellCtrl::AddClassStyle(std::uint32_t flags)
{
    s_nClassStyle |= flags;
}

void CCellCtrl::RemoveClassStyle(std::uint32_t flags)
{
    s_nClassStyle &= ~flags;
}

void CCellCtrl::Repaint(const QRect &rect) const
{
    if (m_pList != nullptr)
        m_pList->RepaintRect(rect);
}
