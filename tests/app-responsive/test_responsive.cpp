// The window stays alive while a recording opens, seeks or closes, offscreen: a file that
// never answers (a named pipe nobody writes) or one whose reading stalls after its head (a
// pipe fed its first bytes, then nothing) stands in for a damaged card or a dying card reader.
// A 10 ms timer measures the longest time the UI thread went without an event loop turn; the
// figures go to the log, nothing asserts on them. What is asserted is what the user sees: the
// open fails, Close closes, the card's removal resets the window, a second open during the
// first ends with that recording playing.

#include "tests/app-common/MainWindowFixture.h"
#include "tests/platform-common/StalledFile.h"
#include "tests/platform-common/UiStallMeter.h"

#include "ui/ControlIds.h"

#include <QElapsedTimer>
#include <QFile>
#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <functional>
#include <optional>

using namespace ControlIds;

namespace
{
// Time given to the open to be well inside its waits before the test acts.
constexpr int kActAfterMs = 300;
// The pipe holds this much: the head of a stalled file.
constexpr int kHeadBytes = 64 * 1024;
} // namespace

class TestResponsive : public MainWindowFixture
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_card;

    // A fresh folder with copies of the two recordings (row 0 one stream, row 1 two), so a
    // test may put a hanging file in place of one of them.
    QString CopyRecordings()
    {
        m_card = std::make_unique<QTemporaryDir>(qEnvironmentVariable("QUORVIL_TEST_TMP") +
                                                 "/responsive-XXXXXX");
        for (const QString &path : {m_singlePath, m_dualPath})
            QFile::copy(path, m_card->filePath(QFileInfo(path).fileName()));
        return m_card->path();
    }

    // The recording at `row`, replaced by a file that hangs as `kind` says.
    std::unique_ptr<StalledFile> StallRow(COrvelPlayerDlg &dlg, int row, StalledFile::Kind kind)
    {
        const QString path = dlg.FileList()->GetItemText(row, CConfigListCtrl::kColumnPath);
        QFile original(path);
        QByteArray head;
        if (kind == StalledFile::Kind::HeadThenStall && original.open(QIODevice::ReadOnly))
            head = original.read(kHeadBytes);
        original.close();
        return std::make_unique<StalledFile>(path, kind, head);
    }

    static QString Text(COrvelPlayerDlg &dlg, int id)
    {
        auto *label = qobject_cast<QLabel *>(dlg.Control(id));
        return label ? label->text() : QString();
    }

    // Double-clicks `row` with the stall meter running; `during` runs from inside the open.
    void OpenMeasured(COrvelPlayerDlg &dlg, int row, const QString &what,
                      std::function<void()> during = {})
    {
        if (during)
            QTimer::singleShot(kActAfterMs, &dlg, during);
        UiStallMeter meter;
        QElapsedTimer clock;
        clock.start();
        meter.Start();
        DoubleClickRow(dlg, row);
        meter.Stop();
        qInfo().noquote() << meter.Summary(what) << "; the open returned after" << clock.elapsed()
                          << "ms";
    }

private slots:
    void initTestCase() { WriteRecordings(); }

    void hangingOpenFailsAndTheWindowLives_data()
    {
        QTest::addColumn<bool>("headThenStall");
        QTest::newRow("nobody ever writes the file") << false;
        QTest::newRow("reading stalls after the head") << true;
    }
    // Left alone, the open of a hanging file gives up after its bounds; the window turns its
    // loop all along and stays usable.
    void hangingOpenFailsAndTheWindowLives()
    {
        QFETCH(bool, headThenStall);
        const auto kind =
            headThenStall ? StalledFile::Kind::HeadThenStall : StalledFile::Kind::NeverWritten;
        auto dlg = MakeListedWindow(CopyRecordings());
        QVERIFY(dlg);
        auto stalled = StallRow(*dlg, 0, kind);
        QVERIFY2(stalled->IsReady(), qPrintable(stalled->Why()));
        OpenMeasured(*dlg, 0,
                     QStringLiteral("open of a hanging file (%1)").arg(QTest::currentDataTag()));
        QCOMPARE(dlg->Transport().CurrentItem(), -1);
        QVERIFY(!dlg->Player().Graph());
        QVERIFY(!dlg->Transport().IsOpening());
        // The other recording still opens and plays.
        DoubleClickRow(*dlg, 1);
        QCOMPARE(dlg->Transport().CurrentItem(), 1);
        QCOMPARE(dlg->Player().GetState(), PlayState::Running);
        stalled.reset(); // lets the stuck reader go before the window ends
    }

    void closeDuringAHangingOpenEndsIt_data() { hangingOpenFailsAndTheWindowLives_data(); }
    void closeDuringAHangingOpenEndsIt()
    {
        QFETCH(bool, headThenStall);
        const auto kind =
            headThenStall ? StalledFile::Kind::HeadThenStall : StalledFile::Kind::NeverWritten;
        auto dlg = MakeListedWindow(CopyRecordings());
        QVERIFY(dlg);
        auto stalled = StallRow(*dlg, 0, kind);
        QVERIFY2(stalled->IsReady(), qPrintable(stalled->Why()));
        bool wasOpening = false;
        OpenMeasured(*dlg, 0, QStringLiteral("open ended by Close"), [&] {
            wasOpening = dlg->Transport().IsOpening();
            QTest::mouseClick(dlg->Button(IDC_CLOSE), Qt::LeftButton);
        });
        QVERIFY(wasOpening);
        QVERIFY(!dlg->isVisible());
        QVERIFY(!dlg->Transport().IsOpening());
        QCOMPARE(dlg->Transport().CurrentItem(), -1);
        QVERIFY(!dlg->Player().Graph());
        stalled.reset();
    }

    // The card leaves while its recording opens: the open ends and the window is reset, as
    // for a removal while playing.
    void cardRemovalDuringAHangingOpenResetsTheWindow()
    {
        auto dlg = MakeListedWindow(CopyRecordings());
        QVERIFY(dlg);
        auto stalled = StallRow(*dlg, 1, StalledFile::Kind::HeadThenStall);
        QVERIFY2(stalled->IsReady(), qPrintable(stalled->Why()));
        bool wasOpening = false;
        OpenMeasured(*dlg, 1, QStringLiteral("open ended by the card's removal"), [&] {
            wasOpening = dlg->Transport().IsOpening();
            dlg->MemoryCard().OnShellChangeNotify(CMemoryCardController::kShcneDriveRemoved,
                                                  dlg->GetLibraryRoot());
        });
        QVERIFY(wasOpening);
        QVERIFY(dlg->isVisible());
        QVERIFY(dlg->GetLibraryRoot().isEmpty());
        QCOMPARE(dlg->FileList()->GetItemCount(), 0);
        QCOMPARE(dlg->Transport().CurrentItem(), -1);
        QVERIFY(!dlg->Player().Graph());
        QCOMPARE(Text(*dlg, 1025), QStringLiteral("00:00:00"));
        QCOMPARE(Text(*dlg, 1024), QStringLiteral("00:00:00"));
        QVERIFY(!dlg->Control(1015)->isEnabled()); // Idle
        // Nothing that waited for the open runs afterwards.
        QTest::qWait(100);
        QVERIFY(!dlg->Player().Graph());
        QCOMPARE(dlg->FileList()->GetItemCount(), 0);
        stalled.reset();
    }

    void newOpenDuringAHangingOpen_data()
    {
        QTest::addColumn<int>("hangingRow");
        QTest::addColumn<int>("command"); // 0: double click on the other row
        QTest::addColumn<int>("endRow");
        QTest::newRow("double click on the other row") << 0 << 0 << 1;
        QTest::newRow("Next") << 0 << IDC_NEXT << 1;
        QTest::newRow("Previous") << 1 << IDC_PREVIOUS << 0;
        QTest::newRow("double click on the same row, then the other") << 0 << -1 << 1;
    }
    // A new open cancels the running one and runs once it has returned; the latest wins.
    void newOpenDuringAHangingOpen()
    {
        QFETCH(int, hangingRow);
        QFETCH(int, command);
        QFETCH(int, endRow);
        auto dlg = MakeListedWindow(CopyRecordings());
        QVERIFY(dlg);
        auto stalled = StallRow(*dlg, hangingRow, StalledFile::Kind::HeadThenStall);
        QVERIFY2(stalled->IsReady(), qPrintable(stalled->Why()));
        OpenMeasured(*dlg, hangingRow, QStringLiteral("open ended by a new one"), [&] {
            if (command > 0) {
                dlg->OnCommand(command);
                return;
            }
            if (command < 0)
                DoubleClickRow(*dlg, hangingRow);
            DoubleClickRow(*dlg, endRow);
        });
        QVERIFY(QTest::qWaitFor(
            [&] {
                return dlg->Transport().CurrentItem() == endRow &&
                       dlg->Player().GetState() == PlayState::Running;
            },
            10000));
        QCOMPARE(dlg->FileList()->GetSelectedItem(), endRow);
        QVERIFY(dlg->Transport().IsPositionTimerActive());
        stalled.reset();
    }

    // At a recording's end the next row opens. While that open hangs, the old recording
    // still stands at its end and the position ticks see it there: the end is followed once,
    // not again (which went on past the row being opened, or stopped after the last one).
    void theEndIsFollowedOnceWhileTheNextRowOpens()
    {
        auto dlg = MakeListedWindow(CopyRecordings());
        QVERIFY(dlg);
        dlg->Transport().SetPrepareNextLead(0); // the end opens the next row itself
        auto stalled = StallRow(*dlg, 1, StalledFile::Kind::HeadThenStall);
        QVERIFY2(stalled->IsReady(), qPrintable(stalled->Why()));
        // The open runs inside the tick that found the end; this probe runs inside the open.
        struct Seen {
            bool opening;
            int row;
        };
        std::optional<Seen> seen;
        QElapsedTimer openingFor;
        QTimer probe;
        probe.setInterval(50);
        connect(&probe, &QTimer::timeout, dlg.get(), [&] {
            if (seen)
                return;
            const bool opening = dlg->Transport().IsOpening();
            if (opening && !openingFor.isValid()) {
                openingFor.start();
                // The old recording's end noticed once more, as a position tick or the graph's
                // end-of-stream notice does when it comes during the open.
                if (CDShowGraph *old = dlg->Player().Graph())
                    emit old->EndOfStream();
            }
            if (openingFor.isValid() && (!opening || openingFor.elapsed() >= 1000)) {
                seen = Seen{opening, dlg->Transport().CurrentItem()};
                stalled.reset(); // lets the open go on
            }
        });
        DoubleClickRow(*dlg, 0);
        QCOMPARE(dlg->Transport().CurrentItem(), 0);
        probe.start();
        QVERIFY(QTest::qWaitFor([&] { return seen.has_value(); }, 30000));
        QVERIFY(seen->opening);
        QCOMPARE(seen->row, 1);
    }

    // Play during an open is dropped (the open ends playing); the window's other commands wait
    // for the open and then run.
    void otherCommandsDuringAnOpen()
    {
        auto dlg = MakeListedWindow(CopyRecordings());
        QVERIFY(dlg);
        auto stalled = StallRow(*dlg, 0, StalledFile::Kind::HeadThenStall);
        QVERIFY2(stalled->IsReady(), qPrintable(stalled->Why()));
        bool deferredWhileOpening = false;
        OpenMeasured(*dlg, 0, QStringLiteral("open with Play and Rear pressed"), [&] {
            dlg->OnCommand(IDC_PLAY);
            dlg->OnCommand(IDC_REAR);
            deferredWhileOpening = dlg->Views().GetChannelView() != ChannelView::Rear;
            dlg->OnCommand(IDC_NEXT); // ends the hanging open
        });
        QVERIFY(deferredWhileOpening);
        QVERIFY(QTest::qWaitFor(
            [&] {
                return dlg->Transport().CurrentItem() == 1 &&
                       dlg->Player().GetState() == PlayState::Running;
            },
            10000));
        stalled.reset();
    }

    // A normal recording: open, seek while playing and while paused, close.
    void seekAndCloseKeepTheLoopTurning()
    {
        auto dlg = MakeListedWindow(CopyRecordings());
        QVERIFY(dlg);
        OpenMeasured(*dlg, 1, QStringLiteral("open of a normal recording"));
        QCOMPARE(dlg->Player().GetState(), PlayState::Running);
        UiStallMeter meter;
        for (const bool paused : {false, true}) {
            if (paused)
                dlg->OnCommand(IDC_PLAY);
            meter.Start();
            dlg->Slider(IDC_POSITION_SLIDER)->SetPos(1500);
            dlg->OnHScroll(IDC_POSITION_SLIDER, CKipImageSlider::TB_THUMBTRACK);
            QVERIFY(QTest::qWaitFor([&] { return !dlg->Player().Graph()->IsSeekPending(); }, 5000));
            meter.Stop();
            qInfo().noquote() << meter.Summary(paused ? QStringLiteral("seek while paused")
                                                      : QStringLiteral("seek while playing"));
        }
        meter.Start();
        dlg->OnCommand(IDC_CLOSE);
        meter.Stop();
        qInfo().noquote() << meter.Summary(QStringLiteral("close"));
        QVERIFY(!dlg->isVisible());
        QVERIFY(!dlg->Player().Graph());
    }
};

int main(int argc, char **argv)
{
    const auto sandbox = IsolateEnvironment();
    QApplication app(argc, argv);
    TestResponsive test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_responsive.moc"
