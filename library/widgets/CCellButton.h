#pragma once

#include "library/widgets/CCellCtrl.h"

// A cell with a clickable box: hot while the pointer is over the box, pressed while a click
// on it is under way.
class CCellButton : public CCellCtrl
{
public:
    void ResetHotPressed() override;
    void OnMouseMove(Qt::KeyboardModifiers modifiers, QPoint point) override;

    bool IsPressed() const { return m_bPressed; }

protected:
    bool m_bPressed = false;
};
