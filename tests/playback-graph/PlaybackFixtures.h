#pragma once

#include "platform/SoundOutput.h"
#include "playback/CDShowGraph.h"
#include "tools/make-card/CardGenerator.h"

#include <QImage>
#include <QStringList>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <vector>

#include <glib-object.h>
#include <gst/gst.h>

class QWidget;

// Shared helpers of the playback tests: generated recordings, picture probes, waits and a
// sound output that can be told to exist or not (this machine has no sound card).

namespace playback_test
{

// A recording of known content in dir; fails the calling test (QVERIFY) when it cannot be made.
QString MakeRecording(const QTemporaryDir &dir, const QString &name,
                      cardgen::RecordingOptions options);

// Default test recording: 320x180, 30 fps, 3 s, tone, sensor stream.
cardgen::RecordingOptions SmallRecording(cardgen::Container container, bool rear);

// Both video windows at the size the player gives them, shown.
void ShowVideoWindows(QWidget &front, QWidget &rear);

// The colour at a fraction of the picture.
QColor ColourAt(const QImage &image, double fx, double fy);
bool IsRedDominant(const QColor &c);
bool IsBlueDominant(const QColor &c);
bool IsYellow(const QColor &c);
bool IsWhite(const QColor &c);
double MeanLuma(const QImage &image);

// Left edge of the moving white marker on the picture's middle row, or -1.
int FindMarkerX(const QImage &image);

// Calls `visit` with every element inside `bin`, however deep (bins themselves included).
void ForEachElement(GstElement *bin, const std::function<void(GstElement *)> &visit);

// Runs the event loop until the graph has settled on its last seek (bounded).
bool WaitSettled(CDShowGraph &graph, int timeoutMs = 10000);

// A sound output double: exists or not; the sink it makes is a real-time fake sink.
class FakeSoundBackend : public CSoundOutput::Backend
{
public:
    explicit FakeSoundBackend(bool present) : m_bPresent(present) {}
    bool Probe() override { return m_bPresent; }
    GstElement *CreateSink() override;

private:
    bool m_bPresent;
};

void UseSoundOutput(bool present);

// Points the settings store at fresh folders of this test run (call before anything uses it).
// Returns the scratch root, which lives as long as the process.
QString IsolateSettings();

// Scratch folders of the test run.
QString ScratchRoot();

} // namespace playback_test

// main() of a playback test: settings isolated, then the Qt Test run.
#define QUORVIL_PLAYBACK_TEST_MAIN(TestClass)                                                      \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        playback_test::IsolateSettings();                                                          \
        QApplication app(argc, argv);                                                              \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

namespace playback_test
{

// Weak references to a pipeline and everything inside it: tells whether all of it is gone.
class PipelineWatch
{
public:
    explicit PipelineWatch(GstElement *pipeline);
    ~PipelineWatch();
    PipelineWatch(const PipelineWatch &) = delete;
    PipelineWatch &operator=(const PipelineWatch &) = delete;

    int Alive() const;
    int Count() const { return static_cast<int>(m_refs.size()); }
    // "name/references held by others" of each object still alive.
    QStringList AliveNames() const;

private:
    void Watch(GObject *o);
    std::vector<std::unique_ptr<GWeakRef>> m_refs;
};

} // namespace playback_test
