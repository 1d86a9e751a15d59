#pragma once

#include <QColor>
#include <QLabel>
#include <QPixmap>

#include <optional>

// A static text drawn over a skin bitmap or over the parent's background. Without a
// background colour it is transparent; a background bitmap is drawn at (0, 0) in its own size
// with pure green transparent, so the parent shows through those pixels.
//
// Owners set the text with setText() and call RefreshBehind() so what shows through is fresh.
class CKipStaticTrans : public QLabel
{
    Q_OBJECT

public:
    explicit CKipStaticTrans(QWidget *parent = nullptr, int id = 0);
    ~CKipStaticTrans() override;

    void SetTextColor(const QColor &color);
    QColor GetTextColor() const { return m_textColor; }
    // No value: transparent (the -1 of the original). A colour: a solid background.
    void SetBackgroundColor(std::optional<QColor> color);
    std::optional<QColor> GetBackgroundColor() const { return m_backgroundColor; }
    // A skin bitmap id, or 0 for none.
    void SetBackgroundBitmap(int id);
    void SetBackgroundBitmap(const QPixmap &bitmap);

    // Invalidates, without erasing, what lies behind the text in the parent (the static's
    // rectangle shrunk by 2 pixels on every side).
    void RefreshBehind();
    // Replace the font with one of another height (Windows cell height, pixels) or weight.
    void SetFontHeight(int height);
    void SetFontWeight(int weight);
    int GetFontHeight() const { return m_nFontHeight; }
    int GetFontWeight() const { return m_nFontWeight; }

    int GetDlgCtrlID() const { return m_nId; }
    void SetDlgCtrlID(int id) { m_nId = id; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void ApplyFont();

    int m_nId;
    QColor m_textColor{171, 171, 171};
    std::optional<QColor> m_backgroundColor;
    QPixmap m_background; // green keyed out
    QString m_strFace;
    int m_nFontHeight = 16;
    int m_nFontWeight = 400;
};
