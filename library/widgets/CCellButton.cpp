#include "library/widgets/CCellButton.h"

void CCellButton::ResetHotPressed()
{
    m_bHot = false;
    m_bPressed = false;
}

void CCellButton::OnMouseMove(Qt::KeyboardModifiers, QPoint point)
{
    const bool hot = m_rcBox.contains(point);
    if (hot == m_bHot)
        return;
    m_bHot = hot;
    Repaint(m_rcBox);
}
