#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>

#include <array>

// The owner-drawn button of every window: push button, check box or radio button, each state
// a numbered skin bitmap drawn unscaled at the origin. It keeps its own checked state (the
// check box and radio button behave like auto check boxes and auto radio buttons).
//
// Notification: a click emits Command(id) with the control id (and QAbstractButton::clicked).
// For check boxes and radio buttons the new state is already set: read it with GetCheck().
class CKipSkinButton : public QAbstractButton
{
    Q_OBJECT

public:
    // The kind as the window style gives it.
    enum class Kind {
        Push = 0,
        CheckBox = 2,
        Radio = 4,
    };

    explicit CKipSkinButton(QWidget *parent = nullptr, Kind kind = Kind::Push, int id = 0);
    ~CKipSkinButton() override;

    // Five bitmap resource ids in the order normal, pressed, hover, disabled, focus. A missing
    // id leaves that state without a bitmap. Clears the caption: skinned buttons show none.
    void SetBitmaps(int normal, int pressed, int hover, int disabled, int focus);
    void SetTooltipText(const QString &text);

    // BM_SETCHECK / BM_GETCHECK: a push button always stays unchecked; checking a radio button
    // clears the other radio buttons of its group (queued, like a posted message).
    void SetCheck(int state);
    // BM_CLICK: what a click of the user does (check handling, then Command).
    void Click();
    int GetCheck() const { return m_nChecked; }

    Kind GetKind() const { return m_kind; }
    // Changing the kind keeps the checked state only for check boxes and radio buttons.
    void SetKind(Kind kind);
    int GetDlgCtrlID() const { return m_nId; }
    void SetDlgCtrlID(int id) { m_nId = id; }
    // Radio buttons with the same parent and group number form a group (default 0).
    void SetGroup(int group) { m_nGroup = group; }
    int GetGroup() const { return m_nGroup; }

    QColor GetTextColor() const { return m_textColor; }
    void SetTextColor(const QColor &color);
    bool IsHover() const { return m_bHover; }

    QSize sizeHint() const override;

signals:
    void Command(int id);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    enum Slot { Normal, Pressed, Hover, Focus, Disabled, Count };

    // Message 0x500 from a radio button of the same group.
    Q_INVOKABLE void ClearCheckFromGroup();
    void ToggleFromUser();
    void DrawState(QPainter &painter, Slot slot);

    Kind m_kind;
    int m_nId;
    int m_nGroup = 0;
    std::array<QPixmap, Count> m_bitmaps;
    int m_nChecked = 0;
    bool m_bHover = false;
    bool m_bTracking = false;
    QColor m_textColor{171, 171, 171};
};
