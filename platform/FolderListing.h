#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

// The entries directly inside one folder, in the order the file system lists them, without
// "." and "..". Names are decoded from the file system's bytes; the status of an entry is
// looked up only when asked for, with one status call per entry.
class CFolderListing
{
public:
    struct Status {
        bool bRegularFile = false;    // a plain file, after following a symbolic link
        bool bFolder = false;         // a folder, after following a symbolic link
        std::int64_t sizeBytes = 0;   // for a regular file
        std::int64_t lastWriteMs = 0; // last write, milliseconds since 1970 (UTC)
    };

    // Opens the folder; a missing, unreadable or non-folder path lists nothing.
    explicit CFolderListing(const QString &folder);
    ~CFolderListing();
    CFolderListing(const CFolderListing &) = delete;
    CFolderListing &operator=(const CFolderListing &) = delete;

    bool IsOpen() const;

    // Moves to the next entry; false at the end (or when the folder could not be opened).
    bool Next();

    // The current entry's decoded name.
    const QString &Name() const;
    // False when the decoded name does not encode back to the bytes on disk (a name that is
    // not valid UTF-8): a path built from it does not reach the entry.
    bool NameIsExact() const;
    // True when the listing already knows the entry is a folder (no status call needed).
    bool KnownToBeFolder() const;
    // The current entry's status; nullopt when it vanished or cannot be examined
    // (a dangling symbolic link, for example).
    std::optional<Status> GetStatus() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};
