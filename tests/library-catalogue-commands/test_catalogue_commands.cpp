// The catalogue commands on real folders: both lists filled and kept in step, category and
// date filters, Check all, the Folder command and click mirroring.
#include "library/widgets/CCatalogueController.h"
#include "library/widgets/CCellCheckBox.h"
#include "library/widgets/CConfigListCtrl.h"
#include "library/widgets/CSelectMonthDlg.h"

#include "tests/library-common/CatalogueTestHost.h"

#include <QCalendarWidget>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

namespace
{
void WriteFile(const QString &path, qint64 size, const QDateTime &modified = {})
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QVERIFY(file.resize(size));
    if (modified.isValid())
        QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
}

QStringList Names(const CConfigListCtrl &list)
{
    QStringList names;
    for (int row = 0; row < list.GetItemCount(); ++row)
        names << list.GetItemText(row, CConfigListCtrl::kColumnName);
    return names;
}

QStringList Column(const CConfigListCtrl &list, int column)
{
    QStringList texts;
    for (int row = 0; row < list.GetItemCount(); ++row)
        texts << list.GetItemText(row, column);
    return texts;
}

const QString kNormal = QStringLiteral("20140721_101500_NOR_F.AVI");
const QString kEvent = QStringLiteral("20140721_093000_EVT_R.MP4");
const QString kMotion = QStringLiteral("20140305_120000_mot_F.avi");
const QString kEventOtherDay = QStringLiteral("20140722_080000_EVT_F.AVI");
const QString kOddName = QStringLiteral("20140721_110000_NOR_F über alles.MP4");
} // namespace

class FileListFiltersTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void refreshFillsBothListsSorted();
    void categories_data();
    void categories();
    void missingFolderGivesEmptyList();
    void checkAllAndUndo();
    void otherCategoryClearsCheckAll();
    void categoryWithoutLibrary();
    void dateFilterWithCategory();
    void dateFilterCancelKeepsList();
    void folderCommand();
    void folderCommandCancelledOrUnchecked();
    void clicksMirrorBothWays();
    void loadedRowOrangeInBothLists();
    void tenThousandRecordings();
    void noPanelYet();
    void pictures();

private:
    void MakeCard();
    void Refresh(int type = 1, int dateFilter = 0)
    {
        m_controller->RefreshCatalogue(type, dateFilter);
    }
    void ExpectInStep();

    EnglishWindow m_language;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QWidget> m_window;
    CConfigListCtrl *m_main = nullptr;  // owned by m_window
    CConfigListCtrl *m_panel = nullptr; // owned by m_window
    std::unique_ptr<CatalogueTestHost> m_host;
    std::unique_ptr<CCatalogueController> m_controller;
};

void FileListFiltersTest::initTestCase()
{
    SetAppMainWindow(&m_language);
}

void FileListFiltersTest::init()
{
    m_dir =
        std::make_unique<QTemporaryDir>(qEnvironmentVariable("QUORVIL_TEST_TMP", QDir::tempPath()) +
                                        QStringLiteral("/filelist-XXXXXX"));
    QVERIFY(m_dir->isValid());
    m_window = std::make_unique<QWidget>();
    m_window->resize(700, 600);
    m_main = new CConfigListCtrl(m_window.get());
    m_main->setGeometry(2, 79, 324, 508);
    m_panel = new CConfigListCtrl(m_window.get());
    m_panel->setGeometry(350, 79, 324, 508);
    for (CConfigListCtrl *list : {m_main, m_panel}) {
        list->InsertFileListColumns();
        list->CreateSkinScrollbar();
        list->ApplyLayout();
    }
    m_host = std::make_unique<CatalogueTestHost>();
    m_controller = std::make_unique<CCatalogueController>(*m_main, *m_host);
    m_controller->SetPanelList(m_panel);
    connect(m_main, &CConfigListCtrl::clicked, m_main,
            [this](int row, int) { m_controller->OnFileListClick(row); });
    connect(m_panel, &CConfigListCtrl::clicked, m_panel,
            [this](int row, int) { m_controller->OnPanelFileListClick(row); });
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void FileListFiltersTest::cleanup()
{
    QCOMPARE(m_host->dialogs.UnscriptedCalls(), 0);
    QVERIFY(m_host->dialogs.ScriptConsumed());
    m_controller.reset();
    m_window.reset();
    m_host.reset();
    m_dir.reset();
}

// A card: three recordings, found in the order B, A, C, beside files that never list.
void FileListFiltersTest::MakeCard()
{
    const QString recordings = m_dir->filePath(QStringLiteral("card/Recordings"));
    QVERIFY(QDir().mkpath(recordings));
    QVERIFY(QDir().mkpath(recordings + QStringLiteral("/20140721_000000_NOR_F.AVI")));
    const QDateTime march5(QDate(2014, 3, 5), QTime(12, 0));
    WriteFile(recordings + u'/' + kNormal, 1234567, march5);
    WriteFile(recordings + u'/' + kEvent, 1000 * 1024, march5);
    WriteFile(recordings + u'/' + kMotion, 1024, march5);
    WriteFile(recordings + u'/' + kEventOtherDay, 999 * 1024, march5);
    WriteFile(recordings + u'/' + kOddName, 4096, march5);
    WriteFile(recordings + QStringLiteral("/readme.txt"), 5000);
    WriteFile(recordings + QStringLiteral("/20140721_130000_NOR_F.AVI"), 1023);
    WriteFile(recordings + QStringLiteral("/20140721_140000_NOR_F.AVI"), 0);
    m_host->root = m_dir->filePath(QStringLiteral("card"));
}

void FileListFiltersTest::ExpectInStep()
{
    QCOMPARE(m_panel->GetItemCount(), m_main->GetItemCount());
    for (int column = 0; column < 6; ++column)
        QCOMPARE(Column(*m_panel, column), Column(*m_main, column));
    QCOMPARE(m_panel->GetSelectedItem(), m_main->GetSelectedItem());
    QCOMPARE(m_panel->GetCellCount(), m_main->GetCellCount());
}

void FileListFiltersTest::refreshFillsBothListsSorted()
{
    MakeCard();
    Refresh();
    const QStringList expected{kMotion, kEvent, kNormal, kOddName, kEventOtherDay};
    QCOMPARE(Names(*m_main), expected);
    ExpectInStep();
    QCOMPARE(m_main->GetCellCount(), 5);

    const int normal = expected.indexOf(kNormal);
    QCOMPARE(m_main->GetItemText(normal, 1), QStringLiteral("14.03.05"));
    QCOMPARE(m_main->GetItemText(normal, 2), QStringLiteral("1,205"));
    QCOMPARE(m_main->GetItemText(normal, 3), QStringLiteral("0"));
    QCOMPARE(m_main->GetItemText(normal, 4),
             m_host->root + QStringLiteral("/Recordings/") + kNormal);
    const QDateTime march5(QDate(2014, 3, 5), QTime(12, 0));
    QCOMPARE(m_main->GetItemText(normal, 5), QString::number(march5.toSecsSinceEpoch()));
    QCOMPARE(m_main->GetItemText(expected.indexOf(kEvent), 2), QStringLiteral("1,000"));
    QCOMPARE(m_main->GetItemText(expected.indexOf(kEventOtherDay), 2), QStringLiteral("999"));
    QCOMPARE(m_main->GetItemText(expected.indexOf(kMotion), 2), QStringLiteral("1"));

    for (int id : {1009, 1084})
        QVERIFY(m_host->buttons.value(id));
    for (int id : {1010, 1011, 1012, 1085, 1086, 1087})
        QVERIFY(!m_host->buttons.value(id));

    // A second refresh rebuilds, it does not append.
    Refresh();
    QCOMPARE(Names(*m_main), expected);
    ExpectInStep();
}

void FileListFiltersTest::categories_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("checkedButton");
    QTest::newRow("all") << 1 << QStringList{kMotion, kEvent, kNormal, kOddName, kEventOtherDay}
                         << 1009;
    QTest::newRow("normal") << 2 << QStringList{kNormal, kOddName} << 1010;
    QTest::newRow("event") << 3 << QStringList{kEvent, kEventOtherDay} << 1011;
    QTest::newRow("motion, token in lower case") << 4 << QStringList{kMotion} << 1012;
    QTest::newRow("unknown type counts as all")
        << 9 << QStringList{kMotion, kEvent, kNormal, kOddName, kEventOtherDay} << 1009;
}

void FileListFiltersTest::categories()
{
    QFETCH(int, type);
    QFETCH(QStringList, names);
    QFETCH(int, checkedButton);
    MakeCard();
    m_controller->OnCategoryButton(type);
    QCOMPARE(Names(*m_main), names);
    ExpectInStep();
    for (int id = 1009; id <= 1012; ++id) {
        QCOMPARE(m_host->buttons.value(id), id == checkedButton);
        QCOMPARE(m_host->buttons.value(id + 75), id == checkedButton); // panel 1084..1087
    }
    QCOMPARE(m_controller->GetCheckedCategoryType(), checkedButton - 1008);
}

void FileListFiltersTest::missingFolderGivesEmptyList()
{
    m_host->root = m_dir->filePath(QStringLiteral("no-card"));
    Refresh();
    QCOMPARE(m_main->GetItemCount(), 0);
    QCOMPARE(m_panel->GetItemCount(), 0);
    QVERIFY(m_host->dialogs.MessageBoxCalls().empty());
}

void FileListFiltersTest::checkAllAndUndo()
{
    MakeCard();
    Refresh();
    m_host->buttons[1093] = true; // the click toggled the button
    m_controller->OnCheckAllButton();
    QCOMPARE(Column(*m_main, 3), QStringList(5, QStringLiteral("1")));
    for (int row = 0; row < 5; ++row)
        QVERIFY(m_panel->GetCheckCell(row)->IsChecked());
    ExpectInStep();
    QVERIFY(m_host->buttons.value(1099));

    m_host->buttons[1093] = false;
    m_controller->OnCheckAllButton();
    QCOMPARE(Column(*m_main, 3), QStringList(5, QStringLiteral("0")));
    for (int row = 0; row < 5; ++row)
        QVERIFY(!m_main->GetCheckCell(row)->IsChecked());
    ExpectInStep();
    QVERIFY(!m_host->buttons.value(1099));
}

void FileListFiltersTest::otherCategoryClearsCheckAll()
{
    MakeCard();
    Refresh();
    m_host->buttons[1093] = true;
    m_controller->OnCheckAllButton();
    m_controller->OnCategoryButton(3);
    QVERIFY(!m_host->buttons.value(1093));
    QVERIFY(!m_host->buttons.value(1099));
    QCOMPARE(Names(*m_main), (QStringList{kEvent, kEventOtherDay}));
    QCOMPARE(Column(*m_main, 3), QStringList(2, QStringLiteral("0")));
    ExpectInStep();
}

void FileListFiltersTest::categoryWithoutLibrary()
{
    MakeCard();
    const QString card = m_host->root;
    m_host->root.clear();
    // The drive selection is cancelled: the button stays checked, the list stays empty.
    m_controller->OnCategoryButton(2);
    QCOMPARE(m_host->driveSelections, 1);
    QVERIFY(m_host->buttons.value(1010));
    QCOMPARE(m_main->GetItemCount(), 0);

    m_host->driveToSelect = card;
    m_controller->OnCategoryButton(2);
    QCOMPARE(m_host->driveSelections, 2);
    QCOMPARE(Names(*m_main), (QStringList{kNormal, kOddName}));
    ExpectInStep();
}

void FileListFiltersTest::dateFilterWithCategory()
{
    MakeCard();
    m_controller->OnCategoryButton(3);
    m_host->buttons[1003] = true;
    const QDate july21(2014, 7, 21);
    m_host->dialogs.QueueModal([&](QDialog &dialog) {
        auto *month = qobject_cast<CSelectMonthDlg *>(&dialog);
        if (!month)
            return int(QDialog::Rejected);
        // It opens on today, titled from the text table.
        if (month->GetCalendar()->selectedDate() != QDate::currentDate() ||
            month->windowTitle() != QStringLiteral("Date Selection"))
            return int(QDialog::Rejected);
        month->GetCalendar()->setSelectedDate(july21);
        return int(QDialog::Accepted);
    });
    m_controller->OnDateFilterButton();
    QCOMPARE(m_host->dialogs.ModalCalls(), 1);
    QCOMPARE(m_host->filterDate, july21.startOfDay().toSecsSinceEpoch());
    QCOMPARE(Names(*m_main), QStringList{kEvent});
    ExpectInStep();
    QVERIFY(m_host->buttons.value(1003));
    QVERIFY(m_host->buttons.value(1088));
    QVERIFY(m_host->buttons.value(1011));

    // A category keeps the date filter.
    m_controller->OnCategoryButton(1);
    QCOMPARE(Names(*m_main), (QStringList{kEvent, kNormal, kOddName}));

    m_controller->OnCategoryButton(3);
    m_host->buttons[1003] = false;
    m_controller->OnDateFilterButton();
    QCOMPARE(Names(*m_main), (QStringList{kEvent, kEventOtherDay}));
    QVERIFY(!m_host->buttons.value(1088));
    ExpectInStep();
}

void FileListFiltersTest::dateFilterCancelKeepsList()
{
    MakeCard();
    Refresh(2);
    const QStringList before = Names(*m_main);
    m_host->buttons[1003] = true;
    m_host->buttons[1088] = true;
    m_host->dialogs.QueueModal([](QDialog &) { return int(QDialog::Rejected); });
    m_controller->OnDateFilterButton();
    QVERIFY(!m_host->buttons.value(1003));
    QVERIFY(!m_host->buttons.value(1088));
    QCOMPARE(Names(*m_main), before);
    QCOMPARE(m_host->filterDate, 0);
}

void FileListFiltersTest::folderCommand()
{
    MakeCard();
    Refresh();
    // A folder of the PC with two recordings and a Recordings folder of its own.
    const QString folder = m_dir->filePath(QStringLiteral("pc folder"));
    QVERIFY(QDir().mkpath(folder + QStringLiteral("/Recordings")));
    WriteFile(folder + u'/' + kEventOtherDay, 2048);
    WriteFile(folder + u'/' + kNormal, 2048);
    WriteFile(folder + QStringLiteral("/Recordings/") + kEvent, 2048);

    m_host->buttons[1092] = true;
    m_host->buttons[1009] = false; // no category checked: All is taken
    m_host->dialogs.QueueFolder(folder);
    m_controller->OnFolderButton();

    QCOMPARE(m_host->dialogs.FolderBrowserCalls().size(), std::size_t(1));
    const FolderBrowserRequest &request = m_host->dialogs.FolderBrowserCalls().front().request;
    QCOMPARE(request.title, QStringLiteral("Select Folder"));
    QCOMPARE(request.caption, QStringLiteral("Browse Folders"));
    QCOMPARE(request.initialFolder, QDir::homePath());
    QCOMPARE(m_host->root, folder);
    QVERIFY(m_host->folderMode);
    QCOMPARE(Names(*m_main), (QStringList{kNormal, kEventOtherDay}));
    QCOMPARE(m_main->GetItemText(0, 4), folder + u'/' + kNormal);
    ExpectInStep();
    QVERIFY(m_host->buttons.value(1009));
    QVERIFY(m_host->buttons.value(1091));
}

void FileListFiltersTest::folderCommandCancelledOrUnchecked()
{
    MakeCard();
    Refresh();
    const QString card = m_host->root;
    const QStringList before = Names(*m_main);

    m_host->buttons[1092] = true;
    m_host->buttons[1091] = true;
    m_host->folderMode = true;
    m_host->dialogs.QueueFolder(std::nullopt);
    m_controller->OnFolderButton();
    QVERIFY(!m_host->folderMode);
    QVERIFY(!m_host->buttons.value(1092));
    QVERIFY(!m_host->buttons.value(1091));
    QCOMPARE(m_host->root, card);
    QCOMPARE(Names(*m_main), before);

    m_host->folderMode = true;
    m_host->buttons[1091] = true;
    m_host->buttons[1092] = false;
    m_controller->OnFolderButton();
    QVERIFY(!m_host->folderMode);
    QVERIFY(!m_host->buttons.value(1091));
    QCOMPARE(m_host->dialogs.FolderBrowserCalls().size(), std::size_t(1));
    QCOMPARE(Names(*m_main), before);
}

void FileListFiltersTest::clicksMirrorBothWays()
{
    MakeCard();
    Refresh();
    auto boxCentre = [](const CConfigListCtrl &list, int row) {
        return CCellCheckBox::BoxRectFor(list.GetSubItemRect(row, 3), 0, 0x20).center();
    };
    QTest::mouseClick(m_main, Qt::LeftButton, {}, boxCentre(*m_main, 2));
    QCOMPARE(m_main->GetItemText(2, 3), QStringLiteral("1"));
    QCOMPARE(m_panel->GetItemText(2, 3), QStringLiteral("1"));
    QVERIFY(m_panel->GetCheckCell(2)->IsChecked());
    QCOMPARE(m_panel->GetSelectedItem(), 2);
    ExpectInStep();

    // From the panel back to the main list: uncheck row 2, then check row 4 by its box.
    QTest::mouseClick(m_panel, Qt::LeftButton, {}, boxCentre(*m_panel, 2));
    QCOMPARE(m_main->GetItemText(2, 3), QStringLiteral("0"));
    QTest::mouseClick(m_panel, Qt::LeftButton, {}, boxCentre(*m_panel, 4));
    QCOMPARE(m_main->GetItemText(4, 3), QStringLiteral("1"));
    QCOMPARE(m_main->GetSelectedItem(), 4);
    ExpectInStep();

    // The button comes up over another row: the click belongs to the row it went down on.
    QTest::mousePress(m_main, Qt::LeftButton, {}, boxCentre(*m_main, 0));
    QTest::mouseMove(m_main, boxCentre(*m_main, 3));
    QTest::mouseRelease(m_main, Qt::LeftButton, {}, boxCentre(*m_main, 3));
    QCOMPARE(m_main->GetItemText(0, 3), QStringLiteral("1"));
    QCOMPARE(m_panel->GetItemText(0, 3), QStringLiteral("1"));
    QCOMPARE(m_main->GetItemText(3, 3), QStringLiteral("0"));
    QCOMPARE(m_panel->GetSelectedItem(), 0);
    ExpectInStep();

    // A click on a name only moves the selection, in both.
    QTest::mouseClick(m_main, Qt::LeftButton, {}, m_main->GetSubItemRect(1, 0).center());
    QCOMPARE(m_panel->GetSelectedItem(), 1);
    ExpectInStep();
    // A click below the rows clears both selections.
    QTest::mouseClick(m_main, Qt::LeftButton, {}, QPoint(40, 400));
    QCOMPARE(m_main->GetSelectedItem(), -1);
    ExpectInStep();
}

void FileListFiltersTest::loadedRowOrangeInBothLists()
{
    MakeCard();
    Refresh();
    m_host->currentItem = 1;
    m_controller->RepaintLists();
    for (CConfigListCtrl *list : {m_main, m_panel}) {
        const QImage image = list->grab().toImage();
        auto orange = [&](int row) {
            int count = 0;
            const QRect rect = list->GetItemRect(row).intersected(QRect(0, 0, 300, 508));
            for (int y = rect.top(); y <= rect.bottom(); ++y)
                for (int x = rect.left(); x <= rect.right(); ++x) {
                    const QColor c(image.pixel(x, y));
                    count += (c.red() > 180 && c.green() > 130 && c.green() < 215 && c.blue() < 90);
                }
            return count;
        };
        QVERIFY(orange(1) > 10);
        QCOMPARE(orange(0), 0);
        QCOMPARE(orange(2), 0);
    }
}

void FileListFiltersTest::tenThousandRecordings()
{
    constexpr int kCount = 10000;
    const QString recordings = m_dir->filePath(QStringLiteral("big/Recordings"));
    QVERIFY(QDir().mkpath(recordings));
    // Created in a shuffled order, so the folder does not list them sorted.
    std::vector<int> order(kCount);
    for (int i = 0; i < kCount; ++i)
        order[static_cast<std::size_t>(i)] = i;
    std::shuffle(order.begin(), order.end(), *QRandomGenerator::global());
    for (int i : order) {
        const QDateTime when = QDateTime(QDate(2014, 1, 1), QTime(0, 0)).addSecs(i * 60);
        const QString name =
            when.toString(QStringLiteral("yyyyMMdd_HHmmss")) +
            (i % 3 == 0 ? QStringLiteral("_EVT_F.AVI") : QStringLiteral("_NOR_F.MP4"));
        WriteFile(recordings + u'/' + name, 1024 + i);
    }
    m_host->root = m_dir->filePath(QStringLiteral("big"));
    Refresh();
    QCOMPARE(m_main->GetItemCount(), kCount);
    QCOMPARE(m_panel->GetItemCount(), kCount);
    QCOMPARE(m_main->GetCellCount(), kCount);
    const QStringList names = Names(*m_main);
    for (int row = 1; row < kCount; ++row)
        QVERIFY(names[row - 1] < names[row]);
    QCOMPARE(Names(*m_panel), names);
    QCOMPARE(m_main->GetItemText(kCount - 1, 3), QStringLiteral("0"));

    // Scroll to the end and toggle the last row.
    m_main->ScrollVertical(kCount * CConfigListCtrl::kRowHeight);
    QCOMPARE(m_main->GetTopIndex(), kCount - m_main->GetCountPerPage());
    QCOMPARE(m_main->HitTest(QPoint(10, (m_main->GetCountPerPage() - 1) * 21 + 5)).row, kCount - 1);
    QTest::mouseClick(
        m_main, Qt::LeftButton, {},
        CCellCheckBox::BoxRectFor(m_main->GetSubItemRect(kCount - 1, 3), 0, 0x20).center());
    QCOMPARE(m_panel->GetItemText(kCount - 1, 3), QStringLiteral("1"));
    QCOMPARE(m_panel->GetSelectedItem(), kCount - 1);
    const QImage page = m_main->grab().toImage();
    QCOMPARE(page.size(), m_main->size());

    m_controller->OnCategoryButton(3);
    QCOMPARE(m_main->GetItemCount(), (kCount + 2) / 3);
    ExpectInStep();
}

void FileListFiltersTest::noPanelYet()
{
    MakeCard();
    m_controller->SetPanelList(nullptr);
    m_host->buttons.clear();
    Refresh(3);
    QCOMPARE(Names(*m_main), (QStringList{kEvent, kEventOtherDay}));
    QCOMPARE(m_panel->GetItemCount(), 0);
    for (int id : {1084, 1085, 1086, 1087, 1099, 1088, 1091})
        QVERIFY(!m_host->buttons.contains(id));
    QTest::mouseClick(m_main, Qt::LeftButton, {}, m_main->GetSubItemRect(0, 0).center());
    QCOMPARE(m_panel->GetSelectedItem(), -1);

    // The panel's list joins late: it takes the main list's rows, checks and selection.
    m_panel->InsertItem(0, QStringLiteral("left over"));
    m_main->SetCellText(m_main->GetCheckCell(1), QStringLiteral("1"));
    m_main->SelectItem(1);
    m_controller->SetPanelList(m_panel);
    ExpectInStep();
    QVERIFY(m_panel->GetCheckCell(1)->IsChecked());
    QVERIFY(!m_panel->GetCheckCell(0)->IsChecked());
    QTest::mouseClick(m_panel, Qt::LeftButton, {}, m_panel->GetSubItemRect(0, 0).center());
    QCOMPARE(m_main->GetSelectedItem(), 0);
}

// Pictures of both lists and the date dialog, to look at (written to the scratch folder).
void FileListFiltersTest::pictures()
{
    MakeCard();
    Refresh();
    m_host->currentItem = 1;
    m_main->SetCellText(m_main->GetCheckCell(2), QStringLiteral("1"));
    m_main->SelectItem(3);
    const QString out = qEnvironmentVariable("QUORVIL_TEST_TMP", QDir::tempPath());
    QVERIFY(m_window->grab().save(out + QStringLiteral("/filelist-lists.png")));

    QImage dialogPicture;
    m_host->dialogs.QueueModal([&](QDialog &dialog) {
        dialog.show();
        dialogPicture = dialog.grab().toImage();
        dialog.hide();
        return int(QDialog::Rejected);
    });
    m_host->buttons[1003] = true;
    m_controller->OnDateFilterButton();
    // Template 316 at the dialog font's base units: 149 x 115 units.
    QCOMPARE(dialogPicture.size(), QSize(149 * 6 / 4, 115 * 13 / 8));
    QVERIFY(dialogPicture.save(out + QStringLiteral("/filelist-month.png")));
}

QTEST_MAIN(FileListFiltersTest)
#include "test_catalogue_commands.moc"
