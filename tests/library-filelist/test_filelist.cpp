// The file list control on its own: cells, clicks, keys, drawing rules and scrolling.
#include "library/widgets/CCellCheckBox.h"
#include "library/widgets/CConfigListCtrl.h"
#include "ui/CKipFileListVerticleScrollbar.h"

#include <QImage>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace
{
constexpr int kCheckColumnLeft = 163 + 51 + 54; // left edge of column 3

bool IsGrid(QRgb pixel)
{
    return QColor(pixel) == CConfigListCtrl::kGridColour;
}

bool IsOrange(QRgb pixel)
{
    const QColor c(pixel);
    return c.red() > 180 && c.green() > 130 && c.green() < 215 && c.blue() < 90;
}

// Counts pixels of `rect` in `image` for which `test` holds.
template <typename Test> int CountPixels(const QImage &image, const QRect &rect, Test test)
{
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            count += test(image.pixel(x, y)) ? 1 : 0;
    return count;
}
} // namespace

class FileListControlTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void columnsAndCells();
    void clickOnBoxTogglesAndSelects();
    void clickOnNameKeepsCheck();
    void doubleClickTogglesOnce();
    void partlyVisibleBoxDoesNotToggle();
    void emptyListDrawsGridEveryRow();
    void loadedRowDrawsOrange();
    void selectedRowBackground();
    void disabledGlyphs_data();
    void disabledGlyphs();
    void shiftRowsAndRemoveFirstRow();
    void sortIsOrdinal();
    void scrollingByPixels_data();
    void scrollingByPixels();
    void wheelAndKeysScroll();
    void tabWalksTheCells();
    void keysDoNotToggle();
    void longNameIsElided();
    void skinnedScrollbarFollowsTheList();
    void draggingTheThumbToTheBottomShowsTheLastPage();
    void seventyThousandRowsKeepTheirOwnCells();
    void everyCameraNameFitsTheNameColumn();

private:
    void Fill(int rows);
    QPoint BoxCentre(int row) const;

    std::unique_ptr<QWidget> m_window;
    CConfigListCtrl *m_list = nullptr; // owned by m_window
};

void FileListControlTest::init()
{
    m_window = std::make_unique<QWidget>();
    m_window->resize(400, 600);
    m_list = new CConfigListCtrl(m_window.get());
    m_list->setGeometry(2, 79, 324, 508);
    m_list->InsertFileListColumns();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void FileListControlTest::cleanup()
{
    m_window.reset();
}

void FileListControlTest::Fill(int rows)
{
    for (int row = 0; row < rows; ++row) {
        const int at = m_list->GetItemCount();
        m_list->ShiftRows(at, true);
        m_list->InsertItem(
            at, QStringLiteral("20140721_1200%1_NOR_F.AVI").arg(row, 2, 10, QLatin1Char('0')));
        m_list->SetItemText(at, CConfigListCtrl::kColumnPath, QStringLiteral("/card/%1").arg(row));
        m_list->SetItemText(at, CConfigListCtrl::kColumnDate, QStringLiteral("14.07.21"));
        m_list->SetItemText(at, CConfigListCtrl::kColumnSize, QStringLiteral("1,205"));
        m_list->SetCheckCell(at, std::make_unique<CCellCheckBox>());
    }
}

QPoint FileListControlTest::BoxCentre(int row) const
{
    const QRect cell = m_list->GetSubItemRect(row, CConfigListCtrl::kColumnCheck);
    return CCellCheckBox::BoxRectFor(cell, 0, CCellCtrl::kStyleCenter).center();
}

void FileListControlTest::columnsAndCells()
{
    QCOMPARE(m_list->GetColumnCount(), 6);
    const int widths[] = {163, 51, 54, 40, 0, 0};
    for (int c = 0; c < 6; ++c)
        QCOMPARE(m_list->GetColumnWidth(c), widths[c]);
    QCOMPARE(m_list->GetColumnHeading(5), QStringLiteral("Full Date"));

    Fill(3);
    QCOMPARE(m_list->GetCellCount(), 3);
    QVERIFY(m_list->GetCheckCell(2) != nullptr);
    QCOMPARE(m_list->GetItemText(2, 3), QStringLiteral("0"));
    QCOMPARE(m_list->GetCheckCell(2)->GetText(), QStringLiteral("0"));
    QCOMPARE(CConfigListCtrl::MakeCellKey(2, 3), CCellCtrl::Key((2u << 16) | 3u));

    // A replaced cell is deleted and the new one starts unchecked.
    m_list->SetCellText(m_list->GetCheckCell(1), QStringLiteral("1"));
    QCOMPARE(m_list->GetItemText(1, 3), QStringLiteral("1"));
    m_list->SetCheckCell(1, std::make_unique<CCellCheckBox>());
    QCOMPARE(m_list->GetCellCount(), 3);
    QCOMPARE(m_list->GetItemText(1, 3), QStringLiteral("0"));

    // Create puts the state in front of a text that lacks one.
    CCellCheckBox box;
    box.Create(m_list, nullptr, QStringLiteral("label"));
    QCOMPARE(box.GetText(), QStringLiteral("0label"));
    QVERIFY(!box.IsChecked());
}

void FileListControlTest::clickOnBoxTogglesAndSelects()
{
    Fill(5);
    QSignalSpy clicks(m_list, &CConfigListCtrl::clicked);
    QTest::mouseClick(m_list, Qt::LeftButton, {}, BoxCentre(2));
    QCOMPARE(m_list->GetItemText(2, 3), QStringLiteral("1"));
    QCOMPARE(m_list->GetCheckCell(2)->GetText(), QStringLiteral("1"));
    QVERIFY(m_list->IsItemChecked(2));
    QCOMPARE(m_list->GetSelectedItem(), 2);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(clicks.front().at(0).toInt(), 2);
    QCOMPARE(clicks.front().at(1).toInt(), 3);
    QCOMPARE(m_list->GetActiveRow(), 2);

    QTest::mouseClick(m_list, Qt::LeftButton, {}, BoxCentre(2));
    QCOMPARE(m_list->GetItemText(2, 3), QStringLiteral("0"));
    QCOMPARE(m_list->GetSelectedItem(), 2);
    for (int row : {0, 1, 3, 4})
        QCOMPARE(m_list->GetItemText(row, 3), QStringLiteral("0"));
}

void FileListControlTest::clickOnNameKeepsCheck()
{
    Fill(5);
    m_list->SetCellText(m_list->GetCheckCell(3), QStringLiteral("1"));
    QTest::mouseClick(m_list, Qt::LeftButton, {}, m_list->GetSubItemRect(3, 0).center());
    QCOMPARE(m_list->GetSelectedItem(), 3);
    QCOMPARE(m_list->GetItemText(3, 3), QStringLiteral("1"));
    QVERIFY(m_list->GetActiveCell() == nullptr);

    // In the check column but beside the box: the row is selected, nothing toggles.
    const QRect cell = m_list->GetSubItemRect(1, 3);
    QTest::mouseClick(m_list, Qt::LeftButton, {}, QPoint(cell.left() + 2, cell.center().y()));
    QCOMPARE(m_list->GetSelectedItem(), 1);
    QCOMPARE(m_list->GetItemText(1, 3), QStringLiteral("0"));

    // Below the last row: nothing selected, the click reports row -1.
    QSignalSpy clicks(m_list, &CConfigListCtrl::clicked);
    QTest::mouseClick(m_list, Qt::LeftButton, {}, QPoint(50, 400));
    QCOMPARE(m_list->GetSelectedItem(), -1);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(clicks.front().at(0).toInt(), -1);
}

void FileListControlTest::doubleClickTogglesOnce()
{
    Fill(3);
    QSignalSpy doubles(m_list, &CConfigListCtrl::doubleClicked);
    // Through the window, as a real double click arrives: press, release, double click,
    // release. Only the first press reaches the cell.
    QTest::mouseDClick(m_window->windowHandle(), Qt::LeftButton, {},
                       m_list->mapTo(m_window.get(), BoxCentre(1)));
    QCOMPARE(m_list->GetItemText(1, 3), QStringLiteral("1"));
    QCOMPARE(doubles.count(), 1);
    QCOMPARE(doubles.front().at(0).toInt(), 1);
}

void FileListControlTest::partlyVisibleBoxDoesNotToggle()
{
    Fill(40);
    // 508 pixels hold 24 whole rows; row 24 shows its top 4 pixels only.
    QCOMPARE(m_list->GetCountPerPage(), 24);
    const QRect cell = m_list->GetSubItemRect(24, 3);
    QCOMPARE(cell.top(), 24 * 21);
    const QPoint inside(BoxCentre(24).x(), m_list->height() - 1);
    QTest::mouseClick(m_list, Qt::LeftButton, {}, inside);
    QCOMPARE(m_list->GetItemText(24, 3), QStringLiteral("0"));
    QCOMPARE(m_list->GetSelectedItem(), 24); // the row itself is still clicked

    // The last whole row's box ends 2 pixels below its row and still fits: it toggles.
    QTest::mouseClick(m_list, Qt::LeftButton, {}, BoxCentre(23));
    QCOMPARE(m_list->GetItemText(23, 3), QStringLiteral("1"));

    // Scrolled into full view, row 24 toggles.
    m_list->ScrollVertical(21);
    QCOMPARE(m_list->GetTopIndex(), 1);
    QTest::mouseClick(m_list, Qt::LeftButton, {}, BoxCentre(24));
    QCOMPARE(m_list->GetItemText(24, 3), QStringLiteral("1"));
}

void FileListControlTest::emptyListDrawsGridEveryRow()
{
    const QImage image = m_list->grab().toImage();
    QCOMPARE(image.size(), QSize(324, 508));
    for (int y = 0; y < image.height(); ++y) {
        const bool line = y % 21 == 0;
        // Away from the column lines, a row of pixels is all grid or all background.
        QCOMPARE(IsGrid(image.pixel(100, y)), line);
        QCOMPARE(IsGrid(image.pixel(320, y)), line);
        if (!line)
            QCOMPARE(QColor(image.pixel(100, y)), CConfigListCtrl::kBackgroundColour);
    }
    for (int x : {162, 213, 267, 307})
        QVERIFY2(IsGrid(image.pixel(x, 10)), qPrintable(QString::number(x)));
    QVERIFY(!IsGrid(image.pixel(163, 10)));
}

void FileListControlTest::loadedRowDrawsOrange()
{
    Fill(6);
    int current = -1;
    m_list->SetCurrentItemSource([&current] { return current; });
    auto orangeInRow = [this](int row) {
        const QImage image = m_list->grab().toImage();
        const QRect rowRect = m_list->GetItemRect(row).intersected(QRect(0, 0, 300, 508));
        return CountPixels(image, rowRect, IsOrange);
    };
    QCOMPARE(orangeInRow(4), 0);
    current = 4;
    m_list->update();
    QVERIFY(orangeInRow(4) > 10);
    QCOMPARE(orangeInRow(3), 0);
    QCOMPARE(orangeInRow(5), 0);
}

void FileListControlTest::selectedRowBackground()
{
    Fill(4);
    m_list->SelectItem(1);
    const QImage image = m_list->grab().toImage();
    const int y = 21 + 2; // inside row 1, off its text
    QCOMPARE(QColor(image.pixel(1, y)), CConfigListCtrl::kSelectedColour); // name fill from 0
    QCOMPARE(QColor(image.pixel(190, y)), CConfigListCtrl::kSelectedColour);
    QCOMPARE(QColor(image.pixel(kCheckColumnLeft + 1, y)), CConfigListCtrl::kBackgroundColour);
    QCOMPARE(QColor(image.pixel(190, 2)), CConfigListCtrl::kBackgroundColour); // row 0

    m_list->ClearSelection();
    QCOMPARE(m_list->GetSelectedItem(), -1);
    QCOMPARE(m_list->GetFocusedItem(), -1);
}

void FileListControlTest::disabledGlyphs_data()
{
    QTest::addColumn<bool>("checked");
    QTest::addColumn<bool>("disabled");
    QTest::addColumn<int>("index");
    QTest::newRow("unchecked") << false << false << 0;
    QTest::newRow("checked") << true << false << 1;
    QTest::newRow("disabled unchecked") << false << true << 2;
    QTest::newRow("disabled checked") << true << true << 3;
}

void FileListControlTest::disabledGlyphs()
{
    QFETCH(bool, checked);
    QFETCH(bool, disabled);
    QFETCH(int, index);
    QCOMPARE(CCellCheckBox::GlyphIndex(checked, disabled), index);

    // Each state draws a different glyph.
    Fill(1);
    m_list->SetCellText(m_list->GetCheckCell(0),
                        checked ? QStringLiteral("1") : QStringLiteral("0"));
    m_list->setEnabled(!disabled);
    const QRect box = CCellCheckBox::BoxRectFor(m_list->GetSubItemRect(0, 3), 0, 0x20);
    const QImage glyph = m_list->grab(box).toImage();
    static QList<QImage> seen;
    if (QByteArray(QTest::currentDataTag()) == "unchecked")
        seen.clear();
    for (const QImage &other : seen)
        QVERIFY(other != glyph);
    seen.append(glyph);
}

void FileListControlTest::shiftRowsAndRemoveFirstRow()
{
    Fill(4);
    CCellCtrl *row1 = m_list->GetCell(1, 3);
    CCellCtrl *row2 = m_list->GetCell(2, 3);
    // Inserting at row 1: cells from row 1 on move one row down, row 0 keeps its key.
    CCellCtrl *row0 = m_list->GetCell(0, 3);
    m_list->ShiftRows(1, true);
    QCOMPARE(m_list->GetCell(0, 3), row0);
    QVERIFY(m_list->GetCell(1, 3) == nullptr);
    QCOMPARE(m_list->GetCell(2, 3), row1);
    QCOMPARE(m_list->GetCell(3, 3), row2);
    m_list->InsertItem(1, QStringLiteral("inserted"));
    m_list->SetCheckCell(1, std::make_unique<CCellCheckBox>());
    QCOMPARE(m_list->GetCellCount(), 5);

    // Removing row 0's cells re-keys the rest one row up.
    m_list->RemoveFirstRowCells();
    m_list->DeleteItem(0);
    QCOMPARE(m_list->GetCellCount(), 4);
    QCOMPARE(m_list->GetItemText(0, 0), QStringLiteral("inserted"));
    QCOMPARE(m_list->GetCell(1, 3), row1);
    QCOMPARE(m_list->GetCell(2, 3), row2);

    // Columns: cells at or after the column move one column right.
    m_list->ShiftColumns(3);
    QCOMPARE(m_list->GetCell(1, 4), row1);
    QVERIFY(m_list->GetCell(1, 3) == nullptr);
    m_list->ShiftColumns(5);
    QCOMPARE(m_list->GetCell(1, 4), row1);

    m_list->DeleteAllItems();
    QCOMPARE(m_list->GetItemCount(), 0);
    QCOMPARE(m_list->GetCellCount(), 0);

    // Shifting up onto a row whose cells are still there replaces them; the active one among
    // them stops being active instead of staying behind deleted.
    Fill(3);
    QTest::mouseClick(m_list, Qt::LeftButton, {}, BoxCentre(0));
    QCOMPARE(m_list->GetActiveRow(), 0);
    CCellCtrl *moved = m_list->GetCell(1, 3);
    m_list->ShiftRows(1, false);
    QCOMPARE(m_list->GetCellCount(), 2);
    QCOMPARE(m_list->GetCell(0, 3), moved);
    QVERIFY(m_list->GetActiveCell() == nullptr);
    QCOMPARE(m_list->GetActiveRow(), -1);
    QTest::keyClick(m_list, Qt::Key_Down); // no active cell: the list's own keys
    QCOMPARE(m_list->GetSelectedItem(), 1);
    QTest::mouseClick(m_list, Qt::LeftButton, {}, BoxCentre(0));
    QCOMPARE(m_list->GetItemText(0, 3), QStringLiteral("1"));
    QCOMPARE(m_list->GetActiveCell(), moved);
}

void FileListControlTest::sortIsOrdinal()
{
    const QStringList names{QStringLiteral("b.AVI"), QStringLiteral("a.AVI"),
                            QStringLiteral("B.AVI"), QStringLiteral("\u00e9.AVI"),
                            QStringLiteral("c.AVI")};
    for (const QString &name : names) {
        const int at = m_list->InsertItem(m_list->GetItemCount(), name);
        m_list->SetItemText(at, CConfigListCtrl::kColumnPath, QStringLiteral("/x/") + name);
        m_list->SetCheckCell(at, std::make_unique<CCellCheckBox>());
    }
    m_list->SetCellText(m_list->GetCheckCell(0), QStringLiteral("1")); // "b.AVI"
    m_list->SelectItem(4);                                             // "c.AVI"
    m_list->SortItems(0, true);
    const QStringList expected{QStringLiteral("B.AVI"), QStringLiteral("a.AVI"),
                               QStringLiteral("b.AVI"), QStringLiteral("c.AVI"),
                               QStringLiteral("\u00e9.AVI")};
    for (int row = 0; row < expected.size(); ++row) {
        QCOMPARE(m_list->GetItemText(row, 0), expected[row]);
        QCOMPARE(m_list->GetItemText(row, 4), QStringLiteral("/x/") + expected[row]);
    }
    // Check states and the selection go with their rows.
    QCOMPARE(m_list->GetItemText(2, 3), QStringLiteral("1"));
    QVERIFY(m_list->GetCheckCell(2)->IsChecked());
    QVERIFY(!m_list->GetCheckCell(0)->IsChecked());
    QCOMPARE(m_list->GetSelectedItem(), 3);
}

void FileListControlTest::scrollingByPixels_data()
{
    QTest::addColumn<int>("dy");
    QTest::addColumn<int>("top");
    QTest::newRow("one row of 21 pixels") << 21 << 1;
    QTest::newRow("a thumb step of 20 pixels") << 20 << 1;
    QTest::newRow("less than half a row") << 10 << 0;
    QTest::newRow("a page") << 24 * 21 << 24;
    QTest::newRow("past the end") << 100000 << 100 - 24;
    QTest::newRow("before the start") << -21 << 0;
}

void FileListControlTest::scrollingByPixels()
{
    QFETCH(int, dy);
    QFETCH(int, top);
    Fill(100);
    QCOMPARE(m_list->GetVerticalScrollLimit(), 100 - 24);
    m_list->ScrollVertical(dy);
    QCOMPARE(m_list->GetVerticalScrollPos(), top);
    QCOMPARE(m_list->HitTest(QPoint(10, 5)).row, top);
}

void FileListControlTest::wheelAndKeysScroll()
{
    Fill(100);
    const QPoint at(50, 50);
    QWheelEvent down(at, m_list->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(m_list, &down);
    QCOMPARE(m_list->GetTopIndex(), 3);

    m_list->setFocus();
    m_list->SelectItem(0);
    QTest::keyClick(m_list, Qt::Key_End);
    QCOMPARE(m_list->GetSelectedItem(), 99);
    QCOMPARE(m_list->GetTopIndex(), 100 - 24);
    QTest::keyClick(m_list, Qt::Key_Up);
    QCOMPARE(m_list->GetSelectedItem(), 98);
    QTest::keyClick(m_list, Qt::Key_Home);
    QCOMPARE(m_list->GetSelectedItem(), 0);
    QCOMPARE(m_list->GetTopIndex(), 0);
}

void FileListControlTest::tabWalksTheCells()
{
    Fill(3);
    auto *after = new QWidget(m_window.get());
    after->setFocusPolicy(Qt::StrongFocus);
    after->setGeometry(340, 10, 20, 20);
    after->show();
    m_list->setFocus();
    QTest::keyRelease(m_list, Qt::Key_Shift); // a key release arms the Tab handling

    QTest::keyClick(m_list, Qt::Key_Tab);
    QCOMPARE(m_list->GetActiveRow(), 0);
    QCOMPARE(m_list->GetActiveColumn(), 3);
    QCOMPARE(m_list->GetSelectedItem(), 0);
    QTest::keyClick(m_list, Qt::Key_Tab);
    QCOMPARE(m_list->GetActiveRow(), 1);
    QTest::keyClick(m_list, Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(m_list->GetActiveRow(), 0);
    QTest::keyClick(m_list, Qt::Key_Tab);
    QTest::keyClick(m_list, Qt::Key_Tab);
    QCOMPARE(m_list->GetActiveRow(), 2);
    QCOMPARE(m_list->GetSelectedItem(), 2);

    // Past the last cell the window's Tab order takes over and the cell stops being active.
    QTest::keyClick(m_list, Qt::Key_Tab);
    QTRY_VERIFY(after->hasFocus());
    QVERIFY(m_list->GetActiveCell() == nullptr);
}

void FileListControlTest::keysDoNotToggle()
{
    Fill(3);
    QTest::mouseClick(m_list, Qt::LeftButton, {}, BoxCentre(1));
    QCOMPARE(m_list->GetItemText(1, 3), QStringLiteral("1"));
    QVERIFY(m_list->GetActiveCell() != nullptr);
    for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_X, Qt::Key_Down})
        QTest::keyClick(m_list, key);
    QCOMPARE(m_list->GetItemText(1, 3), QStringLiteral("1"));
    QCOMPARE(m_list->GetSelectedItem(), 1); // keys go to the active cell only
}

void FileListControlTest::longNameIsElided()
{
    const int at = m_list->InsertItem(0, QString(200, QLatin1Char('W')));
    m_list->SetCheckCell(at, std::make_unique<CCellCheckBox>());
    const QImage image = m_list->grab().toImage();
    // The text stays inside column 0: nothing but background and grid right of its line.
    const QRect dateCell(163, 1, 50, 19);
    QCOMPARE(CountPixels(image, dateCell,
                         [](QRgb p) { return QColor(p) != CConfigListCtrl::kBackgroundColour; }),
             0);
    QVERIFY(CountPixels(image, QRect(5, 1, 150, 19), [](QRgb p) {
                return QColor(p) != CConfigListCtrl::kBackgroundColour;
            }) > 20);
}

void FileListControlTest::skinnedScrollbarFollowsTheList()
{
    m_list->setGeometry(2, 79, 308, 508);
    m_list->CreateSkinScrollbar();
    m_list->setGeometry(2, 79, 324, 508);
    m_list->ApplyLayout();
    CKipFileListVerticleScrollbar *bar = m_list->GetSkinScrollbar();
    QVERIFY(bar != nullptr);
    QCOMPARE(bar->parentWidget(), m_window.get());
    QCOMPARE(bar->geometry(), QRect(2 + 308 - 1, 79, 18, 508));

    // Rows that fit on one page hide the bar; more rows show it.
    Fill(5);
    QTRY_VERIFY(!bar->isVisible());
    Fill(95);
    QTRY_VERIFY(bar->isVisible());
    QVERIFY(bar->GetThumbHeight() >= 20);

    // A click on the track below the thumb pages down by a page of rows.
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(8, 400));
    QCOMPARE(m_list->GetTopIndex(), 24);
    // The down arrow steps one row.
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(8, 508 - 8));
    QCOMPARE(m_list->GetTopIndex(), 25);

    // Emptied, the bar hides again.
    m_list->DeleteAllItems();
    QTRY_VERIFY(!bar->isVisible());
}

void FileListControlTest::draggingTheThumbToTheBottomShowsTheLastPage()
{
    m_list->CreateSkinScrollbar();
    m_list->ApplyLayout();
    Fill(500);
    CKipFileListVerticleScrollbar *bar = m_list->GetSkinScrollbar();
    QTRY_VERIFY(bar->isVisible());
    const QPoint thumb = bar->GetThumbRect().center();
    QTest::mousePress(bar, Qt::LeftButton, {}, thumb);
    for (int y = thumb.y(); y <= bar->height() + 40; y += 25)
        QTest::mouseMove(bar, QPoint(thumb.x(), y));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(thumb.x(), bar->height() + 40));
    QCOMPARE(m_list->GetTopIndex(), m_list->GetVerticalScrollLimit());
    QCOMPARE(m_list->HitTest(QPoint(10, 23 * 21 + 5)).row, 499);
    const QRect thumbRect = bar->GetThumbRect();
    QVERIFY(thumbRect.bottom() <= bar->height() - 16);
    QVERIFY(thumbRect.top() >= 16);
}

void FileListControlTest::seventyThousandRowsKeepTheirOwnCells()
{
    // More rows than 16 bits count: every row keeps a check box of its own through a sort, a
    // shift and a click, so Save and Delete read the rows the user checked.
    constexpr int kRows = 70000;
    auto name = [](int n) { return QStringLiteral("%1.AVI").arg(n, 5, 10, QLatin1Char('0')); };
    auto checkedName = [](int n) { return n % 1000 == 7; };
    m_list->SetRedraw(false);
    for (int row = 0; row < kRows; ++row) {
        const int n = kRows - 1 - row; // descending: the sort reverses every row
        m_list->InsertItem(row, name(n));
        m_list->SetItemText(row, CConfigListCtrl::kColumnPath, name(n));
        m_list->SetCheckCell(row, std::make_unique<CCellCheckBox>());
        if (checkedName(n))
            m_list->SetCellText(m_list->GetCheckCell(row), QStringLiteral("1"));
    }
    m_list->SetRedraw(true);
    QCOMPARE(m_list->GetCellCount(), kRows);

    m_list->SortItems(CConfigListCtrl::kColumnName, true);
    QCOMPARE(m_list->GetCellCount(), kRows);
    for (int row = 0; row < kRows; ++row) {
        QCOMPARE(m_list->GetItemText(row, CConfigListCtrl::kColumnName), name(row));
        CCellCheckBox *box = m_list->GetCheckCell(row);
        QVERIFY(box != nullptr);
        QCOMPARE(box->GetCellKey(),
                 CConfigListCtrl::MakeCellKey(row, CConfigListCtrl::kColumnCheck));
        QCOMPARE(box->IsChecked(), checkedName(row));
        QCOMPARE(m_list->IsItemChecked(row), checkedName(row));
    }

    // A click on row 68 000's box toggles that row only (not row 68 000 - 65 536).
    constexpr int kClicked = 68000;
    m_list->EnsureVisible(kClicked);
    QTest::mouseClick(m_list, Qt::LeftButton, {}, BoxCentre(kClicked));
    QVERIFY(m_list->IsItemChecked(kClicked));
    QVERIFY(!m_list->IsItemChecked(kClicked - 0x10000));
    int checked = 0;
    for (int row = 0; row < kRows; ++row)
        checked += m_list->IsItemChecked(row) ? 1 : 0;
    QCOMPARE(checked, kRows / 1000 + 1);

    // Rows inserted at the top move every cell down, the last ones included.
    m_list->ShiftRows(0, true);
    m_list->InsertItem(0, QStringLiteral("top"));
    QCOMPARE(m_list->GetCellCount(), kRows);
    QVERIFY(m_list->GetCheckCell(0) == nullptr);
    QVERIFY(m_list->IsItemChecked(kClicked + 1));
    QVERIFY(m_list->GetCheckCell(kRows) != nullptr);
}

void FileListControlTest::everyCameraNameFitsTheNameColumn()
{
    // The names the camera writes at their widest: every digit, category, channel count and
    // both containers.
    QStringList names;
    for (const QChar digit : QStringLiteral("0123456789"))
        for (const QString category : {"NOR", "EVT", "MOT"})
            for (const QString tail : {"C1.AVI", "C2.AVI", "C1.MP4", "C2.MP4"})
                names << QString(8, digit) + '_' + QString(6, digit) + '_' + category + '_' + tail;
    names << QStringLiteral("20140721_093120_NOR_C2.AVI")
          << QStringLiteral("20140721_093120_NOR_C2.MP4");

    const QLocale before;
    const QString shots = qEnvironmentVariable("QUORVIL_SHOT_DIR");
    // The four languages of the texts: a locale may change which installed face stands in.
    for (const QLocale::Language language :
         {QLocale::English, QLocale::Japanese, QLocale::Korean, QLocale::Russian}) {
        QLocale::setDefault(QLocale(language));
        cleanup();
        init();
        QCOMPARE(m_list->GetItemFont().pixelSize() >= 9, true);
        const QFontMetrics metrics(m_list->GetItemFont());
        const int rowsPerPage = m_list->height() / CConfigListCtrl::kRowHeight;
        for (qsizetype first = 0; first < names.size(); first += rowsPerPage) {
            m_list->DeleteAllItems();
            const QStringList page = names.mid(first, rowsPerPage);
            for (const QString &name : page)
                m_list->InsertItem(m_list->GetItemCount(), name);
            const QImage image = m_list->grab().toImage();
            if (!shots.isEmpty())
                image.save(QStringLiteral("%1/filelist-names-%2-%3.png")
                               .arg(shots, QLocale::languageToCode(language))
                               .arg(first));
            for (int row = 0; row < page.size(); ++row) {
                // The name's ink: drawn whole it spans the name's full width, inside the
                // column (cut with an ellipsis it would be narrower).
                const QRect cell(0, row * CConfigListCtrl::kRowHeight + 1, 162,
                                 CConfigListCtrl::kRowHeight - 1);
                int left = cell.right() + 1, right = -1;
                for (int y = cell.top(); y <= cell.bottom(); ++y)
                    for (int x = cell.left(); x <= cell.right(); ++x)
                        if (QColor(image.pixel(x, y)) != CConfigListCtrl::kBackgroundColour &&
                            !IsGrid(image.pixel(x, y))) {
                            left = std::min(left, x);
                            right = std::max(right, x);
                        }
                const int advance = metrics.horizontalAdvance(page[row]);
                QVERIFY2(right - left + 1 >= advance - 3,
                         qPrintable(QStringLiteral("%1 in %2: ink %3 of %4 pixels")
                                        .arg(page[row], QLocale::languageToString(language))
                                        .arg(right - left + 1)
                                        .arg(advance)));
                QVERIFY(left >= 0 && right < 162);
            }
        }
        // The rows keep their height.
        QCOMPARE(m_list->GetSubItemRect(0, 0).height(), CConfigListCtrl::kRowHeight);
    }
    QLocale::setDefault(before);
}

QTEST_MAIN(FileListControlTest)
#include "test_filelist.moc"
