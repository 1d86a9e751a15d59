#include "ui/CKipMarkers.h"

#include "platform/SettingsStore.h"

#include <QSet>

#include <mutex>

void WriteKipMarker(const QString &name)
{
    // One write per marker and process: the value never changes, and a window creates dozens
    // of controls.
    static std::mutex mutex;
    static QSet<QString> written;
    {
        const std::lock_guard lock(mutex);
        if (written.contains(name))
            return;
        written.insert(name);
    }
    CSettingsStore &store = CSettingsStore::System();
    const QString key = QStringLiteral("SOFTWARE\\Pelmo");
    if (store.CreateKey(SettingsHive::LocalMachine, key) != SettingsStatus::Ok)
        return;
    (void)store.SetNumber(SettingsHive::LocalMachine, key, name, 1);
}
