#pragma once

#include <QString>

// Each skinned control kind announces itself once under the local-machine key
// "SOFTWARE\Pelmo" ("usingKipButton" = 1 and the like). Failures are ignored on purpose:
// the marker is informational and must never stop a control from being created.
void WriteKipMarker(const QString &name);
