#pragma once

#include <QString>
#include <QTemporaryDir>

// A small tmpfs mounted on a scratch folder for the life of the object: a disk that fills up
// after `size` bytes, or one that cannot be written at all. Mounting needs root; when the
// machine refuses, Why() says so and the test skips.
class ScratchMount
{
public:
    enum class Kind { SizeLimited, ReadOnly };

    // `size` as mount(8) takes it ("2m").
    ScratchMount(Kind kind, const QString &size = QStringLiteral("2m"));
    ~ScratchMount();
    ScratchMount(const ScratchMount &) = delete;
    ScratchMount &operator=(const ScratchMount &) = delete;

    bool IsMounted() const { return m_bMounted; }
    // Remounts it read-only, what it holds kept (a disk the system turned read-only after an
    // error). False when the machine refuses.
    bool MakeReadOnly();
    QString Why() const { return m_strWhy; }
    QString Path() const { return m_dir.path() + QStringLiteral("/mnt"); }

private:
    QTemporaryDir m_dir;
    bool m_bMounted = false;
    QString m_strWhy;
};

// A folder the test cannot write to: a read-only mount as root (root writes through file
// modes), a folder without write permission otherwise.
class ReadOnlyFolder
{
public:
    ReadOnlyFolder();
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder &) = delete;
    ReadOnlyFolder &operator=(const ReadOnlyFolder &) = delete;

    bool IsReady() const { return !m_strPath.isEmpty(); }
    QString Why() const { return m_strWhy; }
    QString Path() const { return m_strPath; }

private:
    std::unique_ptr<ScratchMount> m_mount;
    QTemporaryDir m_dir;
    QString m_strPath;
    QString m_strWhy;
};
