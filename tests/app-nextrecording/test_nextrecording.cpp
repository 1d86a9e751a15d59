// The next recording prepared ahead, offscreen: the end of a recording goes on to a graph that
// was built and prerolled while it played, shows what an open would show, and a prepared
// graph never outlives the row, the list, the window or the card it was made for.

#include "tests/app-common/MainWindowFixture.h"

#include "playback/CVideoRenderer.h"
#include "ui/CKipImageSlider.h"
#include "ui/CKipSkinButton.h"

#include <QApplication>
#include <QDirIterator>
#include <QStringList>

namespace
{
constexpr int kEndTimeoutMs = 20000;

// The files of `folder` this process holds open.
QStringList OpenFilesIn(const QString &folder)
{
    const QString root = QFileInfo(folder).canonicalFilePath();
    QStringList open;
    QDirIterator fds(QStringLiteral("/proc/self/fd"), QDir::System | QDir::Files);
    while (fds.hasNext()) {
        const QString target = QFileInfo(fds.next()).symLinkTarget();
        if (!root.isEmpty() && target.startsWith(root + '/'))
            open << target;
    }
    return open;
}

bool SamePath(const QString &a, const QString &b)
{
    return !a.isEmpty() && QFileInfo(a) == QFileInfo(b);
}
} // namespace

class TestNextRecording : public MainWindowFixture
{
    Q_OBJECT

private:
    // Opens row 0 (one stream) and waits until the graph of row 1 (two streams) is prepared.
    std::unique_ptr<COrvelPlayerDlg> PlayFirstRowWithNextPrepared(const QString &folder = {},
                                                                  int rows = 2)
    {
        auto dlg = MakeListedWindow(folder, rows);
        if (!dlg)
            return nullptr;
        DoubleClickRow(*dlg, 0);
        const CPreparedGraph &prepared = dlg->Transport().PreparedNext();
        const QString next = dlg->FileList()->GetItemText(1, CConfigListCtrl::kColumnPath);
        if (!QTest::qWaitFor(
                [&] {
                    return prepared.HasGraph() && SamePath(prepared.PreparedPath(), next) &&
                           prepared.IsReadyFor({prepared.PreparedPath(), false, false});
                },
                kEndTimeoutMs))
            return nullptr;
        return dlg;
    }

    // What the window shows and does once a recording is loaded, as text lines.
    QStringList VisibleState(COrvelPlayerDlg &dlg)
    {
        QStringList state;
        CTransport &transport = dlg.Transport();
        state << QStringLiteral("row %1").arg(transport.CurrentItem())
              << QStringLiteral("selected %1").arg(dlg.FileList()->GetSelectedItem())
              << QStringLiteral("panel selected %1")
                     .arg(dlg.ControlFileList()->FileList().GetSelectedItem())
              << QStringLiteral("state %1").arg(int(dlg.Player().GetState()))
              << QStringLiteral("streams %1").arg(dlg.Player().VideoStreams())
              << QStringLiteral("timer %1").arg(transport.IsPositionTimerActive())
              << QStringLiteral("file name %1").arg(dlg.Control(1069)->property("text").toString())
              << QStringLiteral("total %1").arg(dlg.Control(1024)->property("text").toString())
              << QStringLiteral("seek range %1").arg(dlg.Slider(1020)->maximum())
              << QStringLiteral("speed %1").arg(dlg.Slider(1021)->GetPos())
              << QStringLiteral("brightness %1").arg(dlg.Slider(1023)->GetPos())
              << QStringLiteral("play look %1").arg(dlg.Button(1015)->toolTip())
              << QStringLiteral("view %1").arg(int(dlg.Views().GetChannelView()))
              << QStringLiteral("gps %1 g %2")
                     .arg(dlg.SensorTrack().m_arrGPS.size())
                     .arg(dlg.SensorTrack().m_arrGSensor.size());
        for (const int id : kAllControls)
            state << QStringLiteral("%1 enabled %2 visible %3")
                         .arg(id)
                         .arg(dlg.Control(id)->isEnabled())
                         .arg(dlg.Control(id)->isVisible());
        return state;
    }

private slots:
    void initTestCase() { WriteRecordings(); }

    void theEndGoesOnToThePreparedGraph()
    {
        auto dlg = PlayFirstRowWithNextPrepared();
        QVERIFY(dlg);
        const CDShowGraph *prepared = dlg->Transport().PreparedNext().Graph();
        // Built without windows: nothing of it is shown before the end.
        QVERIFY(!prepared->Renderer(0)->VideoWindow());
        QTRY_COMPARE_WITH_TIMEOUT(dlg->Transport().CurrentItem(), 1, kEndTimeoutMs);
        // No build at the end: the prepared graph itself plays, in both windows.
        QCOMPARE(dlg->Player().Graph(), prepared);
        QCOMPARE(dlg->Player().GetState(), PlayState::Running);
        CVideoRenderer *front = dlg->Player().Graph()->Renderer(0);
        CVideoRenderer *rear = dlg->Player().Graph()->Renderer(1);
        QVERIFY(front && rear && front->VideoWindow() && rear->VideoWindow());
        const auto shownAtSwap = front->FramesShown();
        QTRY_VERIFY_WITH_TIMEOUT(front->FramesShown() > shownAtSwap + 2, kEndTimeoutMs);
        QTRY_VERIFY(rear->FramesShown() > 2);
        QVERIFY(front->VideoWindow()->HasFrame() && rear->VideoWindow()->HasFrame());
        // The graph it replaced is taken down.
        QTRY_VERIFY(!dlg->Transport().PreparedNext().HasRetired());
        QVERIFY(!OpenFilesIn(m_recordings->path())
                     .contains(QFileInfo(m_singlePath).canonicalFilePath()));
        // The last row has no next one: nothing is prepared, and its end stops.
        QTRY_COMPARE_WITH_TIMEOUT(dlg->Transport().CurrentItem(), -1, kEndTimeoutMs);
        QVERIFY(!dlg->Transport().PreparedNext().HasGraph());
        QVERIFY(!dlg->Player().Graph());
        QVERIFY(!dlg->Transport().IsPositionTimerActive());
        QCOMPARE(dlg->Control(1024)->property("text").toString(), QStringLiteral("00:00:00"));
    }

    // The same end once with a build (nothing prepared) and once with the prepared graph.
    void theEndShowsWhatAnOpenShows()
    {
        std::vector<QStringList> states;
        for (const bool prepare : {false, true}) {
            auto dlg = MakeListedWindow();
            QVERIFY(dlg);
            if (!prepare)
                dlg->Transport().SetPrepareNextLead(0);
            DoubleClickRow(*dlg, 0);
            QTRY_COMPARE_WITH_TIMEOUT(dlg->Transport().CurrentItem(), 1, kEndTimeoutMs);
            // The sensor track of the new file is loaded (the wait cursor goes with the load).
            QTRY_VERIFY_WITH_TIMEOUT(!QApplication::overrideCursor() &&
                                         !dlg->SensorTrack().m_arrGPS.empty(),
                                     kEndTimeoutMs);
            dlg->Transport().OnPlayPause(); // keeps the state still while it is read
            states.push_back(VisibleState(*dlg));
        }
        QCOMPARE(states[1], states[0]);
    }

    void thePreparedGraphIsDropped_data()
    {
        QTest::addColumn<QString>("event");
        for (const char *event : {"card removed", "another row opened", "stopped", "window closed"})
            QTest::newRow(event) << QString::fromLatin1(event);
    }

    void thePreparedGraphIsDropped()
    {
        QFETCH(QString, event);
        auto dlg = PlayFirstRowWithNextPrepared();
        QVERIFY(dlg);
        const QString next = QFileInfo(m_dualPath).canonicalFilePath();
        QVERIFY(OpenFilesIn(m_recordings->path()).contains(next));
        if (event == "card removed")
            dlg->ResetAfterCardRemoval(nullptr);
        else if (event == "another row opened")
            DoubleClickRow(*dlg, 0);
        else if (event == "stopped")
            dlg->Transport().StopAndReset();
        else
            dlg->OnCommand(1001);
        QVERIFY(!dlg->Transport().PreparedNext().HasGraph());
        QVERIFY2(!OpenFilesIn(m_recordings->path()).contains(next),
                 qPrintable(OpenFilesIn(m_recordings->path()).join(' ')));
        if (event == "card removed") // nothing on the card stays open
            QTRY_COMPARE(OpenFilesIn(m_recordings->path()), QStringList());
    }

    // A row put between the playing one and the prepared one: the end now goes to it.
    void aListChangePreparesTheNewNextRow()
    {
        QTemporaryDir folder(qEnvironmentVariable("QUORVIL_TEST_TMP") + "/next-list-XXXXXX");
        QVERIFY(folder.isValid());
        for (const QString &path : {m_singlePath, m_dualPath})
            QVERIFY(QFile::copy(path, folder.filePath(QFileInfo(path).fileName())));
        auto dlg = PlayFirstRowWithNextPrepared(folder.path());
        QVERIFY(dlg);
        dlg->Transport().OnPlayPause(); // paused: the end does not come meanwhile
        cardgen::RecordingOptions options;
        options.durationMs = 2000;
        options.width = 160;
        options.height = 90;
        options.fps = 10;
        options.audio = false;
        options.start = QDateTime(QDate(2014, 7, 21), QTime(9, 30, 30));
        options.path = folder.filePath(cardgen::RecordingFileName(options));
        QString error;
        QVERIFY2(cardgen::WriteRecording(options, &error), qPrintable(error));
        dlg->OnCommand(1009); // All: the folder listed again
        QCOMPARE(dlg->FileList()->GetItemCount(), 3);
        QVERIFY(
            SamePath(dlg->FileList()->GetItemText(1, CConfigListCtrl::kColumnPath), options.path));
        dlg->Transport().OnPlayPause();
        const CPreparedGraph &prepared = dlg->Transport().PreparedNext();
        QTRY_VERIFY_WITH_TIMEOUT(
            prepared.HasGraph() && SamePath(prepared.PreparedPath(), options.path), kEndTimeoutMs);
        QVERIFY(!OpenFilesIn(folder.path())
                     .contains(QFileInfo(folder.filePath(QFileInfo(m_dualPath).fileName()))
                                   .canonicalFilePath()));
        QTRY_COMPARE_WITH_TIMEOUT(dlg->Transport().CurrentItem(), 1, kEndTimeoutMs);
        QVERIFY(SamePath(dlg->Player().Graph()->Path(), options.path));
        dlg->Transport().StopAndReset();
    }
};

int main(int argc, char **argv)
{
    const auto sandbox = IsolateEnvironment();
    QApplication app(argc, argv);
    TestNextRecording test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_nextrecording.moc"
