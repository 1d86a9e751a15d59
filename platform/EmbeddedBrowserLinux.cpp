#include "platform/EmbeddedBrowser.h"

#include <QByteArray>
#include <QtGlobal>

#include <unistd.h>

void PrepareEmbeddedBrowser()
{
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}
