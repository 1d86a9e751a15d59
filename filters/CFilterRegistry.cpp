#include "filters/CFilterRegistry.h"

namespace
{
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);

QString Key(const QString &clsid)
{
    return clsid.trimmed().toUpper();
}
} // namespace

CFilterRegistry &CFilterRegistry::Instance()
{
    static CFilterRegistry registry = [] {
        CFilterRegistry r;
        RegisterBuiltinFilters(r);
        return r;
    }();
    return registry;
}

void CFilterRegistry::Register(const QString &clsid, Factory factory)
{
    m_factories.insert(Key(clsid), std::move(factory));
}

void CFilterRegistry::Unregister(const QString &clsid)
{
    m_factories.remove(Key(clsid));
}

bool CFilterRegistry::IsRegistered(const QString &clsid) const
{
    return m_factories.contains(Key(clsid));
}

HRESULT CFilterRegistry::CreateInstance(const QString &clsid,
                                        std::unique_ptr<CBaseFilter> &filter) const
{
    filter.reset();
    const auto it = m_factories.constFind(Key(clsid));
    if (it == m_factories.constEnd() || !*it)
        return REGDB_E_CLASSNOTREG;
    filter = (*it)();
    return filter ? S_OK : E_FAIL;
}
