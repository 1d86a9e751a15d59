#include "platform/NetworkState.h"

#include <QCoreApplication>
#include <QtGlobal>

#include <gtest/gtest.h>

namespace
{

struct ScopedOnline {
    explicit ScopedOnline(const char *value) { qputenv("QUORVIL_ONLINE", value); }
    ~ScopedOnline() { qunsetenv("QUORVIL_ONLINE"); }
};

} // namespace

TEST(NetworkState, OverrideDecides)
{
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    const auto network = CreateNetworkState();
    {
        ScopedOnline online("1");
        EXPECT_TRUE(network->IsInternetConnected());
    }
    {
        ScopedOnline offline("0");
        EXPECT_FALSE(network->IsInternetConnected());
    }
}
