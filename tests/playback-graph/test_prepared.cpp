// A graph built ahead for the next recording: it shows nothing until the player takes it over,
// then its first frame (with the flips it was prepared with) is in the windows at once; the
// graph it replaces lets go of the windows; a graph for another file or other flips is never
// handed out, and dropping it leaves nothing of its pipeline.

#include "PlaybackFixtures.h"

#include "playback/CDShowPlayer.h"
#include "playback/CPreparedGraph.h"
#include "playback/CStaticView.h"
#include "playback/CVideoRenderer.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include <gst/gst.h>

using namespace playback_test;
using cardgen::Container;
using Key = CPreparedGraph::Key;

class TestPreparedGraph : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        ShowVideoWindows(m_front, m_rear);
        for (auto [name, rear] : {std::pair{"dual.avi", true}, {"single.avi", false}})
            QVERIFY(!MakeRecording(m_dir, name, SmallRecording(Container::Avi, rear)).isEmpty());
        m_player.AttachWindows(&m_front, &m_rear);
    }
    void cleanup()
    {
        m_player.Close();
        UseSoundOutput(false);
    }

    void takesOverTheWindowsWithItsFirstFrame()
    {
        UseSoundOutput(true);
        QVERIFY(m_player.OpenFile(m_dir.filePath("single.avi")));
        QCOMPARE(m_player.Play(), S_OK);
        m_rear.ClearFrame(); // a one-stream recording leaves the rear window alone

        CPreparedGraph prepared;
        const Key key{m_dir.filePath("dual.avi"), true, false};
        prepared.Prepare(key, m_player.Mode());
        QTRY_VERIFY_WITH_TIMEOUT(prepared.IsReadyFor(key), 10000);
        QVERIFY(prepared.Knows(key));
        // Its first frame is decoded with the vertical flip, and shown nowhere yet.
        QImage rearFrame;
        QVERIFY(prepared.Graph()->Renderer(1)->GetCurrentImage(rearFrame));
        QVERIFY(IsYellow(ColourAt(rearFrame, 0.10, 0.90)));
        QVERIFY(!m_rear.HasFrame());
        QCOMPARE(m_player.GetState(), PlayState::Running);

        PipelineWatch previousWatch(m_player.Graph()->Pipeline());
        std::unique_ptr<CDShowGraph> previous = m_player.TakeOver(prepared.Take(key));
        QVERIFY(previous);
        QVERIFY(!prepared.HasGraph());
        // At once, without the event loop: both windows show the new recording's first frame.
        QVERIFY(m_rear.HasFrame() && IsYellow(ColourAt(m_rear.Frame(), 0.10, 0.90)));
        QVERIFY(IsRedDominant(ColourAt(m_front.Frame(), 0.75, 0.15)));
        QCOMPARE(m_player.VideoStreams(), 2);
        // The old graph goes without touching the windows.
        const qint64 shown = m_rear.Frame().cacheKey();
        previous.reset();
        QCOMPARE(previousWatch.Alive(), 0);
        QCOMPARE(m_rear.Frame().cacheKey(), shown);

        QCOMPARE(m_player.Play(), S_OK);
        CVideoRenderer *front = m_player.Graph()->Renderer(0);
        const auto before = front->FramesShown();
        QTRY_VERIFY_WITH_TIMEOUT(front->FramesShown() > before + 3, 10000);
        QTRY_VERIFY(m_player.GetPositionMs() > 100);
    }

    void anotherKeyIsNeverHandedOut_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("flipVertical");
        QTest::newRow("another file") << "single.avi" << false;
        QTest::newRow("other flips") << "dual.avi" << true;
    }
    void anotherKeyIsNeverHandedOut()
    {
        QFETCH(QString, file);
        QFETCH(bool, flipVertical);
        CPreparedGraph prepared;
        const Key key{m_dir.filePath("dual.avi"), false, false};
        QVERIFY(prepared.Prepare(key, 2));
        PipelineWatch watch(prepared.Graph()->Pipeline());
        QVERIFY(!prepared.Take({m_dir.filePath(file), flipVertical, false}));
        QVERIFY(!prepared.HasGraph());
        QCOMPARE(watch.Alive(), 0);
    }

    void aFileThatCannotBeBuiltIsNotTriedAgain()
    {
        CPreparedGraph prepared;
        const QString path = m_dir.filePath("not-a-recording.avi");
        QFile text(path);
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write(QByteArray("this is not a recording\n").repeated(100));
        text.close();
        const Key key{path, false, false};
        QVERIFY(!prepared.Prepare(key, 2));
        QVERIFY(!prepared.HasGraph());
        QVERIFY(prepared.Knows(key));
        QVERIFY(!prepared.Take(key));
        QVERIFY(!prepared.Knows(key)); // a take or a drop forgets the failure
    }

private:
    QTemporaryDir m_dir{ScratchRoot() + "/prepared-XXXXXX"};
    CStaticView m_front;
    CStaticView m_rear;
    CDShowPlayer m_player;
};

QUORVIL_PLAYBACK_TEST_MAIN(TestPreparedGraph)
#include "test_prepared.moc"
