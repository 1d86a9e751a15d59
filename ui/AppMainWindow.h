#pragma once

#include <cstdint>

// The application's main window as the rest of the user interface sees it: the one
// process-wide pointer that text lookups read the language from.
class IAppMainWindow
{
public:
    virtual ~IAppMainWindow() = default;
    // m_wLanguage: 1033, 1041, 1042 or 1049.
    virtual std::uint16_t GetLanguage() const = 0;
};

// Registers (or, with nullptr, unregisters) the main window. Not owning.
void SetAppMainWindow(IAppMainWindow *window);
IAppMainWindow *GetAppMainWindow();
