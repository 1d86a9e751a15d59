#include "platform/NetworkState.h"

#include <QNetworkInformation>
#include <QtGlobal>

namespace
{

// Qt's network information backend (NetworkManager on Linux). Without a backend, or while it
// has not decided yet, the reachability is "unknown", which counts as connected: a machine
// without NetworkManager is not offline for that.
class CQtNetworkState : public INetworkState
{
public:
    bool IsInternetConnected() const override
    {
        const QByteArray forced = qgetenv("QUORVIL_ONLINE");
        if (forced == "1")
            return true;
        if (forced == "0")
            return false;
        if (!QNetworkInformation::instance() && !QNetworkInformation::loadDefaultBackend())
            return true;
        const auto reachability = QNetworkInformation::instance()->reachability();
        return reachability == QNetworkInformation::Reachability::Online ||
               reachability == QNetworkInformation::Reachability::Unknown;
    }
};

} // namespace

std::unique_ptr<INetworkState> CreateNetworkState()
{
    return std::make_unique<CQtNetworkState>();
}
