#pragma once

#include <QString>

#include <memory>
#include <vector>

class QWidget;

// Copying files for the user, as the rest of the viewer sees it: a batch of copies with a
// progress window, a question before an existing file is replaced and a message for every copy
// that failed. A file is copied whole or not at all: it is written under a temporary name in
// the target folder, flushed to disk, read back and compared, and only then given its name.
// The viewer uses CreateFileOperations; tests give FileOperationsQt scripted prompts.

// What the user answered when a target file already exists.
enum class OverwriteAnswer {
    None = 0, // the question could not be asked: treated as Skip
    Overwrite,
    Skip,
    OverwriteAll, // this file and every later one of the batch
    Cancel,       // this file and the rest of the batch are not copied
};

struct FileCopyJob {
    QString source; // absolute path of an existing file
    QString target; // absolute path of the copy
};

enum class FileCopyOutcome {
    None = 0,
    Copied,
    Skipped,   // the target existed and the user chose to keep it
    Failed,    // see FileCopyResult::error; nothing was left behind
    Cancelled, // by the user, during or before this file's copy
};

struct FileCopyResult {
    FileCopyOutcome outcome = FileCopyOutcome::None;
    QString error; // Failed only: why, in words for the user
};

// The questions and messages of a copy batch; always called on the UI thread.
class IFileCopyPrompts
{
public:
    virtual ~IFileCopyPrompts() = default;
    virtual OverwriteAnswer AskOverwrite(QWidget *owner, const QString &target) = 0;
    virtual void ShowFailure(QWidget *owner, const QString &message) = 0;
};

class IFileOperations
{
public:
    virtual ~IFileOperations() = default;

    // Copies `jobs` one by one, in order, on a worker thread, while a progress window titled
    // `title` and owned by `owner` shows how far it is and offers Cancel; the UI thread keeps
    // running its events meanwhile. Returns when every job is done or the user cancelled: one
    // result per job, in job order.
    virtual std::vector<FileCopyResult> CopyFiles(QWidget *owner, const QString &title,
                                                  const std::vector<FileCopyJob> &jobs) = 0;
};

// The viewer's file operations: our progress window and Qt's message boxes.
std::unique_ptr<IFileOperations> CreateFileOperations();
