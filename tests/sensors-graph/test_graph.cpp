#include "sensors/widgets/CGSensorGraph.h"
#include "sensors/widgets/CSpeedReadout.h"
#include "sensors/CTextData.h"
#include "tools/make-card/CardGenerator.h"
#include "ui/SkinBitmap.h"

#include <QDir>
#include <QSet>

#include <QPainter>
#include <QTest>

namespace
{

constexpr QRgb kPen = CGSensorGraph::kPenColour;

CGSensorData Sample(std::uint32_t time, std::int32_t x, std::int32_t y = 0, std::int32_t z = 0)
{
    return CGSensorData(x, y, z, time);
}

CGPSData Fix(double speed, std::uint32_t time, bool valid = true)
{
    CGPSData fix;
    fix.m_bValid = valid ? 1 : 0;
    fix.m_dLatitude = 3733.96;
    fix.m_dLongitude = 12658.62;
    fix.m_dSpeed = speed;
    fix.m_nTime = time;
    return fix;
}

bool IsPen(const QImage &image, int x, int y)
{
    return (image.pixel(x, y) & 0xFFFFFF) == (kPen & 0xFFFFFF);
}

// Columns of row `y` drawn in the pen colour.
QList<int> PenColumns(const QImage &image, int y)
{
    QList<int> columns;
    for (int x = 0; x < image.width(); ++x)
        if (IsPen(image, x, y))
            columns << x;
    return columns;
}

QImage Readout(int n)
{
    return CSpeedReadout::DrawSpeedDigits(n).convertToFormat(QImage::Format_RGB32);
}

// The three digit bitmaps side by side, as the readout should show them.
QImage Digits(int hundreds, int tens, int ones)
{
    QImage expected(30, 15, QImage::Format_RGB32);
    QPainter painter(&expected);
    for (const auto &[x, digit] : {std::pair{0, hundreds}, {10, tens}, {20, ones}})
        painter.drawImage(x, 0, LoadSkinImage(CSpeedReadout::kFirstDigitBitmap + digit));
    return expected;
}

} // namespace

class TestGraph : public QObject
{
    Q_OBJECT

private slots:
    void valuesGoToTheirRows_data();
    void valuesGoToTheirRows();
    void scalesTheWholeSecondDuration();
    void leavesOutSamplesPastFiveMinutes();
    void showsOnlyTheBackgroundWithoutCurves();
    void paintsAtItsPlaceWithGreenTransparent();
    void positionLineLeavesTheCurvesIntact();
    void drawsAGeneratedEventRecording();
    void showsThreeDigits_data();
    void showsThreeDigits();
    void redrawsAsTheRuleSays();
    void sitsByTheMapState();
};

void TestGraph::valuesGoToTheirRows_data()
{
    QTest::addColumn<int>("lane");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("row");
    QTest::newRow("X 120") << 0 << 120 << 1;
    QTest::newRow("X -120") << 0 << -120 << 36;
    QTest::newRow("X 0") << 0 << 0 << 19;
    QTest::newRow("Y 64") << 1 << 64 << 47;
    QTest::newRow("Z -1") << 2 << -1 << 95;
}

void TestGraph::valuesGoToTheirRows()
{
    QFETCH(int, lane);
    QFETCH(int, value);
    QFETCH(int, row);
    std::array<std::int32_t, 3> axes{};
    axes[lane] = value;
    const std::vector<CGSensorData> samples = {CGSensorData(axes[0], axes[1], axes[2], 0),
                                               CGSensorData(axes[0], axes[1], axes[2], 20000)};
    CGSensorGraph graph;
    graph.Draw(samples, 60000);
    // 20 s of 60 s: columns 0..124 of the lane's row carry the curve.
    QVERIFY(IsPen(graph.Image(), 60, row));
    QVERIFY(!IsPen(graph.Image(), 60, row - 1));
    QVERIFY(!IsPen(graph.Image(), 60, row + 1));
    QVERIFY(!IsPen(graph.Image(), 200, row));
}

void TestGraph::scalesTheWholeSecondDuration()
{
    // 60.7 s counts as 60 s: 30 s lies at column 186, 60.5 s at 375, outside the bitmap.
    QCOMPARE(CGSensorGraph::WholeSecondDuration(60700), 60000u);
    QCOMPARE(CGSensorGraph::XOf(30000, 60000), 186);
    QCOMPARE(CGSensorGraph::XOf(60500, 60000), 375);

    CGSensorGraph graph;
    graph.Draw({Sample(0, 120), Sample(30000, 120), Sample(30001, 0), Sample(60500, 0)}, 60700);
    const QList<int> top = PenColumns(graph.Image(), 1);
    QVERIFY(!top.isEmpty());
    QCOMPARE(top.first(), 0);
    QVERIFY2(top.last() >= 185 && top.last() <= 186, qPrintable(QString::number(top.last())));
    // The last stretch at X 0 runs to the bitmap's edge and beyond.
    QVERIFY(IsPen(graph.Image(), graph.Image().width() - 1, 19));
}

void TestGraph::leavesOutSamplesPastFiveMinutes()
{
    CGSensorGraph graph;
    // 372 s: one column a second. The sample at 300 001 ms (X 120) is left out, the curve
    // goes on to the next one.
    graph.Draw({Sample(0, 0), Sample(150000, 0), Sample(300001, 120), Sample(300000, 0)}, 372000);
    QVERIFY(PenColumns(graph.Image(), 1).isEmpty());
    QVERIFY(IsPen(graph.Image(), 250, 19));
    QCOMPARE(PenColumns(graph.Image(), 19).last(), 300);

    // The curve starts at sample 0, even when it lies past the cut itself.
    graph.Draw({Sample(360000, 120), Sample(0, 120)}, 372000);
    QVERIFY(IsPen(graph.Image(), 200, 1));
}

void TestGraph::showsOnlyTheBackgroundWithoutCurves()
{
    const QImage background =
        LoadSkinImage(CGSensorGraph::kBackgroundBitmap).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(background.size(), QSize(370, 114));
    CGSensorGraph graph;
    graph.Draw({Sample(0, 120), Sample(1000, -120)}, 0); // no open recording
    QCOMPARE(graph.Image(), background);
    graph.Draw({Sample(0, 120), Sample(1000, -120)}, 2000);
    QVERIFY(graph.Image() != background);
    graph.DrawEmpty(); // stopped
    QCOMPARE(graph.Image(), background);
}

void TestGraph::paintsAtItsPlaceWithGreenTransparent()
{
    CGSensorGraph graph;
    graph.Draw({Sample(0, 120), Sample(60000, 120)}, 60000);
    QImage window(1022, 682, QImage::Format_RGB32);
    window.fill(Qt::black);
    QPainter painter(&window);
    graph.Paint(painter);
    painter.end();
    QCOMPARE(graph.Rect(), QRect(41, 531, 370, 114));
    QVERIFY(IsPen(window, 41 + 100, 531 + 1));
    // Where the background is pure green, the window shows through.
    const QImage background = LoadSkinImage(CGSensorGraph::kBackgroundBitmap);
    int keyed = 0;
    for (int y = 0; y < background.height(); ++y)
        for (int x = 0; x < background.width(); ++x)
            if ((background.pixel(x, y) & 0xFFFFFF) == 0x00FF00) {
                ++keyed;
                QCOMPARE(window.pixel(41 + x, 531 + y) & 0xFFFFFF, 0u);
            }
    QVERIFY(keyed > 0);
}

void TestGraph::positionLineLeavesTheCurvesIntact()
{
    CGSensorGraph graph;
    graph.Draw({Sample(0, 120), Sample(60000, 120)}, 60000);
    const QImage drawn = graph.Image();
    QCOMPARE(graph.SetPosition(30000), QRect(41 + 186, 531, 1, 114));
    QCOMPARE(graph.SetPosition(30001), QRect()); // same column
    QCOMPARE(graph.Image(), drawn);
    QCOMPARE(graph.SetPosition(std::nullopt), QRect(41 + 186, 531, 1, 114));
}

// The sensor records the card generator writes, read back as the loader does: three curves,
// and the braking spike of an Event recording at 60 % of its 60.7 s.
void TestGraph::drawsAGeneratedEventRecording()
{
    cardgen::RecordingOptions options;
    options.durationMs = 60700;
    options.category = cardgen::Category::Event;
    CTextData track = CTextData::Empty();
    for (const cardgen::SensorRecord &record : cardgen::MakeSensorRecords(options))
        track.AddRecord(record.bytes, record.timeMs);
    QVERIFY(track.m_arrGSensor.size() > 500);

    CGSensorGraph graph;
    graph.Draw(track.m_arrGSensor, options.durationMs);
    graph.Image().save(QDir(qEnvironmentVariable("QUORVIL_TEST_TMP", QDir::tempPath()))
                           .filePath(QStringLiteral("gsensor-graph-event.png")));
    // Every lane has its curve over the whole width (60 s of 60 s), nothing outside the lanes.
    for (const int centre : CGSensorGraph::kLaneCentres) {
        QSet<int> columns;
        for (int y = centre - 18; y <= centre + 18; ++y)
            for (const int x : PenColumns(graph.Image(), y))
                columns.insert(x);
        QVERIFY2(columns.size() >= 360, qPrintable(QString::number(columns.size())));
    }
    // The braking spike (36.4 s of 60 s: column 225) takes the Y curve far from its centre;
    // nowhere in the first half does it go that far.
    const auto farFromCentre = [&](int x) {
        for (int y = 39; y <= 75; ++y)
            if (std::abs(y - 57) > 5 && IsPen(graph.Image(), x, y))
                return true;
        return false;
    };
    bool spike = false;
    for (int x = 220; x <= 232; ++x)
        spike = spike || farFromCentre(x);
    QVERIFY(spike);
    for (int x = 0; x < 180; ++x)
        QVERIFY2(!farFromCentre(x), qPrintable(QString::number(x)));
}

void TestGraph::showsThreeDigits_data()
{
    QTest::addColumn<int>("speed");
    QTest::addColumn<QImage>("expected");
    QTest::newRow("41.48 km/h") << int(41.48) << Digits(0, 4, 1);
    QTest::newRow("7 km/h") << 7 << Digits(0, 0, 7);
    QTest::newRow("0 km/h") << 0 << Digits(0, 0, 0);
    QTest::newRow("1234 km/h loses its thousands") << 1234 << Digits(2, 3, 4);
}

void TestGraph::showsThreeDigits()
{
    QFETCH(int, speed);
    QFETCH(QImage, expected);
    QCOMPARE(Readout(speed), expected);
    QVERIFY(CSpeedReadout::DrawSpeedDigits(-1).isNull());
}

void TestGraph::redrawsAsTheRuleSays()
{
    CSpeedReadout readout;
    QVERIFY(readout.Update(0, {}));
    QCOMPARE(readout.Shown(), 0);

    const std::vector<CGPSData> fixes = {Fix(0, 0), Fix(30, 1000), Fix(30, 2000), Fix(41.48, 3000)};
    // Speed 0 is redrawn on every tick.
    QVERIFY(readout.Update(0, fixes));
    QVERIFY(readout.Update(0, fixes));
    QCOMPARE(readout.Shown(), 0);
    // Before fix 2: fix 1 (30 km/h after the 0 of fix 0).
    QVERIFY(readout.Update(1500, fixes));
    QCOMPARE(readout.Shown(), 30);
    // Fix 2 has the speed of fix 1: the readout is left as it is.
    QVERIFY(!readout.Update(2500, fixes));
    QCOMPARE(readout.Shown(), 30);
    // Past the last fix: the last fix.
    QVERIFY(readout.Update(9000, fixes));
    QCOMPARE(readout.Shown(), 41);
    // A seek back to fix 2 shows its speed even though fix 1 had the same.
    QVERIFY(readout.Update(2500, fixes));
    QCOMPARE(readout.Shown(), 30);

    std::vector<CGPSData> invalid = fixes;
    invalid[1].m_bValid = 0;
    QVERIFY(readout.Update(1500, invalid));
    QCOMPARE(readout.Shown(), 0);
    readout.Clear();
    QCOMPARE(readout.Shown(), std::nullopt);
}

void TestGraph::sitsByTheMapState()
{
    QCOMPARE(CSpeedReadout::Rect(8), QRect(830, 445, 30, 15));
    QCOMPARE(CSpeedReadout::Rect(0), QRect(830, 643, 30, 15));
    QVERIFY(CSpeedReadout::IsShown(1, 0));
    QVERIFY(CSpeedReadout::IsShown(1, 8));
    QVERIFY(!CSpeedReadout::IsShown(1, 16));
    QVERIFY(!CSpeedReadout::IsShown(2, 0));

    CSpeedReadout readout;
    readout.Update(0, {Fix(7, 0)});
    QImage window(1022, 682, QImage::Format_RGB32);
    window.fill(Qt::black);
    QPainter painter(&window);
    readout.Paint(painter, 8);
    painter.end();
    QCOMPARE(window.copy(830, 445, 30, 15), Digits(0, 0, 7));
    QCOMPARE(window.pixel(830, 643) & 0xFFFFFF, 0u);
}

QTEST_MAIN(TestGraph)
#include "test_graph.moc"
