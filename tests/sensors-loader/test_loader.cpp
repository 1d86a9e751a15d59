// The sensor loader on real recordings written by the generator, on files it must refuse,
// on scripted sources, and the two fix selections of the position tick.

#include "sensors/CSensorLoader.h"
#include "tests/sensors-loader/FakeSensorSource.h"
#include "tools/make-card/CardGenerator.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using cardgen::Container;
using cardgen::RecordingOptions;
using LoadResult = CSensorLoader::LoadResult;

namespace
{

QString TempRoot()
{
    return qEnvironmentVariable("QUORVIL_TEST_TMP", QDir::tempPath());
}

// The track a load of these records must give: each record through AddRecord, in order.
CTextData ExpectedTrack(const std::vector<cardgen::SensorRecord> &records)
{
    CTextData track = CTextData::Empty();
    for (const auto &r : records)
        track.AddRecord(r.bytes, r.timeMs);
    return track;
}

bool SameTrack(const CTextData &a, const CTextData &b, QString *why)
{
    if (a.m_arrGSensor.size() != b.m_arrGSensor.size() || a.m_arrGPS.size() != b.m_arrGPS.size()) {
        *why = QStringLiteral("sizes %1/%2 vs %3/%4")
                   .arg(a.m_arrGSensor.size())
                   .arg(a.m_arrGPS.size())
                   .arg(b.m_arrGSensor.size())
                   .arg(b.m_arrGPS.size());
        return false;
    }
    for (std::size_t i = 0; i < a.m_arrGSensor.size(); ++i) {
        const auto &x = a.m_arrGSensor[i], &y = b.m_arrGSensor[i];
        if (x.m_nX != y.m_nX || x.m_nY != y.m_nY || x.m_nZ != y.m_nZ || x.m_nTime != y.m_nTime) {
            *why = QStringLiteral("sample %1 differs").arg(i);
            return false;
        }
    }
    for (std::size_t i = 0; i < a.m_arrGPS.size(); ++i) {
        const auto &x = a.m_arrGPS[i], &y = b.m_arrGPS[i];
        if (x.m_dLatitude != y.m_dLatitude || x.m_dLongitude != y.m_dLongitude ||
            x.m_dSpeed != y.m_dSpeed || x.m_dCourse != y.m_dCourse || x.m_nTime != y.m_nTime ||
            x.m_tFixTime != y.m_tFixTime || x.m_bValid != y.m_bValid || x.m_nHour != y.m_nHour) {
            *why = QStringLiteral("fix %1 differs").arg(i);
            return false;
        }
    }
    return true;
}

CGPSData FixAt(std::uint32_t time)
{
    CGPSData f;
    f.m_bValid = 1;
    f.m_nTime = time;
    return f;
}

std::vector<std::uint8_t> Text(const char *s)
{
    std::vector<std::uint8_t> v(s, s + std::strlen(s));
    v.push_back(0);
    return v;
}

} // namespace

class TestSensorLoader : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir{TempRoot() + "/sensorloader-XXXXXX"};
    QString m_avi, m_mp4, m_noGps, m_noSensors, m_empty, m_text, m_truncatedMp4, m_truncatedAvi;
    RecordingOptions m_aviOptions, m_mp4Options, m_noGpsOptions;

    QString Write(RecordingOptions &o, const QString &name)
    {
        o.path = m_dir.filePath(name);
        QString error;
        if (!cardgen::WriteRecording(o, &error))
            qFatal("cannot write %s: %s", qPrintable(o.path), qPrintable(error));
        return o.path;
    }
    QString WriteBytes(const QString &name, const QByteArray &bytes)
    {
        QFile f(m_dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(f.fileName()));
        f.write(bytes);
        return f.fileName();
    }
    static LoadResult WaitForEnd(QSignalSpy &ended)
    {
        if (ended.isEmpty())
            [&] { QVERIFY(ended.wait(60000)); }();
        if (ended.isEmpty())
            return LoadResult::Cancelled;
        return ended.takeFirst().at(0).value<LoadResult>();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        CFakeSensorSource::Register();
        m_aviOptions.durationMs = 12000;
        m_aviOptions.fps = 10;
        m_aviOptions.category = cardgen::Category::Event;
        m_avi = Write(m_aviOptions, "20140721_093000_EVT_C2.AVI");
        m_mp4Options.durationMs = 9000;
        m_mp4Options.fps = 10;
        m_mp4Options.container = Container::Mp4;
        m_mp4Options.city = cardgen::City::BuenosAires;
        m_mp4 = Write(m_mp4Options, "20140721_093100_NOR_C2.MP4");
        m_noGpsOptions.durationMs = 4000;
        m_noGpsOptions.gps = false;
        m_noGps = Write(m_noGpsOptions, "20140721_093200_NOR_C1.AVI");
        RecordingOptions plain;
        plain.durationMs = 2000;
        plain.sensors = false;
        m_noSensors = Write(plain, "plain.AVI");
        m_empty = WriteBytes("empty.MP4", {});
        m_text = WriteBytes("notes.AVI", "Just some text, no recording.\n");
        QFile mp4(m_mp4), avi(m_avi);
        QVERIFY(mp4.open(QIODevice::ReadOnly) && avi.open(QIODevice::ReadOnly));
        m_truncatedMp4 =
            WriteBytes("cut.MP4", mp4.readAll().left(static_cast<int>(mp4.size() / 3)));
        m_truncatedAvi =
            WriteBytes("cut.AVI", avi.readAll().left(static_cast<int>(avi.size() / 2)));
    }

    void loadsGeneratedRecordings_data()
    {
        QTest::addColumn<int>("which");
        QTest::newRow("AVI, event, Seoul") << 0;
        QTest::newRow("MP4, normal, Buenos Aires") << 1;
        QTest::newRow("AVI without GPS") << 2;
    }
    void loadsGeneratedRecordings()
    {
        QFETCH(int, which);
        const RecordingOptions &o = which == 0   ? m_aviOptions
                                    : which == 1 ? m_mp4Options
                                                 : m_noGpsOptions;
        CTextData track;
        CSensorLoader loader(track);
        QSignalSpy started(&loader, &CSensorLoader::loadStarted);
        QSignalSpy added(&loader, &CSensorLoader::recordsAdded);
        QSignalSpy ended(&loader, &CSensorLoader::loadEnded);

        loader.StartSensorLoad(o.path);
        QCOMPARE(started.size(), 1);
        QVERIFY(loader.IsLoading());
        // Emptied at once: the pre-sized entries are gone before any record arrives.
        QVERIFY(track.m_arrGPS.size() < CTextData::kInitialEntries);
        QCOMPARE(WaitForEnd(ended), LoadResult::Completed);
        QVERIFY(!loader.IsLoading());
        QVERIFY(added.size() >= 1);

        const CTextData expected = ExpectedTrack(cardgen::MakeSensorRecords(o));
        QString why;
        QVERIFY2(SameTrack(track, expected, &why), qPrintable(why));
        QVERIFY(!track.m_arrGSensor.empty());
        QCOMPARE(track.m_arrGPS.empty(), !o.gps);
        QCOMPARE(&loader.Track(), &track);
        QTest::qWait(50);
        QCOMPARE(ended.size(), 0); // exactly one end per load
    }

    void badFilesEndCleanly_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("prefix"); // a truncated AVI keeps the records before the cut
        QTest::newRow("no sensor stream") << m_noSensors << false;
        QTest::newRow("empty file") << m_empty << false;
        QTest::newRow("text file") << m_text << false;
        QTest::newRow("MP4 cut before its index") << m_truncatedMp4 << false;
        QTest::newRow("AVI cut in half") << m_truncatedAvi << true;
        QTest::newRow("vanished file") << m_dir.filePath("gone.AVI") << false;
    }
    void badFilesEndCleanly()
    {
        QFETCH(QString, path);
        QFETCH(bool, prefix);
        CTextData track;
        CSensorLoader loader(track);
        QSignalSpy ended(&loader, &CSensorLoader::loadEnded);
        loader.StartSensorLoad(path);
        const LoadResult result = WaitForEnd(ended);
        QVERIFY(!loader.IsLoading());
        if (!prefix) {
            QCOMPARE(result, LoadResult::NoSource);
            QVERIFY(track.m_arrGSensor.empty());
            QVERIFY(track.m_arrGPS.empty());
            return;
        }
        // What arrived is exactly the start of the whole file's track.
        QCOMPARE(result, LoadResult::Completed);
        const CTextData whole = ExpectedTrack(cardgen::MakeSensorRecords(m_aviOptions));
        QVERIFY(!track.m_arrGSensor.empty());
        QVERIFY(track.m_arrGSensor.size() < whole.m_arrGSensor.size());
        for (std::size_t i = 0; i < track.m_arrGSensor.size(); ++i)
            QCOMPARE(track.m_arrGSensor[i].m_nTime, whole.m_arrGSensor[i].m_nTime);
    }

    void missingSourceEndsWithoutRecords()
    {
        CTextData track;
        CSensorLoader loader(track, QStringLiteral("{00000000-0000-0000-0000-00000000DEAD}"));
        QSignalSpy started(&loader, &CSensorLoader::loadStarted);
        QSignalSpy ended(&loader, &CSensorLoader::loadEnded);
        loader.StartSensorLoad(m_avi);
        QCOMPARE(started.size(), 1);
        QCOMPARE(WaitForEnd(ended), LoadResult::NoSource);
        QVERIFY(track.m_arrGPS.empty());
        QVERIFY(track.m_arrGSensor.empty());
    }

    void scriptedSources_data()
    {
        QTest::addColumn<int>("scenario");
        QTest::addColumn<int>("samples");
        QTest::addColumn<int>("fixes");
        QTest::addColumn<int>("result");
        QTest::newRow("unknown record types are skipped")
            << 0 << 2 << 1 << int(LoadResult::Completed);
        QTest::newRow("transient results are read past")
            << 1 << 2 << 0 << int(LoadResult::Completed);
        QTest::newRow("38 ends like 1") << 2 << 1 << 0 << int(LoadResult::Completed);
        QTest::newRow("a source failing forever is given up")
            << 3 << 1 << 0 << int(LoadResult::Completed);
        QTest::newRow("a source that never ends is bounded")
            << 4 << 4990 << 0 << int(LoadResult::Completed);
        QTest::newRow("Load refused") << 5 << 0 << 0 << int(LoadResult::NoSource);
    }
    void scriptedSources()
    {
        QFETCH(int, scenario);
        QFETCH(int, samples);
        QFETCH(int, fixes);
        QFETCH(int, result);
        const std::vector<std::uint8_t> g{'M', 2, 0, 0, 0, 4, 0, 0, 0, 6, 0, 0, 0};
        const char *rmc = "GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";
        FakeScript s;
        switch (scenario) {
        case 0:
            s.records = {{S_OK, Text("GPGGA,1,2,3"), 10},
                         {S_OK, g, 20},
                         {S_OK, Text("?x"), 30},
                         {S_OK, Text(rmc), 40},
                         {S_OK, g, 50}};
            break;
        case 1:
            s.records = {{S_OK, g, 10}, {E_FAIL, {}, 0}, {E_ABORT, {}, 0}, {S_OK, g, 20}};
            break;
        case 2:
            s.records = {
                {S_OK, g, 10}, {ISensorDataReader::kCannotReadFurther, {}, 0}, {S_OK, g, 20}};
            break;
        case 3:
            s.records = {{S_OK, g, 10}};
            s.then = FakeScript::Then::FailForever;
            break;
        case 4:
            s.records = {};
            for (int i = 0; i < 10; ++i)
                s.records.push_back({E_FAIL, {}, 0});
            s.then = FakeScript::Then::RecordsForever;
            break;
        case 5:
            s.loadResult = VFW_E_INVALID_FILE_FORMAT;
            break;
        }
        CFakeSensorSource::Script() = s;
        CTextData track;
        CSensorLoader loader(track, QString::fromLatin1(CLSID_FakeSensorSource));
        loader.SetReadLimit(5000);
        QSignalSpy ended(&loader, &CSensorLoader::loadEnded);
        loader.StartSensorLoad(QStringLiteral("scripted"));
        QCOMPARE(int(WaitForEnd(ended)), result);
        QCOMPARE(int(track.m_arrGSensor.size()), samples);
        QCOMPARE(int(track.m_arrGPS.size()), fixes);
        if (scenario == 0) {
            QCOMPARE(track.m_arrGPS[0].m_nTime, 40u);
            QCOMPARE(track.m_arrGSensor[1].m_nTime, 50u);
            QCOMPARE(track.m_arrGSensor[0].m_nX, 1);
            QCOMPARE(CFakeSensorSource::LastCapacity().load(), 2048u);
        }
        CFakeSensorSource::Script() = {};
    }

    void reloadRunsSynchronouslyWithASmallerBuffer()
    {
        CTextData track;
        CSensorLoader loader(track);
        QSignalSpy started(&loader, &CSensorLoader::loadStarted);
        QSignalSpy ended(&loader, &CSensorLoader::loadEnded);
        QVERIFY(loader.OnSensorReload(m_mp4));
        QCOMPARE(started.size(), 1);
        QCOMPARE(ended.size(), 1);
        QCOMPARE(ended.at(0).at(0).value<LoadResult>(), LoadResult::Completed);
        QString why;
        QVERIFY2(SameTrack(track, ExpectedTrack(cardgen::MakeSensorRecords(m_mp4Options)), &why),
                 qPrintable(why));
        QVERIFY(!loader.OnSensorReload(m_text));
        QVERIFY(track.m_arrGPS.empty());

        CFakeSensorSource::Script() = {};
        CSensorLoader fake(track, QString::fromLatin1(CLSID_FakeSensorSource));
        CFakeSensorSource::Script().records = {{S_OK, {'M', 0, 0, 0, 0}, 1}};
        QVERIFY(fake.OnSensorReload(QStringLiteral("scripted")));
        QCOMPARE(CFakeSensorSource::LastCapacity().load(), 1024u);
        CFakeSensorSource::Script() = {};
    }

    void stopEmptiesTheTrackAndDropsLateRecords()
    {
        FakeScript s;
        s.then = FakeScript::Then::RecordsForever;
        s.delay = std::chrono::microseconds(200);
        CFakeSensorSource::Script() = s;
        CTextData track;
        CSensorLoader loader(track, QString::fromLatin1(CLSID_FakeSensorSource));
        QSignalSpy added(&loader, &CSensorLoader::recordsAdded);
        QSignalSpy ended(&loader, &CSensorLoader::loadEnded);
        loader.StartSensorLoad(QStringLiteral("endless"));
        QVERIFY(added.wait(10000)); // records are flowing in
        QVERIFY(!track.m_arrGSensor.empty());
        loader.Stop();
        QCOMPARE(ended.size(), 1);
        QCOMPARE(ended.at(0).at(0).value<LoadResult>(), LoadResult::Cancelled);
        QVERIFY(!loader.IsLoading());
        QVERIFY(track.m_arrGSensor.empty());
        QTest::qWait(300); // anything still queued by the stopped worker is dropped
        QVERIFY(track.m_arrGSensor.empty());
        QCOMPARE(ended.size(), 1);
        CFakeSensorSource::Script() = {};
    }

    void newOpenReplacesTheRunningLoad()
    {
        FakeScript s;
        s.then = FakeScript::Then::RecordsForever;
        s.delay = std::chrono::microseconds(200);
        CFakeSensorSource::Script() = s;
        CTextData track;
        // The endless scripted source for the first open, the real source for the second.
        CSensorLoader endless(track, QString::fromLatin1(CLSID_FakeSensorSource));
        QSignalSpy added(&endless, &CSensorLoader::recordsAdded);
        endless.StartSensorLoad(QStringLiteral("endless"));
        QVERIFY(added.wait(10000));
        endless.Cancel();
        CFakeSensorSource::Script() = {};

        CSensorLoader loader(track);
        QSignalSpy ended(&loader, &CSensorLoader::loadEnded);
        loader.StartSensorLoad(m_avi);
        loader.StartSensorLoad(m_mp4); // while the first is loading
        QCOMPARE(WaitForEnd(ended), LoadResult::Cancelled);
        QCOMPARE(WaitForEnd(ended), LoadResult::Completed);
        QString why;
        QVERIFY2(SameTrack(track, ExpectedTrack(cardgen::MakeSensorRecords(m_mp4Options)), &why),
                 qPrintable(why));
    }

    void findFixes_data()
    {
        QTest::addColumn<QList<uint>>("times");
        QTest::addColumn<uint>("position");
        QTest::addColumn<int>("mapFix");   // -1: none
        QTest::addColumn<int>("speedFix"); // -1: none
        const QList<uint> sec{0, 1000, 2000, 3000, 4000, 5000, 6000};
        QTest::newRow("position 0, first fix at 0") << sec << 0u << 0 << 0;
        QTest::newRow("between fix 4 and 5") << sec << 4500u << 5 << 4;
        QTest::newRow("exactly on fix 5") << sec << 5000u << 5 << 4;
        QTest::newRow("past the last fix") << sec << 6001u << -1 << 6;
        QTest::newRow("empty track") << QList<uint>{} << 100u << -1 << -1;
        QTest::newRow("before the first fix") << QList<uint>{800, 1800} << 100u << 0 << 0;
        QTest::newRow("single fix, past it") << QList<uint>{800} << 900u << -1 << 0;
        QTest::newRow("unsigned compare: huge offset reaches any position")
            << QList<uint>{0, 0xFFFFFFF0u} << 0x80000000u << 1 << 0;
        QTest::newRow("first in array order wins, not the nearest")
            << QList<uint>{5000, 1000, 2000} << 1500u << 0 << 0;
    }
    void findFixes()
    {
        QFETCH(QList<uint>, times);
        QFETCH(uint, position);
        QFETCH(int, mapFix);
        QFETCH(int, speedFix);
        std::vector<CGPSData> fixes;
        for (uint t : times)
            fixes.push_back(FixAt(t));
        const auto map = CSensorLoader::FindMapFix(fixes, position);
        const auto speed = CSensorLoader::FindSpeedFix(fixes, position);
        QCOMPARE(map ? int(*map) : -1, mapFix);
        QCOMPARE(speed ? int(*speed) : -1, speedFix);

        CTextData track = CTextData::Empty();
        track.m_arrGPS = fixes;
        CSensorLoader loader(track);
        QCOMPARE(loader.FindMapFix(position), map);
        QCOMPARE(loader.FindSpeedFix(position), speed);
    }
};

QTEST_GUILESS_MAIN(TestSensorLoader)
#include "test_loader.moc"
