#include "PlaybackFixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QTest>
#include <QWidget>
#include <QThread>

#include <gst/gst.h>

namespace playback_test
{

QString MakeRecording(const QTemporaryDir &dir, const QString &name,
                      cardgen::RecordingOptions options)
{
    options.path = dir.filePath(name);
    QString error;
    if (!cardgen::WriteRecording(options, &error)) {
        qWarning() << "cannot write recording" << options.path << error;
        return {};
    }
    return options.path;
}

cardgen::RecordingOptions SmallRecording(cardgen::Container container, bool rear)
{
    cardgen::RecordingOptions options;
    options.container = container;
    options.rear = rear;
    options.durationMs = 3000;
    options.width = 320;
    options.height = 180;
    options.fps = 30;
    return options;
}

void ShowVideoWindows(QWidget &front, QWidget &rear)
{
    for (QWidget *window : {&front, &rear}) {
        window->resize(344, 194);
        window->show();
    }
}

QColor ColourAt(const QImage &image, double fx, double fy)
{
    const int x = std::clamp(int(fx * image.width()), 0, image.width() - 1);
    const int y = std::clamp(int(fy * image.height()), 0, image.height() - 1);
    return image.pixelColor(x, y);
}

bool IsRedDominant(const QColor &c)
{
    return c.red() > 150 && c.green() < 100 && c.blue() < 100;
}
bool IsBlueDominant(const QColor &c)
{
    return c.blue() > 150 && c.red() < 100 && c.green() < 120;
}
bool IsYellow(const QColor &c)
{
    return c.red() > 180 && c.green() > 160 && c.blue() < 80;
}
bool IsWhite(const QColor &c)
{
    return c.red() > 200 && c.green() > 200 && c.blue() > 200;
}

double MeanLuma(const QImage &image)
{
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            sum += 0.299 * qRed(p) + 0.587 * qGreen(p) + 0.114 * qBlue(p);
        }
    return sum / (double(image.width()) * image.height());
}

int FindMarkerX(const QImage &image)
{
    const int y = image.height() / 2;
    for (int x = 0; x < image.width(); ++x)
        if (IsWhite(image.pixelColor(x, y)))
            return x;
    return -1;
}

bool WaitSettled(CDShowGraph &graph, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        graph.GetCurrentPosition(); // reads the bus
        if (!graph.IsSeekPending()) {
            QCoreApplication::processEvents();
            return true;
        }
        QTest::qWait(10);
    }
    return false;
}

GstElement *FakeSoundBackend::CreateSink()
{
    if (!m_bPresent)
        return nullptr;
    GstElement *sink = gst_element_factory_make("fakesink", nullptr);
    g_object_set(sink, "sync", TRUE, nullptr);
    return sink;
}

void UseSoundOutput(bool present)
{
    CSoundOutput::Instance().SetBackend(std::make_unique<FakeSoundBackend>(present));
}

QString ScratchRoot()
{
    static const QString root = [] {
        QString base = QString::fromLocal8Bit(qgetenv("QUORVIL_TEST_TMP"));
        if (base.isEmpty())
            base = QDir::tempPath();
        static QTemporaryDir dir(base + "/playback-XXXXXX");
        return dir.path();
    }();
    return root;
}

QString IsolateSettings()
{
    const QString root = ScratchRoot();
    QDir(root).mkpath("user");
    QDir(root).mkpath("machine");
    qputenv("QUORVIL_CONFIG_HOME", QFile::encodeName(root + "/user"));
    qputenv("QUORVIL_SYSTEM_CONFIG", QFile::encodeName(root + "/machine"));
    return root;
}

void ForEachElement(GstElement *bin, const std::function<void(GstElement *)> &visit)
{
    GstIterator *it = gst_bin_iterate_recurse(GST_BIN(bin));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        visit(GST_ELEMENT(g_value_get_object(&item)));
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
}

PipelineWatch::PipelineWatch(GstElement *pipeline)
{
    Watch(G_OBJECT(pipeline));
    ForEachElement(pipeline, [this](GstElement *element) { Watch(G_OBJECT(element)); });
}

PipelineWatch::~PipelineWatch()
{
    for (auto &ref : m_refs)
        g_weak_ref_clear(ref.get());
}

int PipelineWatch::Alive() const
{
    int alive = 0;
    for (const auto &ref : m_refs) {
        if (GObject *o = static_cast<GObject *>(g_weak_ref_get(ref.get()))) {
            ++alive;
            g_object_unref(o);
        }
    }
    return alive;
}

QStringList PipelineWatch::AliveNames() const
{
    QStringList names;
    for (const auto &ref : m_refs) {
        if (GObject *o = static_cast<GObject *>(g_weak_ref_get(ref.get()))) {
            names << QString::fromUtf8(GST_OBJECT_NAME(o)) + "/" +
                         QString::number(o->ref_count - 1);
            g_object_unref(o);
        }
    }
    return names;
}

void PipelineWatch::Watch(GObject *o)
{
    m_refs.push_back(std::make_unique<GWeakRef>());
    g_weak_ref_init(m_refs.back().get(), o);
}

} // namespace playback_test
