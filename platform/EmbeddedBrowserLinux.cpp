#include "platform/EmbeddedBrowser.h"

#include <QCoreApplication>
#include <QtGlobal>

#include <unistd.h>

void PrepareEmbeddedBrowser()
{
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // The web view may be created long after start-up; it shares the widgets' GL contexts.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}
