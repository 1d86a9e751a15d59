// TarnFilter: installs the media components the viewer needs and does not find.
//
// The viewer starts it (hidden, without arguments) when its video decoder is missing, gives
// it a second, and checks again. It looks for an H.264 video decoder, an AAC audio decoder and
// the brightness and flip stages, and hands what is missing to the system's plugin installer
// (the distribution's gst-install-plugins-helper, e.g. through PackageKit), then waits for it.
//
// Exit codes: 0 nothing missing or everything installed; 1 the system has no installer;
// 2 the installer could not install everything (or was declined); 3 bad arguments.
// --check only reports what is missing (exit 0 nothing missing, 2 something missing).

#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{

struct Need {
    const char *what;
    const char *caps;    // a decoder for these caps, or
    const char *element; // this element
};

constexpr Need kNeeds[] = {
    {"H.264 video decoder", "video/x-h264, stream-format=(string)avc, alignment=(string)au",
     nullptr},
    {"H.264 stream parser", nullptr, "h264parse"},
    {"AAC audio decoder", "audio/mpeg, mpegversion=(int)4", nullptr},
    {"brightness filter", nullptr, "videobalance"},
    {"picture flip", nullptr, "videoflip"},
    {"tempo filter", nullptr, "scaletempo"},
};

bool HasDecoderFor(const char *capsText)
{
    GstCaps *caps = gst_caps_from_string(capsText);
    GList *all =
        gst_element_factory_list_get_elements(GST_ELEMENT_FACTORY_TYPE_DECODER, GST_RANK_MARGINAL);
    GList *matching = gst_element_factory_list_filter(all, caps, GST_PAD_SINK, FALSE);
    const bool found = matching != nullptr;
    gst_plugin_feature_list_free(matching);
    gst_plugin_feature_list_free(all);
    gst_caps_unref(caps);
    return found;
}

bool IsPresent(const Need &need)
{
    if (need.element) {
        GstElementFactory *factory = gst_element_factory_find(need.element);
        if (factory)
            gst_object_unref(factory);
        return factory != nullptr;
    }
    return HasDecoderFor(need.caps);
}

// The installer detail string GStreamer's helpers understand.
std::string DetailFor(const Need &need)
{
    gchar *detail = nullptr;
    if (need.element) {
        detail = gst_missing_element_installer_detail_new(need.element);
    } else {
        GstCaps *caps = gst_caps_from_string(need.caps);
        detail = gst_missing_decoder_installer_detail_new(caps);
        gst_caps_unref(caps);
    }
    std::string result = detail ? detail : "";
    g_free(detail);
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    gst_init(&argc, &argv);
    bool checkOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--check") == 0) {
            checkOnly = true;
        } else {
            std::fprintf(stderr, "usage: %s [--check]\n", argv[0]);
            return 3;
        }
    }

    std::vector<std::string> details;
    for (const Need &need : kNeeds) {
        if (IsPresent(need))
            continue;
        std::printf("missing: %s\n", need.what);
        details.push_back(DetailFor(need));
    }
    if (details.empty()) {
        std::printf("all media components are installed\n");
        return 0;
    }
    if (checkOnly)
        return 2;
    if (!gst_install_plugins_supported()) {
        std::fprintf(stderr, "this system has no plugin installer\n");
        return 1;
    }

    std::vector<gchar *> list;
    for (std::string &d : details)
        list.push_back(d.data());
    list.push_back(nullptr);
    GstInstallPluginsContext *context = gst_install_plugins_context_new();
    gst_install_plugins_context_set_confirm_search(context, TRUE);
    const GstInstallPluginsReturn ret = gst_install_plugins_sync(list.data(), context);
    gst_install_plugins_context_free(context);
    std::printf("plugin installer: %s\n", gst_install_plugins_return_get_name(ret));
    if (ret == GST_INSTALL_PLUGINS_SUCCESS || ret == GST_INSTALL_PLUGINS_PARTIAL_SUCCESS)
        gst_update_registry();
    if (ret == GST_INSTALL_PLUGINS_HELPER_MISSING)
        return 1;
    return ret == GST_INSTALL_PLUGINS_SUCCESS ? 0 : 2;
}
