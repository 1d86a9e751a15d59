#include "LocalTileServer.h"
#include "PageScript.h"

#include "sensors/widgets/CMapView.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <memory>
#include <optional>

using ScriptCall = CExplorerMapViewWnd::ScriptCall;
Q_DECLARE_METATYPE(std::optional<ScriptCall>)

namespace
{

// A port nothing listens on: every tile request is refused at once.
constexpr const char *kRefusedTiles = "http://127.0.0.1:9/{z}/{x}/{y}.png";

CGPSData Fix(double latitude, double longitude, double speed, std::uint32_t time)
{
    CGPSData fix;
    fix.m_bValid = 1;
    fix.m_dLatitude = latitude;
    fix.m_dLongitude = longitude;
    fix.m_dSpeed = speed;
    fix.m_nTime = time;
    return fix;
}

QVariantMap MapStatus(CMapView &map)
{
    return Evaluate(map.View()->page(), QStringLiteral("MapStatus()")).toMap();
}

} // namespace

class TestMap : public QObject
{
    Q_OBJECT

private slots:
    void parsesCallStrings_data();
    void parsesCallStrings();
    void formatsTheFixForThePage_data();
    void formatsTheFixForThePage();
    void sendsTheMapFixOnly();
    void buildsThePageUrl_data();
    void buildsThePageUrl();
    void argumentsReachThePageAsPlainStrings();
    void keepsOnlyTheLatestCallUntilLoaded();
    void answersStillDueDieWithTheWindow();
    void pageHoldsTheMarkerWithTiles();
    void pageDrawsOnAGridWithoutTiles_data();
    void pageDrawsOnAGridWithoutTiles();
    void pageRefusesWhatIsNoPosition_data();
    void pageRefusesWhatIsNoPosition();
    void cleanupTestCase() { m_refusingMap.reset(); }

private:
    std::unique_ptr<CMapView> m_refusingMap;
};

void TestMap::parsesCallStrings_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<std::optional<ScriptCall>>("expected");
    const auto call = [](const char *function, QStringList arguments) {
        return std::optional<ScriptCall>(ScriptCall{QString::fromLatin1(function), arguments});
    };
    QTest::newRow("the map call") << "javascript:DrawCurrent('-126.977000', '37.566000','9')"
                                  << call("DrawCurrent", {"-126.977000", "37.566000", "9"});
    QTest::newRow("no prefix") << "DrawCurrent(1,2,3)" << call("DrawCurrent", {"1", "2", "3"});
    QTest::newRow("prefix inside the text") << "about:blank javascript:Fn(1)" << call("Fn", {"1"});
    QTest::newRow("name trimmed, quotes and runs of delimiters dropped")
        << "javascript:  Fn \t( \"a\" ;; 'b',,\t c )" << call("Fn", {"a", "b", "c"});
    QTest::newRow("no parenthesis") << "javascript:Fn" << call("Fn", {});
    QTest::newRow("no arguments") << "javascript:Fn()" << call("Fn", {});
    QTest::newRow("a second statement becomes arguments")
        << "javascript:Fn(1);alert(2)" << call("Fn", {"1", "alert", "2"});
    QTest::newRow("empty") << "" << std::optional<ScriptCall>();
    QTest::newRow("member expression") << "javascript:a.b(1)" << std::optional<ScriptCall>();
    QTest::newRow("assignment") << "javascript:x=1" << std::optional<ScriptCall>();
    QTest::newRow("empty name") << "javascript:(1)" << std::optional<ScriptCall>();
}

void TestMap::parsesCallStrings()
{
    QFETCH(QString, url);
    QFETCH(std::optional<ScriptCall>, expected);
    const std::optional<ScriptCall> call = CExplorerMapViewWnd::ParseScriptCall(url);
    QCOMPARE(call.has_value(), expected.has_value());
    if (call) {
        QCOMPARE(call->function, expected->function);
        QCOMPARE(call->arguments, expected->arguments);
    }
}

void TestMap::formatsTheFixForThePage_data()
{
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");
    QTest::addColumn<QString>("expected");
    QTest::newRow("north, west") << 3733.960 << -12658.620
                                 << "javascript:DrawCurrent('-126.977000', '37.566000','9')";
    QTest::newRow("south, east") << -3352.200 << 15112.600
                                 << "javascript:DrawCurrent('151.210000', '-33.870000','9')";
    QTest::newRow("under one degree")
        << 30.0 << -45.0 << "javascript:DrawCurrent('-0.750000', '0.500000','9')";
}

void TestMap::formatsTheFixForThePage()
{
    QFETCH(double, latitude);
    QFETCH(double, longitude);
    QFETCH(QString, expected);
    QCOMPARE(CMapView::DrawCurrentCall(Fix(latitude, longitude, 0, 0)), expected);
}

void TestMap::sendsTheMapFixOnly()
{
    CMapView map;
    std::vector<CGPSData> fixes;
    for (std::uint32_t i = 0; i < 6; ++i)
        fixes.push_back(Fix(3700.0 + i, 12700.0, 10, i * 1000));
    QCOMPARE(map.DrawCurrent(0, {}), QString());
    // Between fix 4 and fix 5: the map shows fix 5, the one at or after the position.
    QCOMPARE(map.DrawCurrent(4500, fixes), CMapView::DrawCurrentCall(fixes[5]));
    QCOMPARE(map.m_dLatitude, CMapView::NmeaToDegrees(3705.0));
    QCOMPARE(map.m_dLongitude, 127.0);
    QCOMPARE(map.DrawCurrent(5001, fixes), QString());
    fixes[5].m_bValid = 0;
    QCOMPARE(map.DrawCurrent(4500, fixes), QString());
    QCOMPARE(map.m_dLatitude, CMapView::NmeaToDegrees(3705.0));
    // The view is made by the first navigation, not by a call.
    QVERIFY(!map.HasView());
}

void TestMap::buildsThePageUrl_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("code");
    QTest::newRow("Japanese") << 1041 << "ja";
    QTest::newRow("Russian") << 1049 << "ru";
    QTest::newRow("Korean") << 1042 << "ko";
    QTest::newRow("English") << 1033 << "en";
    QTest::newRow("German") << 1031 << "en";
}

void TestMap::buildsThePageUrl()
{
    QFETCH(int, language);
    QFETCH(QString, code);
    const QUrl url =
        CMapView::PageUrl(QStringLiteral("/opt/quorvil/bin"), static_cast<std::uint16_t>(language));
    QCOMPARE(url.toLocalFile(), QStringLiteral("/opt/quorvil/bin/MapView.htm"));
    QCOMPARE(url.query(), QStringLiteral("language=") + code);
    const QUrl tiles = CMapView::PageUrl(
        QStringLiteral("/x"), 1033, QStringLiteral("http://127.0.0.1:80/{z}/{x}/{y}.png?a=1&b"));
    QCOMPARE(QUrlQuery(tiles).queryItemValue(QStringLiteral("tiles"), QUrl::FullyDecoded),
             QStringLiteral("http://127.0.0.1:80/{z}/{x}/{y}.png?a=1&b"));
}

void TestMap::argumentsReachThePageAsPlainStrings()
{
    QTemporaryDir dir;
    QFile page(dir.filePath(QStringLiteral("echo.htm")));
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.write("<!DOCTYPE html><script>window.calls = [];"
               "function Echo() { calls.push(Array.prototype.slice.call(arguments));"
               " return 'echo ' + arguments.length; }</script>");
    page.close();

    CExplorerMapViewWnd wnd;
    wnd.resize(200, 100);
    wnd.show();
    wnd.Navigate(QUrl::fromLocalFile(page.fileName()));
    QTRY_VERIFY_WITH_TIMEOUT(wnd.IsPageLoaded(), 30000);

    // Each would run script if it were pasted into the call instead of passed as a string.
    const QStringList attempts = {
        QStringLiteral("javascript:Echo(window.pwned=1)"),
        QStringLiteral("javascript:Echo(`${window.pwned=2}`)"),
        QStringLiteral("javascript:Echo('</script><script>window.pwned=3</script>')"),
        QStringLiteral("javascript:Echo(\\u0027+(window.pwned=4)+\\u0027)"),
    };
    QStringList results;
    for (const QString &attempt : attempts)
        QVERIFY(wnd.ExecScript(attempt, [&](const QString &r) { results << r; }));
    QTRY_COMPARE_WITH_TIMEOUT(results.size(), attempts.size(), 20000);
    QCOMPARE(results, QStringList({"echo 1", "echo 1", "echo 1", "echo 3"}));

    const QVariantList calls = Evaluate(wnd.View()->page(), QStringLiteral("calls")).toList();
    QCOMPARE(calls.size(), 4);
    QCOMPARE(calls[0].toStringList(), QStringList{"window.pwned=1"});
    QCOMPARE(calls[1].toStringList(), QStringList{"`${window.pwned=2}`"});
    QCOMPARE(calls[2].toStringList(), QStringList{"</script><script>window.pwned=3</script>"});
    QCOMPARE(calls[3].toStringList(), QStringList({"\\u0027+", "window.pwned=4", "+\\u0027"}));
    QCOMPARE(Evaluate(wnd.View()->page(), QStringLiteral("typeof window.pwned")).toString(),
             QStringLiteral("undefined"));

    // A name the page does not define, and a string that names no function, do nothing.
    std::optional<QString> missing;
    QVERIFY(wnd.ExecScript(QStringLiteral("javascript:NotThere(1)"),
                           [&](const QString &r) { missing = r; }));
    QTRY_VERIFY_WITH_TIMEOUT(missing.has_value(), 20000);
    QCOMPARE(*missing, QString());
    QVERIFY(!wnd.ExecScript(QStringLiteral("javascript:window.pwned=5")));
}

void TestMap::keepsOnlyTheLatestCallUntilLoaded()
{
    QTemporaryDir dir;
    QFile page(dir.filePath(QStringLiteral("echo.htm")));
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.write("<!DOCTYPE html><script>window.calls = [];"
               "function Echo(a) { calls.push(a); return a; }</script>");
    page.close();

    CExplorerMapViewWnd wnd;
    wnd.resize(200, 100);
    wnd.show();
    QStringList results;
    const auto collect = [&](const QString &r) { results << r; };
    // Before any view exists, and while the first page loads.
    QVERIFY(wnd.ExecScript(QStringLiteral("javascript:Echo('first')"), collect));
    wnd.Navigate(QUrl::fromLocalFile(page.fileName()));
    QVERIFY(wnd.ExecScript(QStringLiteral("javascript:Echo('second')"), collect));
    QVERIFY(wnd.ExecScript(QStringLiteral("javascript:Echo('third')"), collect));
    QTRY_VERIFY_WITH_TIMEOUT(wnd.IsPageLoaded(), 30000);
    QTRY_COMPARE_WITH_TIMEOUT(results, QStringList{"third"}, 20000);
    QCOMPARE(Evaluate(wnd.View()->page(), QStringLiteral("calls")).toStringList(),
             QStringList{"third"});
}

// The page answers the scripts still running as it goes, with no result. By then the window
// that asked is being destroyed (a map view's own part is gone already), so nobody is told.
void TestMap::answersStillDueDieWithTheWindow()
{
    QTemporaryDir dir;
    QFile page(dir.filePath(QStringLiteral("echo.htm")));
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.write("<!DOCTYPE html><script>function Echo(a) { return a; }</script>");
    page.close();

    int answers = 0;
    {
        CExplorerMapViewWnd wnd;
        wnd.resize(200, 100);
        wnd.show();
        wnd.Navigate(QUrl::fromLocalFile(page.fileName()));
        QTRY_VERIFY_WITH_TIMEOUT(wnd.IsPageLoaded(), 30000);
        // The page answers through the browser process: not before the loop turns again.
        QVERIFY(wnd.ExecScript(QStringLiteral("javascript:Echo('late')"),
                               [&](const QString &) { ++answers; }));
    }
    QCOMPARE(answers, 0);
}

void TestMap::pageHoldsTheMarkerWithTiles()
{
    LocalTileServer server;
    qputenv("QUORVIL_TILE_URL", server.TileUrl().toUtf8());
    CMapView map;
    map.SetPageFolder(QCoreApplication::applicationDirPath());
    map.resize(324, 197);
    map.show();
    const std::vector<CGPSData> fixes = {Fix(3733.960, -12658.620, 40, 0),
                                         Fix(3733.990, -12658.600, 41, 1000)};
    // Sent before the page exists: it arrives once the page has loaded.
    QVERIFY(!map.DrawCurrent(0, fixes).isEmpty());
    map.NavigateToPage(1033);
    QTRY_VERIFY_WITH_TIMEOUT(map.IsPageLoaded(), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(!MapStatus(map)["marker"].isNull(), 20000);
    QVariantMap status = MapStatus(map);
    QCOMPARE(status["language"].toString(), QStringLiteral("en"));
    QCOMPARE(status["zoom"].toInt(), 16); // street level, at least the zoom asked for
    QCOMPARE(status["tileUrl"].toString(), server.TileUrl());
    QCOMPARE(status["marker"].toMap()["lat"].toDouble(), 37.566);
    QCOMPARE(status["marker"].toMap()["lng"].toDouble(), -126.977);

    map.DrawCurrent(1000, fixes);
    QTRY_COMPARE_WITH_TIMEOUT(MapStatus(map)["points"].toInt(), 2, 20000);
    status = MapStatus(map);
    // The page gets six decimals.
    QCOMPARE(status["marker"].toMap()["lat"].toDouble(), 37.566500);
    QCOMPARE(status["marker"].toMap()["lng"].toDouble(), -126.976667);
    QTRY_VERIFY_WITH_TIMEOUT(MapStatus(map)["tilesLoaded"].toInt() > 0, 20000);
    QVERIFY(server.TilesServed() > 0);
    QCOMPARE(MapStatus(map)["note"].toString(), QString());

    const QString shot = QDir(qEnvironmentVariable("QUORVIL_TEST_TMP", QDir::tempPath()))
                             .filePath(QStringLiteral("map-with-tiles.png"));
    QTest::qWait(500);
    map.grab().save(shot);
    qunsetenv("QUORVIL_TILE_URL");
}

void TestMap::pageDrawsOnAGridWithoutTiles_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("noteStart");
    QTest::newRow("English") << 1033 << "en"
                             << "Map tiles are unavailable";
    QTest::newRow("Korean") << 1042 << "ko"
                            << "지도 타일";
    QTest::newRow("Japanese") << 1041 << "ja"
                              << "地図タイル";
    QTest::newRow("Russian") << 1049 << "ru"
                             << "Фрагменты карты";
}

void TestMap::pageDrawsOnAGridWithoutTiles()
{
    QFETCH(int, language);
    QFETCH(QString, code);
    QFETCH(QString, noteStart);
    qputenv("QUORVIL_TILE_URL", kRefusedTiles);
    CMapView map;
    map.SetPageFolder(QCoreApplication::applicationDirPath());
    map.resize(324, 197);
    map.show();
    map.NavigateToPage(static_cast<std::uint16_t>(language));
    QTRY_VERIFY_WITH_TIMEOUT(map.IsPageLoaded(), 30000);
    const std::vector<CGPSData> fixes = {Fix(-3352.200, 15112.600, 0, 0)};
    map.DrawCurrent(0, fixes);
    QTRY_VERIFY_WITH_TIMEOUT(!MapStatus(map)["marker"].isNull(), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(MapStatus(map)["tileErrors"].toInt() > 0, 20000);
    const QVariantMap status = MapStatus(map);
    QCOMPARE(status["language"].toString(), code);
    QCOMPARE(status["tilesLoaded"].toInt(), 0);
    QVERIFY2(status["note"].toString().startsWith(noteStart),
             qPrintable(status["note"].toString()));
    QCOMPARE(status["marker"].toMap()["lat"].toDouble(), -33.87);
    QCOMPARE(status["marker"].toMap()["lng"].toDouble(), 151.21);

    // The grid, not a grey box: the page's paper colour under the map's centre area.
    QTest::qWait(500);
    const QImage shot = map.grab().toImage();
    shot.save(QDir(qEnvironmentVariable("QUORVIL_TEST_TMP", QDir::tempPath()))
                  .filePath(QStringLiteral("map-grid-%1.png").arg(code)));
    int paper = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            paper += (shot.pixel(x, y) & 0xFFFFFF) == 0xf2efe9;
    QVERIFY2(paper > shot.width() * shot.height() / 2, qPrintable(QString::number(paper)));
    qunsetenv("QUORVIL_TILE_URL");
}

void TestMap::pageRefusesWhatIsNoPosition_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("result");
    QTest::newRow("a position") << "DrawCurrent('-126.977000', '37.566000', '9')"
                                << "drawn";
    QTest::newRow("no fix") << "DrawCurrent('0.000000', '0.000000', '9')"
                            << "refused";
    QTest::newRow("a word") << "DrawCurrent('east', '37.566000', '9')"
                            << "refused";
    QTest::newRow("an exponent") << "DrawCurrent('1e2', '37.566000', '9')"
                                 << "refused";
    QTest::newRow("blank") << "DrawCurrent(' 12', '37.566000', '9')"
                           << "refused";
    QTest::newRow("longitude out of range") << "DrawCurrent('180.5', '37.5', '9')"
                                            << "refused";
    QTest::newRow("latitude out of range") << "DrawCurrent('12.5', '-90.1', '9')"
                                           << "refused";
    QTest::newRow("zoom out of range") << "DrawCurrent('12.5', '37.5', '20')"
                                       << "refused";
    QTest::newRow("zoom with decimals") << "DrawCurrent('12.5', '37.5', '9.5')"
                                        << "refused";
    QTest::newRow("missing zoom") << "DrawCurrent('12.5', '37.5')"
                                  << "refused";
    QTest::newRow("numbers, not strings") << "DrawCurrent(12.5, 37.5, 9)"
                                          << "refused";
}

void TestMap::pageRefusesWhatIsNoPosition()
{
    QFETCH(QString, call);
    QFETCH(QString, result);
    qputenv("QUORVIL_TILE_URL", kRefusedTiles);
    // One page for all rows.
    if (!m_refusingMap) {
        m_refusingMap = std::make_unique<CMapView>();
        m_refusingMap->SetPageFolder(QCoreApplication::applicationDirPath());
        m_refusingMap->resize(324, 197);
        m_refusingMap->show();
        m_refusingMap->NavigateToPage(1033);
    }
    CMapView *map = m_refusingMap.get();
    QTRY_VERIFY_WITH_TIMEOUT(map->IsPageLoaded(), 30000);
    const int before = MapStatus(*map)["points"].toInt();
    QCOMPARE(Evaluate(map->View()->page(), call).toString(), result);
    QCOMPARE(MapStatus(*map)["points"].toInt(), before + (result == "drawn" ? 1 : 0));
    qunsetenv("QUORVIL_TILE_URL");
}

QTEST_MAIN(TestMap)
#include "test_map.moc"
