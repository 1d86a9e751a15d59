#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <mutex>
#include <variant>

// The settings store: two hives of keys addressed by backslash paths ("Software\GNU\ffdshow"),
// each key holding named, typed values (a 32-bit number or a string). Key path segments and
// value names compare case-insensitively and keep the spelling they were created with.
//
// Every operation returns its result; nothing is thrown. Callers that are told to ignore a
// failure (markers under the local machine, for example) simply drop the status.
//
// Each hive is one readable JSON file (settings.json) in its own folder. Every operation reads
// the file afresh, so several stores and processes see each other's writes; a write replaces
// the file atomically (temporary file, then rename) under a lock file. A file that cannot be
// parsed is copied aside (settings.json.damaged-<hash>) and the hive reads as empty; it is only
// replaced once that copy exists.

enum class SettingsHive {
    CurrentUser,  // $QUORVIL_CONFIG_HOME, else $XDG_CONFIG_HOME/quorvil, else ~/.config/quorvil
    LocalMachine, // $QUORVIL_SYSTEM_CONFIG, else /var/lib/quorvil
};

enum class SettingsStatus {
    Ok,
    NotFound,        // the key or the value does not exist
    WrongType,       // the value exists with another type than the one asked for
    InvalidArgument, // a path with an empty segment ("A\\B", a leading or trailing backslash)
    AccessDenied,    // the hive's folder or file may not be written (or read)
    IoError,         // reading or writing the file failed (full disk, lock not obtained...)
};

enum class SettingsAccess {
    Read,
    ReadWrite,
};

// A stored value: a 32-bit number (REG_DWORD-like) or a string (REG_SZ-like).
using SettingsValue = std::variant<std::uint32_t, QString>;

namespace settings_detail
{
struct HiveData;  // the parsed contents of one hive file
struct StoredKey; // one key of it with its values
} // namespace settings_detail

template <typename T> struct SettingsResult {
    SettingsStatus status = SettingsStatus::NotFound;
    T value{};
    bool Ok() const { return status == SettingsStatus::Ok; }
};

class CSettingsStore
{
public:
    // A store over two folders of the caller's choice (tests, tools).
    CSettingsStore(QString currentUserFolder, QString localMachineFolder);

    // The process-wide store over the default folders (environment overrides included),
    // created on first use.
    static CSettingsStore &System();
    static QString DefaultFolder(SettingsHive hive);

    QString Folder(SettingsHive hive) const;
    QString FilePath(SettingsHive hive) const;

    // Keys. An empty path names the hive's root, which always exists.
    // OpenKey never creates anything: NotFound when the key is absent; with ReadWrite,
    // AccessDenied when the hive cannot be written.
    SettingsStatus OpenKey(SettingsHive hive, const QString &path,
                           SettingsAccess access = SettingsAccess::Read) const;
    // Creates the key and any missing parents; Ok when it already exists.
    SettingsStatus CreateKey(SettingsHive hive, const QString &path);
    // Deletes the key with its values and sub-keys. The root cannot be deleted.
    SettingsStatus DeleteKey(SettingsHive hive, const QString &path);

    // Values. Setting a value never creates its key: NotFound when the key is absent.
    SettingsStatus SetNumber(SettingsHive hive, const QString &path, const QString &name,
                             std::uint32_t value);
    SettingsStatus SetString(SettingsHive hive, const QString &path, const QString &name,
                             const QString &value);
    SettingsStatus SetValue(SettingsHive hive, const QString &path, const QString &name,
                            const SettingsValue &value);
    SettingsStatus DeleteValue(SettingsHive hive, const QString &path, const QString &name);

    SettingsResult<SettingsValue> GetValue(SettingsHive hive, const QString &path,
                                           const QString &name) const;
    // WrongType when the value holds the other type.
    SettingsResult<std::uint32_t> GetNumber(SettingsHive hive, const QString &path,
                                            const QString &name) const;
    SettingsResult<QString> GetString(SettingsHive hive, const QString &path,
                                      const QString &name) const;

    // Values may have an empty name (the key's default value).

private:
    using HiveData = settings_detail::HiveData;
    // Runs change on the hive's contents and saves them when it reports a change.
    using Change = std::function<SettingsStatus(HiveData &data, bool &changed)>;
    SettingsStatus Modify(SettingsHive hive, const Change &change);
    // The same for the values of one existing key: NotFound when it is absent.
    using KeyChange = std::function<SettingsStatus(settings_detail::StoredKey &key, bool &changed)>;
    SettingsStatus ModifyKey(SettingsHive hive, const QString &path, const KeyChange &change);

    QString m_strCurrentUserFolder;
    QString m_strLocalMachineFolder;
    // Serialises read-modify-write cycles of this object; the lock file covers other processes.
    mutable std::mutex m_mutex;
};
