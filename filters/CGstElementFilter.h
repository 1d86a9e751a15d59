#pragma once

#include "filters/CBaseFilter.h"
#include "filters/CFilterRegistry.h"
#include "filters/GstHandle.h"

#include <QString>
#include <QStringList>

// A component made of one GStreamer element (or bin). The filter holds one reference to the
// element; a graph that adds it holds its own.
class CGstElementFilter : public CBaseFilter
{
public:
    CGstElementFilter(QString name, GstElementHandle element);

    QString Name() const override { return m_strName; }
    GstElement *Element() const { return m_element.get(); }

    // Registry factory: the first of the named element factories that is installed, or
    // nullptr from the factory when none is.
    static CFilterRegistry::Factory FromElements(QString name, QStringList factoryNames);
    // Registry factory: the best-ranked installed decoder whose input accepts sinkCaps.
    static CFilterRegistry::Factory FromDecoderFor(QString name, QString sinkCaps);

    // The best-ranked installed decoder factory for the given input caps, or none.
    static GstHandle<GstElementFactory> FindDecoderFactory(const QString &sinkCaps,
                                                           GstElementFactoryListType mediaType);

private:
    QString m_strName;
    GstElementHandle m_element;
};
