// The settings store reading a hive file of any content: reads, then a write over it (which
// must keep a damaged file aside first).
#include "platform/SettingsStore.h"

#include "FuzzInput.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace
{

const QTemporaryDir &Folder()
{
    static const QTemporaryDir folder;
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString user = Folder().filePath(QStringLiteral("user"));
    const QString machine = Folder().filePath(QStringLiteral("machine"));
    QDir(user).removeRecursively();
    QDir().mkpath(user);
    QDir().mkpath(machine);

    CSettingsStore store(user, machine);
    {
        QFile file(store.FilePath(SettingsHive::CurrentUser));
        if (!file.open(QIODevice::WriteOnly))
            return 0;
        file.write(ToByteArray(data, size));
    }
    const SettingsHive hive = SettingsHive::CurrentUser;
    store.OpenKey(hive, QStringLiteral("Software\\Quorvil"));
    store.GetValue(hive, QStringLiteral("Software\\Quorvil"), QStringLiteral("Language"));
    store.GetNumber(hive, QStringLiteral("Software\\GNU\\ffdshow"), QStringLiteral("trayIcon"));
    store.GetString(hive, QString(), QStringLiteral("a"));
    store.SetNumber(hive, QStringLiteral("Software\\Quorvil"), QStringLiteral("Volume"), 7);
    store.GetNumber(hive, QStringLiteral("Software\\Quorvil"), QStringLiteral("Volume"));
    store.DeleteKey(hive, QStringLiteral("Software"));
    return 0;
}
