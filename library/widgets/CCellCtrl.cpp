#include "library/widgets/CCellCtrl.h"

#include "library/widgets/CConfigListCtrl.h"

#include <QFontMetrics>
#include <QPainter>

std::uint32_t CCellCtrl::s_nClassStyle = 0;

namespace
{
QFont MakeCellFont(int weight)
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Noto Sans"),
                      QStringLiteral("DejaVu Sans")});
    font.setPixelSize(11);
    font.setWeight(static_cast<QFont::Weight>(weight));
    return font;
}
} // namespace

CCellCtrl::CCellCtrl() : m_fontNormal(MakeCellFont(400)), m_fontBold(MakeCellFont(700)) {}

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
    painter.setFont(m_fontNormal);
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
    return QFontMetrics(m_fontNormal).horizontalAdvance(m_strText + QLatin1Char('i'));
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
