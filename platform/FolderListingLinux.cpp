#include "platform/FolderListing.h"

#include <QByteArray>
#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>

struct CFolderListing::Impl {
    struct DirCloser {
        void operator()(DIR *dir) const { closedir(dir); }
    };
    std::unique_ptr<DIR, DirCloser> dir;
    const char *rawName = nullptr; // the current entry's bytes, owned by dir
    unsigned char type = DT_UNKNOWN;
    QString name;
    bool bNameExact = true;
};

CFolderListing::CFolderListing(const QString &folder) : m_pImpl(std::make_unique<Impl>())
{
    if (folder.isEmpty())
        return;
    m_pImpl->dir.reset(opendir(QFile::encodeName(folder).constData()));
}

CFolderListing::~CFolderListing() = default;

bool CFolderListing::IsOpen() const
{
    return m_pImpl->dir != nullptr;
}

bool CFolderListing::Next()
{
    if (!m_pImpl->dir)
        return false;
    while (const dirent *entry = readdir(m_pImpl->dir.get())) {
        const char *raw = entry->d_name;
        if (std::strcmp(raw, ".") == 0 || std::strcmp(raw, "..") == 0)
            continue;
        m_pImpl->rawName = raw;
        m_pImpl->type = entry->d_type;
        m_pImpl->name = QFile::decodeName(raw);
        // Invalid UTF-8 decodes to U+FFFD; only such names can fail to encode back.
        m_pImpl->bNameExact = !m_pImpl->name.contains(QChar::ReplacementCharacter) ||
                              QFile::encodeName(m_pImpl->name) == QByteArray(raw);
        return true;
    }
    m_pImpl->rawName = nullptr;
    return false;
}

const QString &CFolderListing::Name() const
{
    return m_pImpl->name;
}

bool CFolderListing::NameIsExact() const
{
    return m_pImpl->bNameExact;
}

bool CFolderListing::KnownToBeFolder() const
{
    return m_pImpl->rawName && m_pImpl->type == DT_DIR;
}

std::optional<CFolderListing::Status> CFolderListing::GetStatus() const
{
    if (!m_pImpl->dir || !m_pImpl->rawName)
        return std::nullopt;
    struct stat info {
    };
    // Relative to the open folder, following symbolic links.
    if (fstatat(dirfd(m_pImpl->dir.get()), m_pImpl->rawName, &info, 0) != 0)
        return std::nullopt;
    Status status;
    status.bRegularFile = S_ISREG(info.st_mode);
    status.bFolder = S_ISDIR(info.st_mode);
    status.sizeBytes = status.bRegularFile ? static_cast<std::int64_t>(info.st_size) : 0;
    status.lastWriteMs =
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
    return status;
}
