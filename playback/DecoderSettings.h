#pragma once

#include <QString>

#include <optional>

class CSettingsStore;

// The installed H.264 decoder's per-user settings under the current user's
// "Software\GNU\ffdshow": one instance per process off, H.264 decoding on, and the viewer
// named in the decoder's whitelist. Nothing happens when the decoder's key does not exist:
// the key is never created. Failing writes are ignored.
void ConfigureDecoderRegistry(CSettingsStore &store);

// The whitelist with ";Quorvil.exe;" appended and every ";;" folded to ";" in one left-to-right
// pass; nullopt when it already names "Quorvil.exe" (case-sensitive) and stays as it is.
std::optional<QString> WhitelistWithViewer(const QString &whitelist);
