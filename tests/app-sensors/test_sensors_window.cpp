// The sensor room in the real main window: map buttons, the page, the position tick feeding the
// map and the speed readout, and the G-sensor graph, offscreen.

#include "tests/app-common/MainWindowFixture.h"
#include "tests/sensors-map/PageScript.h"

#include "sensors/CSensorLoader.h"
#include "sensors/widgets/CMapView.h"
#include "ui/SkinBitmap.h"

#include <QUrlQuery>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <cmath>
#include <optional>

namespace
{

// A port nothing listens on: the page draws on its grid at once.
constexpr const char *kRefusedTiles = "http://127.0.0.1:9/{z}/{x}/{y}.png";

struct MapButtonsRow {
    MapState state;
    std::optional<QRect> fileList; // nullopt: hidden
    QRect map;
    QRect largeMapButton;
    std::optional<QRect> showMapButton; // nullopt: hidden
    QString showMapTooltip;
    QString largeMapTooltip;
};

// Where the page has its marker, rounded as the page got it; none before the first position.
std::optional<QPointF> Marker(CMapView &map)
{
    const QVariant marker = Evaluate(map.View()->page(), QStringLiteral("MapStatus().marker"));
    if (marker.isNull() || !marker.isValid())
        return std::nullopt;
    return QPointF(marker.toMap()["lng"].toDouble(), marker.toMap()["lat"].toDouble());
}

double SixDecimals(double value)
{
    return std::round(value * 1e6) / 1e6;
}

bool IsBareGraph(const QImage &image)
{
    return image == LoadSkinImage(CGSensorGraph::kBackgroundBitmap).convertToFormat(image.format());
}

} // namespace

Q_DECLARE_METATYPE(MapButtonsRow)

class TestSensorsWindow : public MainWindowFixture
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_drive;

private slots:
    void initTestCase()
    {
        WriteRecordings();
        // Eight seconds of Seoul: eight fixes a second apart, speeds changing.
        m_drive = std::make_unique<QTemporaryDir>(qEnvironmentVariable("QUORVIL_TEST_TMP") +
                                                  "/sensors-window-XXXXXX");
        cardgen::RecordingOptions options;
        options.durationMs = 8000;
        options.width = 160;
        options.height = 90;
        options.fps = 10;
        options.rear = false;
        options.audio = false;
        options.path = m_drive->path() + "/" + cardgen::RecordingFileName(options);
        QVERIFY(cardgen::WriteRecording(options));
        qputenv("QUORVIL_TILE_URL", kRefusedTiles);
    }
    void init() { m_sandbox = IsolateEnvironment(); }

    void mapButtonsStateTable_data();
    void mapButtonsStateTable();
    void emptyFixArrayOnlyShowsTheMessage();
    void pageInTheWindowsLanguage_data();
    void pageInTheWindowsLanguage();
    void tickMovesTheMarkerAndTheReadout();
    void graphIsKeptUntilStop();

private:
    std::unique_ptr<QTemporaryDir> m_sandbox;
};

void TestSensorsWindow::mapButtonsStateTable_data()
{
    QTest::addColumn<QList<int>>("presses");
    QTest::addColumn<bool>("online");
    QTest::addColumn<MapButtonsRow>("expected");
    QTest::addColumn<bool>("navigated");
    const QRect noMap(0, 0, 0, 0);
    const MapButtonsRow hidden{MapState::Hidden,        QRect(695, 126, 329, 508), noMap,
                               QRect(937, 639, 36, 22), QRect(973, 639, 37, 22),   "Show Map",
                               "Show large map"};
    MapButtonsRow small{MapState::Small,           QRect(695, 126, 329, 310),
                        QRect(695, 466, 324, 197), QRect(937, 441, 36, 22),
                        QRect(973, 441, 37, 22),   "Hide Map",
                        "Show large map"};
    MapButtonsRow offlineSmall = small;
    offlineSmall.map = QRect(676, 71, 0, 0);
    const MapButtonsRow large{MapState::Large,
                              std::nullopt,
                              QRect(2, 48, 1017, 615),
                              QRect(897, 12, 37, 28),
                              std::nullopt,
                              QString(),
                              "Reduce Map"};
    // Before any recording the track holds 1024 invalid fixes: the buttons switch the map.
    QTest::newRow("1019 twice") << QList<int>{1019, 1019} << true << hidden << true;
    QTest::newRow("1019") << QList<int>{1019} << true << small << true;
    QTest::newRow("1019 offline") << QList<int>{1019} << false << offlineSmall << false;
    QTest::newRow("1018") << QList<int>{1018} << true << large << true;
    QTest::newRow("1018 offline") << QList<int>{1018} << false << large << false;
    QTest::newRow("1018 twice") << QList<int>{1018, 1018} << true << small << true;
    QTest::newRow("1018 twice offline") << QList<int>{1018, 1018} << false << offlineSmall << false;
    QTest::newRow("1019, 1018") << QList<int>{1019, 1018} << true << large << true;
    QTest::newRow("1018, 1018, 1019") << QList<int>{1018, 1018, 1019} << true << hidden << true;
}

void TestSensorsWindow::mapButtonsStateTable()
{
    QFETCH(QList<int>, presses);
    QFETCH(bool, online);
    QFETCH(MapButtonsRow, expected);
    QFETCH(bool, navigated);
    qputenv("QUORVIL_ONLINE", online ? "1" : "0");
    auto dlg = MakeWindow();
    QVERIFY(dlg);
    QCOMPARE(dlg->SensorTrack().m_arrGPS.size(), CTextData::kInitialEntries);
    for (const int id : presses)
        dlg->OnCommand(id);
    QCOMPARE(dlg->Views().GetMapState(), expected.state);
    QCOMPARE(dlg->FileList()->isVisible(), expected.fileList.has_value());
    if (expected.fileList)
        QCOMPARE(dlg->FileList()->geometry(), *expected.fileList);
    QCOMPARE(dlg->MapWindow()->geometry(), expected.map);
    QCOMPARE(dlg->Control(1018)->geometry(), expected.largeMapButton);
    QCOMPARE(dlg->Button(1018)->toolTip(), expected.largeMapTooltip);
    QCOMPARE(dlg->Control(1019)->isVisible(), expected.showMapButton.has_value());
    if (expected.showMapButton) {
        QCOMPARE(dlg->Control(1019)->geometry(), *expected.showMapButton);
        QCOMPARE(dlg->Button(1019)->toolTip(), expected.showMapTooltip);
    }
    QCOMPARE(dlg->SensorViews().Map().HasView(), navigated);
    QVERIFY(m_dialogs->MessageBoxCalls().empty());
    qunsetenv("QUORVIL_ONLINE");
}

void TestSensorsWindow::emptyFixArrayOnlyShowsTheMessage()
{
    qputenv("QUORVIL_ONLINE", "1");
    auto dlg = MakeListedWindow(m_noGps->path(), 1);
    QVERIFY(dlg);
    DoubleClickRow(*dlg, 0);
    // Loaded: the graph has its curves, and there is no fix.
    QTRY_VERIFY(!IsBareGraph(dlg->SensorViews().Graph().Image()));
    QVERIFY(dlg->SensorTrack().m_arrGPS.empty());
    dlg->OnCommand(1019);
    dlg->OnCommand(1018);
    QCOMPARE(dlg->Views().GetMapState(), MapState::Hidden);
    QCOMPARE(dlg->MapWindow()->geometry(), QRect(0, 0, 0, 0));
    QVERIFY(!dlg->SensorViews().Map().HasView());
    const auto &calls = m_dialogs->MessageBoxCalls();
    QCOMPARE(calls.size(), 2u);
    for (const auto &call : calls) {
        QCOMPARE(call.text, QStringLiteral("Detected no GPS datas."));
        QCOMPARE(call.buttons, MessageBoxButtons::Ok);
    }
    qunsetenv("QUORVIL_ONLINE");
}

void TestSensorsWindow::pageInTheWindowsLanguage_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("code");
    QTest::newRow("Russian") << 1049 << "ru";
    QTest::newRow("English") << 1033 << "en";
}

void TestSensorsWindow::pageInTheWindowsLanguage()
{
    QFETCH(int, language);
    QFETCH(QString, code);
    qputenv("QUORVIL_ONLINE", "1");
    auto dlg = MakeWindow();
    QVERIFY(dlg);
    dlg->m_wLanguage = static_cast<std::uint16_t>(language);
    dlg->OnCommand(1019);
    CMapView &map = dlg->SensorViews().Map();
    QVERIFY(map.HasView());
    QTRY_VERIFY_WITH_TIMEOUT(map.IsPageLoaded(), 30000);
    const QUrl url = map.View()->url();
    QCOMPARE(url.fileName(), QStringLiteral("MapView.htm"));
    QCOMPARE(QUrlQuery(url).queryItemValue(QStringLiteral("language")), code);
    QCOMPARE(Evaluate(map.View()->page(), QStringLiteral("MapStatus().language")).toString(), code);
    qunsetenv("QUORVIL_ONLINE");
}

void TestSensorsWindow::tickMovesTheMarkerAndTheReadout()
{
    qputenv("QUORVIL_ONLINE", "1");
    auto dlg = MakeListedWindow(m_drive->path(), 1);
    QVERIFY(dlg);
    DoubleClickRow(*dlg, 0);
    QTRY_VERIFY(dlg->SensorTrack().m_arrGPS.size() >= 6);
    dlg->OnCommand(1019);
    QCOMPARE(dlg->Views().GetMapState(), MapState::Small);
    CMapView &map = dlg->SensorViews().Map();
    QTRY_VERIFY_WITH_TIMEOUT(map.IsPageLoaded(), 30000);

    // The marker sits where the map window last sent it, and it moves while the recording plays.
    std::optional<QPointF> first;
    QTRY_VERIFY_WITH_TIMEOUT((first = Marker(map)).has_value(), 20000);
    std::optional<QPointF> later;
    QTRY_VERIFY_WITH_TIMEOUT((later = Marker(map)) && *later != *first, 20000);
    QVERIFY(dlg->Player().GetState() == PlayState::Running);
    dlg->OnCommand(ControlIds::IDC_PLAY); // pause: the marker and the readout stand still
    QTRY_VERIFY(dlg->Player().GetState() == PlayState::Paused);
    QTest::qWait(500);
    const std::optional<QPointF> paused = Marker(map);
    QVERIFY(paused);
    QCOMPARE(paused->x(), SixDecimals(map.m_dLongitude));
    QCOMPARE(paused->y(), SixDecimals(map.m_dLatitude));
    const std::vector<CGPSData> &fixes = dlg->SensorTrack().m_arrGPS;
    const std::uint32_t position = dlg->Player().GetPositionMs();
    const std::optional<std::size_t> mapFix = CSensorLoader::FindMapFix(fixes, position);
    QVERIFY(mapFix);
    QCOMPARE(map.m_dLatitude, CMapView::NmeaToDegrees(fixes[*mapFix].m_dLatitude));

    // The readout shows the speed of the fix before the position, above the small map's buttons.
    const std::optional<std::size_t> speedFix = CSensorLoader::FindSpeedFix(fixes, position);
    QVERIFY(speedFix);
    QCOMPARE(dlg->SensorViews().SpeedReadout().Shown(),
             static_cast<int>(fixes[*speedFix].m_dSpeed));
    const int speed = *dlg->SensorViews().SpeedReadout().Shown();
    const QImage digits =
        CSpeedReadout::DrawSpeedDigits(speed).convertToFormat(QImage::Format_RGB32);
    QImage shot = dlg->grab().toImage().convertToFormat(QImage::Format_RGB32);
    shot.save(qEnvironmentVariable("QUORVIL_TEST_TMP") + "/sensors-window-small-map.png");
    QCOMPARE(shot.copy(830, 445, 30, 15), digits);

    // Map hidden: the readout moves down beside the buttons.
    dlg->OnCommand(1019);
    QCOMPARE(dlg->Views().GetMapState(), MapState::Hidden);
    shot = dlg->grab().toImage().convertToFormat(QImage::Format_RGB32);
    shot.save(qEnvironmentVariable("QUORVIL_TEST_TMP") + "/sensors-window-hidden-map.png");
    QCOMPARE(shot.copy(830, 643, 30, 15), digits);
    QVERIFY(shot.copy(830, 445, 30, 15) != digits);

    // Large map: the page covers the window, no readout and no graph over it.
    dlg->OnCommand(1018);
    QCOMPARE(dlg->Views().GetMapState(), MapState::Large);
    QTRY_VERIFY_WITH_TIMEOUT(map.IsPageLoaded(), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(Marker(map).has_value(), 20000);
    QTest::qWait(300);
    shot = dlg->grab().toImage().convertToFormat(QImage::Format_RGB32);
    shot.save(qEnvironmentVariable("QUORVIL_TEST_TMP") + "/sensors-window-large-map.png");
    QVERIFY(shot.copy(830, 643, 30, 15) != digits);
    QVERIFY(shot.copy(41, 531, 370, 114) !=
            dlg->SensorViews().Graph().Image().convertToFormat(QImage::Format_RGB32));
    qunsetenv("QUORVIL_ONLINE");
}

void TestSensorsWindow::graphIsKeptUntilStop()
{
    qputenv("QUORVIL_ONLINE", "0");
    auto dlg = MakeListedWindow(m_drive->path(), 1);
    QVERIFY(dlg);
    QVERIFY(IsBareGraph(dlg->SensorViews().Graph().Image()));
    DoubleClickRow(*dlg, 0);
    QTRY_VERIFY(!IsBareGraph(dlg->SensorViews().Graph().Image()));
    QTRY_VERIFY(dlg->SensorViews().SpeedReadout().Shown().has_value());
    const QImage drawn = dlg->SensorViews().Graph().Image();
    // A layout and a repaint keep the curves.
    dlg->LayoutControls(LayoutKind::Normal);
    dlg->repaint();
    QCOMPARE(dlg->SensorViews().Graph().Image(), drawn);
    const QImage shot = dlg->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QVERIFY(shot.copy(41, 531, 370, 114) !=
            LoadSkinImage(292).convertToFormat(QImage::Format_RGB32));
    // Stopped: only the background, no speed.
    dlg->Transport().StopAndReset();
    QVERIFY(IsBareGraph(dlg->SensorViews().Graph().Image()));
    QCOMPARE(dlg->SensorViews().SpeedReadout().Shown(), std::nullopt);
    qunsetenv("QUORVIL_ONLINE");
}

QTEST_MAIN(TestSensorsWindow)
#include "test_sensors_window.moc"
