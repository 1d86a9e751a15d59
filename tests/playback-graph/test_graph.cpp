#include "PlaybackFixtures.h"

#include "filters/CDecoderBin.h"
#include "playback/CDShowPlayer.h"
#include "playback/CVideoRenderer.h"
#include "playback/CStaticView.h"

#include <QFile>
#include <QTemporaryDir>
#include <QApplication>
#include <QTest>
#include <QThread>

#include <gst/gst.h>

#include <optional>
#include <utility>
#include <vector>

using namespace playback_test;
using cardgen::Container;

Q_DECLARE_METATYPE(cardgen::Container)

namespace
{
constexpr int kDurationMs = 3000;
constexpr int kFps = 30;

// Calls `visit` with the sink pad of every sink element in the pipeline, however deep.
template <typename Visit> void ForEachSinkPad(GstElement *pipeline, Visit visit)
{
    ForEachElement(pipeline, [&visit](GstElement *element) {
        if (GST_IS_BIN(element) || !GST_OBJECT_FLAG_IS_SET(element, GST_ELEMENT_FLAG_SINK))
            return;
        if (GstPad *pad = gst_element_get_static_pad(element, "sink")) {
            visit(pad);
            gst_object_unref(pad);
        }
    });
}

// Makes the pipeline's duration unreadable while it lives, the way a demuxer that cannot
// answer does: a sink asks upstream for the duration through its sink pad, and a probe there
// fails the query. Everything else flows as before.
// Answers the pipeline's duration queries at its sinks: with nothing (dropped, as while a
// parser renegotiates) or with a duration of our choice, so a test can see whether the graph
// really asked again.
class DurationAnswer
{
public:
    explicit DurationAnswer(GstElement *pipeline, std::optional<gint64> ns = std::nullopt)
        : m_ns(ns)
    {
        ForEachSinkPad(pipeline, [this](GstPad *pad) {
            const gulong id = gst_pad_add_probe(
                pad, GST_PAD_PROBE_TYPE_QUERY_UPSTREAM,
                [](GstPad *, GstPadProbeInfo *info, gpointer data) {
                    GstQuery *query = GST_PAD_PROBE_INFO_QUERY(info);
                    if (GST_QUERY_TYPE(query) != GST_QUERY_DURATION)
                        return GST_PAD_PROBE_OK;
                    const auto &answer = *static_cast<const std::optional<gint64> *>(data);
                    if (!answer)
                        return GST_PAD_PROBE_DROP;
                    gst_query_set_duration(query, GST_FORMAT_TIME, *answer);
                    return GST_PAD_PROBE_HANDLED;
                },
                &m_ns, nullptr);
            m_probes.emplace_back(GST_PAD(gst_object_ref(pad)), id);
        });
    }
    ~DurationAnswer()
    {
        for (auto &[pad, id] : m_probes) {
            gst_pad_remove_probe(pad, id);
            gst_object_unref(pad);
        }
    }
    DurationAnswer(const DurationAnswer &) = delete;
    DurationAnswer &operator=(const DurationAnswer &) = delete;
    bool Active() const { return !m_probes.empty(); }

private:
    std::optional<gint64> m_ns;
    std::vector<std::pair<GstPad *, gulong>> m_probes;
};

// Within the few levels the encoding and the YUV round trip may move a flat colour.
bool IsNear(const QColor &c, cardgen::Rgb expected)
{
    constexpr int kTolerance = 12;
    return std::abs(c.red() - expected.r) <= kTolerance &&
           std::abs(c.green() - expected.g) <= kTolerance &&
           std::abs(c.blue() - expected.b) <= kTolerance;
}

QString Describe(const QColor &c)
{
    return QString("colour %1, %2, %3").arg(c.red()).arg(c.green()).arg(c.blue());
}

// Mean absolute difference of two same-sized images over all pixels and channels.
double MeanDifference(const QImage &a, const QImage &b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

// Whether the pipeline answers a duration query with a usable number.
bool DurationReadable(GstElement *pipeline)
{
    gint64 ns = 0;
    return gst_element_query_duration(pipeline, GST_FORMAT_TIME, &ns) && ns > 0;
}
} // namespace

class TestPlaybackGraph : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        UseSoundOutput(false);
        ShowVideoWindows(m_front, m_rear);
        for (auto [name, container, rear] : {std::tuple{"dual.avi", Container::Avi, true},
                                             {"single.avi", Container::Avi, false},
                                             {"dual.mp4", Container::Mp4, true},
                                             {"single.mp4", Container::Mp4, false}}) {
            const QString path = MakeRecording(m_dir, name, SmallRecording(container, rear));
            QVERIFY(!path.isEmpty());
        }
        m_player.AttachWindows(&m_front, &m_rear);
    }
    void cleanup()
    {
        m_player.Close();
        ShowVideoWindows(m_front, m_rear); // some tests resize them
        UseSoundOutput(false);
    }

    void routesStreamsToWindows_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("streams");
        QTest::newRow("AVI, front and rear") << "dual.avi" << 2;
        QTest::newRow("AVI, front only") << "single.avi" << 1;
        QTest::newRow("MP4, front and rear") << "dual.mp4" << 2;
        QTest::newRow("MP4, front only") << "single.mp4" << 1;
    }
    void routesStreamsToWindows()
    {
        QFETCH(QString, file);
        QFETCH(int, streams);
        m_front.ClearFrame();
        m_rear.ClearFrame();
        QVERIFY(m_player.OpenFile(m_dir.filePath(file)));
        CDShowGraph *graph = m_player.Graph();
        QCOMPARE(graph->State(), PlayState::Stopped);
        QCOMPARE(graph->VideoStreams(), streams);

        const QStringList single = {"File Source", "Splitter", "FFDShow Decoder1",
                                    "Color Space Convertor 1", "Mixing Renderer9"};
        const QStringList dual = {"File Source",
                                  "Splitter",
                                  "FFDShow Decoder1",
                                  "FFDShow Decoder2",
                                  "Color Space Convertor 1",
                                  "Color Space Convertor 2",
                                  "Mixing Renderer9-1",
                                  "Mixing Renderer9-2"};
        QCOMPARE(graph->ElementNames(), streams == 1 ? single : dual);

        QImage front;
        QVERIFY(m_player.GrabFrame(0, front));
        QCOMPARE(front.size(), QSize(320, 180));
        QVERIFY2(IsRedDominant(ColourAt(front, 0.75, 0.15)), "front stream in front renderer");
        // The window shows the same picture, stretched over all of it.
        QTRY_VERIFY(m_front.HasFrame());
        const QImage shown = m_front.grab().toImage();
        QVERIFY(IsRedDominant(ColourAt(shown, 0.75, 0.15)));
        QVERIFY(IsRedDominant(ColourAt(shown, 0.98, 0.02)));

        QImage rear;
        if (streams == 1) {
            QVERIFY(!m_player.GrabFrame(1, rear));
            QVERIFY(!m_rear.HasFrame());
            return;
        }
        QVERIFY(m_player.GrabFrame(1, rear));
        QVERIFY2(IsYellow(ColourAt(rear, 0.10, 0.10)), "rear stream in rear renderer");
        QVERIFY(IsBlueDominant(ColourAt(rear, 0.90, 0.10)));
        QTRY_VERIFY(m_rear.HasFrame());
        const QImage rearShown = m_rear.grab().toImage();
        QVERIFY(IsYellow(ColourAt(rearShown, 0.10, 0.10)));
        QVERIFY(IsBlueDominant(ColourAt(rearShown, 0.90, 0.60)));
    }

    void durationAndAccurateSeek_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("targetMs");
        QTest::addColumn<QList<int>>("earlierMs"); // seeks issued just before, not waited for
        QTest::newRow("AVI at 1.5 s") << "dual.avi" << 1500 << QList<int>{};
        QTest::newRow("AVI between keyframes, 2.2 s") << "dual.avi" << 2200 << QList<int>{};
        QTest::newRow("MP4 at 1.0 s") << "dual.mp4" << 1000 << QList<int>{};
        QTest::newRow("MP4 at 0.7 s") << "single.mp4" << 700 << QList<int>{};
        QTest::newRow("AVI, newest of several seeks")
            << "dual.avi" << 2500 << QList<int>{300, 1200, 600, 1800};
        QTest::newRow("MP4, newest of several seeks")
            << "dual.mp4" << 400 << QList<int>{2700, 1500, 2100};
    }
    void durationAndAccurateSeek()
    {
        QFETCH(QString, file);
        QFETCH(int, targetMs);
        QFETCH(QList<int>, earlierMs);
        QVERIFY(m_player.OpenFile(m_dir.filePath(file)));
        QVERIFY(std::abs(int(m_player.GetDurationMs()) - kDurationMs) <= 40);
        for (int earlier : earlierMs) {
            m_player.SeekTo(earlier);
            // Gives the earlier seek time to complete after the next one is issued.
            QThread::msleep(15);
        }
        m_player.SeekTo(targetMs);
        QVERIFY(WaitSettled(*m_player.Graph()));
        QCOMPARE(m_player.GetPositionMs(), std::uint32_t(targetMs));
        QImage front;
        QVERIFY(m_player.GrabFrame(0, front));
        const int frame = targetMs * kFps / 1000;
        const int expected = cardgen::MarkerX(320, 180, frame, kDurationMs * kFps / 1000);
        QVERIFY2(std::abs(FindMarkerX(front) - expected) <= 2,
                 qPrintable(QString("marker at %1, frame %2 has it at %3")
                                .arg(FindMarkerX(front))
                                .arg(frame)
                                .arg(expected)));
    }

    void stepsStopAtTheEnds()
    {
        QVERIFY(m_player.OpenFile(m_dir.filePath("dual.avi")));
        // Steps need Running or Paused.
        QCOMPARE(m_player.StepBack(), VFW_E_WRONG_STATE);
        QCOMPARE(m_player.Pause(), S_OK);
        m_player.SeekTo(400);
        QVERIFY(WaitSettled(*m_player.Graph()));
        QCOMPARE(m_player.StepBack(), S_OK);
        QVERIFY(WaitSettled(*m_player.Graph()));
        QCOMPARE(m_player.GetPositionMs(), 0u);

        m_player.SeekTo(kDurationMs - 300);
        QVERIFY(WaitSettled(*m_player.Graph()));
        QCOMPARE(m_player.StepForward(), S_OK);
        QVERIFY(WaitSettled(*m_player.Graph()));
        QCOMPARE(m_player.GetPositionMs(), m_player.GetDurationMs());
    }

    void slowSpeedsClampToHalf_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<float>("rate");
        QTest::newRow("position 1") << 1 << 0.5f;
        QTest::newRow("position 2") << 2 << 0.5f;
        QTest::newRow("position 5") << 5 << 1.0f;
        QTest::newRow("position 9") << 9 << 2.0f;
    }
    void slowSpeedsClampToHalf()
    {
        QFETCH(int, position);
        QFETCH(float, rate);
        QVERIFY(m_player.OpenFile(m_dir.filePath("dual.avi")));
        QCOMPARE(m_player.Play(), S_OK);
        m_player.SetSpeed(CDShowPlayer::SpeedToRate(position));
        QCOMPARE(m_player.GetState(), PlayState::Running);
        QCOMPARE(m_player.Graph()->Rate(), rate);
        // It keeps playing at that rate.
        QTRY_VERIFY_WITH_TIMEOUT(m_player.GetPositionMs() > 300, 10000);
    }

    void speedTable()
    {
        const float expected[] = {1.0f,  0.2f, 0.4f,  0.6f, 0.8f, 1.0f,
                                  1.25f, 1.5f, 1.75f, 2.0f, 1.0f};
        for (int p = 0; p <= 10; ++p)
            QCOMPARE(CDShowPlayer::SpeedToRate(p), expected[p]);
    }

    void playsToTheEndAndRestarts()
    {
        QVERIFY(m_player.OpenFile(m_dir.filePath("dual.mp4")));
        QCOMPARE(m_player.Pause(), S_OK);
        m_player.SeekTo(kDurationMs - 200);
        QVERIFY(WaitSettled(*m_player.Graph()));
        QCOMPARE(m_player.Play(), S_OK);
        // The tick's test: the position reaches the duration.
        QTRY_VERIFY_WITH_TIMEOUT(m_player.GetPositionMs() >= m_player.GetDurationMs(), 10000);
        QCOMPARE(m_player.Pause(), S_OK);
        QCOMPARE(m_player.Play(), S_OK);
        QVERIFY(m_player.GetPositionMs() < 200);
        QVERIFY(WaitSettled(*m_player.Graph()));
        QImage front;
        QVERIFY(m_player.GrabFrame(0, front));
        QVERIFY(FindMarkerX(front) < 40);
    }

    void pauseShowsTheFrameAtThePosition()
    {
        QVERIFY(m_player.OpenFile(m_dir.filePath("dual.avi")));
        QCOMPARE(m_player.Play(), S_OK);
        QTRY_VERIFY_WITH_TIMEOUT(m_player.GetPositionMs() > 800, 10000);
        QCOMPARE(m_player.Pause(), S_OK);
        QTest::qWait(100);
        const std::uint32_t ms = m_player.GetPositionMs();
        QImage front;
        QTRY_VERIFY(m_player.GrabFrame(0, front));
        const int frame = int(ms) * kFps / 1000;
        const int count = kDurationMs * kFps / 1000;
        const int x = FindMarkerX(front);
        // The frame shown is the one at the position (or the one just before it).
        QVERIFY2(std::abs(x - cardgen::MarkerX(320, 180, frame, count)) <= 2 ||
                     std::abs(x - cardgen::MarkerX(320, 180, frame - 1, count)) <= 2,
                 qPrintable(QString("position %1 ms, marker at %2").arg(ms).arg(x)));
    }

    void rearFlipMovesTheRearMarkerOnly_data()
    {
        QTest::addColumn<int>("flipId");
        QTest::addColumn<double>("fx");
        QTest::addColumn<double>("fy");
        QTest::addColumn<bool>("paused");
        QTest::newRow("vertical, paused") << 1112 << 0.10 << 0.90 << true;
        QTest::newRow("horizontal, paused") << 1113 << 0.90 << 0.10 << true;
        QTest::newRow("vertical, playing") << 1112 << 0.10 << 0.90 << false;
    }
    void rearFlipMovesTheRearMarkerOnly()
    {
        QFETCH(int, flipId);
        QFETCH(double, fx);
        QFETCH(double, fy);
        QFETCH(bool, paused);
        QVERIFY(m_player.OpenFile(m_dir.filePath("dual.avi")));
        if (paused)
            QCOMPARE(m_player.Pause(), S_OK);
        else
            QCOMPARE(m_player.Play(), S_OK);
        QImage frontBefore;
        QVERIFY(m_player.GrabFrame(0, frontBefore));
        QCOMPARE(m_player.SetDecoderParam(1, 1101, 1), S_OK);
        QCOMPARE(m_player.SetDecoderParam(1, flipId, 1), S_OK);
        m_player.Repaint();
        QImage rear;
        QTRY_VERIFY_WITH_TIMEOUT(m_player.GrabFrame(1, rear) && IsYellow(ColourAt(rear, fx, fy)),
                                 10000);
        QVERIFY(IsBlueDominant(ColourAt(rear, 0.10, 0.10)));
        QTRY_VERIFY(IsYellow(ColourAt(m_rear.grab().toImage(), fx, fy)));
        QImage front;
        QVERIFY(m_player.GrabFrame(0, front));
        QVERIFY(IsRedDominant(ColourAt(front, 0.75, 0.15)));
        QVERIFY(IsRedDominant(ColourAt(front, 0.10, 0.90)));

        // Back off again.
        QCOMPARE(m_player.SetDecoderParam(1, flipId, 0), S_OK);
        QTRY_VERIFY_WITH_TIMEOUT(m_player.GrabFrame(1, rear) && IsYellow(ColourAt(rear, 0.1, 0.1)),
                                 10000);
    }

    void brightnessShiftsRearLuma_data()
    {
        QTest::addColumn<int>("brightness");
        QTest::newRow("brighter") << 100;
        QTest::newRow("darker") << -100;
    }
    void brightnessShiftsRearLuma()
    {
        QFETCH(int, brightness);
        QVERIFY(m_player.OpenFile(m_dir.filePath("dual.avi")));
        QCOMPARE(m_player.Pause(), S_OK);
        m_player.SeekTo(1000);
        QVERIFY(WaitSettled(*m_player.Graph()));
        QImage before;
        QVERIFY(m_player.GrabFrame(1, before));
        const double lumaBefore = MeanLuma(before);
        QCOMPARE(m_player.SetDecoderParam(1, 205, 1), S_OK);
        QCOMPARE(m_player.SetDecoderParam(1, 202, brightness), S_OK);
        QImage after;
        QTRY_VERIFY_WITH_TIMEOUT(
            m_player.GrabFrame(1, after) && std::abs(MeanLuma(after) - lumaBefore) > 30, 10000);
        QVERIFY((MeanLuma(after) - lumaBefore) * brightness > 0);
        // The position stays on the same frame.
        QVERIFY(WaitSettled(*m_player.Graph()));
        QVERIFY(std::abs(int(m_player.GetPositionMs()) - 1000) <= 1000 / kFps);
    }

    void playsSilentlyWithoutSoundOutput_data()
    {
        QTest::addColumn<bool>("output");
        QTest::newRow("no sound output") << false;
        QTest::newRow("a sound output") << true;
    }
    void playsSilentlyWithoutSoundOutput()
    {
        QFETCH(bool, output);
        UseSoundOutput(output);
        QVERIFY(m_player.OpenFile(m_dir.filePath("dual.avi")));
        CDShowGraph *graph = m_player.Graph();
        QCOMPARE(graph->HasAudioRenderer(), output);
        QCOMPARE(graph->ElementNames().contains("DirectSound Audio Renderer"), output);
        if (output) {
            // The audio stream found its decoder between the splitter and the renderer.
            QVERIFY(graph->ElementNames().size() > 9);
        }
        QCOMPARE(m_player.Play(), S_OK);
        QTRY_VERIFY_WITH_TIMEOUT(m_player.GetPositionMs() > 500, 10000);
        QCOMPARE(m_player.GetState(), PlayState::Running);
    }

    void volumeFollowsTheApplicationOutput()
    {
        UseSoundOutput(true);
        CSoundOutput &sound = CSoundOutput::Instance();
        QVERIFY(sound.SetVolume(0x7FFF7FFF));
        QVERIFY(m_player.OpenFile(m_dir.filePath("single.avi")));
        auto volumeOf = [this] {
            GstElement *renderer = gst_bin_get_by_name(GST_BIN(m_player.Graph()->Pipeline()),
                                                       "DirectSound Audio Renderer");
            GstElement *volume = gst_bin_get_by_name(GST_BIN(renderer), "volume");
            gdouble v = -1;
            g_object_get(volume, "volume", &v, nullptr);
            gst_object_unref(volume);
            gst_object_unref(renderer);
            return v;
        };
        QVERIFY(std::abs(volumeOf() - 0.5) < 0.01);
        QVERIFY(sound.SetVolume(CSoundOutput::PackedFromPosition(99)));
        QVERIFY(std::abs(volumeOf() - 0.99) < 0.01);
        QVERIFY(sound.SetVolume(0));
        QCOMPARE(volumeOf(), 0.0);
        QCOMPARE(*sound.GetVolume(), 0u);
        UseSoundOutput(false);
        QVERIFY(!sound.GetVolume());
        QVERIFY(!sound.SetVolume(0x7FFF7FFF));
    }

    void packedVolume()
    {
        QCOMPARE(CSoundOutput::PackedFromPosition(99), 0xFD6FFD6Fu);
        QCOMPARE(CSoundOutput::PackedFromPosition(50), 0x7FFF7FFFu);
        QCOMPARE(CSoundOutput::PackedFromPosition(0), 0u);
        QCOMPARE(CSoundOutput::GainOf(0xFFFF0000u), 1.0);
    }

    void secondOpenTearsTheFirstGraphDown()
    {
        UseSoundOutput(true);
        QVERIFY(m_player.OpenFile(m_dir.filePath("dual.avi")));
        QCOMPARE(m_player.Play(), S_OK);
        QTRY_VERIFY(m_player.GetPositionMs() > 200);
        PipelineWatch watch(m_player.Graph()->Pipeline());
        QVERIFY(watch.Count() > 10);
        QVERIFY(m_player.OpenFile(m_dir.filePath("single.mp4")));
        QVERIFY2(watch.Alive() == 0, qPrintable(watch.AliveNames().join(", ")));
        // The windows keep their picture but no media memory.
        PipelineWatch second(m_player.Graph()->Pipeline());
        m_player.Close();
        QCOMPARE(second.Alive(), 0);
        QVERIFY(m_player.Graph() == nullptr);
    }

    void badFilesFailOrPlayWhatTheyCan_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("opens"); // its intact beginning plays
        QTest::newRow("text file")
            << QByteArray("this is not a recording\n").repeated(100) << false;
        QTest::newRow("empty file") << QByteArray() << false;
        QTest::newRow("RIFF header only") << QByteArray("RIFF\x10\0\0\0AVI LIST", 16) << false;
        QTest::newRow("MP4 type box only") << QByteArray("\0\0\0\x18"
                                                         "ftypisom\0\0\x02\0isomiso2",
                                                         24)
                                           << false;
        QFile whole(m_dir.filePath("dual.avi"));
        QVERIFY(whole.open(QIODevice::ReadOnly));
        const QByteArray all = whole.readAll();
        QTest::newRow("AVI cut at 60 %") << all.left(all.size() * 6 / 10) << true;
        QTest::newRow("AVI, middle zeroed")
            << all.left(all.size() / 3) + QByteArray(all.size() / 3, '\0') +
                   all.mid(2 * all.size() / 3)
            << true;
        QFile mp4(m_dir.filePath("dual.mp4"));
        QVERIFY(mp4.open(QIODevice::ReadOnly));
        const QByteArray allMp4 = mp4.readAll();
        // The movie header sits at the end of the file: without it nothing can be played.
        QTest::newRow("MP4 cut at 60 %") << allMp4.left(allMp4.size() * 6 / 10) << false;
    }
    void badFilesFailOrPlayWhatTheyCan()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, opens);
        const QString path = m_dir.filePath(QString("bad %1 ü.avi").arg(QTest::currentDataTag()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        if (!opens) {
            QVERIFY(!m_player.OpenFile(path));
            QVERIFY(m_player.Graph() == nullptr);
            return;
        }
        // Every open of it shows both first frames, however the splitter's thread and the
        // building of the chains interleave.
        for (int attempt = 0; attempt < 4; ++attempt) {
            m_front.ClearFrame();
            QVERIFY2(m_player.OpenFile(path), qPrintable(QString("open %1").arg(attempt + 1)));
            QImage front;
            QVERIFY(m_player.GrabFrame(0, front));
            QVERIFY(IsRedDominant(ColourAt(front, 0.75, 0.15)));
        }
        QCOMPARE(m_player.Play(), S_OK);
        // Plays to where the recording breaks, then the position reaches the end.
        QTRY_VERIFY_WITH_TIMEOUT(m_player.Graph()->IsAtEndOfStream() ||
                                     m_player.GetPositionMs() >= m_player.GetDurationMs(),
                                 20000);
    }

    void refusesWithoutFileOrWindow()
    {
        QVERIFY(!m_player.OpenFile(QString()));
        QVERIFY(!m_player.OpenFile(m_dir.filePath("missing.avi")));
        QVERIFY(m_player.Graph() == nullptr);
        QCOMPARE(m_player.Play(), VFW_E_WRONG_STATE);
        CDShowPlayer unattached;
        QVERIFY(!unattached.OpenFile(m_dir.filePath("dual.avi")));
        QImage image;
        QVERIFY(!unattached.GrabFrame(0, image));
    }

    // h264parse and aacparse post duration-changed messages while playing; a duration query
    // that fails right after one must not make the recording look ended (a zero duration
    // lets the position tick take any position as the end and skip the recording).
    void durationSurvivesAFailedRereading()
    {
        QVERIFY(m_player.OpenFile(m_dir.filePath("dual.mp4")));
        CDShowGraph *graph = m_player.Graph();
        const std::uint32_t duration = graph->GetDurationMs();
        QVERIFY(std::abs(int(duration) - kDurationMs) <= 100);
        {
            DurationAnswer unreadable(graph->Pipeline());
            QVERIFY(unreadable.Active());
            QVERIFY(!DurationReadable(graph->Pipeline()));
            gst_element_post_message(
                graph->Pipeline(), gst_message_new_duration_changed(GST_OBJECT(graph->Pipeline())));
            graph->GetCurrentPosition(); // reads the bus
            QCOMPARE(graph->GetDurationMs(), duration);
            QCOMPARE(m_player.GetDurationMs(), duration);
        }
        // Readable again, the next change is read anew.
        QVERIFY(DurationReadable(graph->Pipeline()));
        gst_element_post_message(graph->Pipeline(),
                                 gst_message_new_duration_changed(GST_OBJECT(graph->Pipeline())));
        graph->GetCurrentPosition();
        QCOMPARE(graph->GetDurationMs(), duration);
        // A new duration after a change is taken, not the cached one.
        {
            const std::uint32_t longer = duration + 5000;
            DurationAnswer answer(graph->Pipeline(), gint64(longer) * GST_MSECOND);
            QVERIFY(answer.Active());
            gst_element_post_message(
                graph->Pipeline(), gst_message_new_duration_changed(GST_OBJECT(graph->Pipeline())));
            graph->GetCurrentPosition();
            QCOMPARE(graph->GetDurationMs(), longer);
        }
    }

    // A speed change never moves the position, even when the position cannot be read at
    // that moment.
    void rateChangeKeepsThePositionWhenItCannotBeRead()
    {
        QVERIFY(m_player.OpenFile(m_dir.filePath("dual.avi")));
        CDShowGraph *graph = m_player.Graph();
        QCOMPARE(graph->SetPositions(15000000), S_OK); // 1.5 s
        QVERIFY(WaitSettled(*graph));
        QVERIFY(std::abs(int(graph->GetPositionMs()) - 1500) <= 1000 / kFps);

        // A sink that has been flushed holds no segment until new data arrives and cannot
        // tell a position, as in the middle of any flushing seek. Flush every sink that way.
        ForEachSinkPad(graph->Pipeline(), [](GstPad *pad) {
            gst_pad_send_event(pad, gst_event_new_flush_start());
            gst_pad_send_event(pad, gst_event_new_flush_stop(TRUE));
        });
        QVERIFY(!graph->GetCurrentPosition().has_value());

        QCOMPARE(graph->SetRate(1.5), S_OK);
        QVERIFY(WaitSettled(*graph));
        QVERIFY2(std::abs(int(graph->GetPositionMs()) - 1500) <= 1000 / kFps,
                 qPrintable(QString::number(graph->GetPositionMs())));
    }

    // The window shows each frame converted at its own size: the same picture as the
    // full-size still, scaled down, in the recording's colours.
    void shownFrameIsTheStillAtTheWindowSize_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QSize>("windowSize");
        QTest::newRow("AVI, larger than the video") << "dual.avi" << QSize(344, 194);
        QTest::newRow("AVI, half size") << "dual.avi" << QSize(160, 90);
        QTest::newRow("MP4, odd size") << "dual.mp4" << QSize(97, 61);
    }
    void shownFrameIsTheStillAtTheWindowSize()
    {
        QFETCH(QString, file);
        QFETCH(QSize, windowSize);
        m_front.resize(windowSize);
        m_rear.resize(windowSize);
        QVERIFY(m_player.OpenFile(m_dir.filePath(file)));
        QCOMPARE(m_player.Pause(), S_OK);
        m_player.SeekTo(1000);
        QVERIFY(WaitSettled(*m_player.Graph()));
        const struct {
            int channel;
            CStaticView &view;
            double fx, fy;
            cardgen::Rgb colour;
        } channels[] = {
            {0, m_front, 0.75, 0.15, cardgen::kFrontBackground},
            {1, m_rear, 0.10, 0.10, cardgen::kRearMarker},
            {1, m_rear, 0.75, 0.15, cardgen::kRearBackground},
        };
        for (const auto &c : channels) {
            QImage still;
            QTRY_VERIFY(m_player.GrabFrame(c.channel, still));
            QCOMPARE(still.size(), QSize(320, 180));
            QVERIFY2(IsNear(ColourAt(still, c.fx, c.fy), c.colour),
                     qPrintable(Describe(ColourAt(still, c.fx, c.fy))));
            QTRY_COMPARE(c.view.Frame().size(), windowSize);
            const QImage shown = c.view.grab().toImage().convertToFormat(QImage::Format_RGB32);
            QCOMPARE(shown.size(), windowSize);
            QVERIFY2(IsNear(ColourAt(shown, c.fx, c.fy), c.colour),
                     qPrintable(Describe(ColourAt(shown, c.fx, c.fy))));
            const QImage expected =
                still.scaled(windowSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            const double difference = MeanDifference(shown, expected);
            QVERIFY2(difference < 8, qPrintable(QString("mean difference %1").arg(difference)));
        }
    }

    // Stills stay full size whatever the window shows; a resize while paused shows the kept
    // frame again at the new size.
    void stillIsFullSizeAfterTheWindowShrank_data()
    {
        QTest::addColumn<bool>("paused");
        QTest::newRow("paused") << true;
        QTest::newRow("playing") << false;
    }
    void stillIsFullSizeAfterTheWindowShrank()
    {
        QFETCH(bool, paused);
        QVERIFY(m_player.OpenFile(m_dir.filePath("dual.mp4")));
        QCOMPARE(paused ? m_player.Pause() : m_player.Play(), S_OK);
        for (const QSize size : {QSize(86, 48), QSize(300, 170)}) {
            m_front.resize(size);
            m_rear.resize(size);
            QTRY_COMPARE(m_front.Frame().size(), size);
            QTRY_COMPARE(m_rear.Frame().size(), size);
            QVERIFY(IsRedDominant(ColourAt(m_front.grab().toImage(), 0.75, 0.15)));
            QVERIFY(IsYellow(ColourAt(m_rear.grab().toImage(), 0.10, 0.10)));
            QImage front, rear;
            QVERIFY(m_player.GrabFrame(0, front));
            QVERIFY(m_player.GrabFrame(1, rear));
            QCOMPARE(front.size(), QSize(320, 180));
            QCOMPARE(rear.size(), QSize(320, 180));
            QVERIFY(IsRedDominant(ColourAt(front, 0.75, 0.15)));
            QVERIFY(IsYellow(ColourAt(rear, 0.10, 0.10)));
        }
    }

    // Each decoder reads far ahead only while the graph waits for first frames (a stream
    // missing for a while must not stall the other); once both are shown, the read-ahead is
    // bounded, so playing does not hold tens of megabytes of compressed data.
    void readAheadIsBoundedOnceFramesAreShown()
    {
        QVERIFY(m_player.OpenFile(m_dir.filePath("dual.avi")));
        CDShowGraph *graph = m_player.Graph();
        auto queueBytes = [graph](const char *decoder) {
            auto bin =
                GstElementHandle::Adopt(gst_bin_get_by_name(GST_BIN(graph->Pipeline()), decoder));
            auto queue =
                bin ? GstElementHandle::Adopt(gst_bin_get_by_name(GST_BIN(bin.get()), "input"))
                    : GstElementHandle();
            guint bytes = 0;
            if (queue)
                g_object_get(queue.get(), "max-size-bytes", &bytes, nullptr);
            return bytes;
        };
        const guint bounded = queueBytes("FFDShow Decoder1");
        QVERIFY(bounded > 0);
        QCOMPARE(queueBytes("FFDShow Decoder2"), bounded);

        QCOMPARE(m_player.Play(), S_OK);
        m_player.SeekTo(1500);
        QVERIFY(queueBytes("FFDShow Decoder1") > bounded);
        QVERIFY(queueBytes("FFDShow Decoder2") > bounded);
        QVERIFY(WaitSettled(*graph));
        QCOMPARE(queueBytes("FFDShow Decoder1"), bounded);
        QCOMPARE(queueBytes("FFDShow Decoder2"), bounded);
        QTRY_VERIFY_WITH_TIMEOUT(m_player.GetPositionMs() > 1700, 10000);
    }

    void transportRefusals()
    {
        CDShowGraph graph(2, &m_front, &m_rear);
        QCOMPARE(graph.Play(), HRESULT(-1));
        graph.Reset();
        QCOMPARE(graph.Play(), VFW_E_WRONG_STATE);
        QCOMPARE(graph.Stop(), VFW_E_WRONG_STATE);
        QCOMPARE(graph.Pause(), VFW_E_WRONG_STATE);
        QVERIFY(m_player.OpenFile(m_dir.filePath("single.avi")));
        QCOMPARE(m_player.Stop(), VFW_E_WRONG_STATE);
        QCOMPARE(m_player.Play(), S_OK);
        QCOMPARE(m_player.Play(), VFW_E_WRONG_STATE);
        QCOMPARE(m_player.Stop(), S_OK);
        QCOMPARE(m_player.GetState(), PlayState::Stopped);
        QCOMPARE(m_player.Play(), S_OK);
    }

private:
    QTemporaryDir m_dir{ScratchRoot() + "/media-XXXXXX"};
    CStaticView m_front;
    CStaticView m_rear;
    CDShowPlayer m_player;
};

QUORVIL_PLAYBACK_TEST_MAIN(TestPlaybackGraph)
#include "test_graph.moc"
