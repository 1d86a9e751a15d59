#pragma once

#include "platform/Dialogs.h"

#include <deque>
#include <functional>
#include <vector>

// Dialogs answered from a script, for tests: each kind of dialog takes its answers from its
// own queue, in order, and every call is recorded with what it was asked. A call with no
// answer left is answered like a user pressing Cancel (OK for an OK-only message box) and
// counted in UnscriptedCalls(), so a test can tell that a dialog it did not expect came up.
class DialogsScripted : public IDialogs
{
public:
    struct MessageBoxCall {
        QWidget *owner = nullptr;
        QString text;
        MessageBoxButtons buttons = MessageBoxButtons::Ok;
        QString caption;
    };
    struct FolderBrowserCall {
        QWidget *owner = nullptr;
        FolderBrowserRequest request;
    };
    struct SaveFileCall {
        QWidget *owner = nullptr;
        SaveFileRequest request;
    };
    // Plays the user's part in a modal dialog: may read and change the dialog's widgets,
    // returns the result code (QDialog::Accepted or QDialog::Rejected).
    using ModalScript = std::function<int(QDialog &dialog)>;

    void QueueMessageBoxAnswer(DialogResult answer) { m_messageBoxAnswers.push_back(answer); }
    // nullopt plays Cancel.
    void QueueFolder(const std::optional<QString> &folder);
    void QueueSaveFile(const std::optional<QString> &file);
    void QueueModal(ModalScript script) { m_modalScripts.push_back(std::move(script)); }

    const std::vector<MessageBoxCall> &MessageBoxCalls() const { return m_messageBoxCalls; }
    const std::vector<FolderBrowserCall> &FolderBrowserCalls() const { return m_folderCalls; }
    const std::vector<SaveFileCall> &SaveFileCalls() const { return m_saveFileCalls; }
    int ModalCalls() const { return m_modalCalls; }
    int UnscriptedCalls() const { return m_unscriptedCalls; }
    // Whether every queued answer has been used.
    bool ScriptConsumed() const;

    DialogResult MessageBox(QWidget *owner, const QString &text, MessageBoxButtons buttons,
                            const QString &caption = {}) override;
    std::optional<QString> BrowseForFolder(QWidget *owner,
                                           const FolderBrowserRequest &request) override;
    std::optional<QString> GetSaveFileName(QWidget *owner, const SaveFileRequest &request) override;
    int RunModal(QDialog &dialog) override;

private:
    struct PathAnswer {
        bool chosen = false; // false: the user cancelled
        QString path;
    };
    std::optional<QString> TakePath(std::deque<PathAnswer> &answers);

    std::deque<DialogResult> m_messageBoxAnswers;
    std::deque<PathAnswer> m_folders;
    std::deque<PathAnswer> m_saveFiles;
    std::deque<ModalScript> m_modalScripts;

    std::vector<MessageBoxCall> m_messageBoxCalls;
    std::vector<FolderBrowserCall> m_folderCalls;
    std::vector<SaveFileCall> m_saveFileCalls;
    int m_modalCalls = 0;
    int m_unscriptedCalls = 0;
};
