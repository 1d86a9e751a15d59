#include "platform/SettingsStore.h"

#include "platform/PlatformLogging.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSaveFile>
#include <QStringList>

#include <algorithm>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace
{

constexpr auto kFileName = "settings.json";
constexpr auto kFormatName = "quorvil-settings";
constexpr int kFormatVersion = 1;
constexpr int kLockTimeoutMs = 5000;

QString FoldName(const QString &name)
{
    return name.toCaseFolded();
}

// A key path split into its segments; the root is the empty path.
struct KeyPath {
    QStringList segments; // as written by the caller
    QString folded;       // segments case-folded and joined by '\', the map key
};

std::optional<KeyPath> ParsePath(const QString &path)
{
    KeyPath parsed;
    if (path.isEmpty())
        return parsed;
    parsed.segments = path.split(u'\\');
    for (const QString &segment : std::as_const(parsed.segments)) {
        if (segment.isEmpty())
            return std::nullopt;
    }
    parsed.folded = FoldName(path);
    return parsed;
}

struct StoredValue {
    QString name;
    SettingsValue value;
};

} // namespace

// One key of a hive with its values.
struct settings_detail::StoredKey {
    QString path; // full path as first created
    std::vector<StoredValue> values;

    StoredValue *Find(const QString &name)
    {
        const QString folded = FoldName(name);
        auto it = std::find_if(values.begin(), values.end(),
                               [&](const StoredValue &v) { return FoldName(v.name) == folded; });
        return it == values.end() ? nullptr : &*it;
    }
};

using settings_detail::StoredKey;

// The contents of one hive file: keys by folded path, the root ("") always present.
struct settings_detail::HiveData {
    std::map<QString, StoredKey> keys{{QString(), StoredKey{}}};

    StoredKey *Find(const KeyPath &path)
    {
        auto it = keys.find(path.folded);
        return it == keys.end() ? nullptr : &it->second;
    }

    // Adds the key and its missing parents; true when something was added.
    bool Create(const KeyPath &path)
    {
        bool added = false;
        QString displayPath;
        QString foldedPath;
        for (int i = 0; i < path.segments.size(); ++i) {
            const QString &segment = path.segments[i];
            foldedPath += (i ? QStringLiteral("\\") : QString()) + FoldName(segment);
            auto it = keys.find(foldedPath);
            if (it == keys.end()) {
                const QString childPath =
                    displayPath.isEmpty() ? segment : displayPath + u'\\' + segment;
                it = keys.emplace(foldedPath, StoredKey{childPath, {}}).first;
                added = true;
            }
            displayPath = it->second.path;
        }
        return added;
    }
};

namespace
{

using settings_detail::HiveData;

std::optional<SettingsValue> ParseValue(const QJsonObject &object)
{
    const QString type = object.value(QLatin1String("type")).toString();
    const QJsonValue data = object.value(QLatin1String("data"));
    if (type == QLatin1String("number")) {
        if (!data.isDouble())
            return std::nullopt;
        const double number = data.toDouble();
        if (number < 0 || number > 4294967295.0 ||
            number != static_cast<double>(static_cast<qint64>(number)))
            return std::nullopt;
        return SettingsValue(static_cast<std::uint32_t>(number));
    }
    if (type == QLatin1String("string")) {
        if (!data.isString())
            return std::nullopt;
        return SettingsValue(data.toString());
    }
    return std::nullopt;
}

// Parses a hive file; nullopt when it is not one we can trust.
std::optional<HiveData> ParseHive(const QByteArray &bytes)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject top = document.object();
    if (top.value(QLatin1String("format")).toString() != QLatin1String(kFormatName) ||
        top.value(QLatin1String("version")).toInt(-1) != kFormatVersion ||
        !top.value(QLatin1String("keys")).isArray())
        return std::nullopt;

    HiveData data;
    for (const QJsonValue &keyValue : top.value(QLatin1String("keys")).toArray()) {
        if (!keyValue.isObject())
            return std::nullopt;
        const QJsonObject keyObject = keyValue.toObject();
        if (!keyObject.value(QLatin1String("path")).isString())
            return std::nullopt;
        const std::optional<KeyPath> path =
            ParsePath(keyObject.value(QLatin1String("path")).toString());
        if (!path)
            return std::nullopt;
        data.Create(*path);
        StoredKey *key = data.Find(*path);
        const QJsonValue values = keyObject.value(QLatin1String("values"));
        if (values.isUndefined())
            continue;
        if (!values.isArray())
            return std::nullopt;
        for (const QJsonValue &entry : values.toArray()) {
            if (!entry.isObject() || !entry.toObject().value(QLatin1String("name")).isString())
                return std::nullopt;
            const QString name = entry.toObject().value(QLatin1String("name")).toString();
            std::optional<SettingsValue> value = ParseValue(entry.toObject());
            if (!value || key->Find(name))
                return std::nullopt;
            key->values.push_back(StoredValue{name, std::move(*value)});
        }
    }
    return data;
}

QByteArray SerializeHive(const HiveData &data)
{
    QJsonArray keys;
    for (const auto &[folded, key] : data.keys) {
        if (folded.isEmpty() && key.values.empty())
            continue;
        QJsonArray values;
        for (const StoredValue &stored : key.values) {
            QJsonObject entry;
            entry.insert(QLatin1String("name"), stored.name);
            if (const auto *number = std::get_if<std::uint32_t>(&stored.value)) {
                entry.insert(QLatin1String("type"), QLatin1String("number"));
                entry.insert(QLatin1String("data"), static_cast<qint64>(*number));
            } else {
                entry.insert(QLatin1String("type"), QLatin1String("string"));
                entry.insert(QLatin1String("data"), std::get<QString>(stored.value));
            }
            values.append(entry);
        }
        QJsonObject keyObject;
        keyObject.insert(QLatin1String("path"), key.path);
        keyObject.insert(QLatin1String("values"), values);
        keys.append(keyObject);
    }
    QJsonObject top;
    top.insert(QLatin1String("format"), QLatin1String(kFormatName));
    top.insert(QLatin1String("version"), kFormatVersion);
    top.insert(QLatin1String("keys"), keys);
    return QJsonDocument(top).toJson(QJsonDocument::Indented);
}

bool WriteAtomically(const QString &filePath, const QByteArray &bytes)
{
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        file.commit();
        return false;
    }
    return file.commit();
}

// Keeps a copy of a damaged hive file beside it, named by its content so that reading the
// same damage again does not pile up copies. True when such a copy exists afterwards.
bool KeepDamagedCopy(const QString &filePath, const QByteArray &bytes)
{
    const QByteArray hash = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
    const QString copyPath =
        filePath + QLatin1String(".damaged-") + QString::fromLatin1(hash.left(16));
    if (QFileInfo::exists(copyPath))
        return true;
    if (!WriteAtomically(copyPath, bytes)) {
        qCWarning(lcPlatform) << "damaged settings file" << filePath
                              << "could not be copied aside; it is left untouched";
        return false;
    }
    qCWarning(lcPlatform) << "damaged settings file" << filePath << "copied to" << copyPath
                          << "; starting from empty settings";
    return true;
}

struct LoadedHive {
    SettingsStatus status = SettingsStatus::Ok;
    HiveData data;
    // False when the file on disk is damaged and no copy of it could be made: it must not
    // be replaced then.
    bool bMayReplace = true;
};

LoadedHive LoadHive(const QString &filePath)
{
    LoadedHive loaded;
    QFile file(filePath);
    if (!file.exists())
        return loaded;
    if (!file.open(QIODevice::ReadOnly)) {
        loaded.status = file.error() == QFileDevice::PermissionsError ? SettingsStatus::AccessDenied
                                                                      : SettingsStatus::IoError;
        return loaded;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        loaded.status = SettingsStatus::IoError;
        return loaded;
    }
    if (std::optional<HiveData> data = ParseHive(bytes)) {
        loaded.data = std::move(*data);
        return loaded;
    }
    loaded.bMayReplace = KeepDamagedCopy(filePath, bytes);
    return loaded;
}

bool IsWritable(const QString &folder, const QString &filePath)
{
    const QFileInfo folderInfo(folder);
    if (folderInfo.exists())
        return folderInfo.isDir() && folderInfo.isWritable() &&
               (!QFileInfo::exists(filePath) || QFileInfo(filePath).isWritable());
    // A folder still to be made: writable when its nearest existing ancestor is.
    QFileInfo ancestor(folderInfo.absolutePath());
    while (!ancestor.exists() && !ancestor.isRoot())
        ancestor = QFileInfo(ancestor.absolutePath());
    return ancestor.isDir() && ancestor.isWritable();
}

} // namespace

CSettingsStore::CSettingsStore(QString currentUserFolder, QString localMachineFolder)
    : m_strCurrentUserFolder(std::move(currentUserFolder)),
      m_strLocalMachineFolder(std::move(localMachineFolder))
{
}

CSettingsStore &CSettingsStore::System()
{
    static CSettingsStore store(DefaultFolder(SettingsHive::CurrentUser),
                                DefaultFolder(SettingsHive::LocalMachine));
    return store;
}

QString CSettingsStore::DefaultFolder(SettingsHive hive)
{
    if (hive == SettingsHive::LocalMachine) {
        const QString overridden = qEnvironmentVariable("QUORVIL_SYSTEM_CONFIG");
        return overridden.isEmpty() ? QStringLiteral("/var/lib/quorvil") : overridden;
    }
    const QString overridden = qEnvironmentVariable("QUORVIL_CONFIG_HOME");
    if (!overridden.isEmpty())
        return overridden;
    // The XDG rules: a relative XDG_CONFIG_HOME is invalid and ignored.
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    const QString base = !xdg.isEmpty() && QDir::isAbsolutePath(xdg)
                             ? xdg
                             : QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/quorvil");
}

QString CSettingsStore::Folder(SettingsHive hive) const
{
    return hive == SettingsHive::CurrentUser ? m_strCurrentUserFolder : m_strLocalMachineFolder;
}

QString CSettingsStore::FilePath(SettingsHive hive) const
{
    return Folder(hive) + u'/' + QLatin1String(kFileName);
}

SettingsStatus CSettingsStore::Modify(SettingsHive hive, const Change &change)
{
    std::lock_guard guard(m_mutex);
    const QString filePath = FilePath(hive);

    // A first pass without touching the disk: a change that fails or changes nothing must
    // not create folders or lock files.
    {
        LoadedHive loaded = LoadHive(filePath);
        if (loaded.status != SettingsStatus::Ok)
            return loaded.status;
        bool changed = false;
        const SettingsStatus status = change(loaded.data, changed);
        if (status != SettingsStatus::Ok || !changed)
            return status;
    }

    if (!QDir().mkpath(Folder(hive)))
        return SettingsStatus::AccessDenied;
    QLockFile lock(filePath + QLatin1String(".lock"));
    if (!lock.tryLock(kLockTimeoutMs)) {
        return lock.error() == QLockFile::PermissionError ? SettingsStatus::AccessDenied
                                                          : SettingsStatus::IoError;
    }
    LoadedHive loaded = LoadHive(filePath);
    if (loaded.status != SettingsStatus::Ok)
        return loaded.status;
    if (!loaded.bMayReplace)
        return SettingsStatus::IoError;
    bool changed = false;
    const SettingsStatus status = change(loaded.data, changed);
    if (status != SettingsStatus::Ok || !changed)
        return status;
    if (!WriteAtomically(filePath, SerializeHive(loaded.data))) {
        return IsWritable(Folder(hive), filePath) ? SettingsStatus::IoError
                                                  : SettingsStatus::AccessDenied;
    }
    return SettingsStatus::Ok;
}

SettingsStatus CSettingsStore::OpenKey(SettingsHive hive, const QString &path,
                                       SettingsAccess access) const
{
    const std::optional<KeyPath> keyPath = ParsePath(path);
    if (!keyPath)
        return SettingsStatus::InvalidArgument;
    std::lock_guard guard(m_mutex);
    LoadedHive loaded = LoadHive(FilePath(hive));
    if (loaded.status != SettingsStatus::Ok)
        return loaded.status;
    if (!loaded.data.Find(*keyPath))
        return SettingsStatus::NotFound;
    if (access == SettingsAccess::ReadWrite &&
        (!loaded.bMayReplace || !IsWritable(Folder(hive), FilePath(hive))))
        return SettingsStatus::AccessDenied;
    return SettingsStatus::Ok;
}

SettingsStatus CSettingsStore::CreateKey(SettingsHive hive, const QString &path)
{
    const std::optional<KeyPath> keyPath = ParsePath(path);
    if (!keyPath)
        return SettingsStatus::InvalidArgument;
    return Modify(hive, [&](HiveData &data, bool &changed) {
        changed = data.Create(*keyPath);
        return SettingsStatus::Ok;
    });
}

SettingsStatus CSettingsStore::DeleteKey(SettingsHive hive, const QString &path)
{
    const std::optional<KeyPath> keyPath = ParsePath(path);
    if (!keyPath || keyPath->folded.isEmpty())
        return SettingsStatus::InvalidArgument;
    return Modify(hive, [&](HiveData &data, bool &changed) {
        if (!data.Find(*keyPath))
            return SettingsStatus::NotFound;
        const QString childPrefix = keyPath->folded + u'\\';
        std::erase_if(data.keys, [&](const auto &entry) {
            return entry.first == keyPath->folded || entry.first.startsWith(childPrefix);
        });
        changed = true;
        return SettingsStatus::Ok;
    });
}

SettingsStatus CSettingsStore::ModifyKey(SettingsHive hive, const QString &path,
                                         const KeyChange &change)
{
    const std::optional<KeyPath> keyPath = ParsePath(path);
    if (!keyPath)
        return SettingsStatus::InvalidArgument;
    return Modify(hive, [&](HiveData &data, bool &changed) {
        StoredKey *key = data.Find(*keyPath);
        if (!key)
            return SettingsStatus::NotFound;
        return change(*key, changed);
    });
}

SettingsStatus CSettingsStore::SetValue(SettingsHive hive, const QString &path, const QString &name,
                                        const SettingsValue &value)
{
    return ModifyKey(hive, path, [&](StoredKey &key, bool &changed) {
        if (StoredValue *stored = key.Find(name)) {
            changed = stored->value != value;
            stored->value = value;
        } else {
            key.values.push_back(StoredValue{name, value});
            changed = true;
        }
        return SettingsStatus::Ok;
    });
}

SettingsStatus CSettingsStore::SetNumber(SettingsHive hive, const QString &path,
                                         const QString &name, std::uint32_t value)
{
    return SetValue(hive, path, name, SettingsValue(value));
}

SettingsStatus CSettingsStore::SetString(SettingsHive hive, const QString &path,
                                         const QString &name, const QString &value)
{
    return SetValue(hive, path, name, SettingsValue(value));
}

SettingsStatus CSettingsStore::DeleteValue(SettingsHive hive, const QString &path,
                                           const QString &name)
{
    return ModifyKey(hive, path, [&](StoredKey &key, bool &changed) {
        const QString folded = FoldName(name);
        const auto removed = std::erase_if(
            key.values, [&](const StoredValue &v) { return FoldName(v.name) == folded; });
        if (removed == 0)
            return SettingsStatus::NotFound;
        changed = true;
        return SettingsStatus::Ok;
    });
}

SettingsResult<SettingsValue> CSettingsStore::GetValue(SettingsHive hive, const QString &path,
                                                       const QString &name) const
{
    SettingsResult<SettingsValue> result;
    const std::optional<KeyPath> keyPath = ParsePath(path);
    if (!keyPath) {
        result.status = SettingsStatus::InvalidArgument;
        return result;
    }
    std::lock_guard guard(m_mutex);
    LoadedHive loaded = LoadHive(FilePath(hive));
    if (loaded.status != SettingsStatus::Ok) {
        result.status = loaded.status;
        return result;
    }
    StoredKey *key = loaded.data.Find(*keyPath);
    StoredValue *stored = key ? key->Find(name) : nullptr;
    if (!stored) {
        result.status = SettingsStatus::NotFound;
        return result;
    }
    result.status = SettingsStatus::Ok;
    result.value = stored->value;
    return result;
}

SettingsResult<std::uint32_t> CSettingsStore::GetNumber(SettingsHive hive, const QString &path,
                                                        const QString &name) const
{
    const SettingsResult<SettingsValue> found = GetValue(hive, path, name);
    SettingsResult<std::uint32_t> result{found.status, 0};
    if (!found.Ok())
        return result;
    if (const auto *number = std::get_if<std::uint32_t>(&found.value))
        result.value = *number;
    else
        result.status = SettingsStatus::WrongType;
    return result;
}

SettingsResult<QString> CSettingsStore::GetString(SettingsHive hive, const QString &path,
                                                  const QString &name) const
{
    const SettingsResult<SettingsValue> found = GetValue(hive, path, name);
    SettingsResult<QString> result{found.status, {}};
    if (!found.Ok())
        return result;
    if (const auto *text = std::get_if<QString>(&found.value))
        result.value = *text;
    else
        result.status = SettingsStatus::WrongType;
    return result;
}
