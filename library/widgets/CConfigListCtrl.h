#pragma once

#include "library/widgets/CCellCtrl.h"
#include "library/widgets/CConfigListCtrlCellMap.h"
#include "ui/IScrollableList.h"

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QVarLengthArray>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class CCellCheckBox;
class CKipFileListVerticleScrollbar;

// The file list: an owner-drawn report list without a header, 21-pixel rows, single
// selection, that hosts small controls ("cells") in individual cells; every row of the
// viewer's lists carries a check box cell in column 3. Only the visible rows are drawn, so
// lists of many thousand rows stay quick. It scrolls by whole rows, through the skinned
// scrollbar (its own scroll bar is never shown).
//
// Cells are keyed by (row << 16) | column. Inserting or deleting rows does not move cells by
// itself: callers shift them first (ShiftRows, RemoveFirstRowCells), as the catalogue does.
class CConfigListCtrl : public QWidget, public IScrollableList
{
    Q_OBJECT
public:
    // The file list's columns.
    enum Column : int {
        kColumnName = 0,
        kColumnDate = 1,
        kColumnSize = 2,
        kColumnCheck = 3,
        kColumnPath = 4,
        kColumnFullDate = 5,
    };
    struct ColumnDef {
        const char *heading;
        Qt::Alignment alignment;
        int width;
    };
    // Headings (never shown), alignment and widths of the file list's six columns.
    static constexpr std::array<ColumnDef, 6> kFileListColumns{{
        {"Name", Qt::AlignLeft, 163},
        {"Data", Qt::AlignHCenter, 51},
        {"Size", Qt::AlignHCenter, 54},
        {"Check", Qt::AlignHCenter, 40},
        {"Path", Qt::AlignHCenter, 0},
        {"Full Date", Qt::AlignHCenter, 0},
    }};

    static constexpr int kRowHeight = 21;       // 2 x edge (2) + vertical thumb (17)
    static constexpr int kColumn0LabelLeft = 5; // the small image's room before the name
    static constexpr int kWheelRows = 3;        // rows per wheel notch
    static constexpr int kScrollbarWidth = 18;
    static inline const QColor kBackgroundColour{33, 33, 33};
    static inline const QColor kGridColour{62, 62, 60};
    static inline const QColor kSelectedColour{71, 71, 71};
    static inline const QColor kTextColour{150, 150, 150};
    static inline const QColor kCurrentTextColour{239, 183, 26};

    explicit CConfigListCtrl(QWidget *parent = nullptr);
    ~CConfigListCtrl() override;

    // Any row (0 .. INT_MAX) and columns 0 .. 0xFFFF.
    static constexpr CCellCtrl::Key MakeCellKey(int row, int column)
    {
        return (static_cast<CCellCtrl::Key>(static_cast<std::uint32_t>(row)) << 16) |
               static_cast<CCellCtrl::Key>(column & 0xFFFF);
    }
    static constexpr int KeyRow(CCellCtrl::Key key) { return static_cast<int>(key >> 16); }
    static constexpr int KeyColumn(CCellCtrl::Key key) { return static_cast<int>(key & 0xFFFF); }

    // --- Columns
    int InsertColumn(int column, const QString &heading, Qt::Alignment alignment, int width);
    // The six file-list columns, each after ShiftColumns for its index, then the widths again.
    void InsertFileListColumns();
    // A file list of window `parent`: placed at `narrow` while its skinned scrollbar is made,
    // then widened to `width` with the scrollbar fitted again, the six columns, drawing on.
    void SetUpFileList(QWidget &parent, const QRect &narrow, int width);
    int GetColumnCount() const { return static_cast<int>(m_columns.size()); }
    int GetColumnWidth(int column) const;
    void SetColumnWidth(int column, int width);
    QString GetColumnHeading(int column) const;

    // --- Rows and texts
    int GetItemCount() const override { return static_cast<int>(m_rows.size()); }
    // Inserts a row at `row` (clamped to the row count) with `text` in column 0; its index.
    int InsertItem(int row, const QString &text);
    bool SetItemText(int row, int column, const QString &text);
    QString GetItemText(int row, int column) const;
    // Deletes the row (cells are not moved: see RemoveFirstRowCells and ShiftRows).
    bool DeleteItem(int row);
    // Deletes every row and every cell at once: the same end as removing row 0's cells and
    // row 0 as often as there are rows, without re-keying the cells each time.
    void DeleteAllItems();
    // Sorts by the column's text, compared code unit by code unit (ordinal, at most 511
    // units, like the 512-character buffer the comparison reads). Rows keep their cells,
    // selection and focus.
    void SortItems(int column, bool ascending);
    // Drawing on or off; switching it on repaints.
    void SetRedraw(bool redraw);
    // A row's check state as the rest of the viewer reads it: column 3 says "1".
    bool IsItemChecked(int row) const;

    // --- Selection (single)
    void SelectItem(int row); // selected and focused; -1 selects nothing
    void ClearSelection();    // no row selected or focused
    int GetSelectedItem() const { return m_nSelectedItem; }
    int GetFocusedItem() const { return m_nFocusedItem; }
    bool IsItemSelected(int row) const { return row >= 0 && row == m_nSelectedItem; }
    void EnsureVisible(int row);

    // --- The row whose recording is loaded (drawn in orange); read at every paint.
    void SetCurrentItemSource(std::function<int()> source);
    int GetCurrentItem() const;

    // --- Cells
    // Attaches `cell` to column 3 of `row`, replacing any cell there; the item text of
    // column 3 becomes the cell's text ("0"). Returns the cell.
    CCellCheckBox *SetCheckCell(int row, std::unique_ptr<CCellCheckBox> cell);
    CCellCtrl *GetCell(int row, int column) const;
    CCellCheckBox *GetCheckCell(int row) const;
    void RemoveCell(int row, int column);
    void RemoveFirstRowCells();
    void ShiftRows(int row, bool inserting);
    void ShiftColumns(int column);
    void SetCellText(CCellCtrl *cell, const QString &text);
    int GetCellCount() const { return static_cast<int>(m_cells.size()); }
    CCellCtrl *GetActiveCell() const { return m_pActiveCell; }
    int GetActiveRow() const { return m_nActiveRow; }
    int GetActiveColumn() const { return m_nActiveColumn; }
    // The normal (400) or bold (700) font of the cells' labels ("MS Sans Serif", 11 pixels).
    const QFont &GetCellFont(bool bold) const { return bold ? m_cellFontBold : m_cellFontNormal; }
    // The font of the item texts: the skin's face, at a size at which every name the camera
    // writes fits the name column.
    const QFont &GetItemFont() const { return m_font; }
    // The four check box glyphs of bitmap 241, magenta transparent; null without the skin.
    const QPixmap &GetCheckBoxGlyphs() const;
    // The list's private message 0x1400 for the active cell; always answers 1.
    int SendCellMessage(std::uintptr_t wParam, std::intptr_t lParam);

    // --- Geometry
    struct HitTestResult {
        int row = -1;
        int column = -1;
    };
    HitTestResult HitTest(QPoint point) const;
    QRect GetItemRect(int row) const;                // the whole row, client coordinates
    QRect GetSubItemRect(int row, int column) const; // a column's label rectangle
    int GetTopIndex() const { return m_nTopIndex; }
    void RepaintRect(const QRect &rect) { update(rect); }

    // --- Skinned scrollbar
    // Creates the skinned scrollbar beside the list, in the list's parent: 18 pixels wide,
    // its left edge one pixel left of the list's right edge.
    void CreateSkinScrollbar();
    // Fits the scrollbar to the list's top and height, keeping its left edge and width.
    void ApplyLayout();
    CKipFileListVerticleScrollbar *GetSkinScrollbar() const;

    // IScrollableList
    int GetVerticalScrollPos() const override { return m_nTopIndex; }
    int GetVerticalScrollLimit() const override;
    int GetCountPerPage() const override;
    void ScrollVertical(int dyPixels) override;

signals:
    // A left click on the list (row -1 outside the rows), after the cell and the selection
    // have handled it.
    void clicked(int row, int column);
    // A left double click.
    void doubleClicked(int row, int column);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    struct ColumnInfo {
        QString heading;
        Qt::Alignment alignment;
        int width = 0;
    };
    struct Row {
        // One per column; the file list's six live inside the row, without an allocation.
        QVarLengthArray<QString, kFileListColumns.size()> texts;
    };

    void DrawItem(QPainter &painter, int row);
    void DrawItemText(QPainter &painter, int row, int column, const QRect &label, bool highlight);
    void DrawGrid(QPainter &painter);
    int ColumnLeft(int column) const;
    bool IsValidRow(int row) const { return row >= 0 && row < GetItemCount(); }
    void SetTopIndex(int top);
    void UpdateScrollbar();
    void DeactivateActiveCell();
    void ActivateCell(int row, int column, CCellCtrl *cell);
    void DefaultButtonDown(const HitTestResult &hit);
    void DefaultKeyDown(QKeyEvent *event);
    bool HandleTab(bool backwards);
    bool IsSelectable(const CCellCtrl &cell) const;

    std::vector<ColumnInfo> m_columns;
    std::vector<Row> m_rows;
    QPointer<CKipFileListVerticleScrollbar> m_pScrollbar; // owned: deleted with the list
    QFont m_font;
    QFont m_cellFontNormal;
    QFont m_cellFontBold;
    mutable QPixmap m_checkGlyphs; // loaded on first use
    mutable bool m_bGlyphsLoaded = false;
    // Cells by key, in ascending key order (row-major), which is also the Tab order.
    CConfigListCtrlCellMap m_cells;
    bool m_bTabArmed = false;      // a key release arms the next Tab
    bool m_bTabNavigating = false; // a Tab made a cell active
    bool m_bEnabled = true;        // copy of the widget's enabled state; cells point at it
    int m_nActiveRow = -1;
    int m_nActiveColumn = -1;
    CCellCtrl *m_pActiveCell = nullptr; // not owned: one of m_cells
    int m_nSelectedItem = -1;
    int m_nFocusedItem = -1;
    int m_nTopIndex = 0;
    int m_nWheelRemainder = 0; // eighths of a degree not yet turned into rows
    bool m_bClickPending = false;
    HitTestResult m_clickHit; // where the pending click went down
    bool m_bRedraw = true;
    std::function<int()> m_currentItemSource;
};
