// The view layout room, offscreen: the layout kinds, map states, extended mode, pointer zones
// and channel views. Every expected rectangle is typed here from the window's design tables,
// independently of the window's own tables.

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

namespace
{

struct Expected {
    int id;
    QRect rect;
};

// Layout kind 1 with the map hidden.
const Expected kNormal[] = {
    {1002, {150, 12, 37, 28}},   {1000, {937, 12, 36, 28}},   {1001, {973, 12, 37, 28}},
    {1028, {431, 53, 36, 22}},   {1030, {467, 53, 36, 22}},   {1031, {501, 53, 36, 22}},
    {1006, {543, 53, 36, 22}},   {1027, {579, 53, 34, 22}},   {1007, {613, 53, 34, 22}},
    {1008, {647, 53, 36, 22}},   {1092, {871, 53, 36, 22}},   {1003, {907, 53, 36, 22}},
    {1004, {940, 53, 34, 22}},   {1005, {974, 53, 36, 22}},   {1093, {963, 107, 39, 19}},
    {1009, {695, 78, 81, 29}},   {1010, {776, 78, 81, 29}},   {1011, {857, 78, 81, 29}},
    {1012, {938, 78, 82, 29}},   {1013, {450, 475, 36, 28}},  {1014, {486, 475, 37, 28}},
    {1015, {535, 475, 37, 28}},  {1016, {584, 475, 36, 28}},  {1017, {620, 475, 37, 28}},
    {1018, {937, 639, 36, 22}},  {1019, {973, 639, 37, 22}},  {1032, {450, 544, 22, 16}},
    {1026, {450, 581, 22, 16}},  {1033, {450, 617, 22, 21}},  {1020, {30, 474, 391, 20}},
    {1021, {477, 544, 179, 15}}, {1022, {477, 582, 179, 15}}, {1023, {477, 620, 179, 15}},
    {1025, {40, 494, 50, 13}},   {1024, {364, 494, 50, 13}},  {1069, {121, 57, 290, 15}},
};

const int kHiddenInExtended[] = {1029, 1000, 1001, 1028, 1030, 1031, 1006, 1027, 1007, 1092,
                                 1003, 1004, 1005, 1093, 1009, 1010, 1011, 1012, 1018, 1019,
                                 1032, 1033, 1026, 1021, 1023, 1025, 1024, 1069};

const int kShownInLargeMap[] = {1002, 1000, 1001, 1018};

} // namespace

class TestViewLayout : public MainWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { WriteRecordings(); }

    void videoWindowsAtStart()
    {
        auto dlg = MakeWindow();
        QWidget *video1 = dlg->Control(-1);
        QWidget *video2 = dlg->Control(-2);
        QVERIFY(video1 && video2);
        QCOMPARE(video1->windowTitle(), QStringLiteral("Video window1"));
        QCOMPARE(video2->windowTitle(), QStringLiteral("Video window2"));
        // Created at (left, top, right, bottom) 2,175,322,317 and 348,174,668,414.
        QCOMPARE(video1->geometry(), QRect(2, 175, 320, 142));
        QCOMPARE(video2->geometry(), QRect(348, 174, 320, 240));
        // Idle hides both.
        QVERIFY(!video1->isVisible());
        QVERIFY(!video2->isVisible());
    }

    void normalLayout_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QRect>("rect");
        for (const Expected &e : kNormal)
            QTest::newRow(qPrintable(QString::number(e.id))) << e.id << e.rect;
    }

    void normalLayout()
    {
        QFETCH(int, id);
        QFETCH(QRect, rect);
        auto dlg = MakeWindow();
        QWidget *control = dlg->Control(id);
        QVERIFY(control);
        QCOMPARE(control->geometry(), rect);
        QVERIFY(control->isVisible());
        QCOMPARE(dlg->FileList()->geometry(), QRect(695, 126, 324, 508));
        QVERIFY(dlg->FileList()->isVisible());
        QCOMPARE(dlg->MapWindow()->geometry().size(), QSize(0, 0));
    }

    void mapStates_data()
    {
        QTest::addColumn<int>("mapState");
        QTest::addColumn<QRect>("fileList");
        QTest::addColumn<QRect>("map");
        QTest::addColumn<QRect>("largeMap");
        QTest::addColumn<QRect>("showMap");
        QTest::newRow("hidden") << 0 << QRect(695, 126, 329, 508) << QRect(0, 0, 0, 0)
                                << QRect(937, 639, 36, 22) << QRect(973, 639, 37, 22);
        QTest::newRow("small") << 8 << QRect(695, 126, 329, 310) << QRect(695, 466, 324, 197)
                               << QRect(937, 441, 36, 22) << QRect(973, 441, 37, 22);
        QTest::newRow("large") << 16 << QRect() << QRect(2, 48, 1017, 615) << QRect(897, 12, 37, 28)
                               << QRect();
    }

    void mapStates()
    {
        QFETCH(int, mapState);
        QFETCH(QRect, fileList);
        QFETCH(QRect, map);
        QFETCH(QRect, largeMap);
        QFETCH(QRect, showMap);
        auto dlg = MakeWindow();
        dlg->Views().SetMapState(MapState(mapState));
        if (mapState == 16)
            dlg->LayoutControls(LayoutKind::LargeMap);
        dlg->Views().ApplyMapStateGeometry(MapState(mapState));
        QCOMPARE(dlg->FileList()->isVisible(), !fileList.isNull());
        // A shown map covers the skin beneath it: no map bar or video art shows through.
        if (!map.isEmpty()) {
            const QImage image = dlg->grab().toImage();
            const QColor surface = image.pixelColor(map.center());
            for (const QPoint p : {map.topLeft() + QPoint(4, 4), map.bottomRight() - QPoint(4, 4),
                                   QPoint(740, 649), QPoint(850, 649)})
                QVERIFY2(image.pixelColor(p) == surface,
                         qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
        }
        if (!fileList.isNull())
            QCOMPARE(dlg->FileList()->geometry(), fileList);
        QCOMPARE(dlg->MapWindow()->geometry(), map);
        QCOMPARE(dlg->Control(1018)->geometry(), largeMap);
        QCOMPARE(dlg->Control(1019)->isVisible(), !showMap.isNull());
        if (!showMap.isNull())
            QCOMPARE(dlg->Control(1019)->geometry(), showMap);
    }

    void normalLayoutWithSmallMap()
    {
        auto dlg = MakeWindow();
        dlg->Views().SetMapState(MapState::Small);
        dlg->LayoutControls(LayoutKind::Normal);
        QCOMPARE(dlg->Control(1018)->geometry(), QRect(937, 441, 36, 22));
        QCOMPARE(dlg->Control(1019)->geometry(), QRect(973, 441, 37, 22));
        QCOMPARE(dlg->MapWindow()->geometry(), QRect(695, 466, 323, 196));
    }

    void largeMapLayout()
    {
        auto dlg = MakeWindow();
        dlg->Views().SetMapState(MapState::Large);
        dlg->LayoutControls(LayoutKind::LargeMap);
        QCOMPARE(dlg->Views().GetDisplayMode(), DisplayMode::Normal);
        for (const int id : kAllControls) {
            const bool shown =
                std::ranges::find(kShownInLargeMap, id) != std::end(kShownInLargeMap);
            QVERIFY2(dlg->Control(id)->isVisible() == shown, qPrintable(QString::number(id)));
        }
        QCOMPARE(dlg->Control(1018)->geometry(), QRect(897, 12, 37, 28));
        QCOMPARE(dlg->Control(1002)->geometry(), QRect(150, 12, 37, 28));
        QCOMPARE(dlg->MapWindow()->geometry(), QRect(2, 48, 1017, 615));
        QVERIFY(!dlg->Control(-1)->isVisible());
        QVERIFY(!dlg->Control(-2)->isVisible());
    }

    void otherLayoutKindsDoNothing()
    {
        auto dlg = MakeWindow();
        dlg->LayoutControls(LayoutKind(3));
        dlg->LayoutControls(LayoutKind(0));
        QCOMPARE(dlg->Views().GetDisplayMode(), DisplayMode::Normal);
        QCOMPARE(dlg->Control(1013)->geometry(), QRect(450, 475, 36, 28));
    }

    void extendedLayout()
    {
        auto dlg = MakeWindow();
        dlg->OnCommand(1008);
        QCOMPARE(dlg->Views().GetDisplayMode(), DisplayMode::Extended);
        const QRect screen = dlg->screen()->geometry();
        QCOMPARE(dlg->geometry(), screen);
        const int w = dlg->width();
        const int h = dlg->height();
        for (const int id : kHiddenInExtended)
            QVERIFY2(!dlg->Control(id)->isVisible(), qPrintable(QString::number(id)));
        const Expected shown[] = {
            {1002, {w - 94, h - 36, 37, 28}},   {1008, {w - 56, 7, 36, 22}},
            {1013, {w - 550, h - 36, 36, 28}},  {1014, {w - 514, h - 36, 37, 28}},
            {1015, {w - 465, h - 36, 37, 28}},  {1016, {w - 416, h - 36, 36, 28}},
            {1017, {w - 380, h - 36, 37, 28}},  {1020, {20, h - 39, w - 599, 20}},
            {1022, {w - 291, h - 31, 181, 15}},
        };
        for (const Expected &e : shown) {
            QCOMPARE(dlg->Control(e.id)->geometry(), e.rect);
            QVERIFY(dlg->Control(e.id)->isVisible());
        }
        QCOMPARE(dlg->MapWindow()->geometry().size(), QSize(0, 0));
        // The panels are placed along the edges but stay hidden until the pointer comes.
        QVERIFY(!dlg->ControlPanel()->isVisible());
        QCOMPARE(dlg->ControlPanel()->geometry(),
                 QRect(screen.left(), screen.bottom() + 1 - 44, screen.width(), 44));
        QCOMPARE(dlg->ControlTop()->geometry(),
                 QRect(screen.left(), screen.top(), screen.width(), 40));
    }

    void extendedAndBackRestoresGeometryAndState()
    {
        auto dlg = MakeWindow();
        dlg->move(120, 90);
        const QRect before = dlg->geometry();
        dlg->Views().SetMapState(MapState::Small);
        dlg->Views().ApplyMapStateGeometry(MapState::Small);
        dlg->OnCommand(1008);
        QCOMPARE(dlg->Views().GetDisplayMode(), DisplayMode::Extended);
        QTest::keyClick(dlg.get(), Qt::Key_Escape);
        QCOMPARE(dlg->Views().GetDisplayMode(), DisplayMode::Normal);
        QCOMPARE(dlg->geometry(), before);
        QCOMPARE(dlg->size(), QSize(1022, 682));
        QCOMPARE(dlg->Views().GetMapState(), MapState::Small);
        QCOMPARE(dlg->Views().GetChannelView(), ChannelView::None);
        QCOMPARE(dlg->Control(1018)->geometry(), QRect(937, 441, 36, 22));
        for (const Expected &e : kNormal)
            if (e.id != 1018 && e.id != 1019)
                QCOMPARE(dlg->Control(e.id)->geometry(), e.rect);
        QVERIFY(!dlg->ControlPanel()->isVisible());
        QVERIFY(!dlg->ControlTop()->isVisible());
    }

    void pointerZonesInExtendedMode()
    {
        auto dlg = MakeWindow();
        dlg->OnCommand(1008);
        const int h = dlg->height();
        QTest::mouseMove(dlg.get(), QPoint(300, 10));
        QCOMPARE(dlg->Views().GetPointerZone(), PointerZone::Edge);
        QTRY_VERIFY(dlg->ControlPanel()->isVisible());
        QVERIFY(dlg->ControlTop()->isVisible());
        QVERIFY(dlg->Control(1008)->isVisible());
        // The control bar's file list button (1081) opens the file list panel.
        auto *fileListButton = dlg->ControlPanel()->Button(1081);
        QVERIFY(fileListButton);
        fileListButton->Click();
        QVERIFY(dlg->ControlFileList()->isVisible());
        QCOMPARE(fileListButton->GetCheck(), 1);
        QTest::mouseMove(dlg.get(), QPoint(300, h / 2));
        QCOMPARE(dlg->Views().GetPointerZone(), PointerZone::Middle);
        QVERIFY(!dlg->ControlPanel()->isVisible());
        QVERIFY(!dlg->ControlTop()->isVisible());
        QVERIFY(!dlg->ControlFileList()->isVisible());
        QCOMPARE(fileListButton->GetCheck(), 0);
        QVERIFY(!dlg->Control(1008)->isVisible());
        QTest::mouseMove(dlg.get(), QPoint(300, h - 10));
        QCOMPARE(dlg->Views().GetPointerZone(), PointerZone::Edge);
        QVERIFY(dlg->ControlPanel()->isVisible());
    }

    // The loaded track has no fix: the small map goes away, the file list gets its full height.
    void recordingWithoutFixesHidesTheMap()
    {
        auto dlg = MakeListedWindow(m_noGps->path(), 1);
        QVERIFY(dlg);
        dlg->ApplyControlState(ControlState::Playing);
        dlg->OnCommand(1019);
        QCOMPARE(dlg->Views().GetMapState(), MapState::Small);
        DoubleClickRow(*dlg, 0);
        QTRY_COMPARE(dlg->Views().GetMapState(), MapState::Hidden);
        QCOMPARE(dlg->Transport().CurrentItem(), 0); // still loaded: not the reset at the end
        QCOMPARE(dlg->FileList()->geometry(), QRect(695, 126, 329, 508));
        QCOMPARE(dlg->MapWindow()->geometry().size(), QSize(0, 0));
        QCOMPARE(dlg->Control(1019)->geometry(), QRect(973, 639, 37, 22));
    }

    // Small map, then large map, then the end of the list: the hidden map's geometry, not the
    // short list and an empty gap below it.
    void stopFromTheLargeMapGivesTheListItsFullHeight()
    {
        auto dlg = MakeListedWindow();
        QVERIFY(dlg);
        DoubleClickRow(*dlg, 0);
        // The map buttons answer once the track has its fixes.
        QTRY_VERIFY(!dlg->SensorTrack().m_arrGPS.empty());
        dlg->OnCommand(1019);
        QCOMPARE(dlg->Views().GetMapState(), MapState::Small);
        dlg->OnCommand(1018);
        QCOMPARE(dlg->Views().GetMapState(), MapState::Large);
        dlg->Transport().StopAndReset();
        QCOMPARE(dlg->Views().GetMapState(), MapState::Hidden);
        QVERIFY(dlg->FileList()->isVisible());
        QCOMPARE(dlg->FileList()->geometry(), QRect(695, 126, 329, 508));
        QCOMPARE(dlg->MapWindow()->geometry().size(), QSize(0, 0));
        QCOMPARE(dlg->Control(1019)->geometry(), QRect(973, 639, 37, 22));
        QCOMPARE(dlg->Button(1019)->toolTip(), QStringLiteral("Show Map"));
    }

    // Leaving the large map for the hidden map, by the end of the list or by a load without
    // fixes, gives Large map its "Show large map" tooltip back.
    void hiddenMapAfterTheLargeMapRestoresTheLargeMapTooltip()
    {
        const QString showLargeMap = QStringLiteral("Show large map");
        {
            auto dlg = MakeListedWindow();
            QVERIFY(dlg);
            DoubleClickRow(*dlg, 0);
            QTRY_VERIFY(!dlg->SensorTrack().m_arrGPS.empty());
            dlg->OnCommand(1018);
            QCOMPARE(dlg->Button(1018)->toolTip(), QStringLiteral("Reduce Map"));
            dlg->Transport().StopAndReset();
            QCOMPARE(dlg->Views().GetMapState(), MapState::Hidden);
            QCOMPARE(dlg->Button(1018)->toolTip(), showLargeMap);
        }
        {
            auto dlg = MakeListedWindow(m_noGps->path(), 1);
            QVERIFY(dlg);
            dlg->ApplyControlState(ControlState::Playing);
            dlg->OnCommand(1018);
            QCOMPARE(dlg->Views().GetMapState(), MapState::Large);
            DoubleClickRow(*dlg, 0);
            QTRY_COMPARE(dlg->Views().GetMapState(), MapState::Hidden);
            QCOMPARE(dlg->Button(1018)->toolTip(), showLargeMap);
        }
    }

    void extendedWhilePlayingKeepsChannelView()
    {
        auto dlg = MakeListedWindow();
        QVERIFY(dlg);
        DoubleClickRow(*dlg, RowOf(*dlg, m_dualPath));
        dlg->OnCommand(1031);
        QCOMPARE(dlg->Views().GetChannelView(), ChannelView::Both);
        const QRect before = dlg->geometry();
        dlg->OnCommand(1008);
        const int w = dlg->width();
        const int h = dlg->height();
        const int u = h < w / 16 * 9 ? h / 9 : w / 16;
        const int d = u * 9 / 2;
        QCOMPARE(dlg->Control(-1)->geometry(), QRect(0, (h - d) / 2, w / 2, d));
        QCOMPARE(dlg->Control(-2)->geometry(), QRect(w / 2, (h - d) / 2, w / 2, d));
        QTest::keyClick(dlg.get(), Qt::Key_Escape);
        QCOMPARE(dlg->geometry(), before);
        QCOMPARE(dlg->Views().GetChannelView(), ChannelView::Both);
        QCOMPARE(dlg->Control(-1)->geometry(), QRect(3, 175, 344, 194));
        QCOMPARE(dlg->Control(-2)->geometry(), QRect(347, 175, 344, 194));
        QVERIFY(dlg->Control(-1)->isVisible());
        QVERIFY(dlg->Control(-2)->isVisible());
    }

    // Pictures of every layout for a person to look at (QUORVIL_SHOT_DIR); the checks here are
    // only that each grab has the window's size and is not blank.
    void grabEveryLayout()
    {
        const QString dir = qEnvironmentVariable("QUORVIL_SHOT_DIR");
        auto dlg = MakeListedWindow();
        QVERIFY(dlg);
        const auto shoot = [&](const char *name) {
            const QImage image = dlg->grab().toImage();
            QCOMPARE(image.size(), dlg->size());
            QVERIFY(image.pixelColor(10, 10) != image.pixelColor(500, 300) ||
                    dlg->Views().GetDisplayMode() == DisplayMode::Extended);
            if (!dir.isEmpty())
                image.save(dir + "/" + name + ".png");
        };
        shoot("normal-idle");
        dlg->ApplyControlState(ControlState::Listed);
        shoot("normal-listed");
        DoubleClickRow(*dlg, RowOf(*dlg, m_dualPath));
        QTest::qWait(300);
        shoot("normal-playing-front");
        dlg->Views().ShowBothViews();
        QTest::qWait(300);
        shoot("normal-playing-both");
        dlg->Views().SetMapState(MapState::Small);
        dlg->Views().ApplyMapStateGeometry(MapState::Small);
        shoot("normal-small-map");
        dlg->Views().SetMapState(MapState::Large);
        dlg->LayoutControls(LayoutKind::LargeMap);
        shoot("large-map");
        dlg->Views().SetMapState(MapState::Hidden);
        dlg->LayoutControls(LayoutKind::Normal);
        dlg->Views().ApplyMapStateGeometry(MapState::Hidden);
        dlg->OnCommand(1008);
        shoot("extended");
    }
};

int main(int argc, char **argv)
{
    const auto sandbox = IsolateEnvironment();
    QApplication app(argc, argv);
    TestViewLayout test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_layout.moc"
