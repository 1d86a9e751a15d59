// Opens after opens while loading, stops while loading, and position ticks reading the track
// throughout: the loader's threads must never race (run under ThreadSanitizer by
// make test-tsan) and the track must end up exactly as the last open's file says.

#include "sensors/CSensorLoader.h"
#include "tests/sensors-loader/FakeSensorSource.h"
#include "tools/make-card/CardGenerator.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <random>

using LoadResult = CSensorLoader::LoadResult;

class TestLoaderStress : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir{qEnvironmentVariable("QUORVIL_TEST_TMP", QDir::tempPath()) +
                        "/loaderstress-XXXXXX"};
    std::vector<cardgen::RecordingOptions> m_files;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        CFakeSensorSource::Register();
        const cardgen::Container kinds[] = {cardgen::Container::Avi, cardgen::Container::Mp4};
        for (int i = 0; i < 4; ++i) {
            cardgen::RecordingOptions o;
            o.durationMs = 300000 + 60000 * i; // long enough to be caught loading
            o.width = 64;
            o.height = 36;
            o.fps = 1;
            o.audio = false;
            o.rear = i % 2 == 0;
            o.container = kinds[i % 2];
            o.seed = 10 + i;
            o.path = m_dir.filePath(QStringLiteral("rec%1.%2").arg(i).arg(i % 2 ? "MP4" : "AVI"));
            QString error;
            QVERIFY2(cardgen::WriteRecording(o, &error), qPrintable(error));
            m_files.push_back(o);
        }
    }

    void openAfterOpenAndStopWhileLoading()
    {
        CTextData track;
        CSensorLoader loader(track);
        QSignalSpy started(&loader, &CSensorLoader::loadStarted);
        QSignalSpy ended(&loader, &CSensorLoader::loadEnded);
        std::mt19937 rng(7);
        std::uint32_t tickSum = 0;
        std::size_t last = 0;
        bool stopped = false;
        for (int round = 0; round < 150; ++round) {
            const int action = static_cast<int>(rng() % 10);
            if (action < 6) {
                last = rng() % m_files.size();
                loader.StartSensorLoad(m_files[last].path);
                stopped = false;
            } else if (action < 8) {
                loader.Stop();
                stopped = true;
            } else {
                loader.StartSensorLoad(m_dir.filePath("missing.AVI"));
                stopped = true; // ends with an empty track
            }
            // Let some chunks arrive, reading the track the way the position tick does.
            const int spins = static_cast<int>(rng() % 4);
            for (int s = 0; s < spins; ++s) {
                QTest::qWait(static_cast<int>(rng() % 8));
                const auto pos = static_cast<std::uint32_t>(rng() % 600000);
                if (auto fix = loader.FindMapFix(pos))
                    tickSum += track.m_arrGPS[*fix].m_nTime;
                if (auto fix = loader.FindSpeedFix(pos))
                    tickSum += static_cast<std::uint32_t>(track.m_arrGPS[*fix].m_dSpeed);
                tickSum += static_cast<std::uint32_t>(track.m_arrGSensor.size());
            }
        }
        // Every start is matched by exactly one end.
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), started.size(), 60000);
        QVERIFY(!loader.IsLoading());
        QTest::qWait(100);
        QCOMPARE(ended.size(), started.size());

        CTextData expected = CTextData::Empty();
        if (!stopped)
            for (const auto &r : cardgen::MakeSensorRecords(m_files[last]))
                expected.AddRecord(r.bytes, r.timeMs);
        QCOMPARE(track.m_arrGSensor.size(), expected.m_arrGSensor.size());
        QCOMPARE(track.m_arrGPS.size(), expected.m_arrGPS.size());
        for (std::size_t i = 0; i < expected.m_arrGPS.size(); ++i)
            QCOMPARE(track.m_arrGPS[i].m_nTime, expected.m_arrGPS[i].m_nTime);
        qDebug() << "tick checksum" << tickSum;
    }

    void destroyWhileLoading()
    {
        FakeScript s;
        s.then = FakeScript::Then::RecordsForever;
        s.delay = std::chrono::microseconds(50);
        CFakeSensorSource::Script() = s;
        for (int i = 0; i < 20; ++i) {
            CTextData track;
            auto loader =
                std::make_unique<CSensorLoader>(track, QString::fromLatin1(CLSID_FakeSensorSource));
            loader->StartSensorLoad(QStringLiteral("endless"));
            QCoreApplication::processEvents(QEventLoop::AllEvents, i % 3);
            loader.reset(); // stops and joins; queued chunks die with it
            QCoreApplication::processEvents();
        }
        CFakeSensorSource::Script() = {};
    }
};

QTEST_GUILESS_MAIN(TestLoaderStress)
#include "test_loader_stress.moc"
