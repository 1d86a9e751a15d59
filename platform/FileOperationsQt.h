#pragma once

#include "platform/FileCopier.h"
#include "platform/FileOperations.h"

#include <memory>

// The file operations of the viewer: the copier on a worker thread, our progress window on
// the UI thread, questions and failures through the prompts.
class FileOperationsQt : public IFileOperations
{
public:
    // Null prompts: Qt's message boxes. Null io: the plain system calls.
    explicit FileOperationsQt(std::unique_ptr<IFileCopyPrompts> prompts = nullptr,
                              std::shared_ptr<FileCopyIo> io = nullptr);

    std::vector<FileCopyResult> CopyFiles(QWidget *owner, const QString &title,
                                          const std::vector<FileCopyJob> &jobs) override;

    // Called with the progress window once it is shown (tests grab or press it).
    void SetWindowShownHook(std::function<void(QWidget &window)> hook)
    {
        m_windowShown = std::move(hook);
    }

private:
    std::unique_ptr<IFileCopyPrompts> m_prompts;
    std::shared_ptr<FileCopyIo> m_io;
    std::function<void(QWidget &window)> m_windowShown;
};

// Qt's message boxes: the overwrite question with four buttons, failures with OK.
class FileCopyPromptsQt : public IFileCopyPrompts
{
public:
    OverwriteAnswer AskOverwrite(QWidget *owner, const QString &target) override;
    void ShowFailure(QWidget *owner, const QString &message) override;
};
