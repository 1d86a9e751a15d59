// Save and Delete of the checked recordings on real folders: exactly the checked files copied
// byte for byte, the folder remembered, a full target; the delete questions, the playing
// recording kept, the new selection and the playing row found again after the rebuild.
#include "library/widgets/CCatalogueController.h"
#include "library/widgets/CConfigListCtrl.h"
#include "library/widgets/CSelectMonthDlg.h"

#include "tests/library-common/CatalogueTestHost.h"
#include "tests/platform-common/ScratchMount.h"
#include "tests/platform-common/TestFiles.h"
#include "platform/FileCopyPromptsScripted.h"
#include "platform/FileOperationsQt.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace test_files;

namespace
{
const QString kDeleteQuestion = QStringLiteral("Delete selected file?");
const QString kPlayingText = QStringLiteral("Files being played can't be deleted.");
} // namespace

class SaveDeleteTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { SetAppMainWindow(&m_language); }
    void init();
    void cleanup();

    void saveCopiesExactlyTheCheckedRows();
    void secondSaveOpensOnTheFirstFolder();
    void saveWithNothingCheckedOrCancelled();
    void saveToAFullDisk();
    void saveAsksBeforeOverwriting();

    void deleteSelectsTheRowBefore_data();
    void deleteSelectsTheRowBefore();
    void deleteCancelledKeepsEverything();
    void playingRowAloneIsRefused();
    void playingRowWithAnotherDeletesOnlyTheOther();
    void playingRowFoundAgainAfterRowsAbove();
    void deleteNeverLeavesTheLibrary();

private:
    // `count` recordings in the library folder, listed; their paths in row order.
    QStringList MakeLibrary(int count, qint64 size = 4096);
    void Check(std::initializer_list<int> rows);
    QStringList Paths() const;

    EnglishWindow m_language;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_library;
    QString m_target;
    std::unique_ptr<QWidget> m_window;
    CConfigListCtrl *m_main = nullptr;  // owned by m_window
    CConfigListCtrl *m_panel = nullptr; // owned by m_window
    std::unique_ptr<CatalogueTestHost> m_host;
    std::unique_ptr<CCatalogueController> m_controller;
    FileCopyPromptsScripted *m_prompts = nullptr; // owned by m_files
    std::unique_ptr<FileOperationsQt> m_files;
};

void SaveDeleteTest::init()
{
    m_dir =
        std::make_unique<QTemporaryDir>(qEnvironmentVariable("QUORVIL_TEST_TMP", QDir::tempPath()) +
                                        QStringLiteral("/savedelete-XXXXXX"));
    QVERIFY(m_dir->isValid());
    m_library = m_dir->filePath(QStringLiteral("library"));
    m_target = m_dir->filePath(QStringLiteral("saved"));
    QVERIFY(QDir().mkpath(m_library));
    QVERIFY(QDir().mkpath(m_target));
    m_window = std::make_unique<QWidget>();
    m_main = new CConfigListCtrl(m_window.get());
    m_panel = new CConfigListCtrl(m_window.get());
    for (CConfigListCtrl *list : {m_main, m_panel}) {
        list->InsertFileListColumns();
        list->CreateSkinScrollbar();
        list->ApplyLayout();
    }
    m_host = std::make_unique<CatalogueTestHost>();
    m_host->root = m_library;
    m_host->folderMode = true;
    m_controller = std::make_unique<CCatalogueController>(*m_main, *m_host);
    m_controller->SetPanelList(m_panel);
    auto prompts = std::make_unique<FileCopyPromptsScripted>();
    m_prompts = prompts.get();
    m_files = std::make_unique<FileOperationsQt>(std::move(prompts));
}

void SaveDeleteTest::cleanup()
{
    QCOMPARE(m_host->dialogs.UnscriptedCalls(), 0);
    QVERIFY(m_host->dialogs.ScriptConsumed());
    QCOMPARE(m_prompts->UnscriptedCalls(), 0);
    m_controller.reset();
    m_window.reset();
    m_host.reset();
    m_files.reset();
    m_dir.reset();
}

QStringList SaveDeleteTest::MakeLibrary(int count, qint64 size)
{
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("20140721_10%1_%2_F.AVI")
                                 .arg(i * 100, 4, 10, QLatin1Char('0'))
                                 .arg(i % 2 ? QStringLiteral("EVT") : QStringLiteral("NOR"));
        QFile file(m_library + u'/' + name);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write(RandomBytes(size, i + 1));
    }
    m_controller->RefreshCatalogue(1, 0);
    return Paths();
}

void SaveDeleteTest::Check(std::initializer_list<int> rows)
{
    for (int row : rows)
        for (CConfigListCtrl *list : {m_main, m_panel})
            list->SetCellText(list->GetCell(row, CConfigListCtrl::kColumnCheck),
                              QStringLiteral("1"));
}

QStringList SaveDeleteTest::Paths() const
{
    QStringList paths;
    for (int row = 0; row < m_main->GetItemCount(); ++row)
        paths << m_main->GetItemText(row, CConfigListCtrl::kColumnPath);
    return paths;
}

// ------------------------------------------------------------------------------------ save

void SaveDeleteTest::saveCopiesExactlyTheCheckedRows()
{
    const QStringList paths = MakeLibrary(5);
    QCOMPARE(paths.size(), 5);
    Check({1, 3});
    m_controller->SelectRow(2); // selected but unchecked: not copied
    m_host->dialogs.QueueFolder(m_target);

    m_controller->OnSaveButton(*m_files);

    const auto &calls = m_host->dialogs.FolderBrowserCalls();
    QCOMPARE(calls.size(), std::size_t{1});
    QCOMPARE(calls[0].request.title, QStringLiteral("Please select the folder."));
    QCOMPARE(calls[0].request.caption, QStringLiteral("Save"));
    QVERIFY(calls[0].request.initialFolder.isEmpty());
    QCOMPARE(Entries(m_target),
             (QStringList{QFileInfo(paths[1]).fileName(), QFileInfo(paths[3]).fileName()}));
    for (int row : {1, 3})
        QCOMPARE(ReadFile(m_target + u'/' + QFileInfo(paths[row]).fileName()),
                 ReadFile(paths[row]));
    // Rows, checks and selection as they were, in both lists.
    QCOMPARE(Paths(), paths);
    for (CConfigListCtrl *list : {m_main, m_panel}) {
        QCOMPARE(list->GetSelectedItem(), 2);
        for (int row = 0; row < 5; ++row)
            QCOMPARE(list->GetItemText(row, CConfigListCtrl::kColumnCheck),
                     QString::fromLatin1(row == 1 || row == 3 ? "1" : "0"));
    }
    QCOMPARE(m_controller->GetSaveFolder(), m_target);
    QVERIFY(m_prompts->Failures().empty());
}

void SaveDeleteTest::secondSaveOpensOnTheFirstFolder()
{
    MakeLibrary(2);
    Check({0});
    m_host->dialogs.QueueFolder(m_target);
    m_host->dialogs.QueueFolder(std::nullopt);
    m_controller->OnSaveButton(*m_files);
    m_controller->OnSaveButton(*m_files);
    QCOMPARE(m_host->dialogs.FolderBrowserCalls().at(1).request.initialFolder, m_target);
    QCOMPARE(m_controller->GetSaveFolder(), m_target); // a cancelled browser changes nothing
}

void SaveDeleteTest::saveWithNothingCheckedOrCancelled()
{
    MakeLibrary(3);
    m_controller->OnSaveButton(*m_files); // nothing checked: no browser at all
    QVERIFY(m_host->dialogs.FolderBrowserCalls().empty());
    Check({2});
    m_host->dialogs.QueueFolder(std::nullopt);
    m_controller->OnSaveButton(*m_files);
    QCOMPARE(Entries(m_target), QStringList{});
    QVERIFY(m_controller->GetSaveFolder().isEmpty());
}

// Two recordings of 1.5 MB to a 2 MB disk: the first is copied, the second ends with a
// message naming it, and nothing of it is left on the disk.
void SaveDeleteTest::saveToAFullDisk()
{
    ScratchMount disk(ScratchMount::Kind::SizeLimited, QStringLiteral("2m"));
    if (!disk.IsMounted())
        QSKIP(qPrintable(disk.Why()));
    const QStringList paths = MakeLibrary(2, 1536 * 1024);
    Check({0, 1});
    m_host->dialogs.QueueFolder(disk.Path());

    m_controller->OnSaveButton(*m_files);

    const QString second = QFileInfo(paths[1]).fileName();
    QCOMPARE(Entries(disk.Path()), QStringList{QFileInfo(paths[0]).fileName()});
    QCOMPARE(ReadFile(disk.Path() + u'/' + QFileInfo(paths[0]).fileName()), ReadFile(paths[0]));
    QCOMPARE(m_prompts->Failures().size(), std::size_t{1});
    QVERIFY2(m_prompts->Failures()[0].contains(second), qPrintable(m_prompts->Failures()[0]));
    QVERIFY(m_prompts->Failures()[0].contains(QStringLiteral("not enough free space")));
}

void SaveDeleteTest::saveAsksBeforeOverwriting()
{
    const QStringList paths = MakeLibrary(3);
    Check({0, 1, 2});
    for (int row : {0, 1}) {
        QFile old(m_target + u'/' + QFileInfo(paths[row]).fileName());
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    m_prompts->QueueOverwriteAnswer(OverwriteAnswer::Skip);
    m_prompts->QueueOverwriteAnswer(OverwriteAnswer::Overwrite);
    m_host->dialogs.QueueFolder(m_target);

    m_controller->OnSaveButton(*m_files);

    QCOMPARE(m_prompts->OverwriteQuestions().size(), std::size_t{2});
    QCOMPARE(ReadFile(m_target + u'/' + QFileInfo(paths[0]).fileName()), QByteArray("old"));
    QCOMPARE(ReadFile(m_target + u'/' + QFileInfo(paths[1]).fileName()), ReadFile(paths[1]));
    QCOMPARE(ReadFile(m_target + u'/' + QFileInfo(paths[2]).fileName()), ReadFile(paths[2]));
}

// ---------------------------------------------------------------------------------- delete

void SaveDeleteTest::deleteSelectsTheRowBefore_data()
{
    QTest::addColumn<QList<int>>("checked");
    QTest::addColumn<int>("selected");
    QTest::newRow("rows 4 and 5 of 10") << QList<int>{4, 5} << 3;
    QTest::newRow("first row") << QList<int>{0} << -1;
    QTest::newRow("last two rows") << QList<int>{8, 9} << 7;
}

void SaveDeleteTest::deleteSelectsTheRowBefore()
{
    QFETCH(QList<int>, checked);
    QFETCH(int, selected);
    const QStringList paths = MakeLibrary(10);
    for (int row : checked)
        Check({row});
    m_controller->SelectRow(6);
    m_host->dialogs.QueueMessageBoxAnswer(DialogResult::Ok);

    QCOMPARE(m_controller->OnDeleteButton(), std::optional<int>(-1)); // nothing was playing

    const auto &calls = m_host->dialogs.MessageBoxCalls();
    QCOMPARE(calls.size(), std::size_t{1});
    QCOMPARE(calls[0].text, kDeleteQuestion);
    QCOMPARE(calls[0].buttons, MessageBoxButtons::OkCancel);
    QStringList expected = paths;
    for (auto it = checked.crbegin(); it != checked.crend(); ++it)
        expected.removeAt(*it);
    QCOMPARE(Paths(), expected);
    for (int row : checked)
        QVERIFY(!QFile::exists(paths[row]));
    QCOMPARE(m_main->GetSelectedItem(), selected);
    QCOMPARE(m_panel->GetSelectedItem(), selected);
    QCOMPARE(m_panel->GetItemCount(), expected.size());
}

void SaveDeleteTest::deleteCancelledKeepsEverything()
{
    const QStringList paths = MakeLibrary(4);
    Check({1, 2});
    m_host->dialogs.QueueMessageBoxAnswer(DialogResult::Cancel);
    QCOMPARE(m_controller->OnDeleteButton(), std::nullopt);
    QCOMPARE(Paths(), paths);
    for (const QString &path : paths)
        QVERIFY(QFile::exists(path));
    // And nothing checked: not even a question.
    MakeLibrary(4);
    QCOMPARE(m_controller->OnDeleteButton(), std::nullopt);
    QCOMPARE(m_host->dialogs.MessageBoxCalls().size(), std::size_t{1});
}

void SaveDeleteTest::playingRowAloneIsRefused()
{
    const QStringList paths = MakeLibrary(4);
    m_host->currentItem = 2;
    Check({2});
    m_host->dialogs.QueueMessageBoxAnswer(DialogResult::Ok);

    QCOMPARE(m_controller->OnDeleteButton(), std::nullopt);

    const auto &calls = m_host->dialogs.MessageBoxCalls();
    QCOMPARE(calls.size(), std::size_t{1});
    QCOMPARE(calls[0].text, kPlayingText);
    QCOMPARE(calls[0].buttons, MessageBoxButtons::Ok);
    QCOMPARE(Paths(), paths);
}

void SaveDeleteTest::playingRowWithAnotherDeletesOnlyTheOther()
{
    const QStringList paths = MakeLibrary(4);
    m_host->currentItem = 3;
    Check({1, 3});
    m_host->dialogs.QueueMessageBoxAnswer(DialogResult::Ok);

    const std::optional<int> playing = m_controller->OnDeleteButton();

    QCOMPARE(m_host->dialogs.MessageBoxCalls().at(0).text, kPlayingText + u'\n' + kDeleteQuestion);
    QVERIFY(!QFile::exists(paths[1]));
    QVERIFY(QFile::exists(paths[3]));
    QCOMPARE(Paths(), (QStringList{paths[0], paths[2], paths[3]}));
    QCOMPARE(playing, std::optional<int>(2));
}

// The playing recording is found again by its path: with rows above it deleted, its row
// number changes, and the orange row must move with it.
void SaveDeleteTest::playingRowFoundAgainAfterRowsAbove()
{
    const QStringList paths = MakeLibrary(8);
    m_host->currentItem = 5;
    Check({1, 2, 6});
    m_host->dialogs.QueueMessageBoxAnswer(DialogResult::Ok);

    const std::optional<int> playing = m_controller->OnDeleteButton();

    QCOMPARE(playing, std::optional<int>(3));
    QCOMPARE(m_main->GetItemText(3, CConfigListCtrl::kColumnPath), paths[5]);
    QCOMPARE(m_controller->FindRowByPath(paths[5]), 3);
    QCOMPARE(m_controller->FindRowByPath(paths[1]), -1);
}

// A row whose path points outside the library (the list is only a view; its texts are not
// proof of where a file is) is never deleted.
void SaveDeleteTest::deleteNeverLeavesTheLibrary()
{
    const QStringList paths = MakeLibrary(3);
    const QString outside = m_dir->filePath(QStringLiteral("precious.AVI"));
    {
        QFile file(outside);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("keep me");
    }
    for (CConfigListCtrl *list : {m_main, m_panel})
        list->SetItemText(0, CConfigListCtrl::kColumnPath, outside);
    // A library path that climbs out of it.
    const QString climbing = m_library + QStringLiteral("/../precious.AVI");
    for (CConfigListCtrl *list : {m_main, m_panel})
        list->SetItemText(1, CConfigListCtrl::kColumnPath, climbing);
    Check({0, 1, 2});
    m_host->dialogs.QueueMessageBoxAnswer(DialogResult::Ok);

    m_controller->OnDeleteButton();

    QCOMPARE(ReadFile(outside), QByteArray("keep me"));
    QVERIFY(QFile::exists(paths[0]));
    QVERIFY(QFile::exists(paths[1]));
    QVERIFY(!QFile::exists(paths[2]));
}

QTEST_MAIN(SaveDeleteTest)
#include "test_savedelete.moc"
