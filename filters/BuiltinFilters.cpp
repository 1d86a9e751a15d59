#include "filters/CFilterRegistry.h"
#include "filters/CDecoderBin.h"
#include "filters/CGstElementFilter.h"
#include "filters/CSensorDataSource.h"

// One line per component; each component's factory lives beside the component.
void RegisterBuiltinFilters(CFilterRegistry &registry)
{
    registry.Register(CLSID_H264Decoder, CDecoderBin::Create);
    registry.Register(CLSID_AacDecoder, CGstElementFilter::FromDecoderFor(
                                            "AAC Audio Decoder", "audio/mpeg, mpegversion=(int)4"));
    registry.Register(CLSID_BrightnessFilter,
                      CGstElementFilter::FromElements("Brightness Filter", {"videobalance"}));
    registry.Register(CLSID_SensorDataSource, CSensorDataSource::Create);
}
