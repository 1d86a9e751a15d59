#pragma once

#include "platform/FileOperations.h"

#include <QString>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// The copy engine behind IFileOperations, without any window: it runs a batch on the calling
// thread (the file operations run it on a worker), reports how far it is through
// FileCopyProgress and asks its questions through callbacks.

// The system calls a copy reads and writes through. The defaults are the plain calls; tests
// derive from it to make a call fail or wait the way a full disk or a pulled card would.
class FileCopyIo
{
public:
    virtual ~FileCopyIo() = default;
    // Like read(2) and write(2): bytes moved, 0 at the end of a read, -1 with errno set.
    // Read reads the source, ReadBack the finished copy.
    virtual std::int64_t Read(int fd, void *buffer, std::size_t size);
    virtual std::int64_t ReadBack(int fd, void *buffer, std::size_t size);
    virtual std::int64_t Write(int fd, const void *buffer, std::size_t size);
    // Like copy_file_range(2) at the given offsets (the descriptors' own offsets stay).
    virtual std::int64_t CopyRange(int in, std::uint64_t inOffset, int out, std::uint64_t outOffset,
                                   std::size_t size);
    // Like fsync(2): 0, or -1 with errno set.
    virtual int Sync(int fd);
};

// How far a batch is. Written by the copying thread, read by any other.
struct FileCopyStatus {
    int fileIndex = -1; // the job being copied
    int fileCount = 0;
    QString fileName;             // of the job being copied
    std::uint64_t bytesDone = 0;  // copied so far, all files of the batch
    std::uint64_t bytesTotal = 0; // sizes of every source of the batch
    // Work is copying plus reading the copy back; the time left is estimated from it.
    std::uint64_t workDone = 0;
    std::uint64_t workTotal = 0;
    bool verifying = false; // reading the current copy back
};

class FileCopyProgress
{
public:
    FileCopyStatus Snapshot() const;

    void Start(int fileCount, std::uint64_t bytesTotal);
    void BeginFile(int index, const QString &fileName);
    void AddCopied(std::uint64_t bytes);
    void AddVerified(std::uint64_t bytes);
    void SetVerifying(bool verifying);
    // A file ended, however: the counters move to where the next file starts.
    void EndFile(std::uint64_t bytesDone, std::uint64_t workDone);

private:
    mutable std::mutex m_mutex;
    FileCopyStatus m_status; // guarded by m_mutex
};

class FileCopier
{
public:
    struct Callbacks {
        // Called on the copying thread; blocks until the user answered.
        std::function<OverwriteAnswer(const QString &target)> askOverwrite;
        std::function<void(const QString &message)> reportFailure;
    };

    explicit FileCopier(std::shared_ptr<FileCopyIo> io = nullptr);

    // Copies the jobs in order. `cancel` may be set from any thread: the copy in progress
    // stops within one buffer and every later job is Cancelled.
    std::vector<FileCopyResult> Run(const std::vector<FileCopyJob> &jobs,
                                    const Callbacks &callbacks, FileCopyProgress &progress,
                                    const std::atomic<bool> &cancel);

    // One file, written under a temporary name beside the target and renamed once it was
    // flushed and read back equal. `overwrite` allows replacing an existing target; without it
    // an existing target fails the copy and stays untouched.
    FileCopyResult CopyOne(const FileCopyJob &job, bool overwrite, FileCopyProgress &progress,
                           const std::atomic<bool> &cancel);

    // Bytes per read and write.
    static constexpr std::size_t kBufferSize = std::size_t{4} << 20;

private:
    std::shared_ptr<FileCopyIo> m_io;
};
