#include "playback/DecoderSettings.h"

#include "platform/SettingsStore.h"
#include "playback/PlaybackLogging.h"

namespace
{

const QString kDecoderKey = QStringLiteral("Software\\GNU\\ffdshow");
const QString kViewerName = QStringLiteral("Quorvil.exe");

} // namespace

std::optional<QString> WhitelistWithViewer(const QString &whitelist)
{
    if (whitelist.contains(kViewerName, Qt::CaseSensitive))
        return std::nullopt;
    QString updated = whitelist + u';' + kViewerName + u';';
    updated.replace(QStringLiteral(";;"), QStringLiteral(";"));
    return updated;
}

void ConfigureDecoderRegistry(CSettingsStore &store)
{
    constexpr auto hive = SettingsHive::CurrentUser;
    if (store.OpenKey(hive, kDecoderKey, SettingsAccess::ReadWrite) != SettingsStatus::Ok)
        return;

    store.SetNumber(hive, kDecoderKey, QStringLiteral("multipleInstances"), 0);
    store.SetNumber(hive, kDecoderKey, QStringLiteral("h264"), 1);

    // The whitelist is read whole, however long. A missing value, or one that is not text,
    // reads as empty; a value that cannot be read at all is left alone so that none of its
    // entries is lost.
    const SettingsResult<QString> whitelist =
        store.GetString(hive, kDecoderKey, QStringLiteral("whitelist"));
    if (!whitelist.Ok() && whitelist.status != SettingsStatus::NotFound &&
        whitelist.status != SettingsStatus::WrongType) {
        qCWarning(lcPlayback) << "decoder whitelist unreadable; left as it is";
        return;
    }
    if (const std::optional<QString> updated = WhitelistWithViewer(whitelist.value)) {
        if (store.SetString(hive, kDecoderKey, QStringLiteral("whitelist"), *updated) !=
            SettingsStatus::Ok)
            qCDebug(lcPlayback) << "decoder whitelist could not be written";
    }
}
