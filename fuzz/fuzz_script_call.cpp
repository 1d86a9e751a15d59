// A call string handed to the map view ("javascript:DrawCurrent('1.5', '2.5','9')").
#include "sensors/widgets/CExplorerMapViewWnd.h"

#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::optional<CExplorerMapViewWnd::ScriptCall> call =
        CExplorerMapViewWnd::ParseScriptCall(QString::fromUtf8(ToByteArray(data, size)));
    if (call)
        CExplorerMapViewWnd::ToJavaScript(*call);
    return 0;
}
