// The main window's file commands, offscreen, on generated recordings: Capture keeps the play
// state and the folder, Save copies the checked rows, Delete keeps the orange row on the
// recording that plays.

#include "tests/app-common/MainWindowFixture.h"

#include "tests/platform-common/TestFiles.h"
#include "ui/ControlIds.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>

using namespace ControlIds;
using namespace test_files;

class TestFileCommands : public MainWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        WriteRecordings();
        m_out = std::make_unique<QTemporaryDir>(qEnvironmentVariable("QUORVIL_TEST_TMP") +
                                                "/filecommands-XXXXXX");
        QVERIFY(m_out->isValid());
    }

    // Playing resumes after the dialog, paused stays paused; the second dialog opens where the
    // first still went.
    void captureKeepsThePlayState()
    {
        auto dlg = MakeListedWindow();
        QVERIFY(dlg);
        const int row = RowOf(*dlg, m_dualPath);
        DoubleClickRow(*dlg, row);
        QTRY_COMPARE(dlg->Player().GetState(), PlayState::Running);
        QImage shown;
        QTRY_VERIFY(dlg->Player().GrabFrame(0, shown));
        const QString folder = m_out->filePath("stills");
        QVERIFY(QDir().mkpath(folder));
        m_dialogs->QueueSaveFile(folder + "/crash.jpg");

        dlg->OnCommand(IDC_CAPTURE);

        const QString name = dlg->FileList()->GetItemText(row, CConfigListCtrl::kColumnName);
        QCOMPARE(m_dialogs->SaveFileCalls().at(0).request.defaultName,
                 name.left(15) + "_IMG_C" + name.mid(21, 1) + ".jpg");
        QCOMPARE(Entries(folder), (QStringList{"crash_front.jpg", "crash_rear.jpg"}));
        for (const QString &file : Entries(folder)) {
            QImage still;
            QVERIFY(still.load(folder + "/" + file, "JPG"));
            QCOMPARE(still.size(), QSize(160, 90));
        }
        QTRY_COMPARE(dlg->Player().GetState(), PlayState::Running);

        dlg->OnCommand(IDC_PLAY);
        QCOMPARE(dlg->Player().GetState(), PlayState::Paused);
        m_dialogs->QueueSaveFile(folder + "/plate");
        dlg->OnCommand(IDC_CAPTURE);
        QCOMPARE(m_dialogs->SaveFileCalls().at(1).request.initialFolder, folder);
        QVERIFY(QFile::exists(folder + "/plate_front.jpg"));
        QCOMPARE(dlg->Player().GetState(), PlayState::Paused);
        QCOMPARE(dlg->StillCapture().CaptureFolder(), folder);
    }

    void captureWithNothingLoadedDoesNothing()
    {
        auto dlg = MakeListedWindow();
        QVERIFY(dlg);
        dlg->OnCommand(IDC_CAPTURE);
        QVERIFY(m_dialogs->SaveFileCalls().empty());
    }

    // Save and the file list panel's Save: the checked row copied, the folder remembered.
    void saveCopiesTheCheckedRows()
    {
        auto dlg = MakeListedWindow();
        QVERIFY(dlg);
        const int row = RowOf(*dlg, m_singlePath);
        Check(*dlg, row);
        const QString folder = m_out->filePath("saved");
        QVERIFY(QDir().mkpath(folder));
        m_dialogs->QueueFolder(folder);
        m_dialogs->QueueFolder(std::nullopt);

        dlg->OnCommand(IDC_SAVE);
        dlg->OnCommand(IDC_PANEL_SAVE);

        const QString copy = folder + "/" + QFileInfo(m_singlePath).fileName();
        QCOMPARE(Entries(folder), QStringList{QFileInfo(m_singlePath).fileName()});
        QCOMPARE(ReadFile(copy), ReadFile(m_singlePath));
        QCOMPARE(m_dialogs->FolderBrowserCalls().at(1).request.initialFolder, folder);
        QCOMPARE(dlg->FileList()->GetItemText(row, CConfigListCtrl::kColumnCheck), "1");
    }

    // Rows above the playing one deleted: the orange row and Next follow the recording.
    void deleteKeepsTheOrangeRowOnThePlayingRecording()
    {
        const QString folder = m_out->filePath("library");
        QVERIFY(QDir().mkpath(folder));
        const QString sample = QFileInfo(m_singlePath).fileName(); // YYYYMMDD_HHMMSS_...
        QStringList paths;
        for (int i = 0; i < 5; ++i) {
            QString name = sample;
            name.replace(9, 6, QStringLiteral("0930%1").arg(i * 10, 2, 10, QLatin1Char('0')));
            paths << folder + "/" + name;
            QVERIFY(QFile::copy(m_singlePath, paths.back()));
        }
        auto dlg = MakeListedWindow(folder, 5);
        QVERIFY(dlg);
        DoubleClickRow(*dlg, 3);
        QCOMPARE(dlg->Transport().CurrentItem(), 3);
        Check(*dlg, 0);
        Check(*dlg, 1);
        m_dialogs->QueueMessageBoxAnswer(DialogResult::Ok);

        dlg->OnCommand(IDC_DELETE);

        QCOMPARE(m_dialogs->MessageBoxCalls().at(0).text, "Delete selected file?");
        QVERIFY(!QFile::exists(paths[0]) && !QFile::exists(paths[1]));
        QCOMPARE(dlg->FileList()->GetItemCount(), 3);
        QCOMPARE(dlg->Transport().CurrentItem(), 1);
        QCOMPARE(dlg->FileList()->GetCurrentItem(), 1);
        QCOMPARE(QFileInfo(dlg->FileList()->GetItemText(1, CConfigListCtrl::kColumnPath)),
                 QFileInfo(paths[3]));
        QCOMPARE(dlg->Player().GetState(), PlayState::Running);
        // The next recording is the one after the playing one, not a row number's neighbour.
        dlg->OnCommand(IDC_NEXT);
        QCOMPARE(QFileInfo(dlg->FileList()->GetItemText(dlg->Transport().CurrentItem(),
                                                        CConfigListCtrl::kColumnPath)),
                 QFileInfo(paths[4]));
    }

private:
    // Checks `row` in the main list and in the file list panel's, as a click does.
    static void Check(COrvelPlayerDlg &dlg, int row)
    {
        for (CConfigListCtrl *list : {dlg.FileList(), dlg.Catalogue().GetPanelList()})
            if (list)
                list->SetCellText(list->GetCell(row, CConfigListCtrl::kColumnCheck), "1");
    }

    std::unique_ptr<QTemporaryDir> m_out;
};

int main(int argc, char **argv)
{
    const auto sandbox = IsolateEnvironment();
    QApplication app(argc, argv);
    TestFileCommands test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_filecommands.moc"
