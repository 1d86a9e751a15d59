#include "filters/CGstElementFilter.h"

#include <utility>

CGstElementFilter::CGstElementFilter(QString name, GstElementHandle element)
    : m_strName(std::move(name)), m_element(std::move(element))
{
}

CFilterRegistry::Factory CGstElementFilter::FromElements(QString name, QStringList factoryNames)
{
    return [name, factoryNames]() -> std::unique_ptr<CBaseFilter> {
        for (const QString &factory : factoryNames) {
            auto element = GstElementHandle::Adopt(
                gst_element_factory_make(factory.toUtf8().constData(), nullptr));
            if (element)
                return std::make_unique<CGstElementFilter>(name, std::move(element));
        }
        return nullptr;
    };
}

CFilterRegistry::Factory CGstElementFilter::FromDecoderFor(QString name, QString sinkCaps)
{
    return [name, sinkCaps]() -> std::unique_ptr<CBaseFilter> {
        const auto factory = FindDecoderFactory(sinkCaps, GST_ELEMENT_FACTORY_TYPE_DECODER);
        if (!factory)
            return nullptr;
        auto element = GstElementHandle::Adopt(gst_element_factory_create(factory.get(), nullptr));
        if (!element)
            return nullptr;
        return std::make_unique<CGstElementFilter>(name, std::move(element));
    };
}

GstHandle<GstElementFactory> CGstElementFilter::FindDecoderFactory(const QString &sinkCaps,
                                                                   GstElementFactoryListType type)
{
    if (!gst_is_initialized())
        gst_init(nullptr, nullptr);
    const auto caps = GstCapsHandle::Adopt(gst_caps_from_string(sinkCaps.toUtf8().constData()));
    if (!caps)
        return {};
    GList *all = gst_element_factory_list_get_elements(type | GST_ELEMENT_FACTORY_TYPE_DECODER,
                                                       GST_RANK_MARGINAL);
    GList *matching = gst_element_factory_list_filter(all, caps.get(), GST_PAD_SINK, FALSE);
    matching = g_list_sort(matching, gst_plugin_feature_rank_compare_func);
    GstHandle<GstElementFactory> best;
    if (matching)
        best = GstHandle<GstElementFactory>::AddRef(GST_ELEMENT_FACTORY(matching->data));
    gst_plugin_feature_list_free(matching);
    gst_plugin_feature_list_free(all);
    return best;
}
