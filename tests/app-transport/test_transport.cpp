// The transport room, offscreen: opening rows, play and pause, previous and next, the
// position timer and the sliders it owns.

#include "tests/app-common/MainWindowFixture.h"

#include "filters/CFilterRegistry.h"
#include "filters/CSensorDataSource.h"
#include "platform/SettingsStore.h"
#include "ui/CTextTable.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QApplication>
#include <QScreen>
#include <QSignalSpy>

class TestTransport : public MainWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { WriteRecordings(); }

    void slidersAtStart()
    {
        auto dlg = MakeWindow();
        QCOMPARE(dlg->Slider(1022)->minimum(), 0);
        QCOMPARE(dlg->Slider(1022)->maximum(), 99);
        QCOMPARE(dlg->Slider(1022)->value(), 50);
        QCOMPARE(dlg->Slider(1021)->minimum(), 1);
        QCOMPARE(dlg->Slider(1021)->maximum(), 9);
        QCOMPARE(dlg->Slider(1021)->value(), 5);
        QCOMPARE(dlg->Slider(1023)->minimum(), -150);
        QCOMPARE(dlg->Slider(1023)->maximum(), 150);
        QCOMPARE(dlg->Slider(1023)->value(), 0);
        QCOMPARE(dlg->Button(1026)->GetCheck(), 0);
        for (const int id : {1020, 1021, 1022, 1023})
            QVERIFY2(!dlg->Slider(id)->GetWheelPasses(), qPrintable(QString::number(id)));
        QCOMPARE(dlg->Slider(1020)->geometry(), QRect(30, 474, 391, 20)); // laid out after 39, 477
    }

    void pageDownAndPageUpChangeRecording()
    {
        auto dlg = MakeListedWindow();
        QVERIFY(dlg);
        DoubleClickRow(*dlg, 0);
        QCOMPARE(dlg->Transport().CurrentItem(), 0);
        // Even with the focus on a slider, PageDown is the accelerator, not a slider step.
        dlg->Slider(1021)->setFocus();
        QTest::keyClick(dlg->Slider(1021), Qt::Key_PageDown);
        QCOMPARE(dlg->Transport().CurrentItem(), 1);
        QCOMPARE(dlg->Slider(1021)->GetPos(), 5);
        QCOMPARE(dlg->FileList()->GetSelectedItem(), 1);
        QCOMPARE(dlg->Player().GetState(), PlayState::Running);
        QTest::keyClick(dlg.get(), Qt::Key_PageUp);
        QCOMPARE(dlg->Transport().CurrentItem(), 0);
        QTest::keyClick(dlg.get(), Qt::Key_PageUp); // first row: nothing
        QCOMPARE(dlg->Transport().CurrentItem(), 0);
        QTest::keyClick(dlg.get(), Qt::Key_PageDown);
        // PageDown on the last row stops everything: the library stays listed.
        QTest::keyClick(dlg.get(), Qt::Key_PageDown);
        QCOMPARE(dlg->Transport().CurrentItem(), -1);
        QVERIFY(!dlg->Transport().IsPositionTimerActive());
        QVERIFY(!dlg->Player().Graph());
        QCOMPARE(dlg->Views().GetChannelView(), ChannelView::None);
        QVERIFY(dlg->Control(1004)->isEnabled());
        QVERIFY(!dlg->Control(1015)->isEnabled());
        QCOMPARE(dlg->FileList()->GetItemCount(), 2);
    }

    void folderLibraryAtStart()
    {
        auto dlg = MakeListedWindow();
        QVERIFY(dlg);
        QCOMPARE(dlg->Button(1092)->GetCheck(), 1);
        QCOMPARE(dlg->Button(1009)->GetCheck(), 1);
        QCOMPARE(dlg->GetLibraryRoot(), m_recordings->path());
        QVERIFY(dlg->GetFolderMode());
    }

    void spaceOpensTheSelectedRow()
    {
        auto dlg = MakeListedWindow();
        QVERIFY(dlg);
        const int row = RowOf(*dlg, m_dualPath);
        dlg->FileList()->SelectItem(row);
        QTest::keyClick(dlg.get(), Qt::Key_Space);
        QCOMPARE(dlg->Transport().CurrentItem(), row);
        QCOMPARE(dlg->Player().GetState(), PlayState::Running);
        QVERIFY(dlg->Transport().IsPositionTimerActive());
        // Space again pauses; the timer keeps running.
        QTest::keyClick(dlg.get(), Qt::Key_Space);
        QCOMPARE(dlg->Player().GetState(), PlayState::Paused);
        QVERIFY(dlg->Transport().IsPositionTimerActive());
    }

    void closeWhilePlayingStopsTimerAndPlayer()
    {
        auto dlg = MakeListedWindow();
        QVERIFY(dlg);
        DoubleClickRow(*dlg, 0);
        QVERIFY(dlg->Transport().IsPositionTimerActive());
        QVERIFY(dlg->Player().Graph());
        dlg->OnCommand(1001);
        QVERIFY(!dlg->Transport().IsPositionTimerActive());
        QVERIFY(!dlg->Player().Graph());
        QVERIFY(!dlg->isVisible());
    }

    void theEndOfARecordingPlaysTheNextThenStops()
    {
        auto dlg = MakeListedWindow();
        QVERIFY(dlg);
        DoubleClickRow(*dlg, 0);
        // The tick that finds the position at the end opens the next row and plays it.
        QTRY_COMPARE_WITH_TIMEOUT(dlg->Transport().CurrentItem(), 1, 20000);
        QVERIFY(dlg->Transport().IsPositionTimerActive());
        // The end of the last row stops the transport.
        QTRY_COMPARE_WITH_TIMEOUT(dlg->Transport().CurrentItem(), -1, 20000);
        QVERIFY(!dlg->Transport().IsPositionTimerActive());
    }

    void spaceWithNothingListedDoesNothing()
    {
        auto dlg = MakeWindow();
        QTest::keyClick(dlg.get(), Qt::Key_Space);
        QVERIFY(!dlg->Transport().IsPositionTimerActive());
        QCOMPARE(dlg->Transport().CurrentItem(), -1);
        QCOMPARE(dlg->Views().GetChannelView(), ChannelView::None);
        QVERIFY(!dlg->Control(1015)->isEnabled());
    }

    void arrowsDoNotMoveAFocusedSlider()
    {
        auto dlg = MakeWindow();
        QAbstractSlider *speed = dlg->Slider(1021);
        speed->setFocus();
        QTest::keyClick(speed, Qt::Key_Left);
        QTest::keyClick(speed, Qt::Key_Right);
        QTest::keyClick(speed, Qt::Key_Right);
        QCOMPARE(speed->value(), 5);
    }
};

int main(int argc, char **argv)
{
    const auto sandbox = IsolateEnvironment();
    QApplication app(argc, argv);
    TestTransport test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_transport.moc"
