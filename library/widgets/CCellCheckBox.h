#pragma once

#include "library/widgets/CCellButton.h"
#include "library/widgets/CCellObj.h"

// The check box of a file-list row. Its text is the state ("0" unchecked, "1" checked)
// followed by an optional label; the list mirrors that text into the item text of the cell's
// column, so the rest of the viewer reads a row's check state as that column's text.
class CCellCheckBox : public CCellButton, public CCellObj
{
public:
    static constexpr int kGlyphWidth = 18;
    static constexpr int kGlyphHeight = 16;
    static constexpr int kBoxSize = 20; // glyph and its margin, also the click area
    static constexpr int kGlyphTop = 3; // below the cell's top edge

    CCellCheckBox();

    void Create(CConfigListCtrl *list, const bool *enabled, const QString &text) override;
    void SetCellRect(const QRect &rect) override;
    void Draw(QPainter &painter, const QRect &rect, ItemState state) override;
    int GetMinWidth() const override;
    bool OnLButtonDown(Qt::KeyboardModifiers modifiers, QPoint point) override;
    void OnCellClick() override;

    bool IsChecked() const { return m_strText.startsWith(QLatin1Char('1')); }
    void SetChecked(bool checked);
    QString GetLabel() const { return m_strText.mid(1); }

    // Where the glyph goes inside `rect` for a label of `labelWidth` pixels and `style`
    // (pure layout; the box is the glyph's click area).
    static QRect BoxRectFor(const QRect &rect, int labelWidth, std::uint32_t style);
    // Index into the glyph strip: checked adds 1, disabled adds 2.
    static int GlyphIndex(bool checked, bool disabled)
    {
        return (checked ? 1 : 0) + (disabled ? 2 : 0);
    }

private:
    int LabelWidth() const;
    void DrawGlyph(QPainter &painter, QPoint topLeft, int index) const;
};
