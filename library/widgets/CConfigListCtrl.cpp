#include "library/widgets/CConfigListCtrl.h"

#include "library/widgets/CCellCheckBox.h"
#include "library/widgets/LibraryWidgetsLogging.h"
#include "ui/CKipFileListVerticleScrollbar.h"
#include "ui/CSkinMemDC.h"
#include "ui/SkinBitmap.h"

#include <QApplication>
#include <QBitmap>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QWheelEvent>

#include <algorithm>
#include <limits>
#include <numeric>
#include <string_view>

namespace
{
constexpr int kSortCompareLength = 511; // the comparison reads a 512-character buffer

// Ordinal comparison of UTF-16 code units as unsigned 16-bit values.
int CompareOrdinal(const QString &a, const QString &b)
{
    const std::u16string_view left(reinterpret_cast<const char16_t *>(a.utf16()),
                                   std::min<qsizetype>(a.size(), kSortCompareLength));
    const std::u16string_view right(reinterpret_cast<const char16_t *>(b.utf16()),
                                    std::min<qsizetype>(b.size(), kSortCompareLength));
    return left.compare(right);
}

constexpr int kCheckStripBitmap = 241; // 72 x 16: unchecked, checked, disabled, disabled checked
const QColor kMagentaKey(255, 0, 255);

QFont MakeCellFont(int weight)
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Noto Sans"),
                      QStringLiteral("DejaVu Sans")});
    font.setPixelSize(11);
    font.setWeight(static_cast<QFont::Weight>(weight));
    return font;
}

// An item's text may start this far left of its label.
constexpr int kTextOverhang = 3;

// The widest of the names the camera writes, "YYYYMMDD_HHMMSS_CAT_Cn.EXT" (26 characters), in
// `metrics`: every digit, category, channel count and extension.
int WidestCameraName(const QFontMetrics &metrics)
{
    int widest = 0;
    for (const QChar digit : QStringLiteral("0123456789")) {
        const QString date = QString(8, digit) + '_' + QString(6, digit);
        for (const char *category : {"NOR", "EVT", "MOT"})
            for (const char *channels : {"C1", "C2"})
                for (const char *extension : {"AVI", "MP4"})
                    widest = std::max(widest, metrics.horizontalAdvance(
                                                  date + QStringLiteral("_%1_%2.%3")
                                                             .arg(QLatin1String(category),
                                                                  QLatin1String(channels),
                                                                  QLatin1String(extension))));
    }
    return widest;
}

// The skin's face draws Latin letters at half its em, and the name column was laid out for the
// camera's names in it; the faces that stand in for it on Linux run wider and would cut MP4
// names. The item font keeps the design size unless the widest camera name would not fit the
// column, and steps down a pixel at a time until it does (the rows keep their height).
QFont FitCameraNames(QFont font, int columnTextWidth)
{
    while (font.pixelSize() > 6 && WidestCameraName(QFontMetrics(font)) > columnTextWidth)
        font.setPixelSize(font.pixelSize() - 1);
    return font;
}

} // namespace

CConfigListCtrl::CConfigListCtrl(QWidget *parent)
    : QWidget(parent), m_font(FitCameraNames(MakeSkinFont(QStringLiteral("굴림"), 11, 400),
                                             kFileListColumns[kColumnName].width -
                                                 kColumn0LabelLeft + kTextOverhang)),
      m_cellFontNormal(MakeCellFont(400)), m_cellFontBold(MakeCellFont(700))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    m_bEnabled = isEnabled();
}

CConfigListCtrl::~CConfigListCtrl()
{
    m_pActiveCell = nullptr;
    m_cells.clear();
    delete m_pScrollbar.data(); // lives in our parent, but belongs to us
}

// ---------------------------------------------------------------------------------- columns

int CConfigListCtrl::InsertColumn(int column, const QString &heading, Qt::Alignment alignment,
                                  int width)
{
    column = std::clamp(column, 0, GetColumnCount());
    m_columns.insert(m_columns.begin() + column,
                     ColumnInfo{heading, alignment, std::max(0, width)});
    for (Row &row : m_rows)
        row.texts.insert(row.texts.begin() + column, QString());
    update();
    return column;
}

void CConfigListCtrl::SetUpFileList(QWidget &parent, const QRect &narrow, int width)
{
    setParent(&parent);
    setGeometry(narrow);
    CreateSkinScrollbar();
    setGeometry(narrow.x(), narrow.y(), width, narrow.height());
    ApplyLayout();
    InsertFileListColumns();
    SetRedraw(true);
}

void CConfigListCtrl::InsertFileListColumns()
{
    for (int column = 0; column < static_cast<int>(kFileListColumns.size()); ++column) {
        const ColumnDef &def = kFileListColumns[static_cast<std::size_t>(column)];
        ShiftColumns(column);
        InsertColumn(column, QString::fromUtf8(def.heading), def.alignment, def.width);
    }
    for (int column = 0; column < static_cast<int>(kFileListColumns.size()); ++column)
        SetColumnWidth(column, kFileListColumns[static_cast<std::size_t>(column)].width);
}

int CConfigListCtrl::GetColumnWidth(int column) const
{
    if (column < 0 || column >= GetColumnCount())
        return 0;
    return m_columns[static_cast<std::size_t>(column)].width;
}

void CConfigListCtrl::SetColumnWidth(int column, int width)
{
    if (column < 0 || column >= GetColumnCount())
        return;
    m_columns[static_cast<std::size_t>(column)].width = std::max(0, width);
    update();
}

QString CConfigListCtrl::GetColumnHeading(int column) const
{
    if (column < 0 || column >= GetColumnCount())
        return {};
    return m_columns[static_cast<std::size_t>(column)].heading;
}

int CConfigListCtrl::ColumnLeft(int column) const
{
    int left = 0;
    for (int c = 0; c < column && c < GetColumnCount(); ++c)
        left += m_columns[static_cast<std::size_t>(c)].width;
    return left;
}

// ------------------------------------------------------------------------------------ rows

int CConfigListCtrl::InsertItem(int row, const QString &text)
{
    row = std::clamp(row, 0, GetItemCount());
    Row item;
    item.texts.resize(std::max<qsizetype>(1, GetColumnCount()));
    item.texts[0] = text;
    m_rows.insert(m_rows.begin() + row, std::move(item));
    if (m_nSelectedItem >= row)
        ++m_nSelectedItem;
    if (m_nFocusedItem >= row)
        ++m_nFocusedItem;
    if (m_bRedraw) {
        update();
        UpdateScrollbar();
    }
    return row;
}

bool CConfigListCtrl::SetItemText(int row, int column, const QString &text)
{
    if (!IsValidRow(row) || column < 0 || column >= std::max(1, GetColumnCount()))
        return false;
    auto &texts = m_rows[static_cast<std::size_t>(row)].texts;
    if (texts.size() <= column)
        texts.resize(column + 1);
    texts[column] = text;
    if (m_bRedraw)
        update(GetItemRect(row));
    return true;
}

QString CConfigListCtrl::GetItemText(int row, int column) const
{
    if (!IsValidRow(row) || column < 0)
        return {};
    const auto &texts = m_rows[static_cast<std::size_t>(row)].texts;
    return column < texts.size() ? texts[column] : QString();
}

bool CConfigListCtrl::DeleteItem(int row)
{
    if (!IsValidRow(row))
        return false;
    m_rows.erase(m_rows.begin() + row);
    auto adjust = [row](int &index) {
        if (index == row)
            index = -1;
        else if (index > row)
            --index;
    };
    adjust(m_nSelectedItem);
    adjust(m_nFocusedItem);
    SetTopIndex(m_nTopIndex);
    if (m_bRedraw) {
        update();
        UpdateScrollbar();
    }
    return true;
}

void CConfigListCtrl::DeleteAllItems()
{
    DeactivateActiveCell();
    m_cells.clear();
    m_rows.clear();
    m_nSelectedItem = -1;
    m_nFocusedItem = -1;
    m_nTopIndex = 0;
    m_bTabNavigating = false;
    if (m_bRedraw) {
        update();
        UpdateScrollbar();
    }
}

void CConfigListCtrl::SortItems(int column, bool ascending)
{
    const int count = GetItemCount();
    std::vector<int> order(static_cast<std::size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    std::vector<QString> keys(static_cast<std::size_t>(count));
    for (int row = 0; row < count; ++row)
        keys[static_cast<std::size_t>(row)] = GetItemText(row, column);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int result =
            CompareOrdinal(keys[static_cast<std::size_t>(a)], keys[static_cast<std::size_t>(b)]);
        return ascending ? result < 0 : result > 0;
    });

    // order[newRow] = oldRow; rows, cells, selection and focus move together.
    std::vector<int> newIndexOf(static_cast<std::size_t>(count));
    std::vector<Row> sorted;
    sorted.reserve(static_cast<std::size_t>(count));
    for (int newRow = 0; newRow < count; ++newRow) {
        const int oldRow = order[static_cast<std::size_t>(newRow)];
        newIndexOf[static_cast<std::size_t>(oldRow)] = newRow;
        sorted.push_back(std::move(m_rows[static_cast<std::size_t>(oldRow)]));
    }
    m_rows = std::move(sorted);

    m_cells.Rekey([&](CCellCtrl::Key key) {
        const int row = KeyRow(key);
        const int newRow = row < count ? newIndexOf[static_cast<std::size_t>(row)] : row;
        return MakeCellKey(newRow, KeyColumn(key));
    });
    for (auto &[key, cell] : m_cells)
        cell->m_nCellKey = key;
    auto remap = [&](int &index) {
        if (index >= 0 && index < count)
            index = newIndexOf[static_cast<std::size_t>(index)];
    };
    remap(m_nSelectedItem);
    remap(m_nFocusedItem);
    remap(m_nActiveRow);
    if (m_bRedraw)
        update();
}

void CConfigListCtrl::SetRedraw(bool redraw)
{
    if (m_bRedraw == redraw)
        return;
    m_bRedraw = redraw;
    setUpdatesEnabled(redraw);
    if (redraw) {
        SetTopIndex(m_nTopIndex);
        update();
        UpdateScrollbar();
    }
}

bool CConfigListCtrl::IsItemChecked(int row) const
{
    return GetItemText(row, kColumnCheck) == QLatin1String("1");
}

// ------------------------------------------------------------------------------- selection

void CConfigListCtrl::SelectItem(int row)
{
    const int previous = m_nSelectedItem;
    const int previousFocus = m_nFocusedItem;
    if (!IsValidRow(row)) {
        ClearSelection();
        return;
    }
    m_nSelectedItem = row;
    m_nFocusedItem = row;
    update(GetItemRect(previous));
    update(GetItemRect(previousFocus));
    update(GetItemRect(row));
}

void CConfigListCtrl::ClearSelection()
{
    update(GetItemRect(m_nSelectedItem));
    update(GetItemRect(m_nFocusedItem));
    m_nSelectedItem = -1;
    m_nFocusedItem = -1;
}

void CConfigListCtrl::EnsureVisible(int row)
{
    if (!IsValidRow(row))
        return;
    const int perPage = std::max(1, GetCountPerPage());
    if (row < m_nTopIndex)
        SetTopIndex(row);
    else if (row >= m_nTopIndex + perPage)
        SetTopIndex(row - perPage + 1);
}

void CConfigListCtrl::SetCurrentItemSource(std::function<int()> source)
{
    m_currentItemSource = std::move(source);
    update();
}

int CConfigListCtrl::GetCurrentItem() const
{
    return m_currentItemSource ? m_currentItemSource() : -1;
}

// ----------------------------------------------------------------------------------- cells

CCellCheckBox *CConfigListCtrl::SetCheckCell(int row, std::unique_ptr<CCellCheckBox> cell)
{
    if (!cell || row < 0)
        return nullptr;
    RemoveCell(row, kColumnCheck);
    CCellCheckBox *raw = cell.get();
    raw->m_nCellKey = MakeCellKey(row, kColumnCheck);
    m_cells[raw->m_nCellKey] = std::move(cell);
    raw->Create(this, &m_bEnabled, QString());
    SetItemText(row, kColumnCheck, raw->GetText());
    return raw;
}

CCellCtrl *CConfigListCtrl::GetCell(int row, int column) const
{
    if (row < 0 || column < 0 || column > 0xFFFF)
        return nullptr;
    const auto it = m_cells.find(MakeCellKey(row, column));
    return it == m_cells.end() ? nullptr : it->second.get();
}

CCellCheckBox *CConfigListCtrl::GetCheckCell(int row) const
{
    return dynamic_cast<CCellCheckBox *>(GetCell(row, kColumnCheck));
}

void CConfigListCtrl::RemoveCell(int row, int column)
{
    if (row < 0 || column < 0 || column > 0xFFFF)
        return;
    const auto it = m_cells.find(MakeCellKey(row, column));
    if (it == m_cells.end())
        return;
    if (it->second.get() == m_pActiveCell) {
        m_pActiveCell->Deactivate();
        m_pActiveCell = nullptr;
        m_nActiveRow = -1;
        m_nActiveColumn = -1;
    }
    m_cells.erase(it);
}

void CConfigListCtrl::RemoveFirstRowCells()
{
    for (int column = 0; column < std::max(1, GetColumnCount()); ++column)
        RemoveCell(0, column);
    ShiftRows(1, false);
    update();
}

void CConfigListCtrl::ShiftRows(int row, bool inserting)
{
    row = std::max(0, row);
    const auto first = m_cells.lower_bound(MakeCellKey(row, 0));
    if (first == m_cells.end())
        return;
    // Take the affected cells out, re-key them, put them back: keys never collide midway.
    std::vector<std::pair<CCellCtrl::Key, std::unique_ptr<CCellCtrl>>> moved;
    for (auto it = first; it != m_cells.end(); ++it)
        moved.emplace_back(it->first, std::move(it->second));
    m_cells.erase(first, m_cells.end());
    for (auto &[key, cell] : moved) {
        const int oldRow = KeyRow(key);
        if (inserting ? oldRow == std::numeric_limits<int>::max() : oldRow == 0) {
            if (cell.get() == m_pActiveCell)
                DeactivateActiveCell();
            continue; // cannot be keyed: the cell goes with its row
        }
        cell->m_nCellKey = MakeCellKey(oldRow + (inserting ? 1 : -1), KeyColumn(key));
        std::unique_ptr<CCellCtrl> &slot = m_cells[cell->m_nCellKey];
        // Moving up onto a row whose cells were not removed first replaces them; the active
        // cell must not outlive its deletion.
        if (slot && slot.get() == m_pActiveCell)
            DeactivateActiveCell();
        slot = std::move(cell);
    }
    if (m_pActiveCell != nullptr && m_nActiveRow >= row)
        m_nActiveRow += inserting ? 1 : -1;
}

void CConfigListCtrl::ShiftColumns(int column)
{
    column = std::max(0, column);
    std::vector<std::pair<CCellCtrl::Key, std::unique_ptr<CCellCtrl>>> moved;
    for (auto it = m_cells.begin(); it != m_cells.end();) {
        if (KeyColumn(it->first) >= column) {
            moved.emplace_back(it->first, std::move(it->second));
            it = m_cells.erase(it);
        } else {
            ++it;
        }
    }
    for (auto &[key, cell] : moved) {
        cell->m_nCellKey = MakeCellKey(KeyRow(key), KeyColumn(key) + 1);
        m_cells[cell->m_nCellKey] = std::move(cell);
    }
    if (m_pActiveCell != nullptr && m_nActiveColumn >= column)
        ++m_nActiveColumn;
}

void CConfigListCtrl::SetCellText(CCellCtrl *cell, const QString &text)
{
    if (cell == nullptr)
        return;
    cell->SetText(text);
    const auto it = m_cells.find(cell->GetCellKey());
    if (it == m_cells.end() || it->second.get() != cell)
        return; // not one of ours
    SetItemText(KeyRow(it->first), KeyColumn(it->first), cell->GetText());
}

const QPixmap &CConfigListCtrl::GetCheckBoxGlyphs() const
{
    if (!m_bGlyphsLoaded) {
        m_bGlyphsLoaded = true;
        m_checkGlyphs = LoadSkinBitmap(kCheckStripBitmap);
        if (!m_checkGlyphs.isNull() && !m_checkGlyphs.hasAlpha())
            m_checkGlyphs.setMask(m_checkGlyphs.createMaskFromColor(kMagentaKey, Qt::MaskInColor));
    }
    return m_checkGlyphs;
}

int CConfigListCtrl::SendCellMessage(std::uintptr_t wParam, std::intptr_t lParam)
{
    if (m_pActiveCell != nullptr) {
        m_pActiveCell->OnCellMessage(wParam, lParam);
        SetItemText(m_nActiveRow, m_nActiveColumn, m_pActiveCell->GetText());
    }
    return 1;
}

bool CConfigListCtrl::IsSelectable(const CCellCtrl &cell) const
{
    return (cell.GetStyle() & CCellCtrl::kStyleNotSelectable) == 0;
}

void CConfigListCtrl::DeactivateActiveCell()
{
    if (m_pActiveCell != nullptr)
        m_pActiveCell->Deactivate();
    m_pActiveCell = nullptr;
    m_nActiveRow = -1;
    m_nActiveColumn = -1;
}

void CConfigListCtrl::ActivateCell(int row, int column, CCellCtrl *cell)
{
    if (m_pActiveCell != nullptr && m_pActiveCell != cell)
        m_pActiveCell->Deactivate();
    m_pActiveCell = cell;
    m_nActiveRow = row;
    m_nActiveColumn = column;
    cell->SetCellRect(GetSubItemRect(row, column));
}

// -------------------------------------------------------------------------------- geometry

CConfigListCtrl::HitTestResult CConfigListCtrl::HitTest(QPoint point) const
{
    HitTestResult result;
    if (point.y() < 0 || point.x() < 0 || !rect().contains(point))
        return result;
    const int row = m_nTopIndex + point.y() / kRowHeight;
    if (!IsValidRow(row))
        return result;
    int left = 0;
    for (int column = 0; column < GetColumnCount(); ++column) {
        const int width = m_columns[static_cast<std::size_t>(column)].width;
        if (point.x() >= left && point.x() < left + width) {
            result.row = row;
            result.column = column;
            return result;
        }
        left += width;
    }
    return result;
}

QRect CConfigListCtrl::GetItemRect(int row) const
{
    if (!IsValidRow(row))
        return {};
    const int top = (row - m_nTopIndex) * kRowHeight;
    return QRect(0, top, std::max(width(), ColumnLeft(GetColumnCount())), kRowHeight);
}

QRect CConfigListCtrl::GetSubItemRect(int row, int column) const
{
    if (!IsValidRow(row) || column < 0 || column >= GetColumnCount())
        return {};
    const int top = (row - m_nTopIndex) * kRowHeight;
    const int left = ColumnLeft(column);
    const int right = left + GetColumnWidth(column);
    const int labelLeft = column == 0 ? std::min(kColumn0LabelLeft, right) : left;
    return QRect(QPoint(labelLeft, top), QPoint(right - 1, top + kRowHeight - 1));
}

// ------------------------------------------------------------------------------- scrolling

int CConfigListCtrl::GetCountPerPage() const
{
    return std::max(0, height() / kRowHeight);
}

int CConfigListCtrl::GetVerticalScrollLimit() const
{
    return std::max(0, GetItemCount() - GetCountPerPage());
}

void CConfigListCtrl::ScrollVertical(int dyPixels)
{
    // Report lists scroll whole rows: round the pixels to the nearest row.
    const int half = kRowHeight / 2;
    const int rows = (dyPixels >= 0 ? dyPixels + half : dyPixels - half) / kRowHeight;
    if (rows != 0)
        SetTopIndex(m_nTopIndex + rows);
}

void CConfigListCtrl::SetTopIndex(int top)
{
    top = std::clamp(top, 0, GetVerticalScrollLimit());
    if (top == m_nTopIndex)
        return;
    m_nTopIndex = top;
    if (m_pActiveCell != nullptr)
        m_pActiveCell->SetCellRect(GetSubItemRect(m_nActiveRow, m_nActiveColumn));
    update();
    UpdateScrollbar();
}

void CConfigListCtrl::UpdateScrollbar()
{
    if (m_pScrollbar && m_bRedraw)
        m_pScrollbar->UpdateThumb();
}

void CConfigListCtrl::CreateSkinScrollbar()
{
    delete m_pScrollbar.data();
    m_pScrollbar = nullptr;
    QWidget *parent = parentWidget();
    if (parent == nullptr) {
        qCWarning(lcLibraryWidgets) << "no parent window for the skinned scrollbar";
        return;
    }
    auto *bar = new CKipFileListVerticleScrollbar(parent);
    const QRect list = geometry();
    bar->setGeometry(list.x() + list.width() - 1, list.y(), kScrollbarWidth, list.height());
    bar->SetList(this);
    bar->raise();
    m_pScrollbar = bar;
    bar->show();
    UpdateScrollbar();
}

CKipFileListVerticleScrollbar *CConfigListCtrl::GetSkinScrollbar() const
{
    return m_pScrollbar.data();
}

void CConfigListCtrl::ApplyLayout()
{
    if (m_pScrollbar) {
        const QRect list = geometry();
        m_pScrollbar->setGeometry(m_pScrollbar->x(), list.y(), m_pScrollbar->width(),
                                  list.height());
        m_pScrollbar->raise();
    }
    // Our own scroll bar is never created, so the list keeps its size.
    SetTopIndex(m_nTopIndex);
    UpdateScrollbar();
}

// -------------------------------------------------------------------------------- painting

void CConfigListCtrl::paintEvent(QPaintEvent *event)
{
    // Everything goes to an off-screen surface of the client's size first, the grid over the
    // items, then to the screen in one copy.
    QPainter target(this);
    target.setClipRegion(event->region());
    CSkinMemDC memDC(rect(), target);
    QPainter &painter = memDC.Painter();
    painter.fillRect(rect(), kBackgroundColour);

    const int first = m_nTopIndex + std::max(0, event->rect().top()) / kRowHeight;
    const int last =
        std::min(GetItemCount() - 1, m_nTopIndex + event->rect().bottom() / kRowHeight);
    for (int row = first; row <= last; ++row)
        DrawItem(painter, row);

    DrawGrid(painter);
    UpdateScrollbar();
}

void CConfigListCtrl::DrawItem(QPainter &painter, int row)
{
    const bool highlight = row == m_nSelectedItem || (row == m_nFocusedItem && hasFocus());
    const CCellCtrl::ItemState state{row == m_nSelectedItem, row == m_nFocusedItem};
    for (int column = 0; column < GetColumnCount(); ++column) {
        const QRect label = GetSubItemRect(row, column);
        if (CCellCtrl *cell = GetCell(row, column)) {
            cell->Draw(painter, label, state);
            continue;
        }
        if (label.width() > 0)
            DrawItemText(painter, row, column, label, highlight);
    }
}

void CConfigListCtrl::DrawItemText(QPainter &painter, int row, int column, const QRect &label,
                                   bool highlight)
{
    // 1. Background; the name's starts left of its label, under the small image.
    const QColor background = !m_bEnabled ? palette().color(QPalette::Button)
                              : highlight ? kSelectedColour
                                          : kBackgroundColour;
    QRect fill = label;
    if (column == 0)
        fill.setLeft(label.left() - kColumn0LabelLeft);
    painter.fillRect(fill, background);

    // 2. Colour: the loaded recording's row stands out in orange.
    QColor colour = m_bEnabled ? kTextColour : palette().color(QPalette::WindowText);
    if (row == GetCurrentItem())
        colour = kCurrentTextColour;

    // 3. One centred line, cut with an ellipsis when it does not fit.
    const QRect textRect = label.adjusted(-kTextOverhang, 0, 0, 0);
    const QFontMetrics metrics(m_font);
    const QString text =
        metrics.elidedText(GetItemText(row, column), Qt::ElideRight, textRect.width());
    painter.setFont(m_font);
    painter.setPen(colour);
    painter.drawText(textRect, Qt::AlignCenter | Qt::TextSingleLine, text);
}

void CConfigListCtrl::DrawGrid(QPainter &painter)
{
    painter.setPen(QPen(kGridColour, 1, Qt::SolidLine));
    int x = 0;
    for (int column = 0; column < std::min(4, GetColumnCount()); ++column) {
        x += GetColumnWidth(column);
        painter.drawLine(x - 1, 0, x - 1, height());
    }
    // Every row height, whether or not rows are there.
    for (int y = 0; y < height(); y += kRowHeight)
        painter.drawLine(0, y, width(), y);
}

// --------------------------------------------------------------------------- mouse and keys

void CConfigListCtrl::DefaultButtonDown(const HitTestResult &hit)
{
    setFocus(Qt::MouseFocusReason);
    if (IsValidRow(hit.row))
        SelectItem(hit.row);
    else
        ClearSelection();
    // The click reports where the button went down: that row was selected and its box
    // toggled, wherever the button comes up.
    m_clickHit = hit;
    m_bClickPending = true;
}

void CConfigListCtrl::mousePressEvent(QMouseEvent *event)
{
    const QPoint point = event->position().toPoint();
    const HitTestResult hit = HitTest(point);
    CCellCtrl *cell = GetCell(hit.row, hit.column);
    if (event->button() == Qt::RightButton) {
        if (m_pActiveCell != nullptr && !m_pActiveCell->OnRButtonDown(event->modifiers(), point))
            return;
        setFocus(Qt::MouseFocusReason);
        SelectItem(hit.row);
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;

    if (cell == nullptr || !IsSelectable(*cell)) {
        DeactivateActiveCell();
        DefaultButtonDown(hit);
        return;
    }
    ActivateCell(hit.row, hit.column, cell);
    setFocus(Qt::MouseFocusReason);
    const bool carryOn = cell->OnLButtonDown(event->modifiers(), point);
    SetItemText(hit.row, hit.column, cell->GetText());
    update(cell->GetCellRect());
    if (carryOn)
        DefaultButtonDown(hit);
}

void CConfigListCtrl::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint point = event->position().toPoint();
    if (m_pActiveCell != nullptr && !m_pActiveCell->OnLButtonUp(event->modifiers(), point)) {
        m_bClickPending = false;
        return;
    }
    if (!m_bClickPending)
        return;
    m_bClickPending = false;
    emit clicked(m_clickHit.row, m_clickHit.column);
}

void CConfigListCtrl::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    // The second press of a double click reaches no cell: a double click toggles once.
    const HitTestResult hit = HitTest(event->position().toPoint());
    setFocus(Qt::MouseFocusReason);
    if (IsValidRow(hit.row))
        SelectItem(hit.row);
    m_bClickPending = false;
    emit doubleClicked(hit.row, hit.column);
}

void CConfigListCtrl::mouseMoveEvent(QMouseEvent *event)
{
    if (m_pActiveCell != nullptr)
        m_pActiveCell->OnMouseMove(event->modifiers(), event->position().toPoint());
}

void CConfigListCtrl::wheelEvent(QWheelEvent *event)
{
    if (m_pActiveCell != nullptr && !m_pActiveCell->OnMouseWheel(event->angleDelta().y())) {
        event->accept();
        return;
    }
    m_nWheelRemainder += event->angleDelta().y();
    const int notches = m_nWheelRemainder / 120;
    m_nWheelRemainder -= notches * 120;
    if (notches != 0) {
        SetTopIndex(m_nTopIndex - notches * kWheelRows);
        if (m_pActiveCell != nullptr)
            m_pActiveCell->OnVScroll();
    }
    event->accept();
}

void CConfigListCtrl::DefaultKeyDown(QKeyEvent *event)
{
    const int count = GetItemCount();
    if (count == 0) {
        event->ignore();
        return;
    }
    const int current = m_nFocusedItem;
    const int perPage = std::max(1, GetCountPerPage());
    int target = current;
    switch (event->key()) {
    case Qt::Key_Up:
        target = current < 0 ? 0 : current - 1;
        break;
    case Qt::Key_Down:
        target = current < 0 ? 0 : current + 1;
        break;
    case Qt::Key_Home:
        target = 0;
        break;
    case Qt::Key_End:
        target = count - 1;
        break;
    case Qt::Key_PageUp:
        target = current <= m_nTopIndex ? current - perPage + 1 : m_nTopIndex;
        break;
    case Qt::Key_PageDown: {
        const int bottom = m_nTopIndex + perPage - 1;
        target = current >= bottom ? current + perPage - 1 : bottom;
        break;
    }
    case Qt::Key_Space:
        target = current < 0 ? 0 : current;
        break;
    default:
        event->ignore(); // no type-ahead
        return;
    }
    target = std::clamp(target, 0, count - 1);
    SelectItem(target);
    EnsureVisible(target);
    event->accept();
}

void CConfigListCtrl::keyPressEvent(QKeyEvent *event)
{
    if (m_pActiveCell == nullptr) {
        DefaultKeyDown(event);
        return;
    }
    // An active cell takes keys and characters alone.
    CCellCtrl *cell = m_pActiveCell;
    cell->OnKeyDown(event->key(), event->modifiers());
    if (!event->text().isEmpty() && event->text().front().isPrint())
        cell->OnChar(event->text());
    update(cell->GetCellRect());
    SetItemText(m_nActiveRow, m_nActiveColumn, cell->GetText());
    event->accept();
}

void CConfigListCtrl::keyReleaseEvent(QKeyEvent *event)
{
    if (!event->isAutoRepeat())
        m_bTabArmed = true;
    if (m_pActiveCell != nullptr && !m_pActiveCell->OnKeyUp(event->key(), event->modifiers())) {
        event->accept();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

bool CConfigListCtrl::HandleTab(bool backwards)
{
    if (m_cells.empty())
        return false;
    auto selectable = [this](const auto &entry) { return IsSelectable(*entry.second); };
    CConfigListCtrlCellMap::iterator found = m_cells.end();
    if (!m_bTabNavigating || m_pActiveCell == nullptr) {
        if (backwards) {
            const auto rit = std::find_if(m_cells.rbegin(), m_cells.rend(), selectable);
            if (rit != m_cells.rend())
                found = std::prev(rit.base());
        } else {
            found = std::find_if(m_cells.begin(), m_cells.end(), selectable);
        }
    } else {
        const auto current = m_cells.find(MakeCellKey(m_nActiveRow, m_nActiveColumn));
        if (current == m_cells.end())
            return false;
        if (backwards) {
            auto rit = std::make_reverse_iterator(current);
            rit = std::find_if(rit, m_cells.rend(), selectable);
            if (rit != m_cells.rend())
                found = std::prev(rit.base());
        } else {
            found = std::find_if(std::next(current), m_cells.end(), selectable);
        }
    }
    if (found == m_cells.end()) {
        m_bTabNavigating = false;
        return false; // past the last (first) cell: the window's own Tab order takes over
    }
    const int row = KeyRow(found->first);
    const int column = KeyColumn(found->first);
    SelectItem(row);
    ActivateCell(row, column, found->second.get());
    found->second->Activate();
    m_bTabNavigating = true;
    update(GetItemRect(row));
    return true;
}

bool CConfigListCtrl::event(QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool tab = key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier);
        const bool backtab = key->key() == Qt::Key_Backtab ||
                             (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier));
        if ((tab || backtab) && m_bTabArmed) {
            m_bTabArmed = false;
            if (HandleTab(backtab)) {
                key->accept();
                return true;
            }
        }
    }
    return QWidget::event(event);
}

void CConfigListCtrl::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    if (m_pActiveCell != nullptr)
        m_pActiveCell->OnSetFocus();
    update(GetItemRect(m_nFocusedItem));
}

void CConfigListCtrl::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    QWidget *next = QApplication::focusWidget();
    // A window a cell pops up is our child; focus moving there keeps the cell active.
    const bool intoCellWindow = next != nullptr && next != this && isAncestorOf(next);
    if (m_pActiveCell != nullptr && !intoCellWindow) {
        CCellCtrl *cell = m_pActiveCell;
        cell->Deactivate();
        cell->OnKillFocus(next);
        update(cell->GetCellRect());
        m_pActiveCell = nullptr;
        m_nActiveRow = -1;
        m_nActiveColumn = -1;
        m_bTabNavigating = false;
    }
    update(GetItemRect(m_nFocusedItem));
}

void CConfigListCtrl::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        m_bEnabled = isEnabled();
        update();
    } else if (event->type() == QEvent::StyleChange || event->type() == QEvent::PaletteChange) {
        for (auto &[key, cell] : m_cells)
            cell->OnThemeChanged();
    }
}

void CConfigListCtrl::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    SetTopIndex(m_nTopIndex);
    UpdateScrollbar();
}
