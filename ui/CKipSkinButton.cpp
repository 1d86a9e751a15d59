#include "ui/CKipSkinButton.h"

#include "ui/CKipMarkers.h"
#include "ui/SkinBitmap.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

CKipSkinButton::CKipSkinButton(QWidget *parent, Kind kind, int id)
    : QAbstractButton(parent), m_kind(kind), m_nId(id)
{
    // Qt's own checkable logic stays off: the checked state is ours.
    setCheckable(false);
    setAutoRepeat(false);
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::StrongFocus);
    setFont(MakeSkinFont(QStringLiteral("맑은 고딕"), 17, 700));
    connect(this, &QAbstractButton::clicked, this, [this] { emit Command(m_nId); });
    WriteKipMarker(QStringLiteral("usingKipButton"));
}

CKipSkinButton::~CKipSkinButton() = default;

void CKipSkinButton::SetBitmaps(int normal, int pressed, int hover, int disabled, int focus)
{
    m_bitmaps = {};
    m_bitmaps[Normal] = LoadSkinBitmap(normal);
    m_bitmaps[Pressed] = LoadSkinBitmap(pressed);
    m_bitmaps[Hover] = LoadSkinBitmap(hover);
    m_bitmaps[Disabled] = LoadSkinBitmap(disabled);
    m_bitmaps[Focus] = LoadSkinBitmap(focus);
    setText(QString());
    update();
}

void CKipSkinButton::SetTooltipText(const QString &text)
{
    setToolTip(text);
}

void CKipSkinButton::SetCheck(int state)
{
    m_nChecked = (m_kind != Kind::Push && state != 0) ? 1 : 0;
    if (m_kind == Kind::Radio && m_nChecked && parentWidget()) {
        const auto siblings =
            parentWidget()->findChildren<CKipSkinButton *>(Qt::FindDirectChildrenOnly);
        for (CKipSkinButton *other : siblings) {
            if (other != this && other->m_kind == Kind::Radio && other->m_nGroup == m_nGroup)
                QMetaObject::invokeMethod(other, "ClearCheckFromGroup", Qt::QueuedConnection);
        }
    }
    update();
}

void CKipSkinButton::SetKind(Kind kind)
{
    m_kind = kind;
    if (m_kind == Kind::Push)
        m_nChecked = 0;
    update();
}

void CKipSkinButton::Click()
{
    if (!isEnabled())
        return;
    ToggleFromUser();
    click();
}

void CKipSkinButton::ClearCheckFromGroup()
{
    m_nChecked = 0;
    update();
}

void CKipSkinButton::SetTextColor(const QColor &color)
{
    m_textColor = color;
    update();
}

QSize CKipSkinButton::sizeHint() const
{
    if (!m_bitmaps[Normal].isNull())
        return m_bitmaps[Normal].size();
    return QSize(75, 23);
}

void CKipSkinButton::ToggleFromUser()
{
    if (m_kind == Kind::CheckBox)
        SetCheck(m_nChecked ? 0 : 1);
    else if (m_kind == Kind::Radio)
        SetCheck(1);
}

void CKipSkinButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_bHover) {
        // The pressed look replaces the hover look until the pointer moves again.
        m_bHover = false;
    }
    QAbstractButton::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        m_bTracking = true;
}

void CKipSkinButton::mouseDoubleClickEvent(QMouseEvent *event)
{
    // A fast second click is a second press, not lost.
    mousePressEvent(event);
}

void CKipSkinButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_bTracking && isDown() &&
        hitButton(event->position().toPoint()))
        ToggleFromUser();
    if (event->button() == Qt::LeftButton)
        m_bTracking = false;
    // Emits clicked() (and so Command) when released over the button.
    QAbstractButton::mouseReleaseEvent(event);
    // Pressed goes back to hover on release: the pointer is still over the button, though
    // it has not moved since the press cleared the hover look.
    if (event->button() == Qt::LeftButton && !m_bHover && isVisible() &&
        rect().contains(event->position().toPoint())) {
        m_bHover = true;
        update();
    }
}

void CKipSkinButton::mouseMoveEvent(QMouseEvent *event)
{
    if (m_bTracking) {
        // Pushed while the pointer stays over the button, normal when it leaves.
        QAbstractButton::mouseMoveEvent(event);
        return;
    }
    if (!m_bHover && rect().contains(event->position().toPoint())) {
        m_bHover = true;
        update();
    }
    QAbstractButton::mouseMoveEvent(event);
}

void CKipSkinButton::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat())
        ToggleFromUser();
    // Space press and release give the click as usual.
    QAbstractButton::keyPressEvent(event);
}

void CKipSkinButton::enterEvent(QEnterEvent *event)
{
    if (!m_bTracking) {
        m_bHover = true;
        update();
    }
    QAbstractButton::enterEvent(event);
}

void CKipSkinButton::leaveEvent(QEvent *event)
{
    m_bHover = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CKipSkinButton::focusOutEvent(QFocusEvent *event)
{
    m_bTracking = false;
    QAbstractButton::focusOutEvent(event);
}

void CKipSkinButton::DrawState(QPainter &painter, Slot slot)
{
    const QPixmap &bitmap = m_bitmaps[slot];
    if (bitmap.isNull()) {
        painter.fillRect(rect(), palette().color(QPalette::Button));
        return;
    }
    // Unscaled at the origin: a larger bitmap is cut, a smaller one leaves the rest as it was.
    painter.drawPixmap(
        QPoint(0, 0), bitmap,
        QRect(0, 0, std::min(width(), bitmap.width()), std::min(height(), bitmap.height())));
}

void CKipSkinButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setFont(font());
    QRect textRect = rect().adjusted(2, 0, -2, 0);
    const int flags = Qt::AlignCenter | Qt::TextSingleLine;
    const QString caption = text();

    if (!isEnabled()) {
        DrawState(painter, Disabled);
        // Engraved: a highlight copy one pixel down and right under the grey text.
        if (!caption.isEmpty()) {
            painter.setPen(palette().color(QPalette::Active, QPalette::Highlight));
            if (m_nChecked)
                textRect.translate(1, 1);
            painter.drawText(textRect, flags, caption);
            painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
            textRect.translate(-1, -1);
            painter.drawText(textRect, flags, caption);
        }
        return;
    }
    if (isDown() || m_nChecked) {
        DrawState(painter, Pressed);
        textRect.translate(1, 1);
    } else {
        Slot slot = Normal;
        if (m_bHover && !m_bitmaps[Hover].isNull())
            slot = Hover;
        else if (hasFocus() && !m_bitmaps[Focus].isNull())
            slot = Focus;
        DrawState(painter, slot);
    }
    if (!caption.isEmpty()) {
        painter.setPen(m_textColor);
        painter.drawText(textRect, flags, caption);
    }
}
