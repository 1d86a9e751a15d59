#include "library/widgets/CCellCheckBox.h"

#include "library/widgets/CConfigListCtrl.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPalette>

CCellCheckBox::CCellCheckBox()
{
    m_nStyle = kStyleCenter;
}

void CCellCheckBox::Create(CConfigListCtrl *list, const bool *enabled, const QString &text)
{
    CCellButton::Create(list, enabled, text);
    if (!m_strText.startsWith(QLatin1Char('0')) && !m_strText.startsWith(QLatin1Char('1')))
        m_strText.prepend(QLatin1Char('0'));
}

void CCellCheckBox::SetChecked(bool checked)
{
    if (m_strText.isEmpty())
        m_strText = QStringLiteral("0");
    m_strText[0] = checked ? QLatin1Char('1') : QLatin1Char('0');
}

int CCellCheckBox::LabelWidth() const
{
    const QString label = GetLabel();
    return label.isEmpty() ? 0 : QFontMetrics(NormalFont()).horizontalAdvance(label);
}

int CCellCheckBox::GetMinWidth() const
{
    return QFontMetrics(NormalFont()).horizontalAdvance(GetLabel() + QLatin1Char('i')) + kBoxSize;
}

QRect CCellCheckBox::BoxRectFor(const QRect &rect, int labelWidth, std::uint32_t style)
{
    const int needed = labelWidth + kBoxSize;
    int x = rect.left();
    if (rect.width() >= needed) {
        if (style & kStyleCenter)
            x = rect.left() + (rect.width() - needed) / 2;
        else if (style & kStyleRight)
            x = rect.left() + rect.width() - needed;
    }
    return QRect(x, rect.top() + kGlyphTop, kBoxSize, kBoxSize);
}

void CCellCheckBox::SetCellRect(const QRect &rect)
{
    m_rcCell = rect;
    m_rcBox = BoxRectFor(rect, LabelWidth(), GetStyle());
}

void CCellCheckBox::Draw(QPainter &painter, const QRect &rect, ItemState)
{
    const bool disabled = !IsListEnabled();
    const bool grey = disabled || (GetStyle() & kStyleNotSelectable);
    painter.fillRect(rect, grey ? QPalette().color(QPalette::Button)
                                : CConfigListCtrl::kBackgroundColour);

    const int labelWidth = LabelWidth();
    m_rcCell = rect;
    m_rcBox = BoxRectFor(rect, labelWidth, GetStyle());
    DrawGlyph(painter, m_rcBox.topLeft(), GlyphIndex(IsChecked(), disabled));

    const QString label = GetLabel();
    if (!label.isEmpty()) {
        painter.setFont(NormalFont());
        painter.setPen(disabled ? QPalette().color(QPalette::WindowText)
                                : CConfigListCtrl::kTextColour);
        const QRect labelRect(m_rcBox.right() + 1, rect.top(), labelWidth, rect.height());
        painter.drawText(labelRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, label);
    }
}

void CCellCheckBox::DrawGlyph(QPainter &painter, QPoint topLeft, int index) const
{
    const QPixmap *glyphs = m_pList != nullptr ? &m_pList->GetCheckBoxGlyphs() : nullptr;
    if (glyphs != nullptr && !glyphs->isNull()) {
        painter.drawPixmap(topLeft, *glyphs,
                           QRect(index * kGlyphWidth, 0, kGlyphWidth, kGlyphHeight));
        return;
    }
    // Without the skin bitmap a plain box still shows the state.
    const QRect box(topLeft.x() + 3, topLeft.y() + 2, 12, 12);
    const bool disabled = index >= 2;
    painter.setPen(disabled ? QColor(90, 90, 90) : QColor(150, 150, 150));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box);
    if (index % 2 == 1)
        painter.fillRect(box.adjusted(3, 3, -2, -2),
                         disabled ? QColor(120, 100, 40) : CConfigListCtrl::kCurrentTextColour);
}

bool CCellCheckBox::OnLButtonDown(Qt::KeyboardModifiers, QPoint point)
{
    m_bActive = true;
    if (m_pList == nullptr)
        return true;
    // Both corners of the box must be on screen: a box scrolled partly out does not toggle.
    const QRect client = m_pList->rect().adjusted(-1, -1, 1, 1);
    const QPoint topLeft = m_rcBox.topLeft();
    const QPoint bottomRight(m_rcBox.left() + m_rcBox.width(), m_rcBox.top() + m_rcBox.height());
    if (m_rcBox.contains(point) && client.contains(topLeft) && client.contains(bottomRight))
        OnCellClick();
    return true;
}

void CCellCheckBox::OnCellClick()
{
    SetChecked(!IsChecked());
}
