#pragma once

#include "filters/CBaseFilter.h"
#include "platform/HResult.h"

#include <QHash>
#include <QString>

#include <functional>
#include <memory>

// Class ids of the components installed beside the player.
inline constexpr char CLSID_SensorDataSource[] = "{046814AD-616F-4DF8-B600-0234759FF57F}";
inline constexpr char CLSID_H264Decoder[] = "{2BD6A557-9A76-4DAF-805E-C1FA73C9CF0D}";
inline constexpr char CLSID_AacDecoder[] = "{6AC7C19E-8CA0-4E3D-9A9F-2881DE29E0AC}";
inline constexpr char CLSID_BrightnessFilter[] = "{16CC5240-AC7B-433F-B5D9-D3473C4F8505}";

// Maps class ids to factories, the way the system's component registry does. A factory
// returns nullptr when its component cannot be made on this machine (a plugin is missing).
class CFilterRegistry
{
public:
    using Factory = std::function<std::unique_ptr<CBaseFilter>()>;

    // The process-wide registry, filled with the built-in components on first use.
    static CFilterRegistry &Instance();

    void Register(const QString &clsid, Factory factory);
    void Unregister(const QString &clsid);
    bool IsRegistered(const QString &clsid) const;

    // S_OK and a filter, or a failure code and nullptr. Class ids compare case-insensitively.
    HRESULT CreateInstance(const QString &clsid, std::unique_ptr<CBaseFilter> &filter) const;

private:
    QHash<QString, Factory> m_factories;
};

// Registers every built-in component (defined in BuiltinFilters.cpp).
void RegisterBuiltinFilters(CFilterRegistry &registry);
