#include "ui/CKipStaticTrans.h"

#include "ui/CKipMarkers.h"
#include "ui/SkinBitmap.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

CKipStaticTrans::CKipStaticTrans(QWidget *parent, int id)
    : QLabel(parent), m_nId(id), m_strFace(QStringLiteral("맑은 고딕"))
{
    // A left-aligned static: text from the top-left corner, words wrapped.
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setWordWrap(true);
    setAutoFillBackground(false);
    setTextFormat(Qt::PlainText);
    ApplyFont();
    SetTextColor(m_textColor);
    WriteKipMarker(QStringLiteral("usingKipStaticTrans"));
}

CKipStaticTrans::~CKipStaticTrans() = default;

void CKipStaticTrans::SetTextColor(const QColor &color)
{
    m_textColor = color;
    QPalette pal = palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        pal.setColor(group, QPalette::WindowText, color);
    setPalette(pal);
    update();
}

void CKipStaticTrans::SetBackgroundColor(std::optional<QColor> color)
{
    m_backgroundColor = color;
    update();
}

void CKipStaticTrans::SetBackgroundBitmap(int id)
{
    SetBackgroundBitmap(id > 0 ? LoadSkinBitmap(id) : QPixmap());
}

void CKipStaticTrans::SetBackgroundBitmap(const QPixmap &bitmap)
{
    m_background = ApplyColorKey(bitmap, QColor(0, 255, 0));
    update();
}

void CKipStaticTrans::RefreshBehind()
{
    if (QWidget *parent = parentWidget())
        parent->update(geometry().adjusted(2, 2, -2, -2));
}

void CKipStaticTrans::SetFontHeight(int height)
{
    m_nFontHeight = height;
    ApplyFont();
}

void CKipStaticTrans::SetFontWeight(int weight)
{
    m_nFontWeight = weight;
    ApplyFont();
}

void CKipStaticTrans::ApplyFont()
{
    setFont(MakeSkinFont(m_strFace, m_nFontHeight, m_nFontWeight));
    update();
}

void CKipStaticTrans::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!m_background.isNull())
        painter.drawPixmap(0, 0, m_background);
    else if (m_backgroundColor)
        painter.fillRect(rect(), *m_backgroundColor);
    if (text().isEmpty())
        return;
    // The substitute font has more leading than the designed face: lift the text so its
    // baseline sits where the design has it (only ever upwards, never below the top).
    const QFontMetrics metrics(font());
    const int lift =
        std::max(0, metrics.ascent() - SkinFontWindowsAscent(m_strFace, m_nFontHeight));
    int flags = static_cast<int>(alignment());
    if (wordWrap())
        flags |= Qt::TextWordWrap;
    painter.setFont(font());
    painter.setPen(m_textColor);
    painter.drawText(contentsRect().adjusted(0, -lift, 0, 0), flags, text());
}
