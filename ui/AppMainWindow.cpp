#include "ui/AppMainWindow.h"

namespace
{
// Set and read on the UI thread only.
IAppMainWindow *g_mainWindow = nullptr;
} // namespace

void SetAppMainWindow(IAppMainWindow *window)
{
    g_mainWindow = window;
}

IAppMainWindow *GetAppMainWindow()
{
    return g_mainWindow;
}
