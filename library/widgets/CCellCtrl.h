#pragma once

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>

class CConfigListCtrl;
class QPainter;
class QWidget;

// A small control living in one cell of a CConfigListCtrl. The list owns its cells, routes
// mouse and keyboard input to the active one and asks every cell to draw itself.
//
// The handlers that return bool answer "continue": true lets the list go on with its own
// handling of the input.
class CCellCtrl
{
public:
    // Style flags, combined with the class-wide mask (AddClassStyle / RemoveClassStyle).
    enum Style : std::uint32_t {
        kStyleNotSelectable = 0x08, // clicks and Tab pass over the cell
        kStyleRight = 0x10,
        kStyleCenter = 0x20,
    };

    // What the list tells a cell about its row when it draws it.
    struct ItemState {
        bool selected = false;
        bool focused = false;
    };

    CCellCtrl();
    virtual ~CCellCtrl();
    CCellCtrl(const CCellCtrl &) = delete;
    CCellCtrl &operator=(const CCellCtrl &) = delete;

    // Binds the cell to its list; `enabled` points at the list's enabled flag (it outlives
    // the cell).
    virtual void Create(CConfigListCtrl *list, const bool *enabled, const QString &text);
    virtual void ResetHotPressed() {}
    virtual QRect GetCellRect() const { return m_rcCell; }
    virtual void SetCellRect(const QRect &rect) { m_rcCell = rect; }
    virtual QRect GetBoxRect() const { return m_rcBox; }
    virtual void Draw(QPainter &painter, const QRect &rect, ItemState state);
    virtual int GetMinWidth() const;
    virtual void Deactivate() { m_bActive = false; }
    virtual void Activate() { m_bActive = true; }

    virtual bool OnChar(const QString &) { return true; }
    virtual bool OnKeyDown(int /*key*/, Qt::KeyboardModifiers) { return true; }
    virtual bool OnKeyUp(int /*key*/, Qt::KeyboardModifiers) { return true; }
    virtual bool OnLButtonDown(Qt::KeyboardModifiers, QPoint) { return true; }
    virtual bool OnLButtonUp(Qt::KeyboardModifiers, QPoint) { return true; }
    virtual bool OnTimer(int /*timerId*/) { return true; }
    virtual bool OnVScroll() { return true; }
    virtual bool OnHScroll() { return true; }
    virtual bool OnMouseWheel(int /*delta*/) { return true; }
    virtual bool OnRButtonDown(Qt::KeyboardModifiers, QPoint) { return true; }
    virtual void OnKillFocus(QWidget * /*newFocus*/) {}
    virtual void OnSetFocus() {}
    virtual void OnMouseMove(Qt::KeyboardModifiers, QPoint) {}
    // The list's private message 0x1400.
    virtual void OnCellMessage(std::uintptr_t /*wParam*/, std::intptr_t /*lParam*/) {}
    virtual void OnThemeChanged() {}

    // Flags raised or cleared for every cell at once.
    static void AddClassStyle(std::uint32_t flags);
    static void RemoveClassStyle(std::uint32_t flags);
    virtual std::uint32_t GetStyle() const { return m_nStyle | s_nClassStyle; }
    void SetStyle(std::uint32_t style) { m_nStyle = style; }

    const QString &GetText() const { return m_strText; }
    virtual void SetText(const QString &text) { m_strText = text; }
    bool IsActive() const { return m_bActive; }
    bool IsHot() const { return m_bHot; }
    // The key under which the list keeps the cell, (row << 16) | column; kept by the list.
    // 64 bits wide, so every row a list can hold has keys of its own.
    using Key = std::uint64_t;
    Key GetCellKey() const { return m_nCellKey; }

protected:
    bool IsListEnabled() const { return m_pEnabled == nullptr || *m_pEnabled; }
    // The list's label fonts, shared by all its cells (the application font without a list).
    QFont NormalFont() const;
    QFont BoldFont() const;
    // Asks the list to repaint `rect` (client coordinates); nothing before Create.
    void Repaint(const QRect &rect) const;

    QString m_strText;
    CConfigListCtrl *m_pList = nullptr; // not owned: the list owns the cell
    bool m_bActive = false;
    bool m_bHot = false;
    std::uint32_t m_nStyle = 0;
    QRect m_rcCell;
    QRect m_rcBox;
    const bool *m_pEnabled = nullptr; // the list's enabled flag, not owned

private:
    friend class CConfigListCtrl;
    Key m_nCellKey = 0;

    static std::uint32_t s_nClassStyle;
};
