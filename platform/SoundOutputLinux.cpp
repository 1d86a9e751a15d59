#include "platform/SoundOutput.h"

#include "platform/PlatformLogging.h"

#include <QString>

#include <gst/gst.h>

#include <memory>

namespace
{

struct ObjectUnref {
    void operator()(gpointer p) const { gst_object_unref(p); }
};

// Linux: PulseAudio / PipeWire or ALSA, whichever GStreamer can open.
class CLinuxSoundBackend : public CSoundOutput::Backend
{
public:
    bool Probe() override
    {
        if (!gst_is_initialized())
            gst_init(nullptr, nullptr);
        m_strSinkFactory.clear();
        if (MonitorSeesSink()) {
            m_strSinkFactory = QStringLiteral("autoaudiosink");
        } else {
            // No device provider answered: try to open each real sink (autoaudiosink would
            // fall back to a fake sink and so prove nothing).
            for (const char *factory : {"pulsesink", "alsasink"}) {
                if (OpensInReady(factory)) {
                    m_strSinkFactory = QString::fromLatin1(factory);
                    break;
                }
            }
        }
        qCInfo(lcPlatform) << "sound output:"
                           << (m_strSinkFactory.isEmpty() ? QStringLiteral("none")
                                                          : m_strSinkFactory);
        return !m_strSinkFactory.isEmpty();
    }

    GstElement *CreateSink() override
    {
        if (m_strSinkFactory.isEmpty())
            return nullptr;
        return gst_element_factory_make(m_strSinkFactory.toLatin1().constData(), nullptr);
    }

private:
    static bool MonitorSeesSink()
    {
        std::unique_ptr<GstDeviceMonitor, ObjectUnref> monitor(gst_device_monitor_new());
        gst_device_monitor_add_filter(monitor.get(), "Audio/Sink", nullptr);
        if (!gst_device_monitor_start(monitor.get()))
            return false;
        GList *devices = gst_device_monitor_get_devices(monitor.get());
        const bool any = devices != nullptr;
        g_list_free_full(devices, gst_object_unref);
        gst_device_monitor_stop(monitor.get());
        return any;
    }

    static bool OpensInReady(const char *factory)
    {
        GstElement *made = gst_element_factory_make(factory, nullptr);
        if (!made)
            return false;
        std::unique_ptr<GstElement, ObjectUnref> sink(GST_ELEMENT(gst_object_ref_sink(made)));
        const bool ok =
            gst_element_set_state(sink.get(), GST_STATE_READY) == GST_STATE_CHANGE_SUCCESS;
        gst_element_set_state(sink.get(), GST_STATE_NULL);
        return ok;
    }

    QString m_strSinkFactory; // empty: no output
};
} // namespace

std::unique_ptr<CSoundOutput::Backend> CSoundOutput::CreatePlatformBackend()
{
    return std::make_unique<CLinuxSoundBackend>();
}
